#pragma once
// Exact search over Windows-1252 byte strings: case-sensitive, byte by byte;
// an empty search string is never found.
#include <string>
#include <string_view>

namespace convert {

// Position of the first occurrence of `what` at or after `from`, or npos.
size_t FindText(std::string_view text, std::string_view what, size_t from = 0);

// Replaces the first occurrence only; returns whether there was one.
bool ReplaceFirst(std::string& text, std::string_view what, std::string_view with);

}  // namespace convert
