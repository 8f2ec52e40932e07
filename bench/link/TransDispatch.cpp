// Reply dispatch: a complete reply is judged by the Kind of the transaction in progress,
// its address byte and its response code. The expected reply moves the queue on, a refusal
// goes to LinkError, a data reply with a wrong check byte is asked for again, and anything
// else is ignored. Also the meter setup frames that follow a settled source.
#include "bench/link/TransEngine.h"

#include "bench/link/Frames.h"
#include "bench/link/LinkHost.h"
#include "common/UTools.h"

#include <algorithm>

namespace bench {

namespace {

// The device number of a reply's address byte ('1' source, '2'.. stands).
int replyNumber(const QByteArray &reply)
{
    return int(quint8(reply.at(1))) - 0x30;
}

// Stand replies that name a stand the controller can hold (1..10).
bool isStandNumber(int number)
{
    return number >= 2 && number <= MaxStands + 1;
}

} // namespace

void TransEngine::clearCounters()
{
    Frame.Failures = 0;
    Frame.ChecksumErrors = 0;
}

void TransEngine::DispatchReply(const QByteArray &reply)
{
    // Inside a wait the exchange has been decided already (acknowledged, or about to be
    // retried); a reply now is a device answering twice, and taking it would move the
    // queue on a second time and lose a transaction.
    if (paused())
        return;
    // Only a request that was sent and is still awaited can be answered. A reply after the
    // exchange is over (a device answering twice) would otherwise be taken for the answer
    // to the next request, before that one has even been sent.
    if (!Frame.Busy || reply.size() <= 2 || Frame.CurTrans.Priority < 0)
        return;

    const int number = replyNumber(reply);
    const char code = reply.at(2);
    const TTrans &cur = Frame.CurTrans;

    if (code == UTools::NAK) {
        switch (cur.Kind) {
        case trSourceRead: case trProbe: case trStandSetup: case trMeterSetup:
        case trSourceProgram: case trSourceOff: case trStandPoll: case trStandReset:
        case trStandCommand:
            LinkError(Refused);
            break;
        default:
            break;
        }
        return;
    }

    switch (cur.Kind) {
    case trSourceRead:
        if (code != UTools::STX || number != frames::SourceAddress)
            return;
        Frame.RxChecksum = UTools::ReplyChecksum(reply);
        if (!UTools::ReplyChecksumOk(reply)) {
            checksumError(true);
            return;
        }
        clearCounters();
        Frame.Busy = false;
        TDog->stop();
        NextTrans();
        m_host.setLinkMenusEnabled(true);
        m_host.parseSourceReply(reply);
        return;

    case trProbe:
        if (code != UTools::ACK || number < 1 || number > MaxStands + 1 || number != cur.Address)
            return;
        if (number > frames::SourceAddress) {
            const int stand = number - 1;
            m_host.stands()[std::size_t(stand)].Present = true;
            m_host.standAnswered(stand);
            StandFound = true;
        }
        TDogStend->stop();
        NextTrans();
        clearCounters();
        Frame.Busy = false;
        return;

    case trStandSetup:
    case trMeterSetup:
    case trStandReset:
    case trStandCommand:
        if (code != UTools::ACK || number <= frames::SourceAddress)
            return;
        clearCounters();
        TDog->stop();
        // The stand takes a moment to act on its setup before the next request.
        pauseThen(AckPauseMs, [this] {
            NextTrans();
            Frame.Busy = false;
        });
        return;

    case trSourceProgram:
        if (code != UTools::ACK || number != frames::SourceAddress)
            return;
        clearCounters();
        TDog->stop();
        NextTrans();
        Frame.Busy = false;
        return;

    case trSourceOff:
        if (code != UTools::ACK || number != frames::SourceAddress)
            return;
        ClearTrans();
        Frame.CurTrans.Priority = -1;
        TDog->stop();
        NextTrans();
        clearCounters();
        Frame.Busy = false;
        m_host.sourceOffAcknowledged();
        return;

    case trStandPoll:
        if (number <= frames::SourceAddress)
            return;
        if (code == UTools::STX) {
            // The address of the reply, not of the request, says whose results these are.
            if (!isStandNumber(number))
                return;
            Frame.RxChecksum = UTools::ReplyChecksum(reply);
            if (!UTools::ReplyChecksumOk(reply)) {
                checksumError(false);
                return;
            }
            clearCounters();
            Frame.Busy = false;
            TDog->stop();
            m_host.setLinkMenusEnabled(true);
            m_host.parseStandReply(number - 1, reply);
            NextTrans();
        } else if (code == UTools::ACK) {
            // The stand had nothing to report.
            clearCounters();
            TDog->stop();
            NextTrans();
            Frame.Busy = false;
        }
        return;

    default:
        return; // markers and the stop-all expect no reply
    }
}

void TransEngine::checksumError(bool fromSource)
{
    if (Frame.ChecksumErrors < 3) {
        // The same request goes out again on the next tick.
        TDog->stop();
        ++Frame.ChecksumErrors;
        Frame.Busy = false;
        return;
    }
    ResetLink([this, fromSource] {
        ClearTrans();
        NextTrans();
        clearCounters(); // the next exchange has its own three retries
        if (fromSource) {
            m_host.setLinkMenusEnabled(false);
            showLinkError(QStringLiteral("Ошибка контрольной суммы. Нарушена связь с источником !"));
        } else {
            showLinkError(QStringLiteral("Ошибка контрольной суммы. Нарушена связь со стендом !"));
        }
    });
}

void TransEngine::SendMeterFrames()
{
    char command = 'P';
    if (Frame.MeterCountText == "sens") {
        command = 'Q';
        Frame.MeterCountText = "0";
    }
    const QString range = QString::number(quint8(m_host.sourceRange()) & 7);
    const QString count = QString::fromLatin1(Frame.MeterCountText);
    const int stands = std::min(m_host.countStend(), MaxStands);
    for (int n = 1; n <= stands; ++n) {
        const TStend &stand = m_host.stands()[std::size_t(n)];
        if (!stand.Present)
            continue;
        AddTrans({trMeterSetup,
                  frames::meterSetup(n, command, range, UTools::FloatToWire(stand.PulsesPerKWh()), count),
                  frames::standAddress(n), 150 - n});
    }
    AddTrans({trPollCycle, {}, 0, 30}); // polling starts after the meter frames
}

} // namespace bench
