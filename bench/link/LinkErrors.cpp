// Missing and refused replies: the two watchdogs, the retry budgets of source and stand
// requests, the link reset and the link error boxes (never two at once).
//
// A stand request is sent three times (at 0, about 5 s and about 10 s) and given up after
// about 15 s. A source request is sent twice, then the run's point is started again, and
// the link to the source is declared lost at its third failure.
#include "bench/link/TransEngine.h"

#include "bench/link/FrameLink.h"
#include "bench/link/Frames.h"
#include "bench/link/LinkHost.h"
#include "bench/link/TAsynCom.h"
#include "common/Prompts.h"
#include "common/Scheduler.h"

namespace bench {

void TransEngine::showLinkError(const QString &text)
{
    // Timers and replies go on while the box is open; a further failure must not stack a
    // second box on the first.
    if (ErrorShown)
        return;
    ErrorShown = true;
    m_prompts.plain(QString(), text);
    ErrorShown = false;
}

void TransEngine::TDogTimer()
{
    TDog->stop();
    // A reply that never completed is forgotten, or it would swallow every reply after it.
    m_link.resetReply();
    LinkError(NoReply);
}

void TransEngine::TDogStendTimer()
{
    TDogStend->stop();
    m_link.resetReply();
    if (Frame.CurTrans.Priority < 0 || Frame.CurTrans.Kind != trProbe)
        return;
    const int address = Frame.CurTrans.Address;
    ResetLink([this, address] {
        if (address == frames::SourceAddress) {
            // Without the source there is nothing to test: the rest of the cycle goes, and
            // with it the end marker (the probe is abandoned), so the modes stay off.
            ClearTrans();
            NextTrans();
            showLinkError(QStringLiteral("Источник не отвечает ! Опрос."));
        } else if (address < frames::standAddress(1) || address > frames::standAddress(MaxStands)) {
            showLinkError(QStringLiteral("Ошика задания адреса стенда !"));
        } else {
            const int stand = address - 1;
            m_host.stands()[std::size_t(stand)].Present = false;
            Frame.Busy = false;
            m_host.standSilent(stand);
            NextTrans();
        }
    });
}

void TransEngine::LinkError(LinkFault reason)
{
    if (Frame.CurTrans.Priority < 0)
        return;
    switch (Frame.CurTrans.Kind) {
    case trSourceRead:
    case trSourceProgram:
    case trSourceOff:
        sourceRequestFailed(reason);
        break;
    case trStandSetup:
    case trMeterSetup:
    case trStandPoll:
    case trStandReset:
    case trStandCommand:
        standRequestFailed(reason);
        break;
    default:
        break; // probes have their own watchdog; markers expect nothing
    }
}

void TransEngine::sourceRequestFailed(LinkFault reason)
{
    if (Frame.CurTrans.Address != frames::SourceAddress) {
        showLinkError(QStringLiteral("Ошибка задания адреса подчиненного ! Опрос параметров источника !"));
        return;
    }
    ++Frame.Failures;
    if (Frame.Failures == 1) {
        retryCurrent();
    } else if (Frame.Failures == 2) {
        ResetLink([this] {
            ClearTrans();
            NextTrans();
            m_host.restartPoint();
        });
    } else {
        ResetLink([this, reason] {
            ClearTrans();
            NextTrans();
            clearCounters();
            m_host.setLinkMenusEnabled(false);
            showLinkError(reason == NoReply ? QStringLiteral("Источник не отвечает !")
                                            : QStringLiteral("Ошибка контрольной суммы!"));
            m_host.restartPoint();
        });
    }
}

void TransEngine::standRequestFailed(LinkFault reason)
{
    const int address = Frame.CurTrans.Address;
    if (address < frames::standAddress(1)) {
        showLinkError(QStringLiteral("Ошибка задания адреса подчиненного ! Стенд"));
        return;
    }
    ++Frame.Failures;
    if (Frame.Failures < 3) {
        retryCurrent();
        return;
    }
    ResetLink([this, reason, address] {
        ClearTrans();
        NextTrans();
        clearCounters();
        const QString stand = QString::number(address - 1);
        showLinkError(reason == NoReply ? QStringLiteral("Стенд №") + stand + QStringLiteral(" не отвечает !")
                                        : QStringLiteral("Ошибка контрольной суммы! Стенд №") + stand);
    });
}

void TransEngine::retryCurrent()
{
    m_port.Purge();
    pauseThen(AckPauseMs, [this] { Frame.Busy = false; }); // the same request goes out again
}

void TransEngine::ResetLink(std::function<void()> then)
{
    m_port.Purge();
    pauseThen(AckPauseMs, [this, then = std::move(then)] {
        Frame.Busy = false;
        m_host.forgetSetPoints();
        if (then)
            then();
    });
}

} // namespace bench
