#include "platform/controls.h"

#include <QApplication>
#include <QFrame>
#include <QPalette>
#include <QWidget>

#include "platform/dialogs.h"

namespace platform {

QColor ColorFromBgr(std::uint32_t value) {
    if (value & 0x80000000u) {
        // System colours: only the button face is used by the program.
        return QApplication::palette().color(QPalette::Button);
    }
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

void SetTwipsGeometry(QWidget* w, double left, double top, double width, double height) {
    w->setGeometry(dlg::TwipsToPixelsX(left), dlg::TwipsToPixelsY(top), dlg::TwipsToPixelsX(width),
                   dlg::TwipsToPixelsY(height));
}

void SetClientSizeTwips(QWidget* window, double width, double height) {
    window->resize(dlg::TwipsToPixelsX(width), dlg::TwipsToPixelsY(height));
}

QSizeF OuterSizeTwips(const QWidget* window) {
    const QRect outer = window->frameGeometry();
    QSizeF size(dlg::PixelsToTwipsX(outer.width()), dlg::PixelsToTwipsY(outer.height()));
    if (outer.size() == window->size()) size += QSizeF(120, 510);
    return size;
}

void SetBackColor(QWidget* w, std::uint32_t bgr) {
    QPalette p = w->palette();
    const QColor c = ColorFromBgr(bgr);
    p.setColor(QPalette::Button, c);
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Base, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void SetForeColor(QWidget* w, std::uint32_t bgr) {
    QPalette p = w->palette();
    const QColor c = ColorFromBgr(bgr);
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::ButtonText, c);
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}

QFont MakeFont(const QString& face, double points, bool bold, bool italic, bool underline) {
    QFont f(face);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

void SetFramed(QWidget* label) {
    if (auto* frame = qobject_cast<QFrame*>(label)) frame->setFrameStyle(QFrame::Box | QFrame::Plain);
}

}  // namespace platform
