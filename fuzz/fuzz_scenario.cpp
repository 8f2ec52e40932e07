// The simulator's scenario loader on any JSON: a refused scenario changes nothing, an
// accepted one is what the simulator then runs with, and the bench answers a round of
// requests under its faults in virtual time.
#include "bench/link/Frames.h"
#include "fuzz/FuzzInput.h"
#include "sim/BenchSimulator.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QCoreApplication>
#include <QJsonDocument>

namespace {

bool sameRules(const QList<sim::FaultRule> &a, const QList<sim::FaultRule> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].kind != b[i].kind || a[i].device != b[i].device || a[i].command != b[i].command
            || a[i].count != b[i].count)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QJsonDocument doc = QJsonDocument::fromJson(fuzz::whole(data, size));
    if (!doc.isObject())
        return 0;

    VirtualScheduler clock;
    sim::BenchSimulator bench(clock);
    const QList<int> standsBefore = bench.presentStands();
    const QList<sim::FaultRule> rulesBefore = bench.faults().rules();
    const QString complaint = bench.loadScenario(doc.object());
    if (!complaint.isEmpty()) {
        fuzz::require(bench.presentStands() == standsBefore && sameRules(bench.faults().rules(), rulesBefore),
                      "a refused scenario changes nothing");
        return 0;
    }
    for (int n : bench.presentStands())
        fuzz::require(n >= 1 && n <= sim::BenchSimulator::StandCount, "present stands are 1..10");
    for (const sim::FaultRule &rule : bench.faults().rules())
        fuzz::require(rule.device >= sim::SourceDevice && rule.device <= sim::BenchSimulator::StandCount
                          && (rule.count == sim::Always || rule.count > 0),
                      "fault rules name a device and a count");

    // A probe, a poll and a reset of every address, the source read, then the bench closing.
    QByteArray requests = bench::frames::sourceRead();
    for (int address = 1; address <= sim::BenchSimulator::StandCount + 1; ++address)
        requests += bench::frames::probe(address) + bench::frames::standPoll(address)
                    + bench::frames::standReset(address);
    requests += bench::frames::closingFrame();
    bench.receive(requests);
    clock.advance(60000);
    return 0;
}
