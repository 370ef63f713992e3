#pragma once
// Message boxes, the input box, the common file dialogs and twips. The values
// of buttons, icons and answers are those the program's messages are written
// in (a Yes/No box is 4, the question icon 32, Yes answers 6).
// Every dialog can be answered by a hook instead of a window, so tests run them
// without a person at the screen.
#include <functional>
#include <optional>
#include <string>

class QFileDialog;
class QWidget;

namespace dlg {

enum Style : int {
    OKOnly = 0, OKCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5,
    Critical = 16, Question = 32, Exclamation = 48, Information = 64,
    DefaultButton1 = 0, DefaultButton2 = 256, DefaultButton3 = 512,
};

enum Answer : int { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

inline constexpr const char* kAppTitle = "Runemill";

struct MsgBoxCall {
    std::string prompt;  // Windows-1252
    int style = 0;
    std::string title;   // the application title when none was given
    bool operator==(const MsgBoxCall&) const = default;
};

// Shows a message box; an empty title becomes "Runemill".
int MsgBox(const std::string& prompt, int style = OKOnly, const std::string& title = "");

// The input box: the text typed, or "" when cancelled.
std::string InputBox(const std::string& prompt, const std::string& title = "",
                     const std::string& defaultText = "");

// The common file dialog. `filter` is written "Description|pattern" as the
// program's dialogs state it; patterns match ".TXT" in either letter case.
// Flags: 2 asks before overwriting (save), 4096 the file must exist (open).
// After OK the current directory is the chosen file's folder, and the full
// path is returned; nullopt when cancelled.
struct FileDialogCall {
    bool save = false;
    std::string filter;
    int flags = 0;
};
std::optional<std::string> ShowFileDialog(const FileDialogCall& call);

// Finishes the files changed together that a run ended early left in the
// current folder (filegroup::FinishInterruptedGroups) and tells the user of
// any it could not finish. Runs at start and after a dialog has made a folder
// the current one, before any file there is read.
void FinishInterruptedWrites();

// Qt's name-filter form of a "Description|pattern" filter: the description,
// then the patterns in parentheses.
std::string QtFilterFor(const std::string& filter);

// Sets up the platform's dialog for the call, as ShowFileDialog shows it.
void SetUpFileDialog(QFileDialog& dialog, const FileDialogCall& call);

// Hooks for tests: when set they answer instead of a window.
using MsgBoxHook = std::function<int(const MsgBoxCall&)>;
using InputBoxHook = std::function<std::string(const std::string& prompt, const std::string& title,
                                               const std::string& defaultText)>;
using FileDialogHook = std::function<std::optional<std::string>(const FileDialogCall&)>;
void SetMsgBoxHook(MsgBoxHook hook);
void SetInputBoxHook(InputBoxHook hook);
void SetFileDialogHook(FileDialogHook hook);

// Twips (1440 per inch) at the screen's logical resolution.
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(int pixels);
double PixelsToTwipsY(int pixels);

}  // namespace dlg
