#include "ctl/ctl_run.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "control/request.h"
#include "control/socket_path.h"
#include "ctl/ctl_link.h"
#include "ctl/ctl_render.h"
#include "log/display_text.h"

namespace varno {
namespace {

constexpr int kGreetingSeconds = 30;
constexpr char kTooLong[] = "the bot sent a line longer than the protocol allows";

void Print(std::FILE* stream, const std::string& text) {
    if (!text.empty()) {
        std::fwrite(text.data(), 1, text.size(), stream);
        std::fflush(stream);
    }
}

int Fail(int status, const std::string& why) {
    Print(stderr, "varnoctl: " + why + "\n");
    return status;
}

std::string SocketPath(const CtlOptions& o) {
    return o.folder.empty() ? ServiceSocketPath(o.name) : ControlSocketPath(o.folder, "");
}

}  // namespace

int RunCtl(const CtlOptions& o) {
    CtlLink link;
    if (const CtlLink::Opened opened = link.Connect(SocketPath(o)); opened.status != 0) {
        return Fail(opened.status, opened.message);
    }
    if (o.stdio) {
        return link.Relay();
    }
    // The greeting comes at once from a bot that runs; the answer within --wait of asking.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kGreetingSeconds);
    const bool colour = o.colour == CtlOptions::Colour::Always ||
                        (o.colour == CtlOptions::Colour::Auto && ::isatty(STDOUT_FILENO));
    std::string line;
    Message message;
    bool greeted = false;
    while (true) {
        switch (link.ReadLine(line, deadline)) {
            case CtlLink::Read::Line:
                break;
            case CtlLink::Read::TimedOut: {
                if (!greeted) {
                    return Fail(kCtlNoBot, "the bot did not greet within " +
                                               std::to_string(kGreetingSeconds) + " seconds");
                }
                const CtlOutput ended = WaitEnded(o);
                Print(stderr, ended.err);
                return ended.status;
            }
            case CtlLink::Read::Ended:
                return Fail(kCtlIoError, "the bot closed the connection before it answered");
            case CtlLink::Read::Failed:
                return Fail(kCtlIoError, "the connection to the bot broke");
            case CtlLink::Read::TooLong:
                return Fail(kCtlSoftware, kTooLong);
        }
        if (!ReadMessage(line, message)) {
            return Fail(kCtlSoftware, "the bot said what this varnoctl cannot read");
        }
        if (!greeted) {
            // The first line is the greeting, or why the bot will not take this client.
            if (message.kind == Message::Kind::Answer && !message.ok) {
                return Fail(StatusForCode(message.code), VisibleText(message.message));
            }
            const auto hello = message.event == "hello" ? ReadHello(*message.body) : std::nullopt;
            if (!hello || hello->protocol != static_cast<std::uint64_t>(kProtocolVersion)) {
                return Fail(kCtlSoftware, "the bot speaks another version of the protocol");
            }
            greeted = true;
            if (!link.Write(CtlRequestLine(o, colour))) {
                return Fail(kCtlIoError, "the connection to the bot broke");
            }
            deadline = std::chrono::steady_clock::now() + std::chrono::seconds(o.waitSeconds);
            continue;
        }
        if (message.kind == Message::Kind::Answer) {
            break;  // varnoctl asks one thing: this is its answer
        }
    }
    const CtlOutput output = RenderAnswer(o, message, colour);
    Print(stdout, o.json ? line + "\n" : output.out);
    Print(stderr, output.err);
    if (output.status != kCtlOk || !(o.command == "log" && o.follow)) {
        return output.status;
    }
    for (;;) {
        switch (link.ReadLine(line, std::nullopt)) {
            case CtlLink::Read::Line:
                break;
            case CtlLink::Read::Ended:
                return Fail(kCtlNoBot, "the bot ended the connection");
            case CtlLink::Read::TimedOut:
            case CtlLink::Read::Failed:
                return Fail(kCtlIoError, "the connection to the bot broke");
            case CtlLink::Read::TooLong:
                return Fail(kCtlSoftware, kTooLong);
        }
        if (o.json) {
            Print(stdout, line + "\n");
        } else if (ReadMessage(line, message)) {
            Print(stdout, RenderLogEvent(message, colour));
        }
    }
}

}  // namespace varno
