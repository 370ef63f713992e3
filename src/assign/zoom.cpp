#include "assign/zoom.h"

#include "assign/cells.h"
#include "assign/cellwindow.h"
#include "platform/richtextbox.h"
#include "store/store.h"

namespace assign {

bool ZoomedCell = false;

int NormalWidth(int code) { return code < kPage2FirstCode ? 1095 : 885; }

BoxZoom FlipZoom(int code, int cellFontSize) {
    ZoomedCell = !ZoomedCell;
    if (ZoomedCell) return {kZoomedWidth, kZoomedHeight, kZoomedFontSize};
    return {NormalWidth(code), kNormalHeight, cellFontSize};
}

const std::vector<int>& BoxList() {
    static const std::vector<int> page1 = [] {
        std::vector<int> codes;
        for (const CellPlace& c : Page1Cells()) codes.push_back(c.code);
        return codes;
    }();
    return page1;
}

void CellWindow::RichTextBox_DblClick(int code) {
    const BoxZoom zoom = FlipZoom(code, store::CellFontSize);
    platform::RichTextBox* box = CellBox(code);
    box->SetHeight(zoom.height);
    box->SetWidth(zoom.width);
    box->SetSelStart(0);
    box->SetSelLength(static_cast<int>(box->Text().size()));
    box->SetSelFontSize(zoom.fontSize);
    box->SetSelStart(static_cast<int>(box->Text().size()));
    box->SetSelLength(0);
}

}  // namespace assign
