#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <string>

#include "platform/dialogs.h"
#include "platform/mouse.h"

namespace {

void press(QWidget* w, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPointF at(10, 5);
    QMouseEvent down(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button, modifiers);
    QApplication::sendEvent(w, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), button, Qt::NoButton, modifiers);
    QApplication::sendEvent(w, &up);
}

}  // namespace

TEST(MouseDown, ReportsButtonShiftAndTwipsBeforeTheButtonClicks) {
    QPushButton button;
    button.resize(100, 30);
    std::string log;
    QObject::connect(&button, &QPushButton::clicked, [&] { log += "click;"; });
    float x = 0, y = 0;
    platform::OnMouseDown(&button, [&](int b, int shift, float atX, float atY) {
        log += "down " + std::to_string(b) + " " + std::to_string(shift) + ";";
        x = atX;
        y = atY;
    });

    press(&button, Qt::LeftButton);
    EXPECT_EQ(log, "down 1 0;click;");
    EXPECT_FLOAT_EQ(x, static_cast<float>(dlg::PixelsToTwipsX(10)));
    EXPECT_FLOAT_EQ(y, static_cast<float>(dlg::PixelsToTwipsY(5)));

    log.clear();
    press(&button, Qt::RightButton, Qt::ShiftModifier | Qt::AltModifier);
    press(&button, Qt::MiddleButton, Qt::ControlModifier);
    EXPECT_EQ(log, "down 2 5;down 4 2;");
}
