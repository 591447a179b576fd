#include "demo/cast_script.h"

namespace varno::demo {

const CastScript& CastScript::Default() {
    static const CastScript script{
        .chat = {"morning all",
                 "hey",
                 "anyone up for a game tonight?",
                 "maybe later, still at work",
                 "same here, after dinner",
                 "did you see the patch notes?",
                 "yeah, the new map looks huge",
                 "I lost three games in a row on it :(",
                 "practice makes perfect",
                 "lol",
                 "who is hosting tonight?",
                 "I can host at eight",
                 "count me in",
                 "me too",
                 "brb, coffee",
                 "back",
                 "the channel is quiet today",
                 "quiet is good",
                 "anyone know a good team name?",
                 "something with dragons",
                 "dragons are taken",
                 "ok, ducks then",
                 "ducks it is",
                 "gg everyone last night",
                 "that last round was close"},
        .whispers = {"hey {name}, thanks for keeping the spam out",
                     "{name}, can you watch the channel for a bit? brb",
                     "psst {name}, the bot is quick today", "{name}: are you hosting tonight?"},
        .boss = {"!version", "!say Welcome to the Demo channel!", "!say Be nice, everyone.",
                 "!say Games tonight at eight."},
        .remarks = {"bye {name}", "the bot got {name} :)", "{name} didn't last long",
                    "another one gone", "thanks bot"},
        .spam = {"CHEAP GOLD at www dot example dot invalid!!!", "free items, whisper me now",
                 "join my channel for free stuff"},
        .joiners = {"spam#", "gold#bot", "spammer#", "loot#bot"},
    };
    return script;
}

}  // namespace varno::demo
