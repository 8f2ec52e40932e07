#include "benchmarks/RunBenchmark.h"

#include "bench/data/TDM.h"
#include "bench/run/TFTest.h"
#include "bench/shell/MainConfig.h"
#include "bench/shell/TFMain.h"
#include "common/DatabaseInit.h"
#include "tests/fixtures/ControllerWindow.h"

#include <QAction>
#include <QElapsedTimer>
#include <QTableView>

#include <cstdio>
#include <sys/resource.h>

namespace benchmarks {

namespace {

constexpr int Stands = 10;
constexpr int Positions = 100;
constexpr int Steps = 20;
constexpr qint64 VirtualLimitMs = 4 * 3600 * 1000; ///< a run that has not ended by then is stuck

/// A test of `Steps` error points at 100 % U, 5 % .. 100 % I, power factor 1, three readings.
qint64 addTest(QSqlDatabase db)
{
    qint64 id = 0;
    if (!DatabaseInit::insertRow(db, QStringLiteral("TTest"), {{QStringLiteral("PNameTable"), QStringLiteral("Нагрузка")}}, &id)
             .isEmpty())
        return 0;
    for (int n = 1; n <= Steps; ++n) {
        const QString e = DatabaseInit::insertRow(
            db, QStringLiteral("TTestPoint"),
            {{QStringLiteral("PSecIndex"), id},           {QStringLiteral("PNumPoint1"), n},
             {QStringLiteral("PNumPoint"), n},            {QStringLiteral("PPersentU"), 100},
             {QStringLiteral("PPersentI"), 5.0 * n},      {QStringLiteral("PKM"), 1.0},
             {QStringLiteral("PLC"), 0},                  {QStringLiteral("PTimeM"), 0},
             {QStringLiteral("PTimeS"), 10},              {QStringLiteral("PMeasureMax"), 1.0},
             {QStringLiteral("PMeasureMin"), -1.0},       {QStringLiteral("PCountMeasure"), 3},
             {QStringLiteral("PInverseTok"), false},      {QStringLiteral("PStopPoint"), 0}});
        if (!e.isEmpty())
            return 0;
    }
    return id;
}

double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}

} // namespace

int runVerification()
{
    fixtures::ControllerWindow w(QStringLiteral("benchmark"));
    if (!w.ready()) {
        std::fprintf(stderr, "no database: %s\n", qPrintable(w.dmFailure));
        return 1;
    }
    QList<int> all;
    for (int n = 1; n <= Stands; ++n) {
        all << n;
        for (int p = 1; p <= Positions; ++p)
            w.simulator.stand(n).setValue(p, QStringLiteral("0.1"));
    }
    w.simulator.setPresentStands(all);
    const qint64 test = addTest(w.dm->database());
    RegistryIni &reg = w.reg.registry();
    reg.writeInteger(bench::config::StendKey, bench::config::CountStend, Stands);
    reg.writeInteger(bench::config::StendKey, bench::config::CountCH, Positions);
    reg.writeInteger(bench::config::StendKey, bench::config::TipF, 1);
    reg.writeInteger(bench::config::StendKey, bench::config::Test, int(test));
    w.dm->ADOTest1->reopen();

    QElapsedTimer wall;
    wall.start();
    bench::TFMain &m = w.openOnSimulator();
    w.probeAndTickAll(20000);
    m.AAutoMistake->trigger();
    const qint64 start = w.scheduler.nowMs();
    m.runWindow->AGo->trigger();
    while (!w.prompts.texts().contains(QStringLiteral("Тест завершен")) && w.scheduler.nowMs() - start < VirtualLimitMs)
        w.scheduler.advance(1000);
    const bool ended = w.prompts.texts().contains(QStringLiteral("Тест завершен"));

    std::printf("run_wall: %.2f s\n", double(wall.nsecsElapsed()) / 1e9);
    std::printf("run_virtual: %.0f s\n", double(w.scheduler.nowMs() - start) / 1000.0);
    std::printf("peak_rss: %.1f MB\n", peakRssMb());
    // What the run measured: meters with all their readings, summed over the steps.
    int complete = 0;
    for (const bench::PointResults &point : m.Results)
        for (int n = 1; n <= Stands; ++n)
            for (int p = 1; p <= Positions; ++p)
                complete += point[std::size_t(n)].Count[std::size_t(p)] >= 3 ? 1 : 0;
    std::printf("readings_complete: %d meters\n", complete);
    if (!ended)
        std::fprintf(stderr, "the verification did not reach its end: %s\n", qPrintable(w.prompts.texts().join(" | ")));
    return ended ? 0 : 1;
}

} // namespace benchmarks
