// Time for the whole program: every timer and every "wait, then go on" of the bench
// logic is made here, so tests can run hours of bench time in milliseconds.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class Scheduler;

// One timer made by a Scheduler. Interval, single-shot, start, stop and a timeout
// signal, like QTimer; it belongs to (and must not outlive) its scheduler.
class SchedulerTimer : public QObject
{
    Q_OBJECT
public:
    ~SchedulerTimer() override = default;

    virtual void start() = 0;          ///< (re)starts with the current interval
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    void start(int intervalMs) { setInterval(intervalMs); start(); }

    void setInterval(int ms) { m_intervalMs = ms; }
    int interval() const { return m_intervalMs; } ///< milliseconds
    void setSingleShot(bool singleShot) { m_singleShot = singleShot; }
    bool isSingleShot() const { return m_singleShot; }

signals:
    void timeout();

protected:
    using QObject::QObject;

private:
    int m_intervalMs = 0;
    bool m_singleShot = false;
};

class Scheduler
{
public:
    virtual ~Scheduler() = default;

    /// Milliseconds since the scheduler was made; never goes back.
    virtual qint64 nowMs() const = 0;
    /// A new stopped timer; its parent is `parent` (or the caller owns it).
    virtual SchedulerTimer *createTimer(QObject *parent = nullptr) = 0;
    /// Runs `fn` once after `delayMs` on the UI thread. When `context` is given and has been
    /// destroyed by then, `fn` is not run.
    virtual void post(int delayMs, std::function<void()> fn, QObject *context = nullptr) = 0;
};

/// The program's scheduler: QTimer and QElapsedTimer on the UI thread.
std::unique_ptr<Scheduler> makeQtScheduler();
