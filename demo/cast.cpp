#include "demo/cast.h"

#include <algorithm>
#include <utility>

#include "demo/registry.h"

namespace varno::demo {
namespace {

constexpr char kBoss[] = "boss";
constexpr char kWhisperer[] = "mira";

CastTiming::Span Divided(CastTiming::Span span, int pace) {
    return {std::max<std::int64_t>(span.min / pace, 1), std::max<std::int64_t>(span.max / pace, 1)};
}

}  // namespace

CastTiming CastTiming::Faster(int pace) const {
    pace = std::max(pace, 1);
    CastTiming t = *this;
    for (Span* s :
         {&t.arrival, &t.chat, &t.leave, &t.away, &t.whisper, &t.boss, &t.joiner, &t.remark}) {
        *s = Divided(*s, pace);
    }
    t.joinerStayMs = std::max<std::int64_t>(joinerStayMs / pace, 1);
    return t;
}

Cast::Cast(GatewayModel& model, Clock& clock, Random& random, std::string channel,
           CastTiming timing, const CastScript& script)
    : model_(model),
      clock_(clock),
      random_(random),
      channel_(std::move(channel)),
      timing_(timing),
      script_(script),
      members_{Member{.name = kBoss, .product = "[CHAT]", .id = {}},
               Member{.name = kWhisperer, .product = "[CHAT]", .id = {}},
               Member{.name = "kestrel", .product = "[STAR]", .id = {}},
               Member{.name = "tobi", .product = "[D2DV]", .id = {}},
               Member{.name = "quill", .product = "[W2BN]", .id = {}}} {}

void Cast::tick() {
    const std::int64_t now = clock_.steadyMs();
    const std::vector<std::string> clients = model_.realUsersIn(channel_);
    if (clients.empty()) {
        if (active_) {
            Stop();
        }
        return;
    }
    operator_ = clients.front();
    if (!active_) {
        Start(now);
    }
    CheckMembers(now);
    Act(now);
}

void Cast::Start(std::int64_t now) {
    active_ = true;
    std::int64_t due = now;
    for (Member& m : members_) {
        due += Draw(timing_.arrival);
        m.dueMs = due;
        m.gone = false;
    }
    nextChat_ = due + Draw(timing_.chat);
    nextWhisper_ = now + Draw(timing_.whisper);
    nextBoss_ = now + Draw(timing_.boss);
    nextLeave_ = now + Draw(timing_.leave);
    nextJoiner_ = now + Draw(timing_.joiner);
}

void Cast::Stop() {
    active_ = false;
    for (Member& m : members_) {
        if (m.id) {
            model_.closed(*m.id);
            m.id.reset();
        }
    }
    if (joiner_.id) {
        model_.closed(*joiner_.id);
    }
    joiner_ = {};
}

void Cast::CheckMembers(std::int64_t now) {
    for (Member& m : members_) {
        if (!m.id) {
            continue;
        }
        const std::string where = model_.channelOf(*m.id);
        if (where == channel_) {
            continue;
        }
        // Kicked or banned by the operator: log out; a kicked member comes back later.
        model_.closed(*m.id);
        m.id.reset();
        m.gone = where == Registry::kVoid;
        m.dueMs = now + Draw(timing_.away);
    }
}

bool Cast::Act(std::int64_t now) {
    for (Member& m : members_) {
        if (!m.id && !m.gone && m.dueMs <= now) {
            Arrive(m, now);
            return true;
        }
    }
    if (joiner_.id && joiner_.checkMs <= now) {
        FollowJoiner(now);
        return true;
    }
    // A line of its kind when it is due; the next one is drawn from its span.
    const auto spoke = [&](std::int64_t& next, CastTiming::Span span, void (Cast::*say)()) {
        if (next > now) {
            return false;
        }
        (this->*say)();
        next = now + Draw(span);
        return true;
    };
    if (spoke(nextChat_, timing_.chat, &Cast::Chat) ||
        spoke(nextWhisper_, timing_.whisper, &Cast::Whisper) ||
        spoke(nextBoss_, timing_.boss, &Cast::Boss)) {
        return true;
    }
    if (nextLeave_ <= now) {
        Leave(now);
        nextLeave_ = now + Draw(timing_.leave);
        return true;
    }
    if (nextJoiner_ <= now && !joiner_.id) {
        Join(now);
        nextJoiner_ = now + Draw(timing_.joiner);
        return true;
    }
    return false;
}

void Cast::Arrive(Member& m, std::int64_t now) {
    m.id = model_.addSimulated(m.name, m.product);
    if (!m.id) {
        m.dueMs = now + Draw(timing_.away);  // the name is in use by a client
        return;
    }
    model_.actAs(*m.id, "/join " + channel_);
}

void Cast::Chat() {
    Member* m = AnyPresent(lastSpeaker_);
    if (!m || script_.chat.empty()) {
        return;
    }
    Say(*m, script_.chat[chatLine_++ % script_.chat.size()]);
    lastSpeaker_ = m->name;
}

void Cast::Whisper() {
    Member* m = Present(kWhisperer);
    if (m && !script_.whispers.empty()) {
        const auto& lines = script_.whispers;
        const auto pick = static_cast<std::size_t>(Draw({0, std::int64_t(lines.size()) - 1}));
        model_.actAs(*m->id, "/w " + operator_ + " " + Fill(lines[pick], operator_));
    }
}

void Cast::Boss() {
    Member* m = Present(kBoss);
    if (m && !script_.boss.empty()) {
        const auto pick =
            static_cast<std::size_t>(Draw({0, std::int64_t(script_.boss.size()) - 1}));
        Say(*m, script_.boss[pick]);
    }
}

void Cast::Leave(std::int64_t now) {
    Member* m = AnyPresent(kBoss);
    if (m) {
        model_.closed(*m->id);
        m->id.reset();
        m->dueMs = now + Draw(timing_.away);
    }
}

void Cast::Join(std::int64_t now) {
    if (script_.joiners.empty()) {
        return;
    }
    const std::string_view stem = script_.joiners[joinerCount_ % script_.joiners.size()];
    std::string name(stem);
    if (const std::size_t hash = name.find('#'); hash != std::string::npos) {
        name.replace(hash, 1, std::to_string(10 + Draw({0, 89})));
    }
    ++joinerCount_;
    joiner_ = {model_.addSimulated(name, "[CHAT]"), name, now, now + Draw(timing_.remark)};
    if (joiner_.id) {
        model_.actAs(*joiner_.id, "/join " + channel_);
    }
}

void Cast::FollowJoiner(std::int64_t now) {
    const std::string where = model_.channelOf(*joiner_.id);
    if (where == channel_) {
        if (now - joiner_.joinedMs < timing_.joinerStayMs) {
            joiner_.checkMs = now + 1000;
            return;
        }
        if (!script_.spam.empty()) {
            const auto pick =
                static_cast<std::size_t>(Draw({0, std::int64_t(script_.spam.size()) - 1}));
            model_.actAs(*joiner_.id, script_.spam[pick]);
        }
    } else if (Member* m = AnyPresent(""); m && !script_.remarks.empty()) {
        const auto pick =
            static_cast<std::size_t>(Draw({0, std::int64_t(script_.remarks.size()) - 1}));
        Say(*m, Fill(script_.remarks[pick], joiner_.name));
    }
    model_.closed(*joiner_.id);
    joiner_ = {};
}

std::int64_t Cast::Draw(CastTiming::Span span) {
    return span.max <= span.min ? span.min : random_.uniform(span.min, span.max);
}

Cast::Member* Cast::Present(std::string_view name) {
    for (Member& m : members_) {
        if (m.id && m.name == name) {
            return &m;
        }
    }
    return nullptr;
}

Cast::Member* Cast::AnyPresent(std::string_view except) {
    std::vector<Member*> present;
    for (Member& m : members_) {
        if (m.id && m.name != except) {
            present.push_back(&m);
        }
    }
    if (present.empty()) {
        return nullptr;
    }
    return present[static_cast<std::size_t>(Draw({0, std::int64_t(present.size()) - 1}))];
}

void Cast::Say(Member& m, std::string_view line) {
    model_.actAs(*m.id, line);
}

std::string Cast::Fill(std::string_view text, std::string_view name) {
    std::string out(text);
    if (const std::size_t at = out.find("{name}"); at != std::string::npos) {
        out.replace(at, 6, name);
    }
    return out;
}

}  // namespace varno::demo
