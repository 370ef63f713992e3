#pragma once
// The list traces sort with a plain exchange loop:
//
//     for i over all slots: for j over all slots:
//         if key(list(i)) > key(list(j)): exchange list(i) and list(j)
//
// which orders by descending key but leaves entries of equal key in an order
// of its own. Stored trace files carry that order, and with it which of two
// equally long abbreviations wins, so it must be reproduced exactly. The loop
// costs n^2 comparisons; this gives the same order in O(n * k) for k distinct
// keys.
//
// Why it works: the first pass (i = 0) leaves the smallest key in slot 0, each
// exchange putting the former holder where its successor was found. Every later
// pass i only touches slots 0..i: it inserts list(i) into the sorted prefix
// after all entries of a key at least as large, and every run of equal keys
// that it passes loses its first entry to the run's end.
#include <cstddef>
#include <deque>
#include <map>
#include <utility>
#include <vector>

namespace convert {

template <class T, class KeyFn>
void ExchangeSortByKeyDescending(std::vector<T>& list, KeyFn key) {
    const size_t n = list.size();
    if (n < 2) return;
    std::vector<long long> keys(n);
    for (size_t i = 0; i < n; ++i) keys[i] = static_cast<long long>(key(list[i]));

    // First pass, i = 0.
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    for (size_t j = 1; j < n; ++j) {
        if (keys[order[0]] > keys[order[j]]) std::swap(order[0], order[j]);
    }

    // Later passes: runs of equal keys, ascending by key in the map.
    std::map<long long, std::deque<size_t>> runs;
    runs[keys[order[0]]].push_back(order[0]);
    for (size_t i = 1; i < n; ++i) {
        const size_t x = order[i];
        const long long k = keys[x];
        for (auto it = runs.begin(); it != runs.end() && it->first < k; ++it) {
            auto& run = it->second;
            if (run.size() > 1) {
                run.push_back(run.front());
                run.pop_front();
            }
        }
        runs[k].push_back(x);
    }

    std::vector<T> sorted;
    sorted.reserve(n);
    for (auto it = runs.rbegin(); it != runs.rend(); ++it)
        for (size_t idx : it->second) sorted.push_back(std::move(list[idx]));
    list = std::move(sorted);
}

}  // namespace convert
