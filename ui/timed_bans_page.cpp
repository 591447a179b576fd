#include "ui/timed_bans_page.h"

#include "base/whole_number.h"
#include "client/client.h"
#include "moderation/deed_book.h"

namespace varno {

std::vector<TimedBansPage::Row> TimedBansPage::Rows() const {
    const Protection& protection = client_.protection();
    const std::int64_t now = client_.clock().unixSeconds();
    std::vector<Row> rows;
    for (const TimedBans::Ban& ban : protection.timedBans().bans()) {
        rows.push_back({ban.name, protection.deeds().IsOpen(DeedBook::Action::Unban, ban.name)
                                      ? "lifting"
                                      : TimeLeftText(ban.endUnix - now)});
    }
    return rows;
}

std::string TimedBansPage::Note() const {
    const bool on = ParseWholeNumber(client_.settings().BanMinutes, 1).value_or(0) > 0;
    const bool none = client_.protection().timedBans().bans().empty();
    if (!on) {
        return none ? "BanMinutes is not set: bans are not lifted by time"
                    : "BanMinutes is not set: new bans stay, these are still lifted in time";
    }
    return none ? "No ban waits to be lifted" : "";
}

std::string TimedBansPage::Lift(std::string_view name) {
    if (client_.connection().state() != Connection::State::Connected) {
        return "Not connected: " + std::string(name) +
               " is unbanned once connected and the time is over";
    }
    const auto who = client_.LiftBan(name);
    if (!who) {
        return std::string(name) + " has no pending ban";
    }
    return client_.connection().paced()
               ? "Unban of " + *who + " sent; it leaves the list once the server confirms it"
               : "Unbanned " + *who;
}

}  // namespace varno
