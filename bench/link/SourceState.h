// The source's last readings, taken from its status reply. A group missing from a reply
// leaves its reading as it was.
#pragma once

#include <QByteArray>

namespace bench {

struct SourceState
{
    float U = 0;       ///< V
    float I = 0;       ///< A
    float PF = 0;      ///< power factor
    float F = 0;       ///< Hz
    float P = 0;       ///< active power, W
    float W = 0, T = 0, Q = 0; ///< read and kept
    float Energy = 0;  ///< delivered, Wh
    char Range = 0;    ///< current range: its low three bits are the range index
    qint32 Status = 0; ///< status bits
};

/// Takes the groups of a source data reply into `state` (ids '1', '2', '4', '5', ':', '7',
/// 'W', 'T', 'Q', 'Z', 'E'; a group counts only after ')' or STX). False, with `state`
/// unchanged in its status, when the 'E' text is not an integer: the caller reports it.
bool ParseSourceReply(const QByteArray &reply, SourceState &state);

} // namespace bench
