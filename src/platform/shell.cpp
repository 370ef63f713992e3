#include "platform/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "platform/ansi.h"
#include "platform/textfile.h"

namespace platform {
namespace {

ShellOpenHook g_hook;

}  // namespace

bool ShellOpen(const std::string& name) {
    if (g_hook) return g_hook(name);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(textfile::qpath(name)).absoluteFilePath()));
}

void SetShellOpenHook(ShellOpenHook hook) { g_hook = std::move(hook); }

std::string NotOpenedMessage(const std::string& name, bool onClipboard) {
    const std::string folder = ansi::fromQString(QFileInfo(textfile::qpath(name)).absolutePath());
    return "\"" + name + "\" was written in " + folder + (onClipboard ? " and the text is on the clipboard" : "") +
           ", but no program could open the file. Open it in your word processor" +
           (onClipboard ? ", or paste the text there." : ".");
}

}  // namespace platform
