// Scenarios: the demo bench and the JSON form, checked whole before anything is used.
#include "sim/Scenario.h"

#include "sim/BenchSimulator.h"
#include "sim/SimStand.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QSet>
#include <QStringList>
#include <cmath>

namespace sim {

namespace {

// Good meters have small errors and start well below the sensitivity current; four
// fail, each in its own way, so the demo shows every verdict.
const QList<MeterValue> &DemoMeters()
{
    static const QList<MeterValue> meters = [] {
        const double errors[3][6] = {
            {0.12, -0.35, 0.08, 0.30, -0.04, 0.21},
            {-0.15, 0.33, 0.02, -0.61, 0.47, -0.12},
            {0.05, -0.22, 0.40, 0.14, -0.08, 0.36},
        };
        QList<MeterValue> list;
        for (int stand = 1; stand <= 3; ++stand) {
            for (int position = 1; position <= 6; ++position) {
                MeterModel model;
                model.error = errors[stand - 1][position - 1];
                model.pfError = 0.1;
                model.noise = 0.02;
                model.startCurrent = 0.005;
                list << MeterValue{stand, position, {}, model};
            }
        }
        list[3].model.lowCurrentError = 3.0;  // stand 1 position 4: 1.8 % off at 0.25 A
        list[7].model.creep = true;           // stand 2 position 2
        list[10].model.startCurrent = 0.05;   // stand 2 position 5: silent below 0.05 A
        list[14].model.dead = true;           // stand 3 position 3
        return list;
    }();
    return meters;
}

// The keys of an object all among `allowed`; else the complaint about the first other one.
QString UnknownKey(const QJsonObject &json, const QStringList &allowed, const QString &where)
{
    for (const QString &key : json.keys()) {
        if (!allowed.contains(key))
            return QStringLiteral("unknown key \"%1\" in %2 (%3)").arg(key, where, "\"" + allowed.join("\", \"") + "\"");
    }
    return {};
}

// A list under `key` whose entries are objects, each read by `read`; the complaint names
// the entry ("<noun> 2: ...").
template<typename T, typename Read>
QString ReadList(const QJsonObject &scenario, const QString &key, const QString &noun, QList<T> *out, Read read)
{
    const QJsonValue value = scenario.value(key);
    if (value.isUndefined())
        return {};
    if (!value.isArray())
        return QStringLiteral("\"%1\" must be a list of %2 objects").arg(key, noun);
    out->clear();
    const QJsonArray list = value.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        QString error = QStringLiteral("not an object");
        const std::optional<T> entry = list.at(i).isObject() ? read(list.at(i).toObject(), &error) : std::nullopt;
        if (!entry)
            return QStringLiteral("%1 %2: %3").arg(noun).arg(i + 1).arg(error);
        *out << *entry;
    }
    return {};
}

std::optional<SimSource::StatusFault> StatusFaultFromJson(const QJsonObject &json, QString *error)
{
    if (*error = UnknownKey(json, {"status", "after", "count"}, QStringLiteral("a source status")); !error->isEmpty())
        return std::nullopt;
    SimSource::StatusFault fault;
    if (const auto status = jsonWholeNumber(json.value(QStringLiteral("status")), 0, 255)) {
        fault.status = *status;
    } else {
        *error = QStringLiteral("\"status\" must be the status bits 0..255 (64 voltage overload, "
                                "128 current overload, 32 protection device)");
        return std::nullopt;
    }
    if (const QJsonValue after = json.value(QStringLiteral("after")); !after.isUndefined()) {
        const auto n = jsonWholeNumber(after, 0, 1'000'000);
        if (!n) {
            *error = QStringLiteral("\"after\" must be a whole number of readings from 0");
            return std::nullopt;
        }
        fault.after = *n;
    }
    if (const QJsonValue count = json.value(QStringLiteral("count")); !count.isUndefined()) {
        const auto n = jsonWholeNumber(count, Always, 1'000'000);
        if (!n || *n == 0) {
            *error = QStringLiteral("\"count\" must be a whole number of readings from 1, or -1 for always");
            return std::nullopt;
        }
        fault.count = *n;
    }
    return fault;
}

// A number key of a meter in [lo, hi]; left out, it keeps `*out`.
QString MeterNumber(const QJsonObject &json, const QString &key, double lo, double hi, const QString &what, double *out)
{
    const QJsonValue value = json.value(key);
    if (value.isUndefined())
        return {};
    if (!value.isDouble() || value.toDouble() < lo || value.toDouble() > hi)
        return QStringLiteral("\"%1\" must be %2, a number %3..%4").arg(key, what).arg(lo).arg(hi);
    *out = value.toDouble();
    return {};
}

QString MeterFlag(const QJsonObject &json, const QString &key, bool *out)
{
    const QJsonValue value = json.value(key);
    if (value.isUndefined())
        return {};
    if (!value.isBool())
        return QStringLiteral("\"%1\" must be true or false").arg(key);
    *out = value.toBool();
    return {};
}

std::optional<MeterValue> MeterValueFromJson(const QJsonObject &json, QString *error)
{
    if (*error = UnknownKey(json, {"stand", "position", "value", "error", "lowCurrentError", "lowCurrentBelow",
                                   "pfError", "noise", "startCurrent", "creep", "dead"},
                            QStringLiteral("a meter"));
        !error->isEmpty())
        return std::nullopt;
    MeterValue meter;
    const auto stand = jsonWholeNumber(json.value(QStringLiteral("stand")), 1, BenchSimulator::StandCount);
    const auto position = jsonWholeNumber(json.value(QStringLiteral("position")), 1, SimStand::Positions);
    const QJsonValue value = json.value(QStringLiteral("value"));
    if (!stand) {
        *error = QStringLiteral("\"stand\" must be a stand number 1..10");
        return std::nullopt;
    }
    if (!position) {
        *error = QStringLiteral("\"position\" must be a position number 1..100");
        return std::nullopt;
    }
    if (!value.isUndefined() && (!value.isString() || !SimStand::isValueText(value.toString()))) {
        *error = QStringLiteral("\"value\" must be a number text such as \"0.12\" or \"-0.35\"");
        return std::nullopt;
    }
    meter.stand = *stand;
    meter.position = *position;
    meter.value = value.toString();
    MeterModel &m = meter.model;
    for (const QString &complaint :
         {MeterNumber(json, "error", -100, 100, "the error in %", &m.error),
          MeterNumber(json, "lowCurrentError", -100, 100, "the error in % added at no current", &m.lowCurrentError),
          MeterNumber(json, "lowCurrentBelow", 0.001, 120, "the current in A below which it grows",
                      &m.lowCurrentBelow),
          MeterNumber(json, "pfError", -100, 100, "the error in % added at power factor 0", &m.pfError),
          MeterNumber(json, "noise", 0, 10, "the wander of the error in %", &m.noise),
          MeterNumber(json, "startCurrent", 0, 120, "the starting current in A", &m.startCurrent),
          MeterFlag(json, "creep", &m.creep), MeterFlag(json, "dead", &m.dead)}) {
        if (!complaint.isEmpty()) {
            *error = complaint;
            return std::nullopt;
        }
    }
    return meter;
}

} // namespace

