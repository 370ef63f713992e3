// The main of the benchmark program: the benchmarks build text documents and
// widgets, so a QApplication (offscreen unless told otherwise) runs first.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "platform/memory.h"

int main(int argc, char** argv) {
    platform::KeepFreedMemoryForReuse();  // as the program runs
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
