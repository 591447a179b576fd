#pragma once

#include <string>
#include <string_view>

namespace varno {

// The two pattern lists users may change from the channel: the ban list (shitlist.txt) and
// the word list (badwords.txt).
enum class ListKind { Ban, Words };

// Changes to a pattern list file (shitlist.txt, badwords.txt) one line at a time. Lines are
// read as the lists read them (they end at CR LF, LF or a lone CR); every line not added or
// removed keeps its bytes and its line end. The file is replaced whole through a temporary
// file, so a failure leaves it as it was. Patterns compare without regard to ASCII case, as
// the matcher reads them.
enum class ListEdit { Added, AlreadyThere, Removed, NotThere, NotAPattern, Failed };

// A pattern as given in a command: without surrounding blanks. Empty, or holding a byte
// below 32 (a line end would add a line), it is no pattern.
bool IsListPattern(std::string_view pattern);

// Appends pattern and the file's line end (see ListLineEnd), creating the file if it is
// missing; a last line without a line end gets that line end first. Already there: the file is left
// alone.
ListEdit AddListLine(const std::string& path, std::string_view pattern);

// Removes every line equal to pattern with its line end.
ListEdit RemoveListLine(const std::string& path, std::string_view pattern);

}  // namespace varno
