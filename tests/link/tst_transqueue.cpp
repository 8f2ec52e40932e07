// The transaction queue: which entry NextTrans takes (highest priority, the front one among
// equals, the last entry filling the slot taken), what ClearTrans leaves in progress, and
// that AddTrans keeps its own copy.
#include "bench/link/Frames.h"
#include "tests/fixtures/EngineBench.h"

#include <QTest>

using namespace bench;

namespace {

using Bench = fixtures::EngineBench;

// Entries told apart by their address.
TTrans entry(int address, int priority)
{
    return {trSourceProgram, QByteArray::number(address), address, priority};
}

} // namespace

class TstTransQueue : public QObject
{
    Q_OBJECT
private slots:
    void nextTransTakesTheHighestPriority_data();
    void nextTransTakesTheHighestPriority();
    void lastEntryFillsTheSlotTaken();
    void clearTransDropsOnlyAPollCycleInProgress();
    void addTransKeepsItsOwnCopy();
};

void TstTransQueue::nextTransTakesTheHighestPriority_data()
{
    QTest::addColumn<QList<int>>("priorities"); // entry n (address n) has priorities[n - 1]
    QTest::addColumn<QList<int>>("taken");      // addresses in the order NextTrans takes them

    QTest::newRow("100, 150, 150") << QList<int>{100, 150, 150} << QList<int>{2, 3, 1};
    QTest::newRow("one entry") << QList<int>{7} << QList<int>{1};
    QTest::newRow("rising") << QList<int>{1, 2, 3} << QList<int>{3, 2, 1};
    // Equal priorities do not leave in the order they came: the last fills the first slot.
    QTest::newRow("all equal") << QList<int>{5, 5, 5} << QList<int>{1, 3, 2};
    QTest::newRow("marker 0 after probes") << QList<int>{150, 149, 0, 148} << QList<int>{1, 2, 4, 3};
}

void TstTransQueue::nextTransTakesTheHighestPriority()
{
    QFETCH(QList<int>, priorities);
    QFETCH(QList<int>, taken);
    Bench b;
    for (int n = 1; n <= priorities.size(); ++n)
        b.engine.AddTrans(entry(n, priorities.at(n - 1)));

    QList<int> order;
    while (b.engine.NextTrans())
        order << b.engine.Frame.CurTrans.Address;
    QCOMPARE(order, taken);
    // An empty queue leaves nothing in progress.
    QCOMPARE(b.engine.Frame.CurTrans.Priority, -1);
    QVERIFY(!b.engine.NextTrans());
}

void TstTransQueue::lastEntryFillsTheSlotTaken()
{
    Bench b;
    b.engine.AddTrans(entry(1, 100));
    b.engine.AddTrans(entry(2, 150));
    b.engine.AddTrans(entry(3, 150));
    QVERIFY(b.engine.NextTrans());
    QCOMPARE(b.engine.Frame.CurTrans, entry(2, 150));
    QCOMPARE(b.engine.Frame.TransQueue, (QList<TTrans>{entry(1, 100), entry(3, 150)}));
}

void TstTransQueue::clearTransDropsOnlyAPollCycleInProgress()
{
    // A poll cycle in progress is dropped with the queue: polling stops.
    {
        Bench b;
        b.engine.AddTrans({trPollCycle, {}, 0, 30});
        b.engine.NextTrans();
        b.engine.AddTrans({trStandPoll, {}, 2, 49});
        b.engine.ClearTrans();
        QVERIFY(b.engine.Frame.TransQueue.isEmpty());
        QCOMPARE(b.engine.Frame.CurTrans.Priority, -1);
    }
    // Any other transaction in progress stays current and still goes out.
    {
        Bench b;
        frames::SourceProgram zeroCurrent;
        zeroCurrent.i = QStringLiteral("0");
        const QByteArray program = frames::sourceProgram(zeroCurrent);
        b.engine.AddTrans({trSourceProgram, program, frames::SourceAddress, 200});
        b.engine.AddTrans({trPollCycle, {}, 0, 30});
        b.engine.NextTrans();
        b.engine.ClearTrans();
        QVERIFY(b.engine.Frame.TransQueue.isEmpty());
        QCOMPARE(b.engine.Frame.CurTrans.Priority, 200);

        b.engine.start();
        b.clock.advance(TransEngine::PumpMs);
        QCOMPARE(b.lines.line()->written(), program);
    }
}

void TstTransQueue::addTransKeepsItsOwnCopy()
{
    Bench b;
    TTrans t{trStandCommand, "\x01W12\x03", 3, 190};
    b.engine.AddTrans(t);
    t.Text[2] = '9';
    t.Priority = 1;
    QCOMPARE(b.engine.Frame.TransQueue, (QList<TTrans>{{trStandCommand, "\x01W12\x03", 3, 190}}));
}

QTEST_GUILESS_MAIN(TstTransQueue)
#include "tst_transqueue.moc"
