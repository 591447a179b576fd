#include "channel/channel_events.h"

#include <initializer_list>
#include <string>

#include "channel/product_icon.h"

namespace varno {

namespace {

std::string Join(std::initializer_list<std::string_view> parts) {
    std::string result;
    for (std::string_view part : parts) {
        result += part;
    }
    return result;
}

}  // namespace

ChannelEvents::ChannelEvents(const Edition& edition, LogWriter& writer, Roster& roster,
                             ChannelPort& port)
    : edition_(edition), writer_(writer), roster_(roster), port_(port) {}

void ChannelEvents::OnUserInChannel(std::string_view name, std::string_view flags,
                                    std::string_view product) {
    roster_.append({std::string(name), ProductIcon(product, flags)});
    if (edition_.singleRunLines) {
        writer_.Line(LogTarget::Main, colour::kGreen, Join({name, " is here using ", product}));
    } else {
        writer_.Line(LogTarget::Main, {{colour::kGreen, Join({name, " is here using "})},
                                       {colour::kWhite, std::string(product)}});
    }
}

void ChannelEvents::OnUserJoin(std::string_view name, std::string_view flags,
                               std::string_view product) {
    writer_.Line(LogTarget::Main, colour::kDarkGreen, Join({name, " has joined the channel"}));
    roster_.append({std::string(name), ProductIcon(product, flags)});
}

void ChannelEvents::OnUserLeave(std::string_view name, std::string_view /*flags*/) {
    writer_.Line(LogTarget::Main, colour::kDarkGreen, Join({name, " has left the channel"}));
    if (const auto pos = roster_.findCaseInsensitive(name)) {
        roster_.removeAt(*pos);
    }
}

void ChannelEvents::OnChannelJoined(std::string_view channel) {
    roster_.clear();
    roster_.setHeader(channel);
    port_.setChannelLabel(channel);
    if (edition_.channelJoinedLine) {
        writer_.Line(LogTarget::Main,
                     {{colour::kRed, "Joined Channel: "}, {colour::kWhite, std::string(channel)}});
    }
}

void ChannelEvents::OnUserFlags(std::string_view name, std::string_view flags) {
    const std::int16_t icon = FlagsIcon(flags);
    const auto pos = roster_.findExact(name);
    if (!pos) {
        roster_.append({std::string(name), icon});
        return;
    }
    const bool plainFlags = flags == "0000" || flags == "0010";
    if (plainFlags && roster_.at(*pos).icon != icon::kSquelched) {
        return;
    }
    roster_.removeAt(*pos);
    roster_.insert(*pos, {std::string(name), icon});
}

void ChannelEvents::OnUserTalk(std::string_view name, std::string_view /*flags*/,
                               std::string_view text) {
    if (edition_.singleRunLines) {
        writer_.Line(LogTarget::Main, colour::kLightGreen, Join({name, ": ", text}));
    } else {
        writer_.Line(LogTarget::Main, {{colour::kWhite, "<"},
                                       {colour::kYellow, std::string(name)},
                                       {colour::kWhite, Join({"> ", text})}});
    }
    port_.HandleCommand(name, text);
}

void ChannelEvents::OnUserEmote(std::string_view name, std::string_view /*flags*/,
                                std::string_view text) {
    const Colour colour = edition_.singleRunLines ? colour::kSilver : colour::kLightGrey;
    writer_.Line(LogTarget::Main, colour, Join({name, ": ", text}));
}

void ChannelEvents::OnWhisperSent(std::string_view name, std::string_view /*flags*/,
                                  std::string_view text) {
    WriteWhisperLine("To ", name, text);
}

void ChannelEvents::OnWhisperReceived(std::string_view name, std::string_view /*flags*/,
                                      std::string_view text) {
    WriteWhisperLine("From ", name, text);
}

void ChannelEvents::WriteWhisperLine(std::string_view direction, std::string_view name,
                                     std::string_view text) {
    if (edition_.singleRunLines) {
        writer_.Line(LogTarget::Whisper, colour::kRed, Join({direction, name, ": ", text}));
    } else {
        writer_.Line(LogTarget::Whisper, {{colour::kGreen, Join({direction, name, ": "})},
                                          {colour::kWhite, std::string(text)}});
    }
}

void ChannelEvents::OnInfo(std::string_view text) {
    writer_.Line(LogTarget::Main, colour::kYellow, text);
}

void ChannelEvents::OnChannelFull(std::string_view text) {
    writer_.Line(LogTarget::Main, colour::kRed, text);
}

void ChannelEvents::OnChannelNotFound(std::string_view text) {
    writer_.Line(LogTarget::Main, colour::kRed, text);
}

void ChannelEvents::OnChannelRestricted(std::string_view text) {
    writer_.Line(LogTarget::Main, colour::kRed, text);
}

void ChannelEvents::OnServerError(std::string_view text) {
    writer_.Line(LogTarget::Main, colour::kRed, text);
}

void ChannelEvents::OnUniqueName(std::string_view /*name*/) {
    port_.LoadDatabase();
}

void ChannelEvents::OnPlainText(std::string_view line) {
    writer_.Line(LogTarget::Main, colour::kLightGrey, line);
}

}  // namespace varno
