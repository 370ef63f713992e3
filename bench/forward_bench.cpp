// The forward conversion runs on every keystroke in the upper window: both
// passes and the document must stay linear in the text and nearly free of the
// list's length, the trace must not be quadratic, and a whole keystroke
// should cost little more than writing its three files.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>
#include <random>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/masterfiles.h"
#include "convert/abbrev_pass.h"
#include "convert/document.h"
#include "convert/symbol_pass.h"
#include "platform/dialogs.h"
#include "platform/lazyform.h"
#include "platform/richtextbox.h"
#include "platform/textbox.h"
#include "platform/textfile.h"
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

// A main window in a folder of its own, with a 10 KB code text.
class KeystrokeWindow {
public:
    KeystrokeWindow() {
        QDir::setCurrent(dir_.path());
        store::ResetSharedState();
        dlg::SetMsgBoxHook([](const dlg::MsgBoxCall&) { return static_cast<int>(dlg::OK); });
        Form1().Load();
        store::CellCode = allCells();
        textfile::writeLinesAtomic(store::kAbbTraceFile, abbList(1000));
        Form1().TEX()->SetText(codeText(10 * 1024, 1000));
    }
    ~KeystrokeWindow() {
        platform::DestroyAllForms();
        QDir::setCurrent(QDir::tempPath());
    }

private:
    QTemporaryDir dir_;
};

// Typing a character and taking it back: two conversions an iteration.
void BM_Keystroke(benchmark::State& state) {
    KeystrokeWindow window;
    platform::TextBox* tex = Form1().TEX();
    const int end = tex->TextLength();
    for (auto _ : state) {
        tex->SetSelStart(end);
        tex->SetSelText("x");
        tex->SetSelStart(end);
        tex->SetSelLength(1);
        tex->SetSelText("");
    }
    state.counters["per_keystroke"] = benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate |
                                                                benchmark::Counter::kInvert);
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMillisecond);

// Only the three files a keystroke writes, twice an iteration.
void BM_KeystrokeFilesOnly(benchmark::State& state) {
    KeystrokeWindow window;
    const std::string text = Form1().TEX()->Text();
    const std::string document = convert::LowerWindowDocument(Form1().WorkRtf, "Arial", 0, 12);
    platform::RichTextBox* rtb = Form1().RTB();
    int slot = 0;
    for (auto _ : state) {
        for (int k = 0; k < 2; ++k) {
            slot = (slot + 1) % 10;
            textfile::writeAtomic(store::UndoSlotFile(slot), text + "\r\n");
            rtb->SaveFile(store::kRtbSnapshotFile);
            textfile::writeAtomic(store::kSubtextFile, document + "\r\n");
        }
    }
    state.counters["per_keystroke"] = benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate |
                                                                benchmark::Counter::kInvert);
}
BENCHMARK(BM_KeystrokeFilesOnly)->Unit(benchmark::kMillisecond);

}  // namespace
