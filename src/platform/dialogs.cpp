#include "platform/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>

#include "files/ansi.h"
#include "files/grouprecord.h"

namespace dlg {
namespace {

MsgBoxHook g_msgBoxHook;
InputBoxHook g_inputBoxHook;
FileDialogHook g_fileDialogHook;

QWidget* activeParent() { return QApplication::activeWindow(); }

double dpiX() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}
double dpiY() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}

// The box wraps its text at word boundaries only: a word wider than `width`
// pixels (a long title, a path) is broken where it reaches that width.
QString breakLongWords(const QString& text, const QFontMetrics& metrics, int width) {
    QString out;
    out.reserve(text.size());
    int wordWidth = 0;
    for (const QChar c : text) {
        if (c.isSpace()) {
            wordWidth = 0;
        } else {
            const int advance = metrics.horizontalAdvance(c);
            if (wordWidth > 0 && wordWidth + advance > width) {
                out.append(QChar('\n'));
                wordWidth = 0;
            }
            wordWidth += advance;
        }
        out.append(c);
    }
    return out;
}

// Room a message box needs besides its text: title bar, margins, buttons.
constexpr int kBoxFrameHeight = 160;

// The text of a message box no taller than `height` pixels when wrapped at
// `width`: where it would be taller, what fits and then "...". Only a text
// far beyond any message the program words (a list of many files) is cut.
// No word is wider than `width` (breakLongWords).
class BoxText {
public:
    BoxText(const QFontMetrics& metrics, int width, int height) : metrics_(metrics), width_(width), height_(height) {}

    // The most characters the box could show, were each as narrow as "i":
    // what lies beyond is never looked at.
    qsizetype most() const {
        return qsizetype{height_ / std::max(metrics_.lineSpacing(), 1) + 1} *
               (width_ / std::max(metrics_.horizontalAdvance(u'i'), 1) + 1);
    }

    // `cut`: the text has lost its end already.
    QString fit(const QString& text, bool cut) const {
        const QString more = QStringLiteral("...");
        if (!tall(cut ? text + more : text)) return cut ? text + more : text;
        qsizetype fits = 0, over = text.size();
        while (over - fits > 1) {
            const qsizetype mid = (fits + over) / 2;
            (tall(text.left(mid) + more) ? over : fits) = mid;
        }
        return text.left(fits) + more;
    }

private:
    bool tall(const QString& text) const {
        return metrics_.boundingRect(QRect(0, 0, width_, INT_MAX), Qt::TextWordWrap, text).height() > height_;
    }

    const QFontMetrics& metrics_;
    int width_, height_;
};

}  // namespace

int MsgBox(const std::string& prompt, int style, const std::string& title) {
    MsgBoxCall call{prompt, style, title.empty() ? std::string(kAppTitle) : title};
    if (g_msgBoxHook) return g_msgBoxHook(call);

    QMessageBox box(activeParent());
    box.setWindowTitle(ansi::toQString(call.title));
    // Prompts carry what the user typed (a face name, a set's title): never markup.
    box.setTextFormat(Qt::PlainText);
    const QScreen* screen = box.screen();
    const int widest = std::min(400, screen ? screen->availableGeometry().width() / 2 : 400);
    // Never taller than the screen, so that its buttons can be reached.
    const int highest = std::max((screen ? screen->availableGeometry().height() : 600) - kBoxFrameHeight, 100);
    const QFontMetrics metrics = box.fontMetrics();
    const BoxText boxText(metrics, widest, highest);
    QString text = ansi::toQString(prompt);
    const bool cut = text.size() > boxText.most();
    if (cut) text.truncate(boxText.most());
    box.setText(boxText.fit(breakLongWords(text, metrics, widest), cut));
    switch (style & 0x70) {
    case Critical: box.setIcon(QMessageBox::Critical); break;
    case Question: box.setIcon(QMessageBox::Question); break;
    case Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Choice { QMessageBox::StandardButton button; int answer; };
    std::vector<Choice> choices;
    switch (style & 0x7) {
    case OKCancel: choices = {{QMessageBox::Ok, OK}, {QMessageBox::Cancel, Cancel}}; break;
    case AbortRetryIgnore:
        choices = {{QMessageBox::Abort, Abort}, {QMessageBox::Retry, Retry}, {QMessageBox::Ignore, Ignore}};
        break;
    case YesNoCancel:
        choices = {{QMessageBox::Yes, Yes}, {QMessageBox::No, No}, {QMessageBox::Cancel, Cancel}};
        break;
    case YesNo: choices = {{QMessageBox::Yes, Yes}, {QMessageBox::No, No}}; break;
    case RetryCancel: choices = {{QMessageBox::Retry, Retry}, {QMessageBox::Cancel, Cancel}}; break;
    default: choices = {{QMessageBox::Ok, OK}}; break;
    }
    QMessageBox::StandardButtons buttons;
    for (const auto& c : choices) buttons |= c.button;
    box.setStandardButtons(buttons);
    const size_t def = static_cast<size_t>((style >> 8) & 0x3);
    if (def < choices.size()) box.setDefaultButton(choices[def].button);
    // Closing the box with Escape or its close box answers Cancel when there
    // is one, else the last button (as No on a Yes/No box).
    const int clicked = box.exec();
    for (const auto& c : choices)
        if (c.button == clicked) return c.answer;
    return choices.back().answer;
}

std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
    if (g_inputBoxHook) return g_inputBoxHook(prompt, title.empty() ? kAppTitle : title, defaultText);
    bool ok = false;
    const QString text = QInputDialog::getText(activeParent(), ansi::toQString(title.empty() ? kAppTitle : title),
                                               ansi::toQString(prompt), QLineEdit::Normal,
                                               ansi::toQString(defaultText), &ok);
    return ok ? ansi::fromQString(text) : std::string();
}

