#include "moderation/ban_lifter.h"

#include <algorithm>

#include "base/text_case.h"
#include "base/whole_number.h"

namespace varno {

BanLifter::BanLifter(const Settings& settings, LogWriter& writer, Clock& clock,
                     Connection& connection, DeedRunner& runner, std::string path)
    : settings_(settings),
      writer_(writer),
      clock_(clock),
      connection_(connection),
      runner_(runner),
      bans_(std::move(path)) {}

void BanLifter::Start() {
    const TimedBans::LoadResult loaded = bans_.Load();
    if (loaded == TimedBans::LoadResult::Damaged) {
        writer_.Line(LogTarget::Main, colour::kRed,
                     bans_.path() + " was damaged; it is written again with the " +
                         std::to_string(bans_.bans().size()) + " bans that could be read");
        SaveBans();
    } else if (loaded == TimedBans::LoadResult::Unreadable) {
        writer_.Line(LogTarget::Main, colour::kRed,
                     bans_.path() +
                         " could not be read; it is left as it is, and bans are not lifted "
                         "by time until it can be read");
    }
}

void BanLifter::SaveBans() {
    if (!bans_.Save()) {
        writer_.Line(LogTarget::Main, colour::kRed,
                     "Could not write the timed bans to " + bans_.path());
    }
}

void BanLifter::Banned(std::string_view name) {
    const auto minutes = ParseWholeNumber(settings_.BanMinutes, kBanMinutesMax);
    if (minutes && *minutes > 0 &&
        bans_.Add(name, clock_.unixSeconds() + static_cast<std::int64_t>(*minutes) * 60)) {
        SaveBans();
    }
}

void BanLifter::Unbanned(std::string_view name) {
    failed_.Ended(name, false, clock_.steadyMs(), 0);
    if (bans_.Remove(name)) {
        SaveBans();
    }
}

void BanLifter::OperatorLine(std::string_view line) {
    if (connection_.paced()) {
        return;
    }
    const auto deed = DeedBook::Parse(line);
    if (deed && deed->first == DeedBook::Action::Unban) {
        Unbanned(deed->second);
    }
}

void BanLifter::OpenDueUnbans() {
    const std::int64_t now = clock_.unixSeconds();
    for (const TimedBans::Ban& ban : bans_.bans()) {
        if (ban.endUnix > now || runner_.deeds().IsOpen(DeedBook::Action::Unban, ban.name) ||
            !failed_.Allows(ban.name, clock_.steadyMs(), 0)) {
            continue;
        }
        failed_.Asked(ban.name);
        runner_.Open(DeedBook::Action::Unban, ban.name, "/unban " + ban.name,
                     "Unbanned " + ban.name + ": ban time over");
    }
}

void BanLifter::SendDueUnbans() {
    const std::vector<std::string> due = bans_.TakeDue(clock_.unixSeconds());
    if (due.empty()) {
        return;
    }
    for (const std::string& name : due) {
        runner_.Do("/unban " + name, "Unbanned " + name + ": ban time over");
    }
    SaveBans();
}

std::optional<std::string> BanLifter::LiftBan(std::string_view name) {
    const auto& pending = bans_.bans();
    const auto ban = std::find_if(pending.begin(), pending.end(), [&](const TimedBans::Ban& b) {
        return EqualsIgnoreCase(b.name, name);
    });
    if (ban == pending.end()) {
        return std::nullopt;
    }
    std::string who = ban->name;
    // Asked for by the operator: a name whose unban failed earlier is tried again.
    failed_.Release(who);
    failed_.Asked(who);
    const DeedRunner::Asked asked =
        runner_.Do("/unban " + who, "Unbanned " + who + ": lifted by the operator");
    if (asked != DeedRunner::Asked::Open && asked != DeedRunner::Asked::Sent) {
        return std::nullopt;
    }
    return who;
}

}  // namespace varno
