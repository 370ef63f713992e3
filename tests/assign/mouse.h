#pragma once
// The user's mouse on a cell box: a click and a double-click, as the window
// system delivers them (a double-click is a click, then the double-click).
#include <QApplication>
#include <QMouseEvent>

#include "platform/richtextbox.h"

namespace mouse {

inline void send(QWidget* target, QEvent::Type type) {
    const QPoint at = target->rect().center();
    QMouseEvent e(type, at, target->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

inline void Click(platform::RichTextBox* box) {
    send(box->viewport(), QEvent::MouseButtonPress);
    send(box->viewport(), QEvent::MouseButtonRelease);
}

inline void DoubleClick(platform::RichTextBox* box) {
    Click(box);
    send(box->viewport(), QEvent::MouseButtonDblClick);
    send(box->viewport(), QEvent::MouseButtonRelease);
}

}  // namespace mouse
