#include "convert/replace.h"

namespace convert {

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view with) {
    std::string out(text);
    ReplaceAllInPlace(out, find, with);
    return out;
}

size_t ReplaceAllInPlace(std::string& text, std::string_view find, std::string_view with) {
    if (find.empty()) return 0;
    size_t at = text.find(find);
    if (at == std::string::npos) return 0;
    size_t count = 0;
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    for (; at != std::string::npos; at = text.find(find, from)) {
        out.append(text, from, at - from);
        out.append(with);
        from = at + find.size();
        ++count;
    }
    out.append(text, from, std::string::npos);
    text = std::move(out);
    return count;
}

}  // namespace convert
