#pragma once
// Exact search and replacement over Windows-1252 byte strings: case-sensitive,
// byte by byte, left to right over non-overlapping occurrences, going on after
// the inserted text; an empty search string finds and replaces nothing.
#include <string>
#include <string_view>

namespace convert {

// Position of the first occurrence of `what` at or after `from`, or npos.
size_t FindText(std::string_view text, std::string_view what, size_t from = 0);

// Replaces every occurrence; returns how many were replaced.
size_t ReplaceAll(std::string& text, std::string_view what, std::string_view with);

// Replaces the first occurrence only; returns whether there was one.
bool ReplaceFirst(std::string& text, std::string_view what, std::string_view with);

}  // namespace convert
