// Finding, activating and typing into another program's window on an X11
// display. The other program is this test program started again as a helper
// that shows a window captioned "EXPORT - test". Skipped without X11.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/windowlist.h"
#include "platform/x11windows.h"

namespace {

bool onX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

void pumpFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

// The helper side: runs only when started by the test below.
TEST(X11Helper, ShowsAnExportWindowAndReportsItsText) {
    const QString out = qEnvironmentVariable("RUNEMILL_X11_HELPER_OUT");
    if (out.isEmpty()) GTEST_SKIP() << "runs only as the helper of another test";
    QWidget window;
    window.setWindowTitle("EXPORT - test");
    auto* edit = new QTextEdit(&window);
    (new QVBoxLayout(&window))->addWidget(edit);
    edit->setPlainText("first line");
    edit->moveCursor(QTextCursor::Start);
    window.resize(300, 200);
    window.show();
    edit->setFocus();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000 && !edit->toPlainText().contains("pasted")) pumpFor(50);
    pumpFor(200);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(edit->toPlainText().toUtf8());
}

TEST(ForeignWindow, IsFoundActivatedAndGivenTheExportKeys) {
    if (!onX11()) GTEST_SKIP() << "no X11 display";
    ASSERT_TRUE(platform::InstallX11WindowList());
    QApplication::clipboard()->setText("pasted text");

    QTemporaryDir dir;
    const QString out = dir.filePath("helper.txt");
    QProcess helper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("RUNEMILL_X11_HELPER_OUT", out);
    helper.setProcessEnvironment(env);
    helper.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=X11Helper.*"});
    ASSERT_TRUE(helper.waitForStarted());

    platform::WindowHandle h = 0;
    QElapsedTimer t;
    t.start();
    while (h == 0 && t.elapsed() < 15000) {
        pumpFor(100);
        h = platform::FindAppWindow("export");
    }
    ASSERT_NE(h, 0u) << "the helper's window was not listed";
    for (QWidget* own : QApplication::topLevelWidgets()) EXPECT_NE(reinterpret_cast<platform::WindowHandle>(own), h);

    platform::ActivateWindow(h);
    pumpFor(300);
    ASSERT_TRUE(platform::SendForeignKey(platform::ForeignKey::CtrlEnd));
    ASSERT_TRUE(platform::SendForeignKey(platform::ForeignKey::Enter));
    ASSERT_TRUE(platform::SendForeignKey(platform::ForeignKey::ShiftInsert));

    // Serve the clipboard while the helper pastes.
    t.restart();
    while (helper.state() != QProcess::NotRunning && t.elapsed() < 25000) pumpFor(50);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), "first line\npasted text");
}
