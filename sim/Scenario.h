// A scenario of the simulated bench, read from JSON: which stands are present, the fault
// rules of the line, the status faults of the source and the fixed values of the meters.
//
//   { "stands": [1, 2, 3],
//     "faults": [ {"device": 2, "command": "U", "fault": "Silent"} ],
//     "sourceStatus": [ {"status": 64, "after": 2, "count": 1} ],
//     "meters": [ {"stand": 1, "position": 3, "value": "0.12"} ] }
//
// Every key may be left out: "stands" then means the demo stands 1, 2, 3, "faults" and
// "sourceStatus" none, "meters" the demo values (stands 1..3, positions 1..6); an empty
// list means none. A status fault's "after" (readings that pass first) defaults to 0 and
// its "count" (readings it hits, -1 for every one) to 1.
#pragma once

#include "sim/Faults.h"
#include "sim/SimSource.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace sim {

/// A JSON number that is a whole number in [lo, hi].
std::optional<int> jsonWholeNumber(const QJsonValue &value, int lo, int hi);

/// The value a meter position of a stand reports.
struct MeterValue
{
    int stand = 1;    ///< 1..10
    int position = 1; ///< 1..100
    QString value;    ///< a number text, as the stand sends it
};

struct Scenario
{
    QList<int> stands;
    QList<FaultRule> faults;
    QList<SimSource::StatusFault> sourceStatus;
    QList<MeterValue> meters;

    /// The built-in demo bench: stands 1, 2, 3 with a few meters each, no faults.
    static Scenario demo();
    /// nullopt with `*error` naming what is wrong when the object is not a scenario.
    static std::optional<Scenario> fromJson(const QJsonObject &json, QString *error);
};

} // namespace sim
