#include "apps/edition.h"

namespace varno {

const Edition& Edition::v201() {
    static const Edition e{
        .name = "2.01",
        .settingsKeys = {"Username", "Password", "Home", "Server", "Delay", "Trigger", "Clear",
                         "Idle"},
        .triggerReadKey = "Trigger",
        .startupBanners = true,
        .layoutSnapshot = true,
        .enableTimerOnConnect = false,
        .connectMenuText = "Connection Started",
        .disconnectColour = colour::kYellow,
        .whisperLog = true,
        .writerAddsPrefix = false,
        .singleRunLines = false,
        .clearButton = true,
        .clearFromSettings = true,
        .fixedClear = 0,
        .clearNotice = true,
        .flagsEvent = true,
        .channelJoinedLine = true,
        .unbanCommand = true,
        .versionReply = "Varno 2.01 by Tamsel",
        .userMenuSecond = "Designate",
        .userMenuSecondCommand = "/designate ",
        .idleTag = " - Varno 2.01",
        .keepAlive = "",
        .aboutText = "Varno 2.01 - Special thanks to Yelt and Ardovine",
        .maximiseButton = true,
        .tray = false,
        .userListName = "Lusers",
    };
    return e;
}

const Edition& Edition::v200() {
    static const Edition e{
        .name = "2.00",
        .settingsKeys = {"Username", "Password", "Home", "Server", "Delay", "Trigger"},
        .triggerReadKey = "trigger",
        .startupBanners = false,
        .layoutSnapshot = false,
        .enableTimerOnConnect = true,
        .connectMenuText = "Connecting to server",
        .disconnectColour = colour::kRed,
        .whisperLog = false,
        .writerAddsPrefix = true,
        .singleRunLines = true,
        .clearButton = false,
        .clearFromSettings = false,
        .fixedClear = 30000,
        .clearNotice = false,
        .flagsEvent = false,
        .channelJoinedLine = false,
        .unbanCommand = false,
        .versionReply = "Varno 2.00 by Tamsel",
        .userMenuSecond = "Whois",
        .userMenuSecondCommand = "/whois ",
        .idleTag = "",
        .keepAlive = "/keepalive",
        .aboutText = "Varno 2.00 - Special thanks to Yelt and Ardovine",
        .maximiseButton = false,
        .tray = true,
        .userListName = "lusers",
    };
    return e;
}

}  // namespace varno
