#include "app/form1_layout.h"

#include <gtest/gtest.h>

using app::DesignLayout;
using app::Form1Layout;

namespace {

Form1Layout laidOut(float w, float h) {
    Form1Layout l = DesignLayout();
    app::Form_Resize(w, h, l);
    return l;
}

}  // namespace

TEST(Form1Layout, TheDesignWindowGivesTheWorkedExample) {
    const Form1Layout l = laidOut(6735, 5775);
    EXPECT_EQ(l.TEX, (app::TwipsRect{120, 360, 6435, 1687.5f}));
    EXPECT_FLOAT_EQ(l.Reconvert.top, 2092.5f);
    EXPECT_FLOAT_EQ(l.Command2.top, 2092.5f);
    EXPECT_FLOAT_EQ(l.SelAllTEX.top, 2092.5f);
    EXPECT_FLOAT_EQ(l.Label5.top, 2112.5f);
    EXPECT_EQ(l.RTB, (app::TwipsRect{120, 2367.5f, 6435, 2547.5f}));
    for (const app::TwipsRect& r : {l.Quit, l.Export, l.LeftT, l.RightT, l.AbbModeC, l.SelAllRTB, l.Label4, l.Hilfe})
        EXPECT_FLOAT_EQ(r.top, 4945);
    EXPECT_FLOAT_EQ(l.Reconvert.left, 5045);
    EXPECT_FLOAT_EQ(l.Command2.left, 3555);
    EXPECT_FLOAT_EQ(l.Quit.left, 5645);
    // The lower row runs right to left from "Exit".
    EXPECT_FLOAT_EQ(l.AbbModeC.left, 4550);
    EXPECT_FLOAT_EQ(l.RightT.left, 4295);
    EXPECT_FLOAT_EQ(l.LeftT.left, 4040);
    EXPECT_FLOAT_EQ(l.Export.left, 3305);
    EXPECT_FLOAT_EQ(l.Hilfe.left, 3040);
    EXPECT_FLOAT_EQ(l.SaveCode.left, 3290);
    EXPECT_FLOAT_EQ(l.OpenCode.left, 3025);
    EXPECT_EQ(l.Shape1, (app::TwipsRect{80, 2327.5f, 6535, 2647.5f}));
    // Left edges not named by the layout keep their design values.
    EXPECT_EQ(l.Label1, DesignLayout().Label1);
    EXPECT_FLOAT_EQ(l.CutRTB.left, 360);
    EXPECT_FLOAT_EQ(l.UnDo.left, 1560);
}

TEST(Form1Layout, WideningMovesTheRightHandButtonsOnly) {
    const Form1Layout a = laidOut(6735, 5775);
    const Form1Layout b = laidOut(7735, 5775);
    EXPECT_FLOAT_EQ(b.TEX.width - a.TEX.width, 1000);
    EXPECT_FLOAT_EQ(b.RTB.width - a.RTB.width, 1000);
    for (auto member : {&Form1Layout::Reconvert, &Form1Layout::Command2, &Form1Layout::SaveCode, &Form1Layout::OpenCode,
                        &Form1Layout::Quit, &Form1Layout::AbbModeC, &Form1Layout::RightT, &Form1Layout::LeftT,
                        &Form1Layout::Export, &Form1Layout::Hilfe})
        EXPECT_FLOAT_EQ((b.*member).left - (a.*member).left, 1000);
    for (auto member : {&Form1Layout::SelAllTEX, &Form1Layout::CutTEX, &Form1Layout::CopyTEX, &Form1Layout::PasteTEX,
                        &Form1Layout::SelAllRTB, &Form1Layout::CutRTB, &Form1Layout::CopyRTB, &Form1Layout::PasteRTB})
        EXPECT_FLOAT_EQ((b.*member).left, (a.*member).left);
}

TEST(Form1Layout, AVeryLowWindowKeepsTheHeightsAndMovesTheRows) {
    Form1Layout l = laidOut(6735, 5775);
    app::Form_Resize(6735, 900, l);  // H/2 = 450: between 340 and 540
    EXPECT_FLOAT_EQ(l.TEX.height, 1687.5f);
    EXPECT_FLOAT_EQ(l.RTB.height, 2547.5f);
    EXPECT_FLOAT_EQ(l.RTB.top, -70);
    EXPECT_FLOAT_EQ(l.Quit.top, -70 + 2547.5f + 30);
    EXPECT_FLOAT_EQ(l.Reconvert.top, -345);
    // At H/2 = 540 the lower window's height is set, to 200.
    app::Form_Resize(6735, 1080, l);
    EXPECT_FLOAT_EQ(l.RTB.height, 200);
}

TEST(Form1Layout, ATinyWindowLeavesTheWidthsAndRestoringGivesTheLayoutBack) {
    const Form1Layout before = laidOut(6735, 5775);
    Form1Layout l = before;
    app::Form_Resize(200, 300, l);
    EXPECT_FLOAT_EQ(l.TEX.width, 6435);
    EXPECT_FLOAT_EQ(l.RTB.width, 6435);
    app::Form_Resize(6735, 5775, l);
    EXPECT_EQ(l.TEX, before.TEX);
    EXPECT_EQ(l.RTB, before.RTB);
    EXPECT_EQ(l.Quit, before.Quit);
    EXPECT_EQ(l.Shape1, before.Shape1);
}
