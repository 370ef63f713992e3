#pragma once
// The start of the process: symbol font defaults, one instance per user, the
// check of the assignment file, and the main window.

class QApplication;

namespace app {

// Creates "RUNEMILLINI.TXT" when missing and deletes it when it holds fewer
// than 194 lines, so that the table starts empty. True when it was deleted.
bool CheckAssignmentFile();

// Runs the program; returns the process's exit code.
int Main(QApplication& application);

}  // namespace app
