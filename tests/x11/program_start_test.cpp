// The real program started where FIFOs stand in place of the files its start
// reads: each refusal shows at once, then its window. Skipped without X11.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/windowlist.h"
#include "platform/x11windows.h"

TEST(ProgramStart, FifosInPlaceOfItsFilesEndInMessagesAndTheWindowAtOnce) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "no X11 display";
    ASSERT_TRUE(platform::InstallX11WindowList());
    QTemporaryDir runtime, folder;
    for (const char* name : {"RUNEMILLINI.TXT", "RUNEMILLINI2.TXT", ".runemill-group-1-1"})
        ASSERT_EQ(::mkfifo(QDir(folder.path()).filePath(name).toLocal8Bit().constData(), 0644), 0);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(folder.path());
    program.start(RUNEMILL_BINARY, {});
    // The record refused, the settings not overwritten (each answered), the window: each within a second.
    platform::WindowHandle shown = 0;
    for (int window = 0; window < 3; ++window) {
        const platform::WindowHandle last = shown;
        QElapsedTimer t;
        for (t.start(); shown == last && t.elapsed() < 1000;) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            for (const platform::TopWindow& w : platform::TopLevelWindows())
                if (w.caption == "Runemill" && w.handle != last) shown = w.handle;
        }
        ASSERT_NE(shown, last) << "window " << window;
        platform::ActivateWindow(shown);
        if (window < 2) platform::SendForeignKey(platform::ForeignKey::Enter);
    }
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished();
}
