#include "demo/gateway_model.h"

#include <string>

#include "demo/wire.h"

namespace varno::demo {
namespace {

constexpr char kUsernamePrompt[] = "Username: ";
constexpr char kProtocolByte = 3;
// Some clients send this byte right after the protocol byte; it is taken and not answered.
constexpr char kByteAfterProtocolByte = 4;

}  // namespace

GatewayModel::GatewayModel(SessionPort& port, Clock& clock, GatewayOptions options)
    : port_(port),
      clock_(clock),
      options_(std::move(options)),
      registry_(port, options_.admins),
      commands_(registry_) {}

bool GatewayModel::IsValidName(std::string_view name) {
    if (name.empty() || name.size() > kLongestName) {
        return false;
    }
    for (const char c : name) {
        if (c <= ' ' || c > '~' || c == '"' || c == ',') {
            return false;
        }
    }
    return true;
}

void GatewayModel::open(SessionId id, std::string_view peer) {
    Session& s = registry_.add(id, false, options_.flood);
    s.peer = peer;
    s.openedMs = clock_.steadyMs();
}

void GatewayModel::receive(SessionId id, std::string_view bytes) {
    Session* s = registry_.find(id);
    if (!s || bytes.empty()) {
        return;
    }
    if (s->stage == Session::Stage::kProtocolByte) {
        if (bytes.front() != kProtocolByte) {
            End(*s);
            return;
        }
        bytes.remove_prefix(1);
        s->stage = Session::Stage::kUsername;
        s->protocolByteLast = true;
        registry_.send(*s, "BOT or Telnet Connection from [" + s->peer +
                               "]\r\n\r\nEnter your account name and password.\r\n"
                               "Sorry, there is no guest account.\r\n\r\n" +
                               kUsernamePrompt);
    }
    // The byte after the protocol byte may come in this read or the next one.
    if (s->protocolByteLast && !bytes.empty()) {
        s->protocolByteLast = false;
        if (bytes.front() == kByteAfterProtocolByte) {
            bytes.remove_prefix(1);
        }
    }
    // A line can end the session, and the framer with it: take the lines out first.
    std::vector<std::string> lines;
    s->framer.feed(bytes, [&lines](std::string_view line) { lines.emplace_back(line); });
    for (const std::string& line : lines) {
        HandleLine(id, line);
    }
}

void GatewayModel::HandleLine(SessionId id, std::string_view line) {
    Session* s = registry_.find(id);
    if (!s) {
        return;
    }
    switch (s->stage) {
        case Session::Stage::kProtocolByte:
            return;
        case Session::Stage::kUsername:
            // A name line is echoed; one longer than any login needs ends the attempt
            // unechoed, so a client can't make the gateway send it long lines for nothing.
            if (line.size() > kLongestLoginLine) {
                registry_.send(*s, std::string("\r\nLogin failed.\r\n\r\n") + kUsernamePrompt);
                return;
            }
            s->name = line;
            s->stage = Session::Stage::kPassword;
            registry_.send(*s, std::string(line) + "\r\nPassword: ");
            return;
        case Session::Stage::kPassword:
            if (line.size() <= kLongestLoginLine && IsValidName(s->name) &&
                line == s->name + "pw" && !registry_.findByName(s->name)) {
                LogIn(*s);
            } else {
                s->stage = Session::Stage::kUsername;
                registry_.send(*s, std::string("\r\nLogin failed.\r\n\r\n") + kUsernamePrompt);
            }
            return;
        case Session::Stage::kLoggedIn:
            break;
    }
    switch (s->flood.Charge(clock_.steadyMs(), line.size())) {
        case FloodRule::Verdict::kClose:
            End(*s);
            return;
        case FloodRule::Verdict::kDrop:
            registry_.send(*s, wire::Error("Your message quota has been exceeded!"));
            return;
        case FloodRule::Verdict::kTooLong:
            registry_.send(*s, wire::Error("Your message is too long."));
            return;
        case FloodRule::Verdict::kPass:
            commands_.Run(*s, line);
            return;
    }
}

void GatewayModel::LogIn(Session& s) {
    s.stage = Session::Stage::kLoggedIn;
    s.flags = registry_.isAdmin(s.name) ? "0008" : "0010";
    s.nextNullMs = clock_.steadyMs() + options_.nullEveryMs;
    registry_.rememberAccount(s.name);
    if (s.simulated) {
        return;
    }
    registry_.send(s, "\r\n" + wire::Name(s.name));
    registry_.enter(s, Registry::kPublicChannel);
    const std::string users = std::to_string(registry_.loggedInCount());
    registry_.send(
        s, wire::Error("Hello " + s.name + ", welcome to Demo Realm!") +
               wire::Info("Running version DemoGateway 1.0 on localhost.") +
               wire::Info("This server is a local demo of a chat gateway") + wire::Info("") +
               wire::Info("There are " + std::to_string(registry_.accountCount()) +
                          " user accounts on this server.") +
               wire::Info("There are currently " + users + " users in 0 games of Chat,") +
               wire::Info("and " + users + " users playing 0 games and chatting in " +
                          std::to_string(registry_.channelCount()) + " channels.") +
               wire::Info("Having trouble with a command? Type /help to") +
               wire::Info("learn more about it.") + wire::Info("") +
               wire::Talk(s.name, s.flags, "You have no mail.") +
               wire::Info("This is the public chat channel. Feel free to chat..."));
}

void GatewayModel::End(Session& s) {
    const SessionId id = s.id;
    const bool simulated = s.simulated;
    registry_.remove(id);
    if (!simulated) {
        port_.close(id);
    }
}

void GatewayModel::closed(SessionId id) {
    registry_.remove(id);
}

void GatewayModel::tick() {
    const std::int64_t now = clock_.steadyMs();
    for (SessionId id : registry_.ids()) {
        Session* s = registry_.find(id);
        if (!s || s->simulated) {
            continue;
        }
        if (s->stage != Session::Stage::kLoggedIn) {
            if (now - s->openedMs >= options_.loginWithinMs) {
                End(*s);
            }
        } else if (now >= s->nextNullMs) {
            registry_.send(*s, wire::Null());
            // One line however late the tick came; the next keeps to the beat of the login.
            const std::int64_t every = options_.nullEveryMs;
            s->nextNullMs += ((now - s->nextNullMs) / every + 1) * every;
        }
    }
}

std::optional<SessionId> GatewayModel::addSimulated(std::string_view name,
                                                    std::string_view product) {
    if (!IsValidName(name) || registry_.findByName(name)) {
        return std::nullopt;
    }
    const SessionId id = nextSimulated_++;
    Session& s = registry_.add(id, true, options_.flood);
    s.name = name;
    s.product = product;
    LogIn(s);
    return id;
}

void GatewayModel::actAs(SessionId id, std::string_view line) {
    Session* s = registry_.find(id);
    if (s && s->simulated) {
        commands_.Run(*s, line);
    }
}

std::string GatewayModel::channelOf(SessionId id) const {
    const Session* s = registry_.find(id);
    return s ? s->channel : std::string();
}

std::vector<std::string> GatewayModel::realUsersIn(std::string_view channel) const {
    std::vector<std::string> names;
    if (const Channel* c = registry_.channel(channel)) {
        for (SessionId id : c->members) {
            const Session* s = registry_.find(id);
            if (s && !s->simulated) {
                names.push_back(s->name);
            }
        }
    }
    return names;
}

}  // namespace varno::demo
