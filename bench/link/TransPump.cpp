// The pump: every 200 ms tick sends the current transaction, or finishes it at once when it
// is a marker that needs no reply, so at most one request leaves the controller per tick.
// Also the engine's timers and the pauses that stand for the bench's waits.
#include "bench/link/TransEngine.h"

#include "bench/link/FrameLink.h"
#include "bench/link/Frames.h"
#include "bench/link/LinkHost.h"
#include "common/Scheduler.h"

#include <algorithm>

namespace bench {

TransEngine::TransEngine(Scheduler &scheduler, TAsynCom &port, FrameLink &link, LinkHost &host,
                         Prompts &prompts, QObject *parent)
    : QObject(parent), TGoAction(scheduler.createTimer(this)), TDog(scheduler.createTimer(this)),
      TDogStend(scheduler.createTimer(this)), m_scheduler(scheduler), m_port(port), m_link(link),
      m_host(host), m_prompts(prompts)
{
    TGoAction->setInterval(PumpMs);
    // The watchdogs are stopped by their own event anyway; single shots say so.
    TDog->setInterval(DogMs);
    TDog->setSingleShot(true);
    TDogStend->setInterval(DogStendMs);
    TDogStend->setSingleShot(true);

    connect(TGoAction, &SchedulerTimer::timeout, this, &TransEngine::PumpTrans);
    connect(TDog, &SchedulerTimer::timeout, this, &TransEngine::TDogTimer);
    connect(TDogStend, &SchedulerTimer::timeout, this, &TransEngine::TDogStendTimer);
    connect(&m_link, &FrameLink::replyReceived, this, [this](const QByteArray &reply) {
        TDog->stop(); // any complete reply ends the wait for one
        DispatchReply(reply);
    });
}

TransEngine::~TransEngine() = default;

void TransEngine::start()
{
    TGoAction->start();
}

void TransEngine::stop()
{
    TGoAction->stop();
    TDog->stop();
    TDogStend->stop();
}

void TransEngine::pauseThen(int ms, std::function<void()> then)
{
    ++m_pauses;
    m_scheduler.post(ms, [this, then = std::move(then)] {
        --m_pauses;
        if (then)
            then();
    }, this);
}

void TransEngine::send(const QByteArray &frame)
{
    m_link.SendFrame(frame);
}

void TransEngine::sendWatched(const QByteArray &frame)
{
    TDog->start();
    Frame.Busy = true;
    send(frame);
}

void TransEngine::PumpTrans()
{
    if (m_host.consoleDown())
        return;
    // A handler is waiting; what follows it waits too, and the request it is about must not
    // go out again meanwhile.
    if (paused())
        return;
    // Busy with no watchdog running: the reply was lost without a time-out being taken
    // (an unexpected reply stopped TDog), so the request goes out again.
    if (Frame.Busy && !TDog->isActive() && !TDogStend->isActive())
        Frame.Busy = false;
    if (Frame.Busy)
        return;
    if (Frame.CurTrans.Priority < 0)
        NextTrans();
    if (Frame.CurTrans.Priority < 0)
        return;

    const TTrans t = Frame.CurTrans; // markers below move the queue on
    switch (t.Kind) {
    case trSourceRead:
        sendWatched(frames::sourceRead());
        break;
    case trProbe:
        TDogStend->start(); // restarted for every probe
        Frame.Busy = true;
        send(frames::probe(t.Address));
        break;
    case trProbeDone:
        m_host.probeDone(StandFound);
        NextTrans();
        break;
    case trStandSetup:
    case trSourceProgram:
        sendWatched(t.Text);
        break;
    case trMeterSetup:
        // In the automatic modes the point's countdown runs from its meter setup.
        if (const int mode = m_host.mode(); mode == 1 || mode == 2)
            m_host.meterSetupSent();
        sendWatched(t.Text);
        break;
    case trStopAll:
        // Nobody answers the stop; the bench is given a second before anything follows.
        send(frames::stopAll());
        NextTrans();
        pauseThen(StopAllPauseMs, {});
        break;
    case trSourceOff:
        sendWatched(frames::sourceOff());
        break;
    case trStandPoll:
        if (m_host.pollEnabled())
            sendWatched(frames::standPoll(t.Address));
        else
            NextTrans(); // the run window is not collecting: the poll is dropped
        break;
    case trStandReset:
        sendWatched(frames::standReset(t.Address));
        break;
    case trStandCommand:
        sendWatched(frames::standCommand(t.Address, t.Text));
        break;
    case trTestStep:
        m_host.testStep();
        NextTrans();
        break;
    case trSourceSettled:
        Frame.SourceSettled = true;
        NextTrans();
        break;
    case trPollCycle: {
        // Each present stand once, after everything of higher priority, then the cycle again.
        const int count = std::min(m_host.countStend(), MaxStands);
        const StandArray &stands = m_host.stands();
        for (int n = 1; n <= count; ++n) {
            if (stands[std::size_t(n)].Present)
                AddTrans({trStandPoll, {}, frames::standAddress(n), 50 - n});
        }
        AddTrans({trPollCycle, {}, 0, 30});
        NextTrans();
        break;
    }
    default:
        // A Kind the pump does not know would sit in CurTrans for ever and stop the link.
        NextTrans();
        break;
    }
}

} // namespace bench
