// A scenario of the simulated bench, read from JSON: which stands are present, the fault
// rules of the line, the status faults of the source and the meters on the positions.
//
//   { "stands": [1, 2, 3],
//     "faults": [ {"device": 2, "command": "U", "fault": "Silent"} ],
//     "sourceStatus": [ {"status": 64, "after": 2, "count": 1} ],
//     "meters": [ {"stand": 1, "position": 3, "error": 0.1, "lowCurrentError": 0.0,
//                  "lowCurrentBelow": 0.5, "pfError": 0.0, "noise": 0.02,
//                  "startCurrent": 0.02, "creep": false, "dead": false},
//                 {"stand": 1, "position": 4, "value": "0.12"} ] }
//
// A meter is a model (SimMeter.h; every model key may be left out, a left-out one takes
// the value of a perfect meter) or a fixed "value" reported on every poll, which overrides
// the model. Every scenario key may be left out: "stands" then means the demo stands
// 1, 2, 3, "faults" and "sourceStatus" none, "meters" the demo meters (stands 1..3,
// positions 1..6); an empty list means none. A status fault's "after" (readings that pass first) defaults to 0 and
// its "count" (readings it hits, -1 for every one) to 1.
#pragma once

#include "sim/Faults.h"
#include "sim/SimMeter.h"
#include "sim/SimSource.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace sim {

/// A JSON number that is a whole number in [lo, hi].
std::optional<int> jsonWholeNumber(const QJsonValue &value, int lo, int hi);

/// The meter on a position of a stand.
struct MeterValue
{
    int stand = 1;    ///< 1..10
    int position = 1; ///< 1..100
    QString value;    ///< a fixed number text, as the stand sends it; empty: the model measures
    MeterModel model;
};

struct Scenario
{
    QList<int> stands;
    QList<FaultRule> faults;
    QList<SimSource::StatusFault> sourceStatus;
    QList<MeterValue> meters;

    /// The built-in demo bench: stands 1, 2, 3 with six modelled meters each, no faults.
    /// Most are good; four fail in their own way: stand 1 position 4 is beyond 1 % at a
    /// low current, stand 2 position 2 creeps, stand 2 position 5 does not start at the
    /// sensitivity current, stand 3 position 3 is dead.
    static Scenario demo();
    /// nullopt with `*error` naming what is wrong when the object is not a scenario.
    static std::optional<Scenario> fromJson(const QJsonObject &json, QString *error);
};

} // namespace sim
