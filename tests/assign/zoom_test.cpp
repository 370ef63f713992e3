#include <gtest/gtest.h>

#include <QLabel>
#include <QScrollBar>
#include <QTextBlock>
#include <QWidget>
#include <algorithm>
#include <map>
#include <set>

#include "assign/cells.h"
#include "assign/charass.h"
#include "assign/charass2.h"
#include "assign/pages.h"
#include "assign/zoom.h"
#include "mouse.h"
#include "platform/dialogs.h"
#include "platform/richtextbox.h"
#include "store/store.h"

using namespace assign;

namespace {

// The boxes of page 2 whose enlarged rectangle overlaps a neighbour box that
// the designed list puts first: 195..197 and 213 stand before the cells above
// and beside them, 223..225 before 222, and the boxes 375 high (191, 201,
// 202) reach 15 twips into the row below.
const std::map<int, std::set<int>> kPage2NeighboursOnTop{
    {191, {213}}, {192, {191, 195}}, {193, {192, 195, 196}}, {194, {193, 195, 196, 197}},
    {202, {201}}, {203, {202}},      {222, {223, 224, 225}},
};

// The order a page's window lists its boxes in.
const std::vector<int>& boxList(int page) { return page == 1 ? BoxList() : Page2StackingOrder(); }

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
        std::vector<int> codes, listed = boxList(page);
        for (const CellPlace& c : cells) codes.push_back(c.code);
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, codes) << page;
    }
    EXPECT_TRUE(std::is_sorted(BoxList().begin(), BoxList().end()));
}

TEST(ZoomStacking, AnEnlargedBoxLiesAboveTheBoxesItGrowsOver) {
    EXPECT_EQ(hiddenUnder(Page1Cells(), BoxList()), (std::map<int, std::set<int>>{}));
    EXPECT_EQ(hiddenUnder(Page2Cells(), Page2StackingOrder()), kPage2NeighboursOnTop);
}

// The windows of the run, both pages loaded and shown; each box holds "xy" in
// the symbol font.
void showBothPages() {
    for (int code : store::CellCodes()) store::CellCode[static_cast<size_t>(code)] = "xy";
    ASSERT_TRUE(store::WriteSettingsFiles());
    CharAss().ReadINI();
    CharAss().Show();
    CharAss2().Show();
}

CellWindow& pageOf(int code) {
    if (code < kPage2FirstCode) return CharAss();
    return CharAss2();
}

platform::RichTextBox* box(int code) { return pageOf(code).CellBox(code); }

QSize pixels(int width, int height) { return {dlg::TwipsToPixelsX(width), dlg::TwipsToPixelsY(height)}; }

// The point sizes of the box's characters, each size once.
std::set<double> textSizes(platform::RichTextBox* b) {
    std::set<double> sizes;
    for (QTextBlock block = b->document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) sizes.insert(it.fragment().charFormat().fontPointSize());
    return sizes;
}

void expectBox(int code, QSize size, double points) {
    platform::RichTextBox* b = box(code);
    EXPECT_EQ(b->size(), size) << code;
    EXPECT_EQ(textSizes(b), std::set<double>{points}) << code;
    EXPECT_EQ(b->SelStart(), static_cast<int>(b->Text().size())) << code;
    EXPECT_EQ(b->SelLength(), 0) << code;
    EXPECT_EQ(b->verticalScrollBar()->value(), 0) << code;  // the symbol not scrolled out of sight
}

TEST(Zoom, TwoDoubleClicksEnlargeABoxAndReturnItToItsPagesNormalSize) {
    showBothPages();
    for (int code : {64, 132, 133, 200, 255}) {
        const QPoint corner = box(code)->pos();
        mouse::DoubleClick(box(code));
        expectBox(code, pixels(1971, 1380), 48);
        EXPECT_TRUE(ZoomedCell);
        mouse::DoubleClick(box(code));
        expectBox(code, pixels(code < 133 ? 1095 : 885, 345), 12);
        EXPECT_FALSE(ZoomedCell);
        EXPECT_EQ(box(code)->pos(), corner);
    }
}

TEST(Zoom, OneStateServesEveryBoxOfBothPages) {
    showBothPages();
    const QSize enlarged = pixels(1971, 1380);
    // A on page 1, B on page 2: A, B, B, A.
    mouse::DoubleClick(box(70));
    expectBox(70, enlarged, 48);
    mouse::DoubleClick(box(200));
    expectBox(200, pixels(885, 345), 12);  // never enlarged, yet sized to normal
    expectBox(70, enlarged, 48);
    mouse::DoubleClick(box(200));
    expectBox(200, enlarged, 48);
    mouse::DoubleClick(box(70));
    expectBox(70, pixels(1095, 345), 12);
    expectBox(200, enlarged, 48);
    EXPECT_FALSE(ZoomedCell);
}

