#pragma once

#include <cstddef>
#include <string>

namespace varno::bench {

// The name of the i-th user of a generated session: two made-up words and the number, so
// names differ in length and first letters as real ones do.
std::string UserName(std::size_t i);

// A channel session as the gateway sends it: the channel event, `present` users already
// there, then `lines` lines of channel life (talk, emotes, joins and leaves, mixed the way a
// busy channel mixes them), each ending in CR LF. The same arguments give the same bytes.
std::string ChannelSession(std::size_t present, std::size_t lines);

// A flood: the channel event, `users` users already there (1001), `talk` talk lines (1005)
// spoken by them in turn, then every one of them leaving (1003) in the order they came.
std::string FloodSession(std::size_t users, std::size_t talk);

// The text of the i-th talk line of a session: 8 to 80 printable bytes.
std::string TalkText(std::size_t i);

// A word list file (badwords.txt) of n patterns, CR LF after each: made-up words that talk
// never holds, so that every pattern is tried against every line, and now and then one that
// a talk line does hold.
std::string WordList(std::size_t n);

}  // namespace varno::bench
