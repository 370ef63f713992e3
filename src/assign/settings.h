#pragma once
// The settings write of the assignment pages: the shared store into both
// settings files. It touches no control, so both pages call it directly; page
// 1 offers it as `WriteINI`.
#include <functional>
#include <string>

#include "files/filegroup.h"

namespace assign {

// Writes both files; a failure is reported in a message box, once until a
// write succeeds again (a command writes the table several times), and leaves
// the old files as they were. False when a file could not be written.
bool WriteSettings();

// Both settings files replaced by the given texts (Windows-1252) as one step,
// as a preset or a custom set writes them: when either cannot be written,
// both keep what they held.
filegroup::Result WriteSettingsTexts(std::string assignment, std::string options);

// Runs `step`, which writes the settings files through WriteSettings, and
// tells whether the files now hold what memory holds (the last write
// worked). A failure is shown in one message even when the same failure was
// shown before the step, so a command that ends on it never ends silently. A
// refresh sequence stops after a write that failed: its next fill would
// re-read the old files and throw away what the boxes and memory hold (the
// user's edits, a new font).
bool SettingsWrittenBy(const std::function<void()>& step);

}  // namespace assign
