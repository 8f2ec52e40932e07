// One queued bench transaction and the link state the controller keeps once.
#pragma once

#include <QByteArray>
#include <QList>

namespace bench {

/// What the pump does with a transaction (6 is not used).
enum TransKind : quint8 {
    trSourceRead = 0,     ///< "1?" ETX 0x00; source data reply; TDog
    trProbe = 1,          ///< address SOH 'U' ETX 0x00; acknowledgement; TDogStend
    trProbeDone = 2,      ///< end of a probe cycle; nothing sent
    trStandSetup = 3,     ///< Text; stand acknowledgement; TDog
    trMeterSetup = 4,     ///< Text; stand acknowledgement; TDog
    trSourceProgram = 5,  ///< Text; source acknowledgement; TDog
    trStopAll = 7,        ///< 0xFF SOH 'X' ETX 0x00; no reply
    trSourceOff = 8,      ///< "1" SOH 'D' ETX 0x00; source acknowledgement; TDog
    trStandPoll = 9,      ///< address '?' ETX 0x00; stand data reply or acknowledgement; TDog
    trStandReset = 10,    ///< address SOH 'V' ETX 0x00; stand acknowledgement; TDog
    trStandCommand = 11,  ///< address + Text; stand acknowledgement; TDog
    trTestStep = 12,      ///< marker: clear the point grid and its results
    trSourceSettled = 13, ///< marker: the source has been programmed
    trPollCycle = 14,     ///< queues a poll of every present stand, then itself again
};

struct TTrans
{
    quint8 Kind = trProbe;
    QByteArray Text;   ///< a whole frame (3, 4, 5), a frame body after the address (11), or empty
    int Address = 0;   ///< 1 source, N + 1 stand N, 255 all devices, 0 none
    int Priority = -1; ///< larger first; -1 in the current transaction: nothing in progress
    bool operator==(const TTrans &) const = default;
};

/// The link state (reply assembly lives in FrameLink's ReplyAssembler).
struct TFrame
{
    QList<TTrans> TransQueue;
    TTrans CurTrans{trProbe, {}, 0, -1};
    quint8 RxChecksum = 0;      ///< check byte computed for the last data reply
    bool Busy = false;          ///< a request was sent and its reply is awaited
    bool SourceSettled = false;
    QByteArray MeterCountText;  ///< 'e' of meter setup frames; "sens" selects the sensitivity variant
    quint8 ChecksumErrors = 0;
    quint8 Failures = 0;
};

} // namespace bench
