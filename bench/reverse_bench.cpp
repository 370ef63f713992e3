// "Reconvert" string work on the lower window's RTF, and the reverse list trace.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "convert/bed_list.h"
#include "convert/reverse.h"
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

std::vector<std::string> MeaningList() {
    std::vector<std::string> list;
    for (int i = 0; i < kListEntries; ++i) {
        char line[64];
        snprintf(line, sizeof line, "ab%04d=Truly yours %04d", i, i);
        list.push_back(line);
    }
    list.emplace_back();
    convert::TraceBedList(list);
    return list;
}

// The lower window's RTF for about `codeBytes` of code text: plain words, a
// symbol group and an expansion every 50 characters, a paragraph every 200,
// in the control's shape.
std::string LowerWindowRtf(size_t codeBytes, const convert::CellTable& cells) {
    std::mt19937 rng(1);
    const auto& codes = store::CellCodes();
    std::string body;
    size_t code = 0;
    while (code < codeBytes) {
        body += " plain text, 12 ";
        code += 16;
        for (int k = 0; k < 12; ++k) body += cells[static_cast<size_t>(codes[rng() % codes.size()])];
        code += 14;
        char group[40];
        snprintf(group, sizeof group, " Truly yours %04u ", static_cast<unsigned>(rng() % kListEntries));
        body += group;
        code += 8;
        if (code % 200 < 50) body += "\\par\r\n";
    }
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset177 Times New Roman;}}\r\n\\uc1\\pard\\f0\\fs24" +
           body + "\\par\r\n}\r\n" + std::string(1, '\0');
}

void BM_ReconvertText(benchmark::State& state) {
    const convert::CellTable cells = AllCells();
    const std::vector<std::string> list = MeaningList();
    const size_t kb = static_cast<size_t>(state.range(0));
    const std::string rtf = LowerWindowRtf(kb * 1024, cells);
    for (auto _ : state) {
        std::string work = rtf;
        convert::RecognizeSymbols(work, &list, cells, kCharSet, kFontSize);
        benchmark::DoNotOptimize(convert::CleanUpRtf(work, kFontSize));
    }
    state.counters["rtf_KB"] = static_cast<double>(rtf.size()) / 1024.0;
    state.counters["time_per_code_KB"] =
        benchmark::Counter(static_cast<double>(kb), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReconvertText)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

std::vector<std::string> TraceInput(size_t n) {
    std::mt19937 rng(7);
    std::vector<std::string> list;
    for (size_t i = 0; i < n; ++i)
        list.push_back("a" + std::to_string(i) + "=" + std::string(rng() % 30, 'm'));
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
