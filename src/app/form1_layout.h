#pragma once
// Where the main window's controls stand, in twips, and how they follow the
// window's size.
namespace app {

struct TwipsRect {
    float left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TwipsRect&) const = default;
};

struct Form1Layout {
    TwipsRect TEX, RTB, Reconvert, Label5, Label7, Command2, Quit, Label1, AbbModeC, RightT, LeftT, Export,
        SelAllTEX, CutTEX, CopyTEX, PasteTEX, SelAllRTB, CutRTB, CopyRTB, PasteRTB, UnDo, ReDo, Label2, Label3,
        Label4, SaveCode, OpenCode, Hilfe, Shape1;
};

// The positions the window is designed with.
Form1Layout DesignLayout();

// The layout for a window of outer width w and height h (twips), computed in
// single precision in a fixed order; values the steps leave alone (sizes
// that would turn too small, left edges not named) keep what `layout` holds.
void Form_Resize(float w, float h, Form1Layout& layout);

}  // namespace app
