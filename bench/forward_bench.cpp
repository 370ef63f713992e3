// The forward conversion runs on every keystroke in the upper window: both
// passes and the document must stay linear in the text and nearly free of the
// list's length, the trace must not be quadratic, and a whole keystroke
// should cost little more than writing its three files.
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QTextBlock>
#include <QTextDocument>
#include <QTemporaryDir>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/masterfiles.h"
#include "convert/abbrev_pass.h"
#include "convert/document.h"
#include "convert/symbol_pass.h"
#include "files/textfile.h"
#include "peak.h"
#include "platform/dialogs.h"
#include "platform/lazyform.h"
#include "platform/richtextbox.h"
#include "platform/textbox.h"
#include "rtf/document.h"
#include "rtf/writer.h"
#include "store/filenames.h"
#include "store/store.h"

namespace {

// Every cell holds a Greek letter as a Unicode escape.
convert::CellTable allCells() {
    convert::CellTable cells;
    int n = 0;
    for (int code : store::CellCodes()) cells[static_cast<size_t>(code)] = "\\u" + std::to_string(913 + n++ % 57) + "?";
    return cells;
}

// Two to four lower-case letters.
std::string abbreviation(size_t i) {
    std::string s;
    for (size_t k = i + 26; k > 0; k /= 26) s.push_back(static_cast<char>('a' + k % 26));
    return s;
}

// Meanings that no abbreviation rewrites again (upper case, digits, escapes).
std::vector<std::string> abbList(size_t entries) {
    std::vector<std::string> list;
    for (size_t i = 0; i < entries; ++i) {
        std::string entry = abbreviation(i);
        entry += i % 3 ? "=MEANING " + std::to_string(i) : std::string("=\\u1488?\\u1489?");
        list.push_back(entry);
    }
    list.emplace_back();
    convert::TraceAbbList(list);
    return list;
}

// Blocks of 50 characters: 25 of plain text and a 25-character group, every
// other one quoted in "#" and in "*" (whose words are abbreviations when a
// list is given), with a line break now and then.
std::string codeText(size_t bytes, size_t entries, unsigned seed = 42) {
    std::mt19937 rng(seed);
    std::string text;
    for (int block = 0; text.size() < bytes; ++block) {
        text += block % 8 == 7 ? "plain text of the line.\r\n" : "plain text outside quotes";
        std::string group;
        if (block % 2 == 0) {
            while (group.size() < 23) group.push_back("abcdefghijklmnopqrstuvwxyz "[rng() % 27]);
            text += "#" + group + "#";
        } else {
            while (group.size() < 23) {
                group += entries ? abbreviation(rng() % entries) : std::string("word");
                group += ' ';
            }
            text += "*" + group.substr(0, 23) + "*";
        }
    }
    return text;
}

void perKb(benchmark::State& state, size_t bytes) {
    state.counters["per_KB"] = benchmark::Counter(static_cast<double>(bytes) / 1024.0,
                                                  benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

// Both passes and the document, without files and without a window. The
// iterations take turns over eight texts of the size: one text converted over
// and over lets the processor learn a small text's branches by heart, which
// would flatter the small sizes against the large ones.
void BM_ForwardConversion(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0)) * 1024;
    const size_t entries = static_cast<size_t>(state.range(1));
    std::vector<std::string> texts;
    size_t total = 0;
    for (unsigned seed = 1; seed <= 8; ++seed) {
        texts.push_back(codeText(bytes, entries, seed));
        total += texts.back().size();
    }
    const convert::SegmentConverter converter(allCells());
    const convert::AbbTable table(abbList(entries));
    size_t turn = 0;
    for (auto _ : state) {
        const std::string& text = texts[turn++ % texts.size()];
        std::string work = convert::SymbolPass(text, converter);
        const convert::ExpansionTable places = convert::AbbreviationPass(work, table, [] { return true; });
        benchmark::DoNotOptimize(places);
        const std::string document = convert::LowerWindowDocument(work, "Arial", 0, 12);
        benchmark::DoNotOptimize(convert::WithParagraphMarks(document));
    }
    perKb(state, total / texts.size());
}
BENCHMARK(BM_ForwardConversion)
    ->ArgsProduct({{1, 10, 100}, {0, 1000, 10000}})
    ->ArgNames({"KB", "entries"})
    ->Unit(benchmark::kMicrosecond);

std::vector<std::string> traceInput(size_t entries) {
    std::mt19937 rng(7);
    std::vector<std::string> list;
    for (size_t i = 0; i < entries; ++i) {
        std::string abb(1 + rng() % 8, 'x');
        list.push_back(abb + std::to_string(i) + "=m");
    }
    list.emplace_back();
    return list;
}

void BM_TraceAbbList(benchmark::State& state) {
    const std::vector<std::string> input = traceInput(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::string> list = input;
        convert::TraceAbbList(list);
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_TraceAbbList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The exchange loop as the trace describes it, for comparison.
void BM_TraceAbbListLiteralLoop(benchmark::State& state) {
    const std::vector<std::string> input = traceInput(static_cast<size_t>(state.range(0)));
    auto key = [](const std::string& s) {
        const size_t eq = s.find('=');
        return eq == std::string::npos ? 0 : eq + 1;
    };
    for (auto _ : state) {
        std::vector<std::string> list = input;
        for (size_t i = 0; i < list.size(); ++i)
            for (size_t j = 0; j < list.size(); ++j)
                if (key(list[i]) > key(list[j])) std::swap(list[i], list[j]);
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_TraceAbbListLiteralLoop)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2);

// A main window in a folder of its own, with a code text and a list (the
// 1,000-entry one unless told); shown (offscreen) as the user sees it, or
// hidden.
class KeystrokeWindow {
public:
    explicit KeystrokeWindow(const std::string& code, bool shown = false,
                             const std::vector<std::string>& list = abbList(1000)) {
        QDir::setCurrent(dir_.path());
        store::ResetSharedState();
        dlg::SetMsgBoxHook([](const dlg::MsgBoxCall&) { return static_cast<int>(dlg::OK); });
        if (shown) Form1().Show();
        Form1().Load();
        store::CellCode = allCells();
        textfile::writeLinesAtomic(store::kAbbTraceFile, list);
        Form1().TEX()->SetText(code);
        Settle();
    }
    ~KeystrokeWindow() {
        platform::DestroyAllForms();
        QDir::setCurrent(QDir::tempPath());
    }

    // Everything the keystroke left to do: pending events (painting
    // included) and the whole layout of the lower window.
    static void Settle() {
        QCoreApplication::processEvents();
        QTextDocument* lower = Form1().RTB()->document();
        lower->documentLayout()->blockBoundingRect(lower->lastBlock());
        QCoreApplication::processEvents();
    }

private:
    QTemporaryDir dir_;
};

// Code text as codeText gives it, without a blank or a line break: one word.
std::string codeTextWithoutBlanks(size_t bytes, size_t entries) {
    std::string text;
    for (size_t more = bytes; text.size() < bytes; more += bytes / 4) {
        text.clear();
        for (char c : codeText(more, entries))
            if (c != ' ' && c != '\r' && c != '\n') text.push_back(c);
    }
    return text;
}

// An iteration types two keys: per_keystroke is the time of one, in wall
// clock time where the benchmark uses real time (the keystroke benchmarks
// do: the time the user waits, disk included; CPU time is the column).
void perKeystroke(benchmark::State& state) {
    state.counters["per_keystroke"] = benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate |
                                                                benchmark::Counter::kInvert);
}

// Typing a character and taking it back: two conversions an iteration.
void BM_Keystroke(benchmark::State& state) {
    KeystrokeWindow window(codeText(10 * 1024, 1000));
    platform::TextBox* tex = Form1().TEX();
    const int end = tex->TextLength();
    for (auto _ : state) {
        tex->SetSelStart(end);
        tex->SetSelText("x");
        tex->SetSelStart(end);
        tex->SetSelLength(1);
        tex->SetSelText("");
    }
    perKeystroke(state);
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMillisecond)->UseRealTime();

// A key typed in the middle of the shown upper window and taken back with
// Backspace, each followed by what the user waits for: the events it causes
// and the lower window laid out.
void typeAndTakeBack(benchmark::State& state, const std::string& code,
                     const std::vector<std::string>& list = abbList(1000)) {
    KeystrokeWindow window(code, true, list);
    platform::TextBox* tex = Form1().TEX();
    tex->SetFocus();
    tex->SetSelStart(tex->TextLength() / 2);
    KeystrokeWindow::Settle();
    for (auto _ : state) {
        QKeyEvent x(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QCoreApplication::sendEvent(tex, &x);
        KeystrokeWindow::Settle();
        QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QCoreApplication::sendEvent(tex, &back);
        KeystrokeWindow::Settle();
    }
    if (tex->Text() != code) state.SkipWithError("the keys did not reach the upper window");
    perKeystroke(state);
}

void BM_KeystrokeShown(benchmark::State& state) {
    typeAndTakeBack(state, codeText(static_cast<size_t>(state.range(0)) * 1024, 1000));
}
BENCHMARK(BM_KeystrokeShown)->ArgName("KB")->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KeystrokeShownNoBlanks(benchmark::State& state) {
    typeAndTakeBack(state, codeTextWithoutBlanks(static_cast<size_t>(state.range(0)) * 1024, 1000));
}
BENCHMARK(BM_KeystrokeShownNoBlanks)->ArgName("KB")->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

// One "*" group as long as the size, made of the list's abbreviations
// separated by blanks: every keystroke in it expands the whole group again.
std::string longGroupText(size_t bytes, size_t entries) {
    std::mt19937 rng(11);
    std::string text = "*";
    while (text.size() + 1 < bytes) {
        text += abbreviation(rng() % entries);
        text += ' ';
    }
    text += '*';
    return text;
}

// The code text of a size for the long-group benchmarks: the ordinary
// blocks of codeText (group:0), one group (group:1), or what that group
// expands to, as code text without a "*" (group:2: the same lower window
// without the abbreviation pass); the list has 100,000 entries.
std::string groupOrOrdinary(const benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0)) * 1024;
    if (state.range(1) == 0) return codeText(bytes, 100000);
    std::string text = longGroupText(bytes, 100000);
    if (state.range(1) == 2) convert::AbbreviationPass(text, convert::AbbTable(abbList(100000)), [] { return true; });
    return text;
}

// The abbreviation pass alone, on the text as the symbol pass leaves it.
void BM_AbbreviationPassLongGroup(benchmark::State& state) {
    const std::string text = convert::SymbolPass(groupOrOrdinary(state), convert::SegmentConverter(allCells()));
    const convert::AbbTable table(abbList(100000));
    for (auto _ : state) {
        std::string work = text;
        benchmark::DoNotOptimize(convert::AbbreviationPass(work, table, [] { return true; }));
    }
    perKb(state, text.size());
}
BENCHMARK(BM_AbbreviationPassLongGroup)
    ->ArgsProduct({{16, 32, 64, 128}, {0, 1}})
    ->ArgNames({"KB", "group"})
    ->Unit(benchmark::kMillisecond);

void BM_KeystrokeShownLongGroup(benchmark::State& state) {
    typeAndTakeBack(state, groupOrOrdinary(state), abbList(100000));
}
BENCHMARK(BM_KeystrokeShownLongGroup)
    ->ArgsProduct({{16, 64}, {0, 1, 2}})
    ->ArgNames({"KB", "group"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One tick of the "*" indicators' blink timer, the events it causes
// included, while the lower window shows 1 MB with an unclosed "*" at its end
// (and, with double:1, a "**" too, which blinks the second indicator).
void BM_BlinkTick(benchmark::State& state) {
    std::string code = codeText(1024 * 1024, 1000);
    code += state.range(0) ? " ** *x" : " *x";
    KeystrokeWindow window(code, true);
    if (Form1().RTB()->Text().find('*') == std::string::npos) state.SkipWithError("no \"*\" in the lower window");
    for (auto _ : state) {
        Form1().Timer2_Timer();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_BlinkTick)->ArgName("double")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Only the three files a keystroke writes, twice an iteration: the floor.
// The lower window's RTF is written from its content as the control does it
// once the content has changed (the control keeps what it wrote until then).
// The keystroke leaves its files to the system to put on the disk (to_disk
// 0); with to_disk 1 each is flushed to the disk first, as every file was
// written before.
void BM_KeystrokeFilesOnly(benchmark::State& state) {
    KeystrokeWindow window(codeText(static_cast<size_t>(state.range(0)) * 1024, 1000));
    const textfile::Flush flush = state.range(1) ? textfile::Flush::ToDisk : textfile::Flush::Later;
    const std::string text = Form1().TEX()->Text();
    const std::string document = convert::LowerWindowDocument(Form1().WorkRtf, "Arial", 0, 12);
    const rtf::Document lower = rtf::toModel(*Form1().RTB()->document());
    int slot = 0;
    for (auto _ : state) {
        for (int k = 0; k < 2; ++k) {
            slot = (slot + 1) % 10;
            textfile::writeAtomic(store::UndoSlotFile(slot), text + "\r\n", flush);
            textfile::writeAtomic(store::kRtbSnapshotFile, rtf::write(lower), flush);
            textfile::writeAtomic(store::kSubtextFile, document + "\r\n", flush);
        }
    }
    perKeystroke(state);
}
BENCHMARK(BM_KeystrokeFilesOnly)
    ->ArgNames({"KB", "to_disk"})
    ->ArgsProduct({{10, 100}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One cell holding a symbol string of the given size in KB (Hebrew letters
// as Unicode escapes): the code text "#x#" set into the shown window, until
// the lower window is laid out.
void BM_LongCellShown(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0)) * 1024;
    KeystrokeWindow window("", true);
    std::string cell;
    for (int n = 0; cell.size() < bytes; ++n) cell += "\\u" + std::to_string(1488 + n % 27) + "?";
    store::CellCode['x'] = cell;
    for (auto _ : state) {
        Form1().TEX()->SetText("#x#");
        KeystrokeWindow::Settle();
        state.PauseTiming();
        Form1().TEX()->SetText("");
        KeystrokeWindow::Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LongCellShown)->ArgName("KB")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Cells that chain through the capitals: "@" holds `width` times "A", "A" as
// many "B", and so on to "Y", and "Z" holds "z"; the other cells as allCells.
// One "@" quoted would become width^26 symbols. Width 0: allCells.
convert::CellTable chainedCells(int width) {
    convert::CellTable cells = allCells();
    if (width == 0) return cells;
    for (int code = '@'; code < 'Z'; ++code)
        cells[static_cast<size_t>(code)].assign(static_cast<size_t>(width), static_cast<char>(code + 1));
    cells['Z'] = "z";
    return cells;
}

// Runaway tables: cells of nine characters, a blank and eight of the next
// code, from "@" (" AAAAAAAA") to "F" (" 00000000"), so that one "@" becomes
// 2,396,745 characters (cells:9); "@" a thousand "A" and "A" a thousand "0"
// (cells:1000); otherwise chainedCells.
convert::CellTable runawayCells(int kind) {
    convert::CellTable cells = allCells();
    if (kind == 9) {
        for (int code = '@'; code <= 'F'; ++code)
            cells[static_cast<size_t>(code)] = " " + std::string(8, code == 'F' ? '0' : static_cast<char>(code + 1));
    } else if (kind == 1000) {
        cells['@'].assign(1000, 'A');
        cells['A'].assign(1000, '0');
    } else {
        cells = chainedCells(kind);
    }
    return cells;
}

// The first plain key after start, in the hidden main window: the converter
// is built at the first key with a table it was not built from, so every key
// here gets a table that differs from the last in one cell. The upper window
// holds nothing (KB:0) or 10 KB of code text without "#" (KB:10) before it.
void BM_FirstPlainKey(benchmark::State& state) {
    std::string code;
    if (state.range(1)) {
        code = codeText(static_cast<size_t>(state.range(1)) * 1024, 1000);
        std::replace(code.begin(), code.end(), '#', ' ');
    }
    KeystrokeWindow window(code);
    convert::CellTable tables[2] = {chainedCells(static_cast<int>(state.range(0))), {}};
    tables[1] = tables[0];
    tables[1][255] = "\\u1?";
    platform::TextBox* tex = Form1().TEX();
    const int end = tex->TextLength();
    for (auto _ : state) {
        store::CellCode = tables[0];
        tex->SetSelStart(end);
        tex->SetSelText("q");
        store::CellCode = tables[1];
        tex->SetSelStart(end);
        tex->SetSelLength(1);
        tex->SetSelText("");
    }
    if (tex->Text() != code) state.SkipWithError("the keys did not reach the upper window");
    perKeystroke(state);
    ReportPeak(state);
}
BENCHMARK(BM_FirstPlainKey)
    ->ArgNames({"cells", "KB"})
    ->ArgsProduct({{0, 2, 3, 8}, {0, 10}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A "#" group of "@" typed into the hidden main window whose cells expand
// past the bound: the time until the hint line says so.
void BM_RunawayCells(benchmark::State& state) {
    KeystrokeWindow window("");
    store::CellCode = runawayCells(static_cast<int>(state.range(0)));
    const std::string code = "#" + std::string(static_cast<size_t>(state.range(1)), '@') + "#";
    for (auto _ : state) {
        Form1().TEX()->SetText(code);
        state.PauseTiming();
        const bool told = Form1().Label1()->text().contains(QStringLiteral("expand into each other"));
        Form1().TEX()->SetText("");
        state.ResumeTiming();
        if (!told) {
            state.SkipWithError("no runaway in the hint line");
            break;
        }
    }
    ReportPeak(state);
}
BENCHMARK(BM_RunawayCells)
    ->ArgNames({"cells", "at_signs"})
    ->Args({2, 1})
    ->Args({3, 1})
    ->Args({8, 1})
    ->Args({9, 300})
    ->Args({9, 1400})
    ->Args({1000, 1000})
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A key as long as its group: one "*" group of `chars` times "x", and the
// list's one entry has that group as its abbreviation.
std::vector<std::string> longKeyList(size_t chars) { return {std::string(chars, 'x') + "=the meaning", ""}; }

void BM_AbbreviationPassLongKey(benchmark::State& state) {
    const size_t chars = static_cast<size_t>(state.range(0));
    const std::string text = "*" + std::string(chars, 'x') + "*";
    const convert::AbbTable table(longKeyList(chars));
    for (auto _ : state) {
        std::string work = text;
        benchmark::DoNotOptimize(convert::AbbreviationPass(work, table, [] { return true; }));
    }
    perKb(state, text.size());
}
BENCHMARK(BM_AbbreviationPassLongKey)
    ->ArgName("chars")
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// The same in the shown window: a key typed in the middle and taken back.
void BM_KeystrokeShownLongKey(benchmark::State& state) {
    const size_t chars = static_cast<size_t>(state.range(0));
    typeAndTakeBack(state, "*" + std::string(chars, 'x') + "*", longKeyList(chars));
    perKb(state, chars + 2);
}
BENCHMARK(BM_KeystrokeShownLongKey)
    ->ArgName("chars")
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
