#pragma once
// The start of the process: symbol font defaults, one instance per user, the
// check of the assignment file, and the main window.
#include <string>

class QApplication;

namespace app {

// Creates "RUNEMILLINI.TXT" when missing and deletes it when it holds fewer
// than 194 lines, so that the table starts empty; true when it is gone. A
// file with text in it (store::HoldsNoText) is moved to the backup file
// instead of deleted, and `notice` tells the user.
bool CheckAssignmentFile(std::string* notice = nullptr);

// Runs the program; returns the process's exit code.
int Main(QApplication& application);

}  // namespace app
