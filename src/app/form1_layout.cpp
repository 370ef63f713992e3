#include "app/form1_layout.h"

#include <initializer_list>

namespace app {

Form1Layout DesignLayout() {
    Form1Layout l;
    l.TEX = {120, 360, 4215, 1095};
    l.RTB = {120, 1680, 4215, 1215};
    l.Reconvert = {4440, 1440, 1215, 255};
    l.Label5 = {1200, 1440, 135, 255};
    l.Label7 = {1320, 1440, 135, 255};
    l.Command2 = {3000, 1440, 1455, 255};
    l.Quit = {5640, 2880, 615, 270};
    l.Label1 = {120, 60, 6375, 255};
    l.AbbModeC = {4560, 2880, 1095, 270};
    l.RightT = {4320, 2880, 255, 270};
    l.LeftT = {4080, 2880, 255, 270};
    l.Export = {3360, 2880, 735, 270};
    l.SelAllTEX = {120, 1440, 255, 270};
    l.CutTEX = {360, 1440, 255, 270};
    l.CopyTEX = {600, 1440, 255, 270};
    l.PasteTEX = {840, 1440, 255, 270};
    l.SelAllRTB = {120, 2880, 255, 270};
    l.CutRTB = {360, 2880, 255, 270};
    l.CopyRTB = {600, 2880, 255, 270};
    l.PasteRTB = {840, 2880, 255, 270};
    l.UnDo = {1560, 1440, 255, 270};
    l.ReDo = {1800, 1440, 255, 270};
    l.Label2 = {1200, 2880, 135, 255};
    l.Label3 = {1320, 2880, 135, 255};
    l.Label4 = {1560, 2880, 1455, 255};
    l.SaveCode = {2760, 1440, 255, 270};
    l.OpenCode = {2520, 1440, 255, 270};
    l.Hilfe = {3120, 2880, 255, 270};
    l.Shape1 = {80, 1640, 4315, 1315};
    return l;
}

void Form_Resize(float w, float h, Form1Layout& l) {
    const float half = h / 2.0f;
    if (w - 300.0f >= 0) l.TEX.width = w - 300.0f;
    if (half - 1200.0f >= 0) l.TEX.height = half - 1200.0f;
    if (w - 300.0f >= 0) l.RTB.width = w - 300.0f;
    // The test subtracts 540 but the height 340: it is set only from 200 up.
    if (half - 540.0f >= 0) l.RTB.height = half - 340.0f;
    l.RTB.top = half - 520.0f;
    l.Label5.top = half - 775.0f;
    l.Label7.top = half - 775.0f;
    l.Reconvert.top = half - 795.0f;
    l.Reconvert.left = l.TEX.left + l.TEX.width - 1510.0f;
    l.Command2.top = half - 795.0f;
    l.Command2.left = l.TEX.left + l.TEX.width - 3000.0f;
    l.Quit.top = l.RTB.top + l.RTB.height + 30.0f;
    l.Quit.left = l.Reconvert.left + 600.0f;
    for (TwipsRect* r : {&l.Export, &l.LeftT, &l.RightT, &l.AbbModeC}) r->top = l.RTB.top + l.RTB.height + 30.0f;
    l.AbbModeC.left = l.Quit.left - l.AbbModeC.width;
    l.RightT.left = l.AbbModeC.left - l.RightT.width;
    l.LeftT.left = l.RightT.left - l.LeftT.width;
    l.Export.left = l.LeftT.left - l.Export.width;
    for (TwipsRect* r : {&l.SelAllTEX, &l.CutTEX, &l.CopyTEX, &l.PasteTEX}) r->top = l.Reconvert.top;
    for (TwipsRect* r : {&l.SelAllRTB, &l.CutRTB, &l.CopyRTB, &l.PasteRTB}) r->top = l.Export.top;
    l.Shape1.top = l.RTB.top - 40.0f;
    l.Shape1.height = l.RTB.height + 100.0f;
    l.Shape1.width = l.RTB.width + 100.0f;
    l.Shape1.left = l.RTB.left - 40.0f;
    l.UnDo.top = l.Reconvert.top;
    l.ReDo.top = l.Reconvert.top;
    for (TwipsRect* r : {&l.Label2, &l.Label3, &l.Label4}) r->top = l.Export.top;
    l.SaveCode.top = l.Reconvert.top;
    l.SaveCode.left = l.Command2.left - 265.0f;
    l.OpenCode.top = l.Reconvert.top;
    l.OpenCode.left = l.SaveCode.left - 265.0f;
    l.Hilfe.top = l.Export.top;
    l.Hilfe.left = l.Export.left - 265.0f;
}

}  // namespace app
