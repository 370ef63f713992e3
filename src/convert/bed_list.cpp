#include "convert/bed_list.h"

#include "convert/exchange_sort.h"

namespace convert {

long long MeaningLength(std::string_view line) {
    const size_t p = line.find('=');
    return static_cast<long long>(p == std::string_view::npos ? line.size() : line.size() - (p + 1));
}

void TraceBedList(std::vector<std::string>& list) {
    ExchangeSortByKeyDescending(list, [](const std::string& s) { return MeaningLength(s); });
}

}  // namespace convert
