// Reading and writing RTF must stay linear in the size of the document: the
// forward conversion sets a new document into the lower window on every
// keystroke. Each benchmark reports its time per KB of RTF ("per_KB").
#include <benchmark/benchmark.h>

#include <QTextDocument>
#include <string>

#include "platform/richtextbox.h"
#include "rtf/document.h"
#include "rtf/reader.h"
#include "rtf/writer.h"

namespace {

// A lower-window document of about `bytes` bytes: lines of plain text mixed
// with Unicode and byte escapes in a Hebrew font, and now and then a bold group.
std::string lowerWindowDocument(size_t bytes) {
    std::string rtf = "{\\rtf1\\unicode\\deff0{\\fonttbl{\\f0\\fnil\\fcharset177 Times New Roman;}}\\fs24 ";
    int line = 0;
    while (rtf.size() < bytes) {
        rtf += "Line ";
        rtf += std::to_string(line);
        rtf += ": the quick brown fox \\u1488?\\u1489?\\'e2\\'e3 jumps ";
        if (line % 4 == 0) rtf += "{\\b over} ";
        rtf += "the lazy dog \\u-4156?\\par ";
        ++line;
    }
    rtf += "}\\par ";
    return rtf;
}

rtf::CharFormat defaults() {
    rtf::CharFormat f;
    f.face = QStringLiteral("Arial");
    return f;
}

void perKb(benchmark::State& state, size_t bytes) {
    state.counters["per_KB"] = benchmark::Counter(static_cast<double>(bytes) / 1024.0,
                                                  benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

void BM_ReadIntoModel(benchmark::State& state) {
    const std::string rtf = lowerWindowDocument(static_cast<size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(rtf::read(rtf, defaults()));
    perKb(state, rtf.size());
}

void BM_ReadIntoTextDocument(benchmark::State& state) {
    const std::string rtf = lowerWindowDocument(static_cast<size_t>(state.range(0)));
    QTextDocument doc;
    for (auto _ : state) rtf::setContent(doc, rtf::read(rtf, defaults()));
    perKb(state, rtf.size());
}

void BM_WriteFromTextDocument(benchmark::State& state) {
    const std::string rtf = lowerWindowDocument(static_cast<size_t>(state.range(0)));
    QTextDocument doc;
    rtf::setContent(doc, rtf::read(rtf, defaults()));
    size_t written = 0;
    for (auto _ : state) {
        const std::string out = rtf::write(doc);
        written = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    perKb(state, written);
}

// The keystroke path of the lower window: set the document, read it back.
// The iterations take turns over two documents that differ in one line in
// the middle, as two keystrokes do.
void BM_RichTextBoxSetAndGet(benchmark::State& state) {
    const std::string rtf = lowerWindowDocument(static_cast<size_t>(state.range(0)));
    std::string typed = rtf;
    typed.insert(typed.find("\\par", typed.size() / 2), 1, 'x');
    platform::RichTextBox box;
    bool turn = false;
    for (auto _ : state) {
        box.SetTextRTF((turn = !turn) ? typed : rtf);
        benchmark::DoNotOptimize(box.TextRTF());
    }
    perKb(state, rtf.size());
}

}  // namespace

BENCHMARK(BM_ReadIntoModel)->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadIntoTextDocument)->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFromTextDocument)->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RichTextBoxSetAndGet)->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
