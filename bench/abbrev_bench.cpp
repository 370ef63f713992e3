// The abbreviation list editor on long lists: open the editor, Save, reopen.
// Each run starts from the same list file in a scratch directory, and the
// sort question that long lists ask is answered Yes.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "abbrev/abbmode.h"
#include "abbrev/listfiles.h"
#include "files/textfile.h"
#include "platform/dialogs.h"
#include "platform/lazyform.h"
#include "peak.h"
#include "platform/richtextbox.h"
#include "settle.h"
#include "store/filenames.h"
#include "store/store.h"

namespace {

// Entries as a user keeps them: an abbreviation, a meaning with Unicode escapes.
std::string syntheticList(int count, const std::string& meaning = "meaning ") {
    std::mt19937 rng(static_cast<unsigned>(count));
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "ab" + std::to_string(rng() % 1000000) + "=" + meaning + std::to_string(i) + " \\u" +
                std::to_string(1488 + static_cast<int>(rng() % 27)) + "?\r\n";
    }
    return text;
}

// "reading=\uN?" lines from the Unihan readings of Debian's unicode-data, when
// installed: definitions, Mandarin and Cantonese readings.
std::string unihanList() {
    FILE* in = popen("bzcat /usr/share/unicode/Unihan_Readings.txt.bz2 2>/dev/null", "r");
    if (!in) return {};
    std::string text;
    char line[4096];
    while (fgets(line, sizeof line, in)) {
        std::string s(line);
        if (s.empty() || s[0] != 'U') continue;
        const size_t tab1 = s.find('\t'), tab2 = s.find('\t', tab1 + 1);
        if (tab2 == std::string::npos) continue;
        const std::string field = s.substr(tab1 + 1, tab2 - tab1 - 1);
        if (field != "kDefinition" && field != "kMandarin" && field != "kCantonese") continue;
        const long code = std::strtol(s.c_str() + 2, nullptr, 16);
        std::string value = s.substr(tab2 + 1);
        while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
        std::string ansiValue;
        for (unsigned char c : value) ansiValue.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        std::string meaning;
        auto unit = [&](long u) { meaning += "\\u" + std::to_string(u >= 0x8000 ? u - 0x10000 : u) + "?"; };
        if (code > 0xFFFF) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
        text += ansiValue + "=" + meaning + "\r\n";
    }
    pclose(in);
    return text;
}

// Runs `steps` once an iteration, each time from the same list file in a
// scratch folder, no window loaded and the list not saved in this run; every
// question is answered Yes. `peak_MiB` is the process's peak resident size,
// which is the benchmark's own only when it runs alone (see bench/README.md).
template <class Steps>
void runFromListFile(benchmark::State& state, const std::string& list, Steps&& steps) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    dlg::SetMsgBoxHook([](const dlg::MsgBoxCall&) { return static_cast<int>(dlg::Yes); });
    for (auto _ : state) {
        state.PauseTiming();
        platform::DestroyAllForms();
        store::ResetSharedState();
        store::AbbListVersion = 1;
        textfile::writeAtomic(store::kListFile, list);
        state.ResumeTiming();
        steps();
        benchmark::DoNotOptimize(AbbMode().ListLineCount());
    }
    platform::DestroyAllForms();
    dlg::SetMsgBoxHook(nullptr);
    QDir::setCurrent(previous);
    ReportPeak(state);
}

void runEditorCycle(benchmark::State& state, const std::string& list, long long entries) {
    runFromListFile(state, list, [] {
        AbbMode().Load();             // open: file order
        AbbMode().Speichern_Click();  // save, and the reload sorts
        AbbMode().Unload();
        AbbMode().Load();             // reopen, sorted
    });
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["per_entry"] = benchmark::Counter(static_cast<double>(entries) * static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_AbbListOpenSaveReopen(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    runEditorCycle(state, syntheticList(count), count);
}
BENCHMARK(BM_AbbListOpenSaveReopen)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_AbbListOpenSaveReopenUnihan(benchmark::State& state) {
    static const std::string list = unihanList();
    if (list.empty()) {
        state.SkipWithError("unicode-data's Unihan_Readings.txt.bz2 is not installed");
        return;
    }
    runEditorCycle(state, list, static_cast<long long>(textfile::splitLines(list).size()));
}
BENCHMARK(BM_AbbListOpenSaveReopenUnihan)->Unit(benchmark::kMillisecond);

// 3.6 MB of entries whose lines are `chars` characters of words long.
std::string longLineList(int chars) {
    std::string text;
    for (int i = 0; text.size() < 3600000; ++i) {
        std::string line = "ab" + std::to_string(i) + "=";
        for (int k = 0; line.size() < static_cast<size_t>(chars); ++k) line += "word" + std::to_string(k) + " ";
        line.resize(static_cast<size_t>(chars));
        text += line + "\r\n";
    }
    return text;
}

// The editor as the user keeps it open: the list shown (offscreen) in file
// order and laid out, then Save, which sorts and shows the list again, laid out.
void runShownSave(benchmark::State& state, const std::string& list) {
    runFromListFile(state, list, [] {
        AbbMode().Show();
        SettleShown(AbbMode().RTB());
        AbbMode().Speichern_Click();
        SettleShown(AbbMode().RTB());
    });
    state.counters["list_MiB"] = static_cast<double>(list.size()) / (1024.0 * 1024.0);
}

void BM_AbbListShownSave(benchmark::State& state) {
    runShownSave(state, syntheticList(static_cast<int>(state.range(0)), "the meaning "));  // 3.6 MB at 100,000
}
BENCHMARK(BM_AbbListShownSave)
    ->ArgName("entries")
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_AbbListShownSaveLongLines(benchmark::State& state) {
    runShownSave(state, longLineList(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_AbbListShownSaveLongLines)
    ->ArgName("chars")
    ->Arg(1000)
    ->Arg(1100)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_SortList(benchmark::State& state) {
    const auto lines = textfile::splitLines(syntheticList(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        auto copy = lines;
        abbrev::SortList(copy);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SortList)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
