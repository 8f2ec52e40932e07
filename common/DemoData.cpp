// Demo reference data: invented single-phase meter types and, per accuracy class, the usual
// verification test of a direct-connected active-energy meter (error points at unity, 0.5 L
// and 0.8 C power factor, starting current, creep and the register).
#include "common/DemoData.h"

#include "common/DatabaseInit.h"

#include <QSqlDatabase>

#include <cmath>

namespace DemoData {

namespace {

using DatabaseInit::Fields;
using DatabaseInit::insertRow;

struct MeterType
{
    const char *tip;
    const char *identificator;
    const char *maker;
    int classT;
    double unom;        ///< V
    double inom;        ///< A, base current
    double imax;        ///< A
    double reductRate;  ///< imp/kWh
    double cenaDel;     ///< kWh per register division
};

// The first type is the one the stands are fitted with in a demo database.
constexpr MeterType kTypes[] = {
    {"СЭО-101", "01", "Опытный приборный завод", 1, 230.0, 5.0, 60.0, 3200.0, 0.01},
    {"СЭО-101", "02", "Опытный приборный завод", 1, 230.0, 5.0, 60.0, 6400.0, 0.01},
    {"СЭБ-2", "01", "Учебный приборный завод", 2, 220.0, 10.0, 40.0, 1600.0, 0.1},
};

struct ClassRules
{
    int classT;
    double lowCurrentLimit;   ///< ±%, at 5 % Ib (unity) and 10 % Ib (0.5 L, 0.8 C)
    double limit;             ///< ±%, at the other currents
    double startingPercentI;  ///< starting current, % of Ib
    double creepNumerator;    ///< creep time, minutes = this / (k·m·Un·Imax)
};

constexpr ClassRules kClasses[] = {
    {1, 1.5, 1.0, 0.4, 600e6},
    {2, 2.5, 2.0, 0.5, 480e6},
};

constexpr int kPercentU = 100;
constexpr int kCreepPercentU = 115;
constexpr int kReadings = 3;
constexpr double kRegisterEnergy = 0.1;  ///< kWh delivered in the register test
constexpr int kSensitivityNumber = 9;    ///< point numbers after the eight error points
constexpr int kCreepNumber = 10;
constexpr int kRegisterNumber = 11;
constexpr int kRegister2Number = 12;

struct ErrorPoint
{
    double percentI;   ///< % of Ib
    double km;
    int lc;            ///< 0 "*", 1 "L", 2 "C"
    int seconds;       ///< measuring time
    bool lowCurrent;   ///< takes the wider limit
};

// A test serves every type of its class, so its times follow the slowest of them: the one
// with the smallest meter constant.
const MeterType &slowestType(int classT)
{
    const MeterType *slowest = nullptr;
    for (const MeterType &type : kTypes) {
        if (type.classT == classT && (!slowest || type.reductRate < slowest->reductRate))
            slowest = &type;
    }
    return *slowest;
}

int roundUp(double value, int step)
{
    return static_cast<int>(std::ceil(value / step)) * step;
}

// Long enough for 1.2 pulse periods at the starting current, to the next 10 s.
int startingSeconds(const MeterType &type, double startingPercentI)
{
    const double watts = type.unom * type.inom * startingPercentI / 100.0;
    const double pulsePeriod = 3.6e6 / (type.reductRate * watts);
    return roundUp(1.2 * pulsePeriod, 10);
}

// Creep watch for one measuring element at 115 % U, to the next whole minute.
int creepMinutes(const MeterType &type, double numerator)
{
    return roundUp(numerator / (type.reductRate * 1 * type.unom * type.imax), 1);
}

// The register test ends by energy; its own time is the fallback the controller can use:
// the time the energy takes at Un, Ib and unity power factor plus 40 s, to the next minute.
int registerMinutes(const MeterType &type)
{
    const double seconds = kRegisterEnergy * 1000.0 * 3600.0 / (type.unom * type.inom) + 40.0;
    return roundUp(seconds / 60.0, 1);
}

QList<ErrorPoint> errorPoints(const MeterType &type)
{
    const double imaxPercent = type.imax * 100.0 / type.inom;
    return {
        {5.0, 1.0, 0, 60, true},
        {10.0, 1.0, 0, 30, false},
        {100.0, 1.0, 0, 30, false},
        {imaxPercent, 1.0, 0, 30, false},
        {10.0, 0.5, 1, 30, true},
        {100.0, 0.5, 1, 30, false},
        {10.0, 0.8, 2, 30, true},
        {100.0, 0.8, 2, 30, false},
    };
}

QString insertTypes(QSqlDatabase &db, qint64 &firstTip)
{
    bool first = true;
    for (const MeterType &type : kTypes) {
        qint64 id = 0;
        const QString error = insertRow(
            db, QStringLiteral("TTip"),
            {{QStringLiteral("PTip"), QString::fromUtf8(type.tip)},
             {QStringLiteral("PIdentificator"), QString::fromUtf8(type.identificator)},
             {QStringLiteral("PMaker"), QString::fromUtf8(type.maker)},
             {QStringLiteral("PClassT"), double(type.classT)},
             {QStringLiteral("PUnom"), type.unom},
             {QStringLiteral("PInom"), type.inom},
             {QStringLiteral("PReductRate"), type.reductRate},
             {QStringLiteral("PIdentReductRate"), 1},  // "имп/кВт*час"
             {QStringLiteral("PPhase"), 1},            // "1ф"
             {QStringLiteral("PEnergy"), 1},           // "Активная"
             {QStringLiteral("PCenaDel"), type.cenaDel},
             {QStringLiteral("PImax"), type.imax}},
            &id);
        if (!error.isEmpty())
            return error;
        if (first)
            firstTip = id;
        first = false;
    }
    return {};
}

QString insertTest(QSqlDatabase &db, const ClassRules &rules, qint64 &testId)
{
    const MeterType &type = slowestType(rules.classT);
    const int starting = startingSeconds(type, rules.startingPercentI);
    const int registerMin = registerMinutes(type);
    return insertRow(
        db, QStringLiteral("TTest"),
        {{QStringLiteral("PNameTable"), QStringLiteral("Класс %1").arg(rules.classT)},
         {QStringLiteral("PDescription"), QStringLiteral("Поверка по ГОСТ 31819.21, кл. %1").arg(rules.classT)},
         {QStringLiteral("PSensitivityCB"), true},
         {QStringLiteral("PSensitivityU"), kPercentU},
         {QStringLiteral("PSensitivityI"), rules.startingPercentI},
         {QStringLiteral("PSensitivityT"), starting / 60},
         {QStringLiteral("PSensitivityTSec"), starting % 60},
         {QStringLiteral("PSensitivityN"), kSensitivityNumber},
         {QStringLiteral("PSamochodCB"), true},
         {QStringLiteral("PSamochodU"), kCreepPercentU},
         {QStringLiteral("PSamochodI"), 0.0},
         {QStringLiteral("PSamochodT"), creepMinutes(type, rules.creepNumerator)},
         {QStringLiteral("PSamochodTSec"), 0},
         {QStringLiteral("PSamochodN"), kCreepNumber},
         {QStringLiteral("PCountDeviceCB"), true},
         {QStringLiteral("PEnergyCB"), true},
         {QStringLiteral("PCountDeviceU"), kPercentU},
         {QStringLiteral("PCountDeviceI"), 100.0},
         {QStringLiteral("PCountDeviceT"), registerMin},
         {QStringLiteral("PCountDeviceTSec"), 0},
         {QStringLiteral("PCountEnergy"), kRegisterEnergy},
         {QStringLiteral("PCountDeviceN"), kRegisterNumber},
         // Tariff 2 is prepared the same way but off: single-tariff meters.
         {QStringLiteral("PCountDeviceCB1"), false},
         {QStringLiteral("PEnergyCB1"), true},
         {QStringLiteral("PCountDeviceU1"), kPercentU},
         {QStringLiteral("PCountDeviceI1"), 100.0},
         {QStringLiteral("PCountDeviceT1"), registerMin},
         {QStringLiteral("PCountDeviceTSec1"), 0},
         {QStringLiteral("PCountEnergy1"), kRegisterEnergy},
         {QStringLiteral("PCountDeviceN1"), kRegister2Number}},
        &testId);
}

// `sequence` is the running PNumPoint over the whole table.
QString insertPoints(QSqlDatabase &db, const ClassRules &rules, qint64 testId, int &sequence)
{
    const QList<ErrorPoint> points = errorPoints(slowestType(rules.classT));
    int number = 0;
    for (const ErrorPoint &point : points) {
        const double limit = point.lowCurrent ? rules.lowCurrentLimit : rules.limit;
        const QString error = insertRow(
            db, QStringLiteral("TTestPoint"),
            {{QStringLiteral("PSecIndex"), testId},
             {QStringLiteral("PNumPoint1"), ++number},
             {QStringLiteral("PNumPoint"), ++sequence},
             {QStringLiteral("PPersentU"), kPercentU},
             {QStringLiteral("PPersentI"), point.percentI},
             {QStringLiteral("PKM"), point.km},
             {QStringLiteral("PLC"), point.lc},
             {QStringLiteral("PTimeM"), point.seconds / 60},
             {QStringLiteral("PTimeS"), point.seconds % 60},
             {QStringLiteral("PMeasureMax"), limit},
             {QStringLiteral("PMeasureMin"), -limit},
             {QStringLiteral("PCountMeasure"), kReadings},
             {QStringLiteral("PInverseTok"), false},
             {QStringLiteral("PStopPoint"), 0}});  // "Без останова"
        if (!error.isEmpty())
            return error;
    }
    return {};
}

} // namespace

QString insertDemoData(QSqlDatabase &db, qint64 &firstTip)
{
    if (QString error = insertTypes(db, firstTip); !error.isEmpty())
        return error;
    int sequence = 0;
    for (const ClassRules &rules : kClasses) {
        qint64 testId = 0;
        if (QString error = insertTest(db, rules, testId); !error.isEmpty())
            return error;
        if (QString error = insertPoints(db, rules, testId, sequence); !error.isEmpty())
            return error;
    }
    return {};
}

} // namespace DemoData
