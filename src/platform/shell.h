#pragma once
// Opening a file with the program the desktop registers for its type (the
// word processor for RTF files). Tests answer through the hook, so no program
// is started while they run.
#include <functional>
#include <string>

namespace platform {

// `name` is a Windows-1252 file name, bare names resolving in the current
// directory. False when nothing could be started; callers may ignore that.
bool ShellOpen(const std::string& name);

using ShellOpenHook = std::function<bool(const std::string& name)>;
void SetShellOpenHook(ShellOpenHook hook);

// What to tell the user when `name` was written but nothing could open it:
// the file, the folder it lies in and what to do. `onClipboard`: its text is
// on the clipboard too.
std::string NotOpenedMessage(const std::string& name, bool onClipboard);

}  // namespace platform
