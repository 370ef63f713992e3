#include "convert/text_search.h"

#include <cstring>

namespace convert {

size_t FindText(std::string_view text, std::string_view what, size_t from) {
    if (what.empty() || from >= text.size() || text.size() - from < what.size()) return std::string_view::npos;
    const void* hit = memmem(text.data() + from, text.size() - from, what.data(), what.size());
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : std::string_view::npos;
}

bool ReplaceFirst(std::string& text, std::string_view what, std::string_view with) {
    const size_t k = FindText(text, what);
    if (k == std::string::npos) return false;
    text.replace(k, what.size(), with);
    return true;
}

}  // namespace convert
