#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "connection/connection.h"
#include "connection/settings.h"
#include "log/log_writer.h"
#include "moderation/deed_runner.h"
#include "moderation/given_up_bans.h"
#include "moderation/timed_bans.h"

namespace varno {

// BanMinutes is held at ten years.
inline constexpr std::uint64_t kBanMinutesMax = 10ULL * 366 * 24 * 60;

// The bans of the program's own that it lifts after BanMinutes, kept in bans.txt (see
// TimedBans) so that they survive a restart: a ban done is recorded, an unban done forgets
// it, and once its time is over the unban goes through the deeds (or at once with pacing
// off). An unban that failed is not tried again for GivenUpBans::kHoldMs, whatever the
// connections in between, unless the operator lifts it. A damaged file is written again, one that
// can't be read is left alone; each is said in one red line.
class BanLifter {
public:
    BanLifter(const Settings& settings, LogWriter& writer, Clock& clock, Connection& connection,
              DeedRunner& runner, std::string path);

    // Start-up: reads the pending bans.
    void Start();

    // A ban of name done: recorded to be lifted after BanMinutes (when above 0).
    void Banned(std::string_view name);
    // An unban of name done, or asked for with pacing off: the pending ban is forgotten.
    void Unbanned(std::string_view name);
    // An unban of the program's that the server would not do or never answered.
    void UnbanFailed(std::string_view name) { failed_.Ended(name, true, clock_.steadyMs(), 0); }
    // A line the operator typed: an "/unban NAME" forgets the pending ban of NAME at once
    // with pacing off (paced, the server's confirmation does).
    void OperatorLine(std::string_view line);

    // Paced: opens an unban deed for each pending ban whose time is over.
    void OpenDueUnbans();
    // Unpaced: sends the unbans whose time is over at once, taking them as done; one that
    // cannot be sent is said in red and forgotten.
    void SendDueUnbans();
    // Lifts the pending timed ban of name (ASCII case ignored) now, through the path its time
    // being over takes. Returns the name as the ban holds it, which the unban sends; nothing
    // when there is none or the client is not connected.
    std::optional<std::string> LiftBan(std::string_view name);

    const TimedBans& bans() const { return bans_; }

private:
    void SaveBans();

    const Settings& settings_;
    LogWriter& writer_;
    Clock& clock_;
    Connection& connection_;
    DeedRunner& runner_;
    TimedBans bans_;
    GivenUpBans failed_;  // the unbans of the program's own, held when they failed
};

}  // namespace varno
