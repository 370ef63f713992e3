#include <gtest/gtest.h>

#include <random>
#include <string>

#include "convert/exchange_sort.h"

namespace {

// The loop exactly as the traces describe it.
template <class KeyFn>
void literalExchangeSort(std::vector<std::string>& list, KeyFn key) {
    for (size_t i = 0; i < list.size(); ++i)
        for (size_t j = 0; j < list.size(); ++j)
            if (key(list[i]) > key(list[j])) std::swap(list[i], list[j]);
}

int abbKey(const std::string& s) {
    const auto p = s.find('=');
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

int bedKey(const std::string& s) {
    const auto p = s.find('=');
    return p == std::string::npos ? static_cast<int>(s.size()) : static_cast<int>(s.size() - (p + 1));
}

}  // namespace

TEST(ExchangeSort, AbbreviationTraceOfTheKnownExample) {
    std::vector<std::string> list = {"ab=1", "cd=2", "xyz=9", "ef=3", ""};
    convert::ExchangeSortByKeyDescending(list, abbKey);
    EXPECT_EQ(list, (std::vector<std::string>{"xyz=9", "cd=2", "ef=3", "ab=1", ""}));
}

TEST(ExchangeSort, MeaningTraceOfTheKnownExample) {
    std::vector<std::string> list = {"x=ab", "y=cd", "z=e", ""};
    convert::ExchangeSortByKeyDescending(list, bedKey);
    EXPECT_EQ(list, (std::vector<std::string>{"y=cd", "x=ab", "z=e", ""}));
}

TEST(ExchangeSort, MatchesTheLiteralLoopOnRandomLists) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        const size_t n = rng() % 40;
        const int maxLen = 1 + static_cast<int>(rng() % 6);
        std::vector<std::string> list;
        for (size_t i = 0; i < n; ++i) {
            std::string s;
            const int len = static_cast<int>(rng() % static_cast<unsigned>(maxLen + 3));
            for (int c = 0; c < len; ++c) s.push_back(rng() % 4 == 0 ? '=' : static_cast<char>('a' + i % 26));
            s += std::to_string(i);  // tell equal-key entries apart
            list.push_back(s);
        }
        for (auto key : {abbKey, bedKey}) {
            auto expected = list;
            literalExchangeSort(expected, key);
            auto actual = list;
            convert::ExchangeSortByKeyDescending(actual, key);
            ASSERT_EQ(actual, expected) << "round " << round;
        }
    }
}
