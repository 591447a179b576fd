#include "demo/registry.h"

#include <algorithm>

#include "base/text_case.h"
#include "demo/wire.h"

namespace varno::demo {
namespace {

bool Contains(const std::vector<std::string>& lowered, std::string_view name) {
    return std::find(lowered.begin(), lowered.end(), ToLowerAscii(name)) != lowered.end();
}

}  // namespace

Registry::Registry(SessionPort& port, std::vector<std::string> admins) : port_(port) {
    for (const std::string& a : admins) {
        admins_.push_back(ToLowerAscii(a));
    }
}

Session& Registry::add(SessionId id, bool simulated, FloodLimits limits) {
    auto& slot = sessions_[id];
    slot = std::make_unique<Session>(id, simulated, limits);
    return *slot;
}

void Registry::remove(SessionId id) {
    if (Session* s = find(id)) {
        leave(*s);
        sessions_.erase(id);
    }
}

Session* Registry::find(SessionId id) {
    const auto it = sessions_.find(id);
    return it == sessions_.end() ? nullptr : it->second.get();
}

const Session* Registry::find(SessionId id) const {
    const auto it = sessions_.find(id);
    return it == sessions_.end() ? nullptr : it->second.get();
}

Session* Registry::findByName(std::string_view name) {
    for (auto& [id, s] : sessions_) {
        if (s->stage == Session::Stage::kLoggedIn && EqualsIgnoreCase(s->name, name)) {
            return s.get();
        }
    }
    return nullptr;
}

std::vector<SessionId> Registry::ids() const {
    std::vector<SessionId> out;
    for (const auto& [id, s] : sessions_) {
        out.push_back(id);
    }
    return out;
}

Channel* Registry::channel(std::string_view name) const {
    for (auto& c : channels_) {
        if (EqualsIgnoreCase(c->name, name)) {
            return c.get();
        }
    }
    return nullptr;
}

std::size_t Registry::loggedInCount() const {
    return static_cast<std::size_t>(std::count_if(sessions_.begin(), sessions_.end(), [](auto& e) {
        return e.second->stage == Session::Stage::kLoggedIn;
    }));
}

void Registry::rememberAccount(std::string_view name) {
    if (!isKnownAccount(name)) {
        accounts_.push_back(ToLowerAscii(name));
    }
}

bool Registry::isKnownAccount(std::string_view name) const {
    return Contains(accounts_, name);
}

bool Registry::isAdmin(std::string_view name) const {
    return Contains(admins_, name);
}

bool Registry::isOperator(const Session& s) const {
    return isAdmin(s.name) || (s.flags == "0002" && channel(s.channel) != nullptr);
}

void Registry::send(Session& s, std::string_view bytes) {
    if (!s.simulated) {
        port_.send(s.id, bytes);
    }
}

void Registry::sendChannel(const Channel& c, std::string_view bytes, const Session* except,
                           const Session* from) {
    for (SessionId id : c.members) {
        Session* s = find(id);
        if (s == nullptr || s == except || (from && Contains(s->squelched, from->name))) {
            continue;
        }
        send(*s, bytes);
    }
}

std::string Registry::flagsIn(const Session& s, const Channel& c, bool first) const {
    if (isAdmin(s.name)) {
        return "0008";
    }
    if (EqualsIgnoreCase(c.name, kPublicChannel)) {
        return "0010";
    }
    return first ? "0002" : "0000";
}

bool Registry::enter(Session& s, std::string_view channelName) {
    if (EqualsIgnoreCase(channelName, kVoid)) {
        enterVoid(s);
        return true;
    }
    if (const Channel* banning = channel(channelName);
        banning && Contains(banning->banned, s.name)) {
        return false;
    }
    // Looked up after leaving: a user alone in the channel named ends it by leaving.
    leave(s);
    Channel* c = channel(channelName);
    if (!c) {
        channels_.push_back(std::make_unique<Channel>());
        c = channels_.back().get();
        c->name = channelName;
    }
    const bool first = c->members.empty();
    const std::string before = s.flags;
    const std::string after = flagsIn(s, *c, first);
    std::string own = wire::Channel(c->name);
    if (after == "0002") {
        own += wire::Info("you are now tempOP for this channel") + wire::Flags(s.name, before);
    }
    own += wire::UserInChannel(s.name, before, s.product);
    for (SessionId id : c->members) {
        if (const Session* other = find(id)) {
            own += wire::UserInChannel(other->name, other->flags, other->product);
        }
    }
    const std::string change =
        after == before ? "" : wire::Flags(s.name, after) + wire::Flags(s.name, after);
    send(s, own + change);
    sendChannel(*c, wire::Join(s.name, before, s.product) + change, nullptr);
    c->members.push_back(s.id);
    s.channel = c->name;
    s.flags = after;
    return true;
}

void Registry::leave(Session& s) {
    if (s.channel.empty()) {
        return;
    }
    s.channel.clear();
    for (auto it = channels_.begin(); it != channels_.end(); ++it) {
        Channel& c = **it;
        const auto member = std::find(c.members.begin(), c.members.end(), s.id);
        if (member == c.members.end()) {
            continue;
        }
        c.members.erase(member);
        sendChannel(c, wire::Leave(s.name, s.flags), nullptr);
        if (c.members.empty()) {
            channels_.erase(it);
        } else if (s.flags == "0002") {
            handOver(c);
        }
        return;
    }
}

void Registry::handOver(Channel& c) {
    for (SessionId id : c.members) {
        Session* heir = find(id);
        if (heir && !c.heir.empty() && EqualsIgnoreCase(heir->name, c.heir) &&
            !isAdmin(heir->name)) {
            heir->flags = "0002";
            sendChannel(c,
                        wire::Info(heir->name + " has been promoted to tmpOP in this channel") +
                            wire::Flags(heir->name, "0002") + wire::Flags(heir->name, "0002"),
                        nullptr);
            c.heir.clear();
            return;
        }
    }
}

void Registry::enterVoid(Session& s) {
    leave(s);
    s.channel = kVoid;
    send(s, wire::Channel(kVoid) + wire::Info("This channel does not have chat privileges."));
}

}  // namespace varno::demo
