#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/text_case.h"
#include "script/script_host.h"

namespace varno::test {

// The ports of a ScriptHost: what scripts ask is recorded, what they query is answered from
// the fields.
struct FakeScriptPorts {
    ScriptHost::Ports ports() {
        ScriptHost::Ports p;
        p.say = [this](std::string_view text) { return Send("say " + std::string(text)); };
        p.emote = [this](std::string_view text) { return Send("emote " + std::string(text)); };
        p.whisper = [this](std::string_view name, std::string_view text) {
            return Send("whisper " + std::string(name) + " " + std::string(text));
        };
        p.moderate = [this](std::string_view script, std::string_view action, std::string_view name,
                            std::string_view reason) {
            deeds.push_back(std::string(script) + " " + std::string(action) + " " +
                            std::string(name) + " " + std::string(reason));
            return refusal;
        };
        p.channel = [this] { return channel; };
        p.ownName = [this] { return me; };
        p.users = [this] { return users; };
        p.user = [this](std::string_view name) -> std::optional<ScriptUser> {
            for (const ScriptUser& user : users) {
                if (EqualsIgnoreCase(user.name, name)) {
                    return user;
                }
            }
            return std::nullopt;
        };
        p.trusted = [this](std::string_view name) { return trusted.contains(std::string(name)); };
        p.listed = [this](std::string_view name) { return listed.contains(std::string(name)); };
        p.now = [this] { return now; };
        p.steadyMs = [this] {
            if (!frozenMs) {
                return std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                    .count();
            }
            return *frozenMs += msPerLook;
        };
        p.log = [this](std::string_view script, std::string_view text) {
            logs.push_back(std::string(script) + ": " + std::string(text));
        };
        p.error = [this](std::string_view text) { errors.emplace_back(text); };
        return p;
    }

    bool Send(std::string line) {
        sent.push_back(std::move(line));
        return sendAnswer;
    }

    std::vector<std::string> sent;   // "say TEXT", "emote TEXT", "whisper NAME TEXT"
    std::vector<std::string> deeds;  // "SCRIPT ACTION NAME REASON"
    std::vector<std::string> logs;   // "SCRIPT: TEXT"
    std::vector<std::string> errors;
    bool sendAnswer = true;
    std::string refusal;  // what moderate answers
    std::string channel = "Clan Varno";
    std::string me = "VarnoBot";
    std::vector<ScriptUser> users;
    std::set<std::string> trusted, listed;
    std::int64_t now = 1700000000;
    // The steady clock: the real one, or when set one that moves by msPerLook at each look,
    // so that a test of the instruction and memory limits is not ended by the time limit on
    // a slow or busy machine.
    std::optional<std::int64_t> frozenMs;
    std::int64_t msPerLook = 0;
};

}  // namespace varno::test
