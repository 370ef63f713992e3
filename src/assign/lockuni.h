#pragma once
// The LOCK UNI button of page 1 beyond the window: its two looks, the
// explanation a right click shows, and the pointer that invites it.
#include <QCursor>
#include <QImage>
#include <cstdint>

class QPushButton;

namespace assign {

inline constexpr const char* kLockUniTitle = "Lock Uni";
inline constexpr const char* kLockUniExplanation =
    "Choose the option LOCK UNI if you want to avoid automatic replacement of Unicode coding of "
    "symbols with ANSI equivalent or RTF splinters, that some font character sets often try. When "
    "LOCK UNI is active (the button is red), the program will deny replacement of any Unicode-coded "
    "cell content with any ANSI-coded symbol, multispace coding or other strings and restore the "
    "original symbol by attempt. In order to replace nevertheless, you should either deactivate the "
    "LOCK UNI option (but take care of other protected symbols!) or much better: (1) delete the cell "
    "content, (2) click on SAVE / REFRESH and (3) paste the new symbol and save once more.";

// Caption and back colour (a BGR number, as the controls take it) for a value
// of LockUni: "Unlock Uni" on red, or "Lock Uni" on the button face.
struct LockUniLook {
    const char* caption;
    std::uint32_t backColor;
};
LockUniLook LockUniLookOf(bool lockUni);
// Gives the button the look of `lockUni`: the caption first, then the colour.
void ShowLockUni(QPushButton* button, bool lockUni);

// The pointer image: 32 x 32 pixels, the upper nine rows transparent, below
// them a black-framed yellow field reading "Rclick" and "for info" in black.
// Drawn once; only transparent, black and yellow pixels.
const QImage& LockUniPointerImage();
// The pointer made of that image, its hot spot at the top left.
QCursor LockUniPointer();

}  // namespace assign