std::string QtFilterFor(const std::string& filter) {
    const auto bar = filter.find('|');
    const std::string description = filter.substr(0, bar);
    const std::string pattern = bar == std::string::npos ? std::string("*") : filter.substr(bar + 1);
    std::string patterns = pattern;
    // Windows matches names without regard to case; on Linux the upper-case
    // pattern alone would hide a "notesM.txt".
    std::string lower = pattern;
    const auto dot = lower.rfind('.');
    if (dot != std::string::npos) {
        for (size_t i = dot; i < lower.size(); ++i)
            lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i])));
        if (lower != pattern) patterns += " " + lower;
    }
    return description + " (" + patterns + ")";
}

void SetUpFileDialog(QFileDialog& dialog, const FileDialogCall& call) {
    // The program's descriptions name their pattern already ("Master files
    // (*M.TXT)"): the dialog shows the description alone, and the patterns
    // Qt reads from the end of the filter only choose the files.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilter(ansi::toQString(QtFilterFor(call.filter)));
    dialog.setDirectory(QDir::current());
    if (call.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!(call.flags & 2)) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode((call.flags & 4096) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
}

std::optional<std::string> ShowFileDialog(const FileDialogCall& call) {
    std::optional<std::string> chosen;
    if (g_fileDialogHook) {
        chosen = g_fileDialogHook(call);
    } else {
        QFileDialog dialog(activeParent());
        SetUpFileDialog(dialog, call);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = ansi::fromQString(dialog.selectedFiles().first());
    }
    if (!chosen || chosen->empty()) return std::nullopt;
    // The platform's dialog left the current directory in the chosen folder,
    // and the fixed files of the program follow it there.
    const QFileInfo info(ansi::toQString(*chosen));
    QDir::setCurrent(info.absolutePath());
    FinishInterruptedWrites();
    return ansi::fromQString(info.absoluteFilePath());
}

void FinishInterruptedWrites() {
    const std::vector<filegroup::Failure> failures = filegroup::FinishInterruptedGroups();
    if (failures.empty()) return;
    std::string unfinished, refused;
    for (const filegroup::Failure& f : failures)
        (f.refused ? refused : unfinished) += "\r\n\r\n" + f.Message();
    std::string text;
    if (!unfinished.empty())
        text = "A run of the program ended while it changed files that belong together, and not all of them could "
               "be completed now:" + unfinished + "\r\n\r\nThe next start tries again.";
    if (!refused.empty())
        text += (text.empty() ? "" : "\r\n\r\n") +
                std::string("These files claim to record changes of files that belong together, but the program "
                            "could not have written them as they stand, so it has done nothing they ask:") +
                refused;
    MsgBox(text, OKOnly | Exclamation);
}

void SetMsgBoxHook(MsgBoxHook hook) { g_msgBoxHook = std::move(hook); }
void SetInputBoxHook(InputBoxHook hook) { g_inputBoxHook = std::move(hook); }
void SetFileDialogHook(FileDialogHook hook) { g_fileDialogHook = std::move(hook); }

int TwipsToPixelsX(double twips) { return static_cast<int>(std::lround(twips * dpiX() / 1440.0)); }
int TwipsToPixelsY(double twips) { return static_cast<int>(std::lround(twips * dpiY() / 1440.0)); }
double PixelsToTwipsX(int pixels) { return pixels * 1440.0 / dpiX(); }
double PixelsToTwipsY(int pixels) { return pixels * 1440.0 / dpiY(); }

}  // namespace dlg
