#include "base/split_string.h"

namespace varno {

std::size_t SplitString(std::string_view text, std::string_view delimiter,
                        std::vector<std::string_view>& list) {
    list.clear();
    if (delimiter.size() == 1) {
        // The usual case, a blank: a byte search is much cheaper than a string search.
        const char d = delimiter.front();
        for (std::size_t at = text.find(d); at != std::string_view::npos; at = text.find(d)) {
            if (at > 0) {
                list.push_back(text.substr(0, at));
            }
            text.remove_prefix(at + 1);
        }
    } else if (!delimiter.empty()) {
        for (std::size_t at = text.find(delimiter); at != std::string_view::npos;
             at = text.find(delimiter)) {
            if (at > 0) {
                list.push_back(text.substr(0, at));
            }
            text.remove_prefix(at + delimiter.size());
        }
    }
    if (!text.empty()) {
        list.push_back(text);
    }
    return list.size();
}

}  // namespace varno
