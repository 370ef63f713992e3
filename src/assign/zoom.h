#pragma once
// The cell zoom: a double-click on a cell box flips one zoom state shared by
// every cell of both pages, and the new state decides what that box becomes:
// enlarged, its text at 48 points, or its page's normal size, its text at the
// symbol font size. No other box is touched. Sizes in twips.
#include <vector>

namespace assign {

// Flipped by every double-click on any cell box; starts false and nothing
// else sets it, so after a window is loaded anew it may be true while no box
// is enlarged.
extern bool ZoomedCell;

inline constexpr int kZoomedWidth = 1971;
inline constexpr int kZoomedHeight = 1380;
inline constexpr int kZoomedFontSize = 48;
inline constexpr int kNormalHeight = 345;

// The normal width of a box on the page of `code`: 1095 on page 1, 885 on
// page 2 (wider than most page-2 boxes are designed).
int NormalWidth(int code);

struct BoxZoom {
    int width = 0;
    int height = 0;
    int fontSize = 0;  // points, for all the box's text
    bool operator==(const BoxZoom&) const = default;
};

// One double-click on the box of `code`: flips ZoomedCell and returns what
// the box takes under the new state (the size font `cellFontSize` when it
// returns to normal, read at this moment).
BoxZoom FlipZoom(int code, int cellFontSize);

// Page 1's boxes in the order its window lists them, by ascending code (page
// 2's designed order is Page2StackingOrder). The box listed earlier lies
// above a later one, and every box above the window's labels and buttons, so
// an enlarged box shows over what it grows over.
const std::vector<int>& BoxList();

}  // namespace assign
