#pragma once
// The order of the reverse trace copy of the abbreviation list ("Bed":
// meanings): longest meaning first, so that Reconvert meets a long meaning
// before a short one that is part of it.
#include <string>
#include <string_view>
#include <vector>

namespace convert {

// The sort key: the length after the first "=", the whole length without one.
long long MeaningLength(std::string_view line);

// Descending meaning length, equal lengths in the order of the plain exchange
// loop over all pairs (stored trace files carry that order).
void TraceBedList(std::vector<std::string>& list);

}  // namespace convert
