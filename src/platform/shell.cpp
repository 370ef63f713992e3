#include "platform/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

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

}  // namespace platform
