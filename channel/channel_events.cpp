#include "channel/channel_events.h"

#include <algorithm>
#include <string>

#include "channel/product_icon.h"

namespace varno {
namespace {

// How many users listed by a flags change are remembered until their own line comes.
constexpr std::size_t kMaxListedByFlags = 16;

}  // namespace

ChannelEvents::ChannelEvents(const Edition& edition, LogWriter& writer, Roster& roster,
                             ChannelPort& port)
    : edition_(edition), writer_(writer), roster_(roster), port_(port) {}

void ChannelEvents::OnUserInChannel(std::string_view name, std::string_view flags,
                                    std::string_view product) {
    port_.UserFlags(name, flags);
    port_.UserHere(name, flags, product, false);
    RosterEntry entry{std::string(name), ProductIcon(product, flags)};
    // A user the flags change listed a moment ago takes that entry's place, so the list
    // holds one entry for the user, not one from each line.
    const auto early = std::find(listedByFlags_.begin(), listedByFlags_.end(), name);
    const auto pos = early == listedByFlags_.end() ? std::nullopt : roster_.findExact(name);
    if (early != listedByFlags_.end()) {
        listedByFlags_.erase(early);
    }
    if (pos) {
        roster_.removeAt(*pos);
        roster_.insert(*pos, std::move(entry));
    } else {
        roster_.append(std::move(entry));
    }
    if (edition_.singleRunLines) {
        writer_.JoinedLine(LogTarget::Main, {{colour::kGreen, {name, " is here using ", product}}});
    } else {
        writer_.JoinedLine(LogTarget::Main, {{colour::kGreen, {name, " is here using "}},
                                             {colour::kWhite, {product}}});
    }
}

void ChannelEvents::OnUserJoin(std::string_view name, std::string_view flags,
                               std::string_view product) {
    writer_.JoinedLine(LogTarget::Main, {{colour::kDarkGreen, {name, " has joined the channel"}}});
    roster_.append({std::string(name), ProductIcon(product, flags)});
    port_.UserFlags(name, flags);
    port_.UserHere(name, flags, product, true);
    port_.CheckJoin(name, flags);
}

void ChannelEvents::OnUserLeave(std::string_view name, std::string_view /*flags*/) {
    writer_.JoinedLine(LogTarget::Main, {{colour::kDarkGreen, {name, " has left the channel"}}});
    if (const auto pos = roster_.findCaseInsensitive(name)) {
        roster_.removeAt(*pos);
    }
    port_.UserLeft(name);
}

void ChannelEvents::OnChannelJoined(std::string_view channel) {
    roster_.clear();
    listedByFlags_.clear();
    roster_.setHeader(channel);
    port_.setChannelLabel(channel);
    if (edition_.channelJoinedLine) {
        writer_.JoinedLine(LogTarget::Main,
                           {{colour::kRed, {"Joined Channel: "}}, {colour::kWhite, {channel}}});
    }
}

void ChannelEvents::OnUserFlags(std::string_view name, std::string_view flags) {
    port_.UserFlags(name, flags);
    port_.FlagsChanged(name, flags);
    const std::int16_t icon = FlagsIcon(flags);
    const auto pos = roster_.findExact(name);
    if (!pos) {
        roster_.append({std::string(name), icon});
        if (listedByFlags_.size() == kMaxListedByFlags) {
            listedByFlags_.erase(listedByFlags_.begin());
        }
        listedByFlags_.emplace_back(name);
        return;
    }
    // A plain flags change, or one to a speaker, leaves the icon the user came in with; only
    // a lifted squelch takes its red cross away.
    const bool keepsIcon = flags == "0000" || flags == "0010" || SpeakerFlags(flags);
    if (keepsIcon && roster_.at(*pos).icon != icon::kSquelched) {
        return;
    }
    roster_.removeAt(*pos);
    roster_.insert(*pos, {std::string(name), icon});
}

void ChannelEvents::OnUserTalk(std::string_view name, std::string_view flags,
                               std::string_view text) {
    const bool named = port_.NamesOperator(name, text);
    if (edition_.singleRunLines) {
        writer_.JoinedLine(LogTarget::Main, {{colour::kLightGreen, {name, ": ", text}, true}},
                           named);
    } else {
        writer_.JoinedLine(LogTarget::Main,
                           {{colour::kWhite, {"<"}},
                            {colour::kYellow, {name}},
                            {colour::kWhite, {"> ", text}, true}},
                           named);
    }
    const bool command = port_.HandleCommand(name, text);
    const bool ruled = port_.CheckTalk(name, flags, text);
    port_.Said(name, text, false);
    if (named && !command && !ruled) {
        port_.Mentioned(name, text);
    }
}

void ChannelEvents::OnUserEmote(std::string_view name, std::string_view flags,
                                std::string_view text) {
    const bool named = port_.NamesOperator(name, text);
    const Colour colour = edition_.singleRunLines ? colour::kSilver : colour::kLightGrey;
    writer_.JoinedLine(LogTarget::Main, {{colour, {name, ": ", text}, true}}, named);
    const bool ruled = port_.CheckTalk(name, flags, text);
    port_.Said(name, text, true);
    if (!ruled && named) {
        port_.Mentioned(name, text);
    }
}

void ChannelEvents::OnWhisperSent(std::string_view name, std::string_view /*flags*/,
                                  std::string_view text) {
    WriteWhisperLine("To ", name, text);
}

void ChannelEvents::OnWhisperReceived(std::string_view name, std::string_view /*flags*/,
                                      std::string_view text) {
    WriteWhisperLine("From ", name, text);
    port_.Whispered(name, text);
}

void ChannelEvents::WriteWhisperLine(std::string_view direction, std::string_view name,
                                     std::string_view text) {
    if (edition_.singleRunLines) {
        writer_.JoinedLine(LogTarget::Whisper,
                           {{colour::kRed, {direction, name, ": ", text}, true}});
    } else {
        writer_.JoinedLine(LogTarget::Whisper, {{colour::kGreen, {direction, name, ": "}},
                                                {colour::kWhite, {text}, true}});
    }
}

void ChannelEvents::OnInfo(std::string_view text) {
    if (port_.ServerReply(false, text)) {
        return;
    }
    writer_.JoinedLine(LogTarget::Main, {{colour::kYellow, {text}, true}});
}

void ChannelEvents::OnChannelFull(std::string_view text) {
    writer_.JoinedLine(LogTarget::Main, {{colour::kRed, {text}, true}});
}

void ChannelEvents::OnChannelNotFound(std::string_view text) {
    writer_.JoinedLine(LogTarget::Main, {{colour::kRed, {text}, true}});
}

void ChannelEvents::OnChannelRestricted(std::string_view text) {
    writer_.JoinedLine(LogTarget::Main, {{colour::kRed, {text}, true}});
}

void ChannelEvents::OnServerError(std::string_view text) {
    if (port_.ServerReply(true, text)) {
        return;
    }
    writer_.JoinedLine(LogTarget::Main, {{colour::kRed, {text}, true}});
}

void ChannelEvents::OnUniqueName(std::string_view name) {
    port_.setOwnName(name);
    port_.LoadDatabase();
}

void ChannelEvents::OnPlainText(std::string_view line) {
    writer_.Line(LogTarget::Main, colour::kLightGrey, line);
}

}  // namespace varno
