// The scheduler the programs run on: real timers of the Qt event loop.
#include "common/Scheduler.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

namespace {

class QtSchedulerTimer final : public SchedulerTimer
{
public:
    explicit QtSchedulerTimer(QObject *parent) : SchedulerTimer(parent)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &SchedulerTimer::timeout);
    }
    void start() override
    {
        m_timer.setSingleShot(isSingleShot());
        m_timer.start(interval());
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

class QtScheduler final : public Scheduler
{
public:
    QtScheduler() { m_clock.start(); }
    qint64 nowMs() const override { return m_clock.elapsed(); }
    SchedulerTimer *createTimer(QObject *parent) override { return new QtSchedulerTimer(parent); }
    void post(int delayMs, std::function<void()> fn, QObject *context) override
    {
        if (context) {
            QTimer::singleShot(delayMs, Qt::PreciseTimer, context, std::move(fn));
        } else {
            QTimer::singleShot(delayMs, Qt::PreciseTimer, std::move(fn));
        }
    }

private:
    QElapsedTimer m_clock;
};

} // namespace

std::unique_ptr<Scheduler> makeQtScheduler()
{
    return std::make_unique<QtScheduler>();
}
