#include "convert/replace.h"

#include <cstring>

namespace convert {

size_t FindText(std::string_view text, std::string_view what, size_t from) {
    if (what.empty() || from >= text.size() || text.size() - from < what.size()) return std::string_view::npos;
    // One character is a memchr, which reads only up to what it finds.
    const void* hit = what.size() == 1 ? memchr(text.data() + from, what[0], text.size() - from)
                                       : memmem(text.data() + from, text.size() - from, what.data(), what.size());
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : std::string_view::npos;
}

size_t ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
    size_t at = FindText(text, what);
    if (at == std::string::npos) return 0;
    std::string out;
    out.reserve(text.size());
    size_t done = 0;
    size_t count = 0;
    for (; at != std::string::npos; at = FindText(text, what, done)) {
        out.append(text, done, at - done);
        out.append(with);
        done = at + what.size();
        ++count;
    }
    out.append(text, done, std::string::npos);
    text = std::move(out);
    return count;
}

bool ReplaceFirst(std::string& text, std::string_view what, std::string_view with) {
    const size_t at = FindText(text, what);
    if (at == std::string::npos) return false;
    text.replace(at, what.size(), with);
    return true;
}

}  // namespace convert
