// Opening a file with the program the desktop registers for its type, with
// the desktop's tools played by scripts. The desktop's services are there on
// an X11 display only: skipped elsewhere.
#include "platform/shell.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "support/testing.h"

namespace {

// The desktop's own tools, played by scripts on the search path: the type
// query prints `registered` (nothing: no program for the type), the opener
// leaves a mark that it ran.
class FakeDesktop {
public:
    explicit FakeDesktop(const std::string& registered) : oldPath_(qgetenv("PATH")) {
        const QString bin = testing_support::WorkDir() + QStringLiteral("/bin");
        QDir().mkpath(bin);
        script(bin + QStringLiteral("/xdg-mime"), "#!/bin/sh\nprintf '%s' '" + registered + "'\n");
        script(bin + QStringLiteral("/xdg-open"), "#!/bin/sh\necho \"$1\" > '" +
                                                      testing_support::WorkDir().toStdString() + "/opened'\n");
        qputenv("PATH", bin.toLocal8Bit() + ':' + oldPath_);
        QFile::remove(QStringLiteral("opened"));
        platform::SetShellOpenHook(nullptr);
    }
    ~FakeDesktop() {
        qputenv("PATH", oldPath_);
        testing_support::InstallUnexpectedDialogHooks();
    }
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    // Whether the opener ran, waiting a little for it.
    static bool Opened() {
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(QStringLiteral("opened")) && t.elapsed() < 2000) QThread::msleep(20);
        return QFile::exists(QStringLiteral("opened"));
    }

private:
    static void script(const QString& path, const std::string& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.c_str());
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QByteArray oldPath_;
};

}  // namespace

// Where the desktop registers no program for the file's type, its opener
// starts, finds nothing and gives up on its own, out of sight: the open has
// failed, and the caller must learn it to tell the user.
TEST(ShellOpen, FailsWhenNoProgramIsRegisteredForTheType) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "no X11 display";
    testing_support::WriteFile("EXPORT.RTF", "{\\rtf1 x}");
    {
        FakeDesktop desktop("");
        EXPECT_FALSE(platform::ShellOpen("EXPORT.RTF"));
        EXPECT_FALSE(FakeDesktop::Opened());
    }
    {
        FakeDesktop desktop("writer.desktop\n");
        EXPECT_TRUE(platform::ShellOpen("EXPORT.RTF"));
        EXPECT_TRUE(FakeDesktop::Opened());
    }
}
