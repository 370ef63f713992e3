#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/bed_list.h"

TEST(BedListTrace, LongestMeaningFirstInTheLoopsTieOrder) {
    std::vector<std::string> list = {"x=ab", "y=cd", "z=e", ""};
    convert::TraceBedList(list);
    EXPECT_EQ(list, (std::vector<std::string>{"y=cd", "x=ab", "z=e", ""}));
    EXPECT_EQ(convert::MeaningLength("abcd"), 4);
    EXPECT_EQ(convert::MeaningLength("a=b=c"), 3);
    EXPECT_EQ(convert::MeaningLength("ab="), 0);
}
