#pragma once
// Exact text replacement: case-sensitive, byte by byte, left to right over
// non-overlapping occurrences, going on after the inserted text.
#include <string>
#include <string_view>

namespace convert {

// Every occurrence of `find` in `text` replaced by `with`; an empty `find`
// replaces nothing.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view with);

// The same in place; returns how many occurrences were replaced.
size_t ReplaceAllInPlace(std::string& text, std::string_view find, std::string_view with);

}  // namespace convert
