#include "platform/events.h"
#include "platform/keystrokes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace platform {
namespace {

QWidget* ownWindow(WindowHandle h) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (reinterpret_cast<WindowHandle>(w) == h) return w;
    return nullptr;
}

}  // namespace

bool SendKeystroke(WindowHandle target, ForeignKey key) {
    if (target == 0) return false;
    QWidget* own = ownWindow(target);
    if (!own) return SendForeignKey(key);

    Qt::Key k = Qt::Key_End;
    Qt::KeyboardModifiers mods = Qt::NoModifier;
    switch (key) {
    case ForeignKey::CtrlEnd: k = Qt::Key_End; mods = Qt::ControlModifier; break;
    case ForeignKey::Enter: k = Qt::Key_Return; break;
    case ForeignKey::ShiftInsert: k = Qt::Key_Insert; mods = Qt::ShiftModifier; break;
    }
    QWidget* receiver = own->focusWidget() ? own->focusWidget() : own;
    const QString text = key == ForeignKey::Enter ? QStringLiteral("\r") : QString();
    QKeyEvent press(QEvent::KeyPress, k, mods, text);
    QKeyEvent release(QEvent::KeyRelease, k, mods, text);
    QApplication::sendEvent(receiver, &press);
    QApplication::sendEvent(receiver, &release);
    PumpEvents();
    return true;
}

}  // namespace platform
