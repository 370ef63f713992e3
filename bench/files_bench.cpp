// The largest file of each kind that the program reads, and one past its
// bound: from the command that reads it until its window is shown and laid out
// to its end, or its message is up. Each benchmark writes its files in a
// scratch folder first (not timed) and reports the wall clock time of the
// command (`UseManualTime`), the peak resident size during it (`peak_MiB`:
// the process's high-water mark, set back before the command) and the
// messages it showed (`boxes`; the first of them on standard error).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "abbrev/abbmode.h"
#include "app/form1.h"
#include "app/startup.h"
#include "assign/charass.h"
#include "assign/charass2.h"
#include "files/textfile.h"
#include "platform/dialogs.h"
#include "platform/lazyform.h"
#include "platform/richtextbox.h"
#include "platform/textbox.h"
#include "store/filenames.h"
#include "store/store.h"

namespace {

// The peak resident size since the last reset, from the kernel's high-water
// mark, which writing "5" to clear_refs sets back to the present size.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }
double peakMiB() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// Lays out every text control of the windows shown, to its end.
void settle() {
    QCoreApplication::processEvents();
    for (QWidget* w : QApplication::allWidgets()) {
        auto* edit = qobject_cast<QTextEdit*>(w);
        if (!edit || !edit->isVisible()) continue;
        QTextDocument* doc = edit->document();
        doc->documentLayout()->blockBoundingRect(doc->lastBlock());
    }
    QCoreApplication::processEvents();
}

// A scratch folder with no window loaded; every question answered with its
// first button (OK, Yes), each message counted.
class Scratch {
public:
    Scratch() {
        QDir::setCurrent(dir_.path());
        platform::DestroyAllForms();
        store::ResetSharedState();
        dlg::SetMsgBoxHook([this](const dlg::MsgBoxCall& call) {
            if (boxes_++ == 0)
                std::fprintf(stderr, "  message: %.600s\n",
                             QByteArray::fromStdString(call.prompt).replace("\r\n", " | ").constData());
            return static_cast<int>(
                (call.style & 0x7) == dlg::YesNo || (call.style & 0x7) == dlg::YesNoCancel ? dlg::Yes : dlg::OK);
        });
        dlg::SetFileDialogHook([this](const dlg::FileDialogCall&) { return std::optional<std::string>(chosen_); });
    }
    ~Scratch() {
        platform::DestroyAllForms();
        dlg::SetMsgBoxHook(nullptr);
        dlg::SetFileDialogHook(nullptr);
        QDir::setCurrent(QDir::tempPath());
    }
    void choose(const std::string& name) {
        chosen_ = QDir(dir_.path()).absoluteFilePath(QString::fromStdString(name)).toStdString();
    }
    int boxes() const { return boxes_; }

private:
    QTemporaryDir dir_;
    int boxes_ = 0;
    std::string chosen_;
};

// Times `command` with what it causes laid out, once an iteration.
void measure(benchmark::State& state, const std::function<void(Scratch&)>& prepare,
             const std::function<void()>& command) {
    for (auto _ : state) {
        Scratch scratch;
        prepare(scratch);
        resetPeak();
        const auto start = std::chrono::steady_clock::now();
        command();
        settle();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.counters["peak_MiB"] = peakMiB();
        state.counters["boxes"] = scratch.boxes();
    }
}

std::string repeat(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

void sparse(const char* name, std::int64_t bytes) {
    ::close(::creat(name, 0644));
    if (::truncate(name, bytes) != 0) std::perror(name);
}

// Lines of `width` bytes ("a<i>=" and words), `count` of them, CR LF each.
std::string listLines(std::size_t count, std::size_t width) {
    std::string text;
    text.reserve(count * (width + 2));
    for (std::size_t i = 0; i < count; ++i) {
        std::string line = std::to_string(i).insert(0, 1, 'a');
        line += '=';
        while (line.size() < width) line += "meaning ";
        line.resize(width);
        text += line;
        text += "\r\n";
    }
    return text;
}

// Code text as the forward benchmarks type it: plain words, "#" and "*"
// groups, `count` lines of `width` bytes.
std::string codeLines(std::size_t count, std::size_t width) {
    std::mt19937 rng(42);
    std::string text;
    text.reserve(count * (width + 2));
    for (std::size_t i = 0; i < count; ++i) {
        std::string line;
        for (int k = 0; line.size() < width; ++k) {
            std::string group;
            while (group.size() < 9) group.push_back("abcdefghijklmnopqrstuvwxyz "[rng() % 27]);
            line += k % 3 == 0 ? "plain text " : k % 3 == 1 ? "#" + group + "# " : "*" + group + "* ";
        }
        line.resize(width);
        text += line;
        text += "\r\n";
    }
    return text;
}

// The most a code text holds: as many lines as its bound takes, filling its bytes.
std::string codeTextAtBound() {
    const auto lines = store::kCodeTextBound.lines;
    return codeLines(lines, static_cast<size_t>(store::kCodeTextBound.bytes) / lines - 2);
}

// Every cell a Greek letter, as the presets give them.
void greekCells() {
    int n = 0;
    for (int code : store::CellCodes())
        store::CellCode[static_cast<size_t>(code)] = "\\u" + std::to_string(913 + n++ % 57) + "?";
}

// An assignment file of `bytes` bytes at most: the cells (as `cell` gives
// each), the face, the character set and the titles.
std::string assignmentFile(const std::function<std::string(int code)>& cell, const std::string& face = "Arial",
                           const std::string& title1 = "Custom1") {
    std::string text;
    for (int code = 64; code <= 255; ++code) text += (store::HasCell(code) ? cell(code) : std::string()) + "\r\n";
    text += face + "\r\n 0 \r\n" + title1 + "\r\n";
    for (int i = 2; i <= 16; ++i) text += "Custom" + std::to_string(i) + "\r\n";
    return text;
}

constexpr std::int64_t kAssignmentBytes = store::kAssignmentFileBound.bytes;

// A trace copy at both its bounds: its most lines, filling its bytes.
std::string traceAtBound() {
    const auto lines = store::kTraceFileBound.lines;
    return listLines(lines, static_cast<size_t>(store::kTraceFileBound.bytes) / lines - 2);
}

// Each runs once (its peak is its own only then), timed by hand.
void once(benchmark::internal::Benchmark* b) { b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond); }

// Start-up and both assignment pages shown.
void startAndShowPages() {
    std::string notice;
    app::CheckAssignmentFile(&notice);
    if (!notice.empty()) dlg::MsgBox(notice);
    Form1().Show();
    CharAss().Show();
    CharAss2().Show();
}

// The options file: at its bound (four lines and blanks to 4 KB), and a
// sparse one of 512 MB less one byte.
void BM_LargestOptionsFile(benchmark::State& state) {
    const bool past = state.range(0) != 0;
    measure(
        state,
        [past](Scratch&) {
            if (past) return sparse(store::kOptionsFile, (std::int64_t{512} << 20) - 1);
            std::string text = " 14 \r\n1\r\n0\r\n0\r\n";
            text.append(static_cast<size_t>(store::kOptionsFileBound.bytes) - text.size(), ' ');
            textfile::writeAtomic(store::kOptionsFile, text);
        },
        startAndShowPages);
}
BENCHMARK(BM_LargestOptionsFile)->ArgName("past")->Arg(0)->Arg(1)->Apply(once);

// The assignment file at its bound: 0 every cell a string of Unicode
// escapes, 1 a cell of page 1 and 2 one of page 2 of paragraph marks, 3 a
// face name of letters, 4 one of "{" (refused, a message), 5 the first title;
// 6 a byte past the bound (a message).
void BM_LargestAssignmentFile(benchmark::State& state) {
    const int shape = static_cast<int>(state.range(0));
    measure(
        state,
        [shape](Scratch&) {
            // What the cells, the face or a title may take: the bound less the other lines.
            const std::size_t most = static_cast<size_t>(kAssignmentBytes) - 2000;
            const auto letter = [](int) { return std::string("\\u945?"); };
            const auto marksIn = [most](int at) {
                return [most, at](int code) { return code == at ? repeat("\\par", most / 4) : std::string(); };
            };
            std::string text;
            switch (shape) {
                case 0:
                    text = assignmentFile([most](int code) {
                        std::string cell;
                        for (int n = code; cell.size() + 8 <= most / store::kCellCount; ++n)
                            cell += "\\u" + std::to_string(913 + n % 57) + "?";
                        return cell;
                    });
                    break;
                case 1: text = assignmentFile(marksIn(65)); break;
                case 2: text = assignmentFile(marksIn(200)); break;
                case 3: text = assignmentFile(letter, std::string(most, 'a')); break;
                case 4: text = assignmentFile(letter, std::string(most, '{')); break;
                case 5: text = assignmentFile(letter, "Arial", std::string(most, 'T')); break;
                default: text = assignmentFile(letter) + std::string(static_cast<size_t>(kAssignmentBytes), ' '); break;
            }
            if (shape != 6 && static_cast<std::int64_t>(text.size()) > kAssignmentBytes) std::abort();
            if (shape == 6) text.resize(static_cast<size_t>(kAssignmentBytes) + 1);
            textfile::writeAtomic(store::kAssignmentFile, text);
        },
        startAndShowPages);
}
BENCHMARK(BM_LargestAssignmentFile)->ArgName("shape")->DenseRange(0, 6)->Apply(once);

// The list editor opened (shown, laid out) on the largest list it holds: 0
// its most lines (100,000) filling its bytes (4 MB), 1 its most lines empty,
// 2 one line of its most bytes; 3 a byte past the bound, 4 a line past it
// (messages). 5 "Load database" of a list at the bound whose trace copies are
// at theirs; 6 the list's undo with such copies.
void BM_LargestList(benchmark::State& state) {
    const int shape = static_cast<int>(state.range(0));
    const std::size_t lines = store::kListFileBound.lines;
    const std::size_t bytes = static_cast<size_t>(store::kListFileBound.bytes);
    measure(
        state,
        [=](Scratch& scratch) {
            store::AbbListVersion = 1;
            const std::string atBound = listLines(lines, bytes / lines - 2);
            const std::string traces = traceAtBound();
            switch (shape) {
                case 0: textfile::writeAtomic(store::kListFile, atBound); break;
                case 1: textfile::writeAtomic(store::kListFile, repeat("\r\n", lines)); break;
                case 2: textfile::writeAtomic(store::kListFile, std::string(bytes - 2, 'x') + "\r\n"); break;
                case 3: textfile::writeAtomic(store::kListFile, std::string(bytes + 1, 'x')); break;
                case 4: textfile::writeAtomic(store::kListFile, repeat("\r\n", lines + 1)); break;
                case 5:
                    for (const char* name : {"BigL.TXT", "BigA.TXT", "BigB.TXT"})
                        textfile::writeAtomic(name, name[3] == 'L' ? atBound : traces);
                    scratch.choose("BigL.TXT");
                    break;
                default:
                    for (const char* name : {store::kUndoListFile, store::kUndoAbbTraceFile, store::kUndoBedTraceFile})
                        textfile::writeAtomic(name, name == std::string(store::kUndoListFile) ? atBound : traces);
                    break;
            }
            if (shape >= 5) {
                AbbMode().Show();
                settle();
            }
        },
        [shape] {
            if (shape == 5)
                AbbMode().Open_Click();
            else if (shape == 6)
                AbbMode().UnDo_Click();
            else
                AbbMode().Show();
        });
}
BENCHMARK(BM_LargestList)->ArgName("shape")->DenseRange(0, 6)->Apply(once);

// Save in the editor holding the largest list (shapes 0 and 2 above): the
// normalisation, the files, the reload sorted after the question.
void BM_LargestListSaved(benchmark::State& state) {
    const int shape = static_cast<int>(state.range(0));
    const std::size_t lines = store::kListFileBound.lines;
    const std::size_t bytes = static_cast<size_t>(store::kListFileBound.bytes);
    measure(
        state,
        [=](Scratch&) {
            store::AbbListVersion = 1;
            textfile::writeAtomic(store::kListFile, shape == 0 ? listLines(lines, bytes / lines - 2)
                                                               : std::string(bytes - 2, 'x') + "\r\n");
            AbbMode().Show();
            settle();
        },
        [] { AbbMode().Speichern_Click(); });
}
BENCHMARK(BM_LargestListSaved)->ArgName("shape")->Arg(0)->Arg(2)->Apply(once);

// A trace copy at its bounds (200,000 lines in 8 MB) as a conversion
// first loads and sorts it: 0 the first "*" key in the shown main window
// (the Abb copy), 1 "Reconvert" (the Bed copy); 2 and 3 the same a byte past
// the bound (the hint line, a message).
void BM_LargestTraceFile(benchmark::State& state) {
    const int shape = static_cast<int>(state.range(0));
    measure(
        state,
        [=](Scratch&) {
            const std::string trace =
                shape < 2 ? traceAtBound() : std::string(static_cast<size_t>(store::kTraceFileBound.bytes) + 1, 'x');
            textfile::writeAtomic(shape % 2 == 0 ? store::kAbbTraceFile : store::kBedTraceFile, trace);
            Form1().Show();
            greekCells();
            Form1().TEX()->SetText("#abc# *a1 a2*");
            settle();
            store::AbbListVersion = 2;  // a Save since: both conversions load their copy
            store::AbbRetrace = store::BedRetrace = true;
        },
        [shape] {
            if (shape % 2 == 0)
                Form1().TEX()->SetText("#abc# *a1 a2 a3*");
            else
                Form1().Reconvert_Click();
        });
}
BENCHMARK(BM_LargestTraceFile)->ArgName("shape")->DenseRange(0, 3)->Apply(once);

// A master file opened in the shown main window, converted and laid out in
// both windows: 0 its most lines (50,000) of ordinary code text filling its
// bytes (2 MB), 1 its most lines empty, 2 one line of its most bytes without a
// blank, 3 its most lines of 37 symbols quoted in "#"; 4 a byte past the
// bound, 5 a line past it (messages).
void BM_LargestCodeText(benchmark::State& state) {
    const int shape = static_cast<int>(state.range(0));
    const std::size_t lines = store::kCodeTextBound.lines;
    const std::size_t bytes = static_cast<size_t>(store::kCodeTextBound.bytes);
    measure(
        state,
        [=](Scratch& scratch) {
            std::string text;
            switch (shape) {
                case 0: text = codeTextAtBound(); break;
                case 1: text = repeat("\r\n", lines); break;
                case 2: text = std::string(bytes, 'w'); break;
                case 3: text = repeat("#abcdefghijklmnopqrstuvwxyzabcdefghijk#\r\n", lines); break;
                case 4: text = std::string(bytes + 1, 'w'); break;
                default: text = repeat("\r\n", lines + 1); break;
            }
            textfile::writeAtomic("textM.TXT", text);
            scratch.choose("textM.TXT");
            Form1().Show();
            greekCells();
            settle();
        },
        [] { Form1().OpenCode_Click(); });
}
BENCHMARK(BM_LargestCodeText)->ArgName("shape")->DenseRange(0, 5)->Apply(once);

// Undo in the shown main window from the largest undo slot (as shape 0 of the
// code text) to the largest snapshot of the lower window: 0 its most
// paragraphs (100,000) filling its bytes (4 MB), 1 its most paragraphs empty,
// 2 its most bytes in one paragraph; 3 a snapshot a byte past the bound, 4 a
// paragraph past it (messages).
void BM_LargestUndo(benchmark::State& state) {
    const int shape = static_cast<int>(state.range(0));
    const std::size_t paragraphs = store::kLowerWindowBound.lines;
    const std::size_t bytes = static_cast<size_t>(store::kLowerWindowBound.bytes);
    measure(
        state,
        [=](Scratch&) {
            Form1().Show();
            settle();
            const std::string head = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\fs24 ";
            std::string rtf;
            switch (shape) {
                case 0:
                    rtf = head + repeat(std::string(bytes / paragraphs - 6, 'w') + "\\par\r\n", paragraphs - 1) + "}";
                    break;
                case 1: rtf = head + repeat("\\par\r\n", paragraphs - 1) + "}"; break;
                case 2: rtf = head + std::string(bytes - head.size() - 1, 'w') + "}"; break;
                case 3: rtf = head + std::string(bytes - head.size(), 'w') + "}"; break;
                default: rtf = head + repeat("\\par\r\n", paragraphs) + "}"; break;
            }
            textfile::writeAtomic(store::kRtbSnapshotFile, rtf);
            textfile::writeAtomic("UNDO9.TXT", codeTextAtBound());
            Form1().UndoIndex = 0;
        },
        [] { Form1().UnDo_Click(); });
}
BENCHMARK(BM_LargestUndo)->ArgName("shape")->DenseRange(0, 4)->Apply(once);

// A custom set loaded whose files are at their bounds (the assignment copy
// as shape 0 of the assignment file, the options copy 4 KB): both pages
// refilled and shown; 1 its assignment copy a byte past the bound.
void BM_LargestSetFiles(benchmark::State& state) {
    const bool past = state.range(0) != 0;
    measure(
        state,
        [past](Scratch&) {
            const std::size_t most = static_cast<size_t>(kAssignmentBytes) - 2000;
            std::string set = assignmentFile([most](int code) {
                std::string cell;
                for (int n = code; cell.size() + 8 <= most / store::kCellCount; ++n)
                    cell += "\\u" + std::to_string(913 + n % 57) + "?";
                return cell;
            });
            if (past) set.append(static_cast<size_t>(kAssignmentBytes) + 1 - set.size(), ' ');
            textfile::writeAtomic("Custom1.TXT", set);
            std::string options = " 14 \r\n1\r\n";
            textfile::writeAtomic(
                "Custom1II.TXT",
                options.append(static_cast<size_t>(store::kOptionsFileBound.bytes) - options.size(), ' '));
            startAndShowPages();
            settle();
        },
        [] { CharAss().Custom_Click(1); });
}
BENCHMARK(BM_LargestSetFiles)->ArgName("past")->Arg(0)->Arg(1)->Apply(once);

}  // namespace
