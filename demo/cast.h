#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "demo/cast_script.h"
#include "demo/gateway_model.h"
#include "demo/ports.h"

namespace varno::demo {

// How often the cast does what, in milliseconds: each is drawn evenly between min and max.
struct CastTiming {
    struct Span {
        std::int64_t min;
        std::int64_t max;
    };
    Span arrival{800, 2500};            // between members arriving
    Span chat{3000, 8000};              // between chat lines
    Span leave{45000, 90000};           // between a member going away
    Span away{10000, 25000};            // how long a member stays away
    Span whisper{40000, 80000};         // between whispers to the operator
    Span boss{30000, 70000};            // between commands for the bot
    Span joiner{30000, 60000};          // between joiners who match the ban list
    Span remark{1500, 3500};            // from a joiner coming to a word about it
    std::int64_t joinerStayMs = 12000;  // an unbanned joiner spams and leaves after this

    // The same cast, `pace` times as fast.
    CastTiming Faster(int pace) const;
};

// Simulated users who make the demo channel lively. They are there only while a connected
// client is in the channel; the first such client is the one they whisper to. At most one of
// them acts per tick, so a join arrives in a read of its own, as from a real server.
class Cast {
public:
    struct Member {
        std::string name;
        std::string product;
        std::optional<SessionId> id;  // while logged in
        std::int64_t dueMs = 0;       // when an absent member comes (back)
        bool gone = false;            // banned: stays away until the cast starts again
    };

    Cast(GatewayModel& model, Clock& clock, Random& random, std::string channel = "Demo",
         CastTiming timing = {}, const CastScript& script = CastScript::Default());

    void tick();
    bool active() const { return active_; }
    const std::vector<Member>& members() const { return members_; }

private:
    struct Joiner {
        std::optional<SessionId> id;
        std::string name;
        std::int64_t joinedMs = 0;
        std::int64_t checkMs = 0;
    };

    void Start(std::int64_t now);
    void Stop();
    void CheckMembers(std::int64_t now);
    bool Act(std::int64_t now);
    void Arrive(Member& m, std::int64_t now);
    void Chat();
    void Whisper();
    void Boss();
    void Leave(std::int64_t now);
    void Join(std::int64_t now);
    void FollowJoiner(std::int64_t now);

    std::int64_t Draw(CastTiming::Span span);
    Member* Present(std::string_view name);
    Member* AnyPresent(std::string_view except);
    void Say(Member& m, std::string_view line);
    static std::string Fill(std::string_view text, std::string_view name);

    GatewayModel& model_;
    Clock& clock_;
    Random& random_;
    std::string channel_;
    CastTiming timing_;
    const CastScript& script_;
    std::vector<Member> members_;
    bool active_ = false;
    std::string operator_;
    std::string lastSpeaker_;
    std::size_t chatLine_ = 0;
    int joinerCount_ = 0;
    Joiner joiner_;
    std::int64_t nextChat_ = 0;
    std::int64_t nextWhisper_ = 0;
    std::int64_t nextBoss_ = 0;
    std::int64_t nextLeave_ = 0;
    std::int64_t nextJoiner_ = 0;
};

}  // namespace varno::demo
