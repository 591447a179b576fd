#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace varno {

// Fills list with the pieces of text between occurrences of delimiter (compared exactly),
// leaving out empty pieces, and returns their number. The list is cleared first but keeps
// its capacity, so a caller that reuses one list allocates nothing once it has grown. The
// pieces are views into text. An empty delimiter yields the whole text as one piece.
std::size_t SplitString(std::string_view text, std::string_view delimiter,
                        std::vector<std::string_view>& list);

}  // namespace varno
