#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "assign/cells.h"
#include "assign/zoom.h"

using namespace assign;

namespace {

class Zoom : public ::testing::Test {
protected:
    void SetUp() override { ZoomedCell = false; }
};

TEST_F(Zoom, FollowsOneStateForAllCellsOfBothPages) {
    // A on page 1, B on page 2: A, B, B, A.
    const BoxZoom enlarged{1971, 1380, 48};
    EXPECT_EQ(FlipZoom(70, 12), enlarged);
    EXPECT_TRUE(ZoomedCell);
    EXPECT_EQ(FlipZoom(200, 12), (BoxZoom{885, 345, 12}));  // never enlarged, sized all the same
    EXPECT_EQ(FlipZoom(200, 12), enlarged);
    EXPECT_EQ(FlipZoom(70, 14), (BoxZoom{1095, 345, 14}));  // the size font as it is now
    EXPECT_FALSE(ZoomedCell);
}

TEST_F(Zoom, EnlargesTo48PointsWhateverTheSymbolFontSize) {
    EXPECT_EQ(FlipZoom(64, 72).fontSize, 48);
    EXPECT_EQ(FlipZoom(64, 72).fontSize, 72);
}

TEST_F(Zoom, NormalWidthIsThePagesNotTheDesignedOne) {
    for (const CellPlace& c : Page1Cells()) EXPECT_EQ(NormalWidth(c.code), c.box.width) << c.code;
    for (const CellPlace& c : Page2Cells()) EXPECT_EQ(NormalWidth(c.code), 885) << c.code;
}

TwipsRect enlarged(const TwipsRect& r) { return {r.left, r.top, kZoomedWidth, kZoomedHeight}; }

bool overlap(const TwipsRect& a, const TwipsRect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// The boxes listed before a box they overlap once enlarged: those the
// enlarged box cannot show over.
std::map<int, std::set<int>> hiddenUnder(const std::vector<CellPlace>& cells, const std::vector<int>& list) {
    std::map<int, size_t> position;
    for (size_t i = 0; i < list.size(); ++i) position[list[i]] = i;
    std::map<int, std::set<int>> hidden;
    for (const CellPlace& a : cells)
        for (const CellPlace& b : cells)
            if (a.code != b.code && overlap(enlarged(a.box), b.box) && position.at(b.code) < position.at(a.code))
                hidden[a.code].insert(b.code);
    return hidden;
}

TEST(ZoomStacking, ListsEveryBoxOfAPageOnce) {
    for (int page : {1, 2}) {
        const auto& cells = page == 1 ? Page1Cells() : Page2Cells();
        std::vector<int> codes, listed = BoxList(page);
        for (const CellPlace& c : cells) codes.push_back(c.code);
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, codes) << page;
    }
    EXPECT_TRUE(std::is_sorted(BoxList(1).begin(), BoxList(1).end()));
}

TEST(ZoomStacking, AnEnlargedBoxLiesAboveTheBoxesItGrowsOver) {
    EXPECT_EQ(hiddenUnder(Page1Cells(), BoxList(1)), (std::map<int, std::set<int>>{}));
    // Page 2's designed list puts a few neighbours first: 195..197 and 213
    // before the cells above and beside them, and 223..225 before 222; the
    // boxes 375 high (191, 201, 202) reach 15 twips into the row below.
    const std::map<int, std::set<int>> page2{
        {191, {213}}, {192, {191, 195}}, {193, {192, 195, 196}}, {194, {193, 195, 196, 197}},
        {202, {201}}, {203, {202}},      {222, {223, 224, 225}},
    };
    EXPECT_EQ(hiddenUnder(Page2Cells(), BoxList(2)), page2);
}

TEST(ZoomStacking, OnPage1EveryEnlargedBoxStaysInsideTheWindow) {
    for (const CellPlace& c : Page1Cells()) {
        const TwipsRect r = enlarged(c.box);
        EXPECT_LE(r.left + r.width, 11850) << c.code;
        EXPECT_LE(r.top + r.height, 7665) << c.code;
    }
}

}  // namespace
