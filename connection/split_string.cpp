#include "connection/split_string.h"

namespace varno {

std::size_t SplitString(std::string_view text, std::string_view delimiter,
                        std::vector<std::string_view>& list) {
    list.clear();
    if (!delimiter.empty()) {
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
