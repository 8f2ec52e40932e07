// tk710-benchmark SUBCOMMAND: speed and memory figures of the bench controller, one
// `name: value unit` line a figure. Subcommands: run.
#include "benchmarks/RunBenchmark.h"

#include <QApplication>
#include <QByteArray>
#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    // The windows are real but nobody looks at them.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const char *command = argc > 1 ? argv[1] : "";
    if (std::strcmp(command, "run") == 0)
        return benchmarks::runVerification();
    std::fprintf(stderr, "usage: tk710-benchmark run\n");
    return 2;
}
