// The scheduler seam: virtual time runs timers and continuations in time order; the Qt
// scheduler keeps the same contract on the real event loop.
#include "common/Scheduler.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QSignalSpy>
#include <QTest>

class TstScheduler : public QObject
{
    Q_OBJECT
private slots:
    void repeatingAndSingleShotTimers();
    void postsRunInTimeOrderAndTiesInOrderOfPosting();
    void stopInsideTimeoutAndRestartMovesTheDeadline();
    void postWithDestroyedContextDoesNotRun();
    void continuationPostedFromACallbackRunsLaterInTheSameAdvance();
    void qtSchedulerRunsOnTheEventLoop();
};

void TstScheduler::repeatingAndSingleShotTimers()
{
    VirtualScheduler s;
    std::unique_ptr<SchedulerTimer> pump(s.createTimer());
    std::unique_ptr<SchedulerTimer> dog(s.createTimer());
    QList<qint64> pumpTicks, dogTicks;
    connect(pump.get(), &SchedulerTimer::timeout, this, [&] { pumpTicks << s.nowMs(); });
    connect(dog.get(), &SchedulerTimer::timeout, this, [&] { dogTicks << s.nowMs(); });
    pump->start(200);
    dog->setSingleShot(true);
    dog->start(500);

    s.advance(199);
    QVERIFY(pumpTicks.isEmpty());
    s.advance(1001);
    QCOMPARE(pumpTicks, (QList<qint64>{200, 400, 600, 800, 1000, 1200}));
    QCOMPARE(dogTicks, QList<qint64>{500});
    QVERIFY(pump->isActive());
    QVERIFY(!dog->isActive());
    QCOMPARE(s.nowMs(), 1200);
}

void TstScheduler::postsRunInTimeOrderAndTiesInOrderOfPosting()
{
    VirtualScheduler s;
    QStringList order;
    s.post(100, [&] { order << "b100"; });
    s.post(50, [&] { order << "a50"; });
    s.post(100, [&] { order << "c100"; });
    s.post(0, [&] { order << "now"; });
    s.runDue();
    QCOMPARE(order, QStringList{"now"});
    s.advance(100);
    QCOMPARE(order, (QStringList{"now", "a50", "b100", "c100"}));
    QCOMPARE(s.pendingCount(), 0);
}

void TstScheduler::stopInsideTimeoutAndRestartMovesTheDeadline()
{
    VirtualScheduler s;
    std::unique_ptr<SchedulerTimer> t(s.createTimer());
    int ticks = 0;
    connect(t.get(), &SchedulerTimer::timeout, this, [&] {
        if (++ticks == 2)
            t->stop();
    });
    t->start(100);
    s.advance(1000);
    QCOMPARE(ticks, 2);

    // A watchdog restarted before it expires fires one interval after the restart.
    ticks = 0;
    t->setSingleShot(true);
    t->start(300);
    s.advance(200);
    t->start();
    s.advance(299);
    QCOMPARE(ticks, 0);
    s.advance(1);
    QCOMPARE(ticks, 1);
}

void TstScheduler::postWithDestroyedContextDoesNotRun()
{
    VirtualScheduler s;
    bool ran = false;
    auto context = std::make_unique<QObject>();
    s.post(10, [&] { ran = true; }, context.get());
    context.reset();
    s.advance(20);
    QVERIFY(!ran);

    // A timer destroyed with an expiry queued is harmless too.
    auto t = std::unique_ptr<SchedulerTimer>(s.createTimer());
    t->start(5);
    t.reset();
    s.advance(10);
}

void TstScheduler::continuationPostedFromACallbackRunsLaterInTheSameAdvance()
{
    VirtualScheduler s;
    QList<qint64> at;
    s.post(100, [&] {
        at << s.nowMs();
        s.post(1000, [&] { at << s.nowMs(); });
    });
    s.advance(5000);
    QCOMPARE(at, (QList<qint64>{100, 1100}));
    QCOMPARE(s.nowMs(), 5000);
}

void TstScheduler::qtSchedulerRunsOnTheEventLoop()
{
    const auto s = makeQtScheduler();
    std::unique_ptr<SchedulerTimer> t(s->createTimer());
    t->setSingleShot(true);
    QSignalSpy spy(t.get(), &SchedulerTimer::timeout);
    const qint64 start = s->nowMs();
    t->start(20);
    bool posted = false;
    s->post(10, [&] { posted = true; });
    QVERIFY(spy.wait(2000));
    QVERIFY(posted);
    QVERIFY(s->nowMs() - start >= 19);
    QVERIFY(!t->isActive());
}

QTEST_GUILESS_MAIN(TstScheduler)
#include "tst_scheduler.moc"
