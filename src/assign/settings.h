#pragma once
// The settings write of the assignment pages: the shared store into both
// settings files. It touches no control, so both pages call it directly; page
// 1 offers it as `WriteINI`.
namespace assign {

// Writes both files; a failure is reported in a message box, once until a
// write succeeds again (a command writes the table several times), and leaves
// the old files as they were.
void WriteSettings();

}  // namespace assign
