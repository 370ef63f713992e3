#include "testing.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstring>

#include "files/ansi.h"
#include "files/textfile.h"
#include "platform/fontdialog.h"
#include "platform/shell.h"

namespace testing_support {

MsgBoxRecorder::MsgBoxRecorder() {
    dlg::SetMsgBoxHook([this](const dlg::MsgBoxCall& call) {
        calls_.push_back(call);
        if (!answers_.empty()) {
            const int a = answers_.front();
            answers_.pop_front();
            return a;
        }
        switch (call.style & 0x7) {
        case dlg::YesNo:
        case dlg::YesNoCancel: return static_cast<int>(dlg::Yes);
        case dlg::AbortRetryIgnore: return static_cast<int>(dlg::Abort);
        case dlg::RetryCancel: return static_cast<int>(dlg::Retry);
        default: return static_cast<int>(dlg::OK);
        }
    });
}

MsgBoxRecorder::~MsgBoxRecorder() { InstallUnexpectedDialogHooks(); }

void InstallUnexpectedDialogHooks() {
    // A dialog nobody expected fails the test instead of waiting for a person.
    dlg::SetMsgBoxHook([](const dlg::MsgBoxCall& call) {
        ADD_FAILURE() << "unexpected message box: " << call.title << ": " << call.prompt;
        return static_cast<int>(dlg::Cancel);
    });
    dlg::SetInputBoxHook([](const std::string& prompt, const std::string&, const std::string&) {
        ADD_FAILURE() << "unexpected input box: " << prompt;
        return std::string();
    });
    dlg::SetFileDialogHook([](const dlg::FileDialogCall& call) -> std::optional<std::string> {
        ADD_FAILURE() << "unexpected file dialog: " << call.filter;
        return std::nullopt;
    });
    platform::SetChooseFontHook([](const platform::FontRecord&) -> std::optional<platform::FontRecord> {
        ADD_FAILURE() << "unexpected font chooser";
        return std::nullopt;
    });
    platform::SetShellOpenHook([](const std::string& name) {
        ADD_FAILURE() << "unexpected shell open: " << name;
        return false;
    });
}

DiskFull::DiskFull(unsigned long bytes) {
    struct rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    oldLimit_ = limit.rlim_cur;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

DiskFull::~DiskFull() {
    struct rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(oldLimit_);
    setrlimit(RLIMIT_FSIZE, &limit);
}

WriteFault::WriteFault(std::string name, filegroup::Op step, int error) {
    filegroup::SetFaultHook([name = std::move(name), step, error](filegroup::Op at,
                                                                  const std::string& file) -> std::optional<std::string> {
        if (at != step || file != name) return std::nullopt;
        return std::string(std::strerror(error));
    });
}

WriteFault::~WriteFault() { filegroup::SetFaultHook(nullptr); }

namespace {

// Names in the working folder as bare names, the folder as ".", a group's
// record as "record".
std::string shortName(const std::string& file) {
    const std::string folder = WorkDir().toStdString();
    if (file == folder) return ".";
    const std::string name = file.starts_with(folder + "/") ? file.substr(folder.size() + 1) : file;
    return name.starts_with(".runemill-group-") ? std::string("record") : name;
}

}  // namespace

WriteLog::WriteLog() {
    RecordSystemCalls(&calls_);
    filegroup::SetFaultHook([this](filegroup::Op step, const std::string& name) -> std::optional<std::string> {
        const std::string file = shortName(name);
        if (step == filegroup::Op::Write) steps_.push_back("write " + file);
        if (step == filegroup::Op::Flush) steps_.push_back("flush " + file);
        if (step == filegroup::Op::Rename) steps_.push_back("rename " + file);
        if (step == filegroup::Op::SyncFolder) steps_.push_back("sync " + file);
        return std::nullopt;
    });
}

WriteLog::~WriteLog() {
    filegroup::SetFaultHook(nullptr);
    RecordSystemCalls(nullptr);
}

std::vector<std::string> WriteLog::calls() const {
    std::vector<std::string> named;
    for (auto call = calls_.begin(); call != calls_.end(); ++call) {
        std::string path = call->path;
        if (call->kind == SystemCall::Kind::FlushFile)
            for (auto later = call; later != calls_.end(); ++later)
                if (later->kind == SystemCall::Kind::Rename && later->dev == call->dev && later->ino == call->ino) {
                    path = later->path;
                    break;
                }
        const char* word = call->kind == SystemCall::Kind::FlushFile     ? "flush "
                           : call->kind == SystemCall::Kind::FlushFolder ? "sync "
                                                                         : "rename ";
        named.push_back(word + shortName(path));
    }
    return named;
}

bool WriteLog::Flushed(const std::string& name) const {
    const auto flushedBeforeRename = [&name](const std::vector<std::string>& steps) {
        bool flushed = false;
        for (const std::string& step : steps) {
            if (step == "flush " + name) flushed = true;
            if (step == "rename " + name) return flushed;
        }
        return false;
    };
    return flushedBeforeRename(steps_) && flushedBeforeRename(calls());
}

std::map<std::string, std::string> FolderContents(const QString& folder) {
    std::map<std::string, std::string> files;
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs |
                                             QDir::NoDotAndDotDot)) {
        const QFileInfo info(dir.filePath(name));
        QFile f(info.filePath());
        std::string content = info.isFile() ? "<unreadable>" : info.isDir() ? "<folder>" : "<special>";
        if (info.isFile() && f.open(QIODevice::ReadOnly)) content = f.readAll().toStdString();
        files[ansi::fromQString(name)] = content;
    }
    return files;
}

std::optional<std::string> ReadFile(const std::string& name) { 
    if (!textfile::exists(name)) return std::nullopt;
    return textfile::readAll(name);
}

void WriteFile(const std::string& name, const std::string& bytes) {
    QFile f(textfile::qpath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) abort();
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::vector<std::string> ReadLines(const std::string& name) {
    return textfile::readLines(name).value_or(std::vector<std::string>{});
}

QString WorkDir() { return QDir::currentPath(); }

std::string Repeated(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    while (times-- > 0) text += piece;
    return text;
}

namespace {

void answerWhenOpen(ShownBox& box, int tries) {
    QTimer::singleShot(0, [&box, tries] {
        QMessageBox* open = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) open = b;
        if (!open) {
            if (tries > 0) answerWhenOpen(box, tries - 1);
            else ADD_FAILURE() << "no message box opened";
            return;
        }
        if (auto* label = open->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            box.shown = label->text();
            box.plain = label->textFormat() == Qt::PlainText;
            const QRect needed = label->fontMetrics().boundingRect(label->contentsRect(), Qt::TextWordWrap, box.shown);
            box.textHasRoom = needed.width() <= label->contentsRect().width();
            box.frame = open->frameGeometry();
            box.onScreen = open->screen()->availableGeometry().contains(box.frame);
        }
        open->button(QMessageBox::Ok)->click();
    });
}

}  // namespace

ShownBox ShowInMessageBox(const std::string& prompt) {
    ShownBox box;
    dlg::SetMsgBoxHook(nullptr);
    answerWhenOpen(box, 50);
    box.answer = dlg::MsgBox(prompt, dlg::OKOnly | dlg::Exclamation, "Font");
    InstallUnexpectedDialogHooks();
    return box;
}

}  // namespace testing_support