TEST(Zoom, PageTwoBoxesComeBackAtThePagesNormalSizeWhateverTheirDesign) {
    showBothPages();
    for (int code : {190, 191, 192, 193, 201, 202, 140}) {
        EXPECT_NE(box(code)->size(), pixels(885, 345)) << code;
        mouse::DoubleClick(box(code));
        mouse::DoubleClick(box(code));
        EXPECT_EQ(box(code)->size(), pixels(885, 345)) << code;
    }
}

TEST(Zoom, EnlargedTextIs48PointsEvenAboveAnyLargerSymbolSize) {
    store::CellFontSize = 72;
    showBothPages();
    EXPECT_EQ(textSizes(box(100)), std::set<double>{72});
    mouse::DoubleClick(box(100));
    expectBox(100, pixels(1971, 1380), 48);
    // The size font as it is when the box returns.
    store::CellFontSize = 20;
    mouse::DoubleClick(box(100));
    expectBox(100, pixels(1095, 345), 20);
}

TEST(Zoom, ARefreshKeepsTheBoxEnlarged) {
    showBothPages();
    mouse::DoubleClick(box(80));
    mouse::DoubleClick(box(230));
    mouse::DoubleClick(box(230));
    SaveRefresh();
    EXPECT_EQ(box(80)->size(), pixels(1971, 1380));
    EXPECT_EQ(box(230)->size(), pixels(1971, 1380));
    EXPECT_EQ(textSizes(box(80)), std::set<double>{12});  // the refresh set the symbol size
    EXPECT_TRUE(ZoomedCell);
    mouse::DoubleClick(box(80));
    expectBox(80, pixels(1095, 345), 12);
}

TEST(Zoom, AWindowLoadedAnewKeepsTheStateButNotTheSizes) {
    showBothPages();
    mouse::DoubleClick(box(190));
    CharAss2().Window()->close();
    EXPECT_FALSE(CharAss2().IsLoaded());
    EXPECT_TRUE(ZoomedCell);
    CharAss2().Show();
    EXPECT_EQ(box(190)->size(), pixels(855, 375));
    // True with no box enlarged: the next double-click gives the normal size.
    mouse::DoubleClick(box(190));
    expectBox(190, pixels(885, 345), 12);
    EXPECT_FALSE(ZoomedCell);
}

// The rectangle where two controls overlap, in the window's pixels.
QRect overlapOf(QWidget* a, QWidget* b) { return a->geometry().intersected(b->geometry()); }

bool partOf(QWidget* hit, QWidget* b) { return hit == b || b->isAncestorOf(hit); }

// Enlarges each box of a page in turn and looks at the middle of every
// control it then overlaps: the box shows there, unless the page's list puts
// that neighbour box, or one standing at that point, first.
void expectEnlargedBoxesOnTop(int page, const std::map<int, std::set<int>>& above) {
    CellWindow& window = page == 1 ? static_cast<CellWindow&>(CharAss()) : CharAss2();
    const std::vector<int>& list = boxList(page);
    for (int code : list) {
        platform::RichTextBox* b = window.CellBox(code);
        mouse::DoubleClick(b);
        ASSERT_EQ(b->size(), pixels(1971, 1380));
        const std::set<int> first = above.count(code) ? above.at(code) : std::set<int>{};
        int looked = 0;
        for (int other : list) {
            QWidget* const neighbours[] = {window.CellBox(other), window.CellLabel(other)};
            for (QWidget* w : neighbours) {
                if (w == b || overlapOf(w, b).isEmpty() || (w == window.CellBox(other) && first.count(other))) continue;
                const QPoint middle = overlapOf(w, b).center();
                bool coveredByFirst = false;
                for (int f : first) coveredByFirst = coveredByFirst || window.CellBox(f)->geometry().contains(middle);
                if (coveredByFirst) continue;
                EXPECT_TRUE(partOf(window.Window()->childAt(middle), b)) << code << " under a neighbour of " << other;
                ++looked;
            }
        }
        EXPECT_GT(looked, 0) << code;
        mouse::DoubleClick(b);
    }
}

TEST(Zoom, AnEnlargedBoxShowsOverTheBoxesAndLabelsItGrowsOver) {
    showBothPages();
    expectEnlargedBoxesOnTop(1, {});
    expectEnlargedBoxesOnTop(2, kPage2NeighboursOnTop);
}

}  // namespace
