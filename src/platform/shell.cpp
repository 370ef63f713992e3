#include "platform/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "files/ansi.h"
#include "files/textfile.h"

namespace platform {
namespace {

ShellOpenHook g_hook;

// Whether the desktop names a program for the file's type. Its opener would
// start even when it names none, find nothing and give up out of sight, so
// that the open looked as if it had worked. Without the desktop's tool to ask,
// the open alone decides.
bool programRegistered(const QString& path) {
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty()) return true;
    QProcess process;
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"), QMimeDatabase().mimeTypeForFile(path).name()});
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        return true;
    }
    return process.exitStatus() != QProcess::NormalExit || !process.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace

bool ShellOpen(const std::string& name) {
    if (g_hook) return g_hook(name);
    const QString path = QFileInfo(textfile::qpath(name)).absoluteFilePath();
    return programRegistered(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SetShellOpenHook(ShellOpenHook hook) { g_hook = std::move(hook); }

std::string NotOpenedMessage(const std::string& name, bool onClipboard) {
    const std::string folder = ansi::fromQString(QFileInfo(textfile::qpath(name)).absolutePath());
    return "\"" + name + "\" was written in " + folder + (onClipboard ? " and the text is on the clipboard" : "") +
           ", but no program could open the file. Open it in your word processor" +
           (onClipboard ? ", or paste the text there." : ".");
}

}  // namespace platform
