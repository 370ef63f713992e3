// "Reconvert" of the main window holding the forward result, and the reverse list trace.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/form1.h"
#include "convert/abbrev_pass.h"
#include "convert/bed_list.h"
#include "convert/reverse.h"
#include "files/textfile.h"
#include "platform/lazyform.h"
#include "platform/richtext_format.h"
#include "platform/richtextbox.h"
#include "platform/textbox.h"
#include "settle.h"
#include "store/filenames.h"
#include "store/store.h"

namespace {

constexpr int kCharSet = 177;
constexpr int kFontSize = 12;
constexpr int kListEntries = 1000;

// All 189 cells: the first 27 byte escapes of the Hebrew letters, the rest
// Unicode escapes, as the rich-text control writes them in a charset-177 font.
convert::CellTable AllCells() {
    convert::CellTable cells{};
    int i = 0;
    for (int code : store::CellCodes()) {
        char hex[8];
        if (i < 27) {
            snprintf(hex, sizeof hex, "\\'%02x", 0xe0 + i);
            cells[static_cast<size_t>(code)] = hex;
        } else {
            cells[static_cast<size_t>(code)] = "\\u" + std::to_string(913 + i) + "?";
        }
        ++i;
    }
    return cells;
}

// "ab0000" ..: as many digits as the number of entries has.
std::string Abbreviation(int i, int entries) {
    const int digits = static_cast<int>(std::to_string(entries).size());
    char abb[32];
    snprintf(abb, sizeof abb, "ab%0*d", digits, i);
    return abb;
}

// With `repeating`, every third entry shares its meaning with thousands of
// others: they take turns over the meanings of the first ten entries.
std::vector<std::string> MeaningList(int entries = kListEntries, bool repeating = false) {
    std::vector<std::string> list;
    for (int i = 0; i < entries; ++i) {
        const int meaning = repeating && i % 3 == 2 ? i / 3 % 10 : i;
        list.push_back(Abbreviation(i, entries) + "=Truly yours " + Abbreviation(meaning, entries).substr(2));
    }
    list.emplace_back();
    convert::TraceBedList(list);
    return list;
}

// About `bytes` of code text: plain words, a quoted group of twelve symbols
// and an abbreviation every 50 characters, a line break every 200.
std::string CodeText(size_t bytes, int entries = kListEntries) {
    std::mt19937 rng(1);
    const auto& codes = store::CellCodes();
    std::string text;
    while (text.size() < bytes) {
        text += " plain text, 12 #";
        for (int k = 0; k < 12; ++k) text += static_cast<char>(codes[rng() % codes.size()]);
        text += "# *" + Abbreviation(static_cast<int>(rng() % static_cast<unsigned>(entries)), entries) + "* ";
        if (text.size() % 200 < 50) text += "\r\n";
    }
    while (text.back() == '\n' || text.back() == '\r') text.pop_back();
    return text;
}

// The main window, hidden, in a folder of its own, with the table, the list
// and the forward result of `kb` KB of code text in the lower window.
class MainWindowWithResult {
public:
    explicit MainWindowWithResult(std::int64_t kb, int entries = kListEntries, bool repeating = false,
                                  bool shown = false)
        : home_(QDir::currentPath()) {
        QDir::setCurrent(dir_.path());
        store::ResetSharedState();
        if (shown) Form1().Show();
        Form1().Load();
        store::CellFontName = "Times New Roman";
        store::CellCharSet = kCharSet;
        store::CellFontSize = kFontSize;
        store::CellCode = AllCells();
        const std::vector<std::string> list = MeaningList(entries, repeating);
        textfile::writeLinesAtomic(store::kAbbTraceFile, list);
        textfile::writeLinesAtomic(store::kBedTraceFile, list);
        code_ = CodeText(static_cast<size_t>(kb) * 1024, entries);
        Form1().TEX()->SetText(code_);
    }
    ~MainWindowWithResult() {
        platform::DestroyAllForms();
        QDir::setCurrent(home_);
    }
    const std::string& code() const { return code_; }

private:
    QTemporaryDir dir_;
    QString home_;
    std::string code_;
};

void SetTimePerCodeKb(benchmark::State& state) {
    state.counters["time_per_code_KB"] = benchmark::Counter(
        static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Recognition and clean-up of the lower window's RTF (strings only).
void BM_ReconvertText(benchmark::State& state) {
    std::string rtf;
    {
        MainWindowWithResult window(state.range(0));
        platform::SetWholeTextFormat(*Form1().RTB(), store::CellFontName, store::CellFontSize);
        rtf = Form1().RTB()->TextRTF();
    }
    const convert::CellTable cells = AllCells();
    const std::vector<std::string> list = MeaningList();
    for (auto _ : state) {
        std::string work = rtf;
        convert::RecognizeSymbols(work, &list, cells, kCharSet, kFontSize);
        benchmark::DoNotOptimize(convert::CleanUpRtf(work, kFontSize));
    }
    state.counters["rtf_KB"] = static_cast<double>(rtf.size()) / 1024.0;
    SetTimePerCodeKb(state);
}
BENCHMARK(BM_ReconvertText)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// The whole command: "Reconvert" turns the lower window back and sets the
// upper window, which converts forward again (files and the list included).
void BM_ReconvertClick(benchmark::State& state) {
    MainWindowWithResult window(state.range(0));
    Form1().Reconvert_Click();
    if (Form1().TEX()->Text() != window.code()) state.SkipWithError("the code text did not come back");
    for (auto _ : state) Form1().Reconvert_Click();
    SetTimePerCodeKb(state);
}
BENCHMARK(BM_ReconvertClick)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// "Reconvert" in the shown window with a 100,000-entry list, until the
// events it caused are processed and the lower window is laid out: meanings
// that repeat (range 1 = 1) against the same list made unique.
void BM_ReconvertLongList(benchmark::State& state) {
    const bool repeating = state.range(1) != 0;
    MainWindowWithResult window(state.range(0), 100000, repeating, true);
    Form1().Reconvert_Click();  // the list loads once
    SettleShown(Form1().RTB());
    if (!repeating && Form1().TEX()->Text() != window.code()) state.SkipWithError("the code text did not come back");
    for (auto _ : state) {
        Form1().Reconvert_Click();
        SettleShown(Form1().RTB());
    }
}
BENCHMARK(BM_ReconvertLongList)
    ->ArgNames({"KB", "repeating"})
    ->Args({100, 0})
    ->Args({100, 1})
    ->Unit(benchmark::kMillisecond);

// "Reconvert" in the shown window of a lower window with many empty
// paragraphs, as undo loads it from "RTB.RTF": a line of text, then
// `paragraphs` empty lines. Each iteration sets the code text, sets another,
// steps back (the lower window from the file), and times the command until
// the events it causes are processed and the lower window is laid out.
void BM_ReconvertEmptyParagraphs(benchmark::State& state) {
    const auto paragraphs = static_cast<size_t>(state.range(0));
    MainWindowWithResult window(1, kListEntries, false, true);
    std::string code = "plain text, *" + Abbreviation(1, kListEntries) + "*";
    for (size_t i = 0; i < paragraphs; ++i) code += "\r\n";
    for (auto _ : state) {
        state.PauseTiming();
        Form1().TEX()->SetText(code);
        Form1().TEX()->SetText("x");
        Form1().UnDo_Click();
        SettleShown(Form1().RTB());
        state.ResumeTiming();
        Form1().Reconvert_Click();
        SettleShown(Form1().RTB());
    }
    // The text and its empty lines come back (how the last one ends is the reader's business).
    const std::string& back = Form1().TEX()->Text();
    if (back.compare(0, code.size() - paragraphs * 2, code, 0, code.size() - paragraphs * 2) != 0 ||
        static_cast<size_t>(std::count(back.begin(), back.end(), '\n')) + 1 < paragraphs)
        state.SkipWithError("the code text did not come back");
    state.counters["paragraphs"] = static_cast<double>(paragraphs);
}
BENCHMARK(BM_ReconvertEmptyParagraphs)
    ->ArgName("paragraphs")
    ->Arg(2500)
    ->Arg(10000)
    ->Arg(40000)
    ->Arg(160000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

std::vector<std::string> TraceInput(size_t n) {
    std::mt19937 rng(7);
    std::vector<std::string> list;
    for (size_t i = 0; i < n; ++i)
        list.push_back(std::to_string(i).insert(0, 1, 'a') + "=" + std::string(rng() % 30, 'm'));
    list.emplace_back();
    return list;
}

void BM_TraceBedList(benchmark::State& state) {
    const auto input = TraceInput(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        auto list = input;
        convert::TraceBedList(list);
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_TraceBedList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The exchange loop as the trace is defined, for comparison.
void BM_TraceBedListDoubleLoop(benchmark::State& state) {
    const auto input = TraceInput(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        auto list = input;
        for (size_t i = 0; i < list.size(); ++i)
            for (size_t j = 0; j < list.size(); ++j)
                if (convert::MeaningLength(list[i]) > convert::MeaningLength(list[j])) std::swap(list[i], list[j]);
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_TraceBedListDoubleLoop)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
