#include "demo/wire.h"

namespace varno::demo::wire {
namespace {

std::string UserLine(std::string_view head, std::string_view name, std::string_view flags) {
    std::string line(head);
    line += ' ';
    line += name;
    line += ' ';
    line += flags;
    return line;
}

std::string Quoted(std::string line, std::string_view text) {
    line += " \"";
    line += text;
    line += "\"\r\n";
    return line;
}

}  // namespace

std::string UserInChannel(std::string_view name, std::string_view flags, std::string_view product) {
    return UserLine("1001 USER", name, flags) + " " + std::string(product) + "\r\n";
}

std::string Join(std::string_view name, std::string_view flags, std::string_view product) {
    return UserLine("1002 JOIN", name, flags) + " " + std::string(product) + "\r\n";
}

std::string Leave(std::string_view name, std::string_view flags) {
    return UserLine("1003 LEAVE", name, flags) + "\r\n";
}

std::string WhisperFrom(std::string_view name, std::string_view flags, std::string_view text) {
    return Quoted(UserLine("1004 WHISPER", name, flags), text);
}

std::string Talk(std::string_view name, std::string_view flags, std::string_view text) {
    return Quoted(UserLine("1005 TALK", name, flags), text);
}

std::string Channel(std::string_view name) {
    return Quoted("1007 CHANNEL", name);
}

std::string Flags(std::string_view name, std::string_view flags) {
    return UserLine("1009 USER", name, flags) + "\r\n";
}

std::string WhisperTo(std::string_view name, std::string_view flags, std::string_view text) {
    return Quoted(UserLine("1010 WHISPER", name, flags), text);
}

std::string Info(std::string_view text) {
    return Quoted("1018 INFO", text);
}

std::string Error(std::string_view text) {
    return Quoted("1019 ERROR", text);
}

std::string Emote(std::string_view name, std::string_view flags, std::string_view text) {
    return Quoted(UserLine("1023 EMOTE", name, flags), text);
}

std::string Name(std::string_view name) {
    return "2010 NAME " + std::string(name) + "\r\n";
}

std::string Null() {
    return "2000 NULL\r\n";
}

std::string Usage(std::string_view syntax, std::string_view what, std::string_view example) {
    return Info("--------------------------------------------------------") + Error(syntax) +
           Info("   " + std::string(what)) + Info("   ") +
           Info("   Example: " + std::string(example));
}

}  // namespace varno::demo::wire
