#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "base/colour.h"

namespace varno {

// Where a control of the main window sits, in twips within the client area.
struct ControlPlace {
    std::string_view name;
    int left, top, width, height;
};

// Every difference between the two programs, as data. Code asks an Edition; it never
// asks which program it is part of.
struct Edition {
    std::string_view name;  // "2.00" or "2.01"

    // Settings: the keys in start-up read order, and the name the start-up read and the
    // reload after Ok use for the trigger ("Trigger" or "trigger").
    std::vector<std::string_view> settingsKeys;
    std::string_view triggerReadKey;

    // Start-up and connection.
    bool startupBanners;        // "Varno 2.00 - By Tamsel" / "Whisper Windows" and the beep
    bool layoutSnapshot;        // proportional re-layout from a start-up snapshot
    bool enableTimerOnConnect;  // 2.00 enables r when the socket connects, 2.01 disables it
    std::string_view connectMenuText;
    Colour disconnectColour;  // "Socket Closed" and "Reconnecting"

    // Logs.
    bool whisperLog;         // a second log for whispers; otherwise they go to the main log
    bool writerAddsPrefix;   // 2.00's writer writes the timestamp itself
    bool singleRunLines;     // 2.00 writes each event line as one run
    bool clearButton;        // the Clear button
    bool clearFromSettings;  // auto-clear threshold from the Clear key, else fixedClear
    // 2.00's fixed auto-clear threshold; also 2.01's while Clear gives none, and the
    // whisper log's in both.
    std::size_t fixedClear;
    bool clearNotice;  // "Screen Cleared" after an auto-clear

    // Events and commands.
    bool flagsEvent;         // 1009 is dispatched
    bool channelJoinedLine;  // 1007 writes "Joined Channel: "
    bool unbanCommand;       // the "unban " trigger command
    std::string_view versionReply;
    std::string_view userMenuSecond;         // "Designate" or "Whois"
    std::string_view userMenuSecondCommand;  // "/designate " or "/whois "
    std::string_view idleTag;                // " - Varno 2.01"; empty: send keepAlive instead
    std::string_view keepAlive;              // "/keepalive"

    // Window.
    int clientWidth, clientHeight;  // twips
    std::vector<ControlPlace> controls;
    std::string_view aboutText;
    bool maximiseButton;
    bool tray;
    std::string_view userListName;  // "Lusers" or "lusers"

    static const Edition& v201();  // Varno1, the full client
    static const Edition& v200();  // Varno, the tray client
};

}  // namespace varno