std::optional<int> jsonWholeNumber(const QJsonValue &value, int lo, int hi)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (d != std::floor(d) || d < lo || d > hi)
        return std::nullopt;
    return int(d);
}

Scenario Scenario::demo()
{
    return Scenario{{1, 2, 3}, {}, {}, DemoMeters()};
}

std::optional<Scenario> Scenario::fromJson(const QJsonObject &json, QString *error)
{
    const auto fail = [error](const QString &message) {
        *error = message;
        return std::nullopt;
    };
    if (const QString complaint = UnknownKey(json, {"stands", "faults", "sourceStatus", "meters"},
                                             QStringLiteral("the scenario"));
        !complaint.isEmpty())
        return fail(complaint);

    Scenario scenario = demo();
    if (const QJsonValue value = json.value(QStringLiteral("stands")); !value.isUndefined()) {
        const QString complaint = QStringLiteral("\"stands\" must be a list of stand numbers 1..10");
        if (!value.isArray())
            return fail(complaint);
        scenario.stands.clear();
        for (const QJsonValue &n : value.toArray()) {
            const auto stand = jsonWholeNumber(n, 1, BenchSimulator::StandCount);
            if (!stand)
                return fail(complaint);
            scenario.stands << *stand;
        }
    }

    if (QString complaint = ReadList(json, "faults", "fault", &scenario.faults, FaultRule::fromJson);
        !complaint.isEmpty())
        return fail(complaint);
    if (QString complaint = ReadList(json, "sourceStatus", "source status", &scenario.sourceStatus,
                                     StatusFaultFromJson);
        !complaint.isEmpty())
        return fail(complaint);
    if (QString complaint = ReadList(json, "meters", "meter", &scenario.meters, MeterValueFromJson);
        !complaint.isEmpty())
        return fail(complaint);

    QSet<QPair<int, int>> seen;
    for (qsizetype i = 0; i < scenario.meters.size(); ++i) {
        const MeterValue &m = scenario.meters.at(i);
        if (seen.contains({m.stand, m.position}))
            return fail(QStringLiteral("meter %1: stand %2 position %3 is given twice").arg(i + 1).arg(m.stand).arg(m.position));
        seen.insert({m.stand, m.position});
    }
    return scenario;
}

} // namespace sim
