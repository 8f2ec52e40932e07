// The transaction engine of the bench link. Nothing is written to the line when an operation
// is asked for: every exchange is a TTrans in a priority queue, a 200 ms pump sends one at a
// time, and the reply handler judges each complete reply by the Kind of the transaction in
// progress. Watchdogs catch missing replies, LinkError retries and finally gives up with a
// message. The engine owns no widgets; it reaches the windows through LinkHost.
//
// Waits of the bench ("100 ms after a stand's acknowledgement", "1000 ms after the stop-all
// command", the link reset) are continuations posted on the scheduler. While one is pending
// the engine is paused: the pump skips its ticks and completed replies are dropped, so the
// request just acknowledged never goes out twice and the queue moves on exactly once.
#pragma once

#include "bench/link/UTrans.h"
#include "common/Scheduler.h"

#include <QList>
#include <QObject>
#include <functional>

class Prompts;

namespace bench {

class FrameLink;
class LinkHost;
class TAsynCom;

class TransEngine : public QObject
{
    Q_OBJECT
public:
    static constexpr int PumpMs = 200;          ///< TGoAction: one request per tick at most
    static constexpr int DogMs = 5000;          ///< TDog: reply time of ordinary requests
    static constexpr int DogStendMs = 3000;     ///< TDogStend: reply time of probes
    static constexpr int AckPauseMs = 100;      ///< after a stand's acknowledgement, a retry, a reset
    static constexpr int StopAllPauseMs = 1000; ///< after the stop-all command

    /// Why LinkError is called.
    enum LinkFault { Refused = 0, NoReply = 1 };

    TransEngine(Scheduler &scheduler, TAsynCom &port, FrameLink &link, LinkHost &host,
                Prompts &prompts, QObject *parent = nullptr);
    ~TransEngine() override;

    /// Starts the pump. stop() halts it and both watchdogs (the program is closing).
    void start();
    void stop();

    // The queue.
    /// Appends a copy of `t` to the queue.
    void AddTrans(const TTrans &t);
    /// Empties the queue; a poll cycle in progress is dropped, any other current
    /// transaction stays current.
    void ClearTrans();
    /// Takes the queued transaction of highest priority into CurTrans; false (and CurTrans
    /// idle) when the queue is empty.
    bool NextTrans();

    /// One tick of TGoAction.
    void PumpTrans();
    /// A complete reply from the line.
    void DispatchReply(const QByteArray &reply);
    /// Queues the meter setup frame of every present stand, then a poll cycle.
    void SendMeterFrames();
    /// "Опросить стенды": probes of the source and of the ticked stands (numbers 1..10),
    /// then the end marker. Nothing while the console button is down.
    void AReplyExecute(const QList<int> &tickedStands);

    // Missing and refused replies.
    void TDogTimer();
    void TDogStendTimer();
    void LinkError(LinkFault reason);
    /// Purges the port and, after the pause, clears Busy, forgets the source set points and
    /// runs `then` (the rest of the caller).
    void ResetLink(std::function<void()> then = {});

    /// A wait is pending: the pump sends nothing and replies are dropped until it is over.
    bool paused() const { return m_pauses > 0; }

    TFrame Frame;
    bool StandFound = false; ///< some stand acknowledged during the current probe cycle
    bool ErrorShown = false; ///< a link error box is on screen

    SchedulerTimer *const TGoAction; ///< the pump, 200 ms, repeating
    SchedulerTimer *const TDog;      ///< reply watchdog, 5000 ms
    SchedulerTimer *const TDogStend; ///< probe watchdog, 3000 ms

private:
    /// Runs `then` after `ms`, the engine paused meanwhile.
    void pauseThen(int ms, std::function<void()> then);
    void send(const QByteArray &frame);
    void clearCounters();
    /// Sends `frame` as the current request, watched by TDog.
    void sendWatched(const QByteArray &frame);
    /// A data reply (source status or stand results) whose check byte did not match.
    void checksumError(bool fromSource);
    void sourceRequestFailed(LinkFault reason);
    void standRequestFailed(LinkFault reason);
    /// Purge, wait, and let the pump send the current request once more.
    void retryCurrent();
    /// Shows a link error unless one is on screen already.
    void showLinkError(const QString &text);

    Scheduler &m_scheduler;
    TAsynCom &m_port;
    FrameLink &m_link;
    LinkHost &m_host;
    Prompts &m_prompts;
    int m_pauses = 0; ///< waits still pending
};

} // namespace bench
