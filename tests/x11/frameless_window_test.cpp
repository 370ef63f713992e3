// Windows on a display without a window manager, where no frame is reported:
// the frame they were designed with stands in. Skipped without X11.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWidget>

#include "app/formhilfe.h"
#include "platform/richtextbox.h"

TEST(FramelessWindow, TheHelpTextFillsTheWindow) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "no X11 display";
    FormHilfe().Show();
    QWidget* w = FormHilfe().Window();
    ASSERT_EQ(w->frameGeometry().size(), w->size()) << "a window manager frames the window";
    for (const QSize client : {w->size(), QSize(500, 300)}) {
        w->resize(client);
        EXPECT_EQ(w->findChild<platform::RichTextBox*>()->geometry(), w->rect());
    }
}
