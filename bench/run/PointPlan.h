// What one error point asks of the bench, computed from the point and the stands: how long
// a meter pulse takes at the point's load, how long the point's countdown runs, the source's
// phase angle, the texts of the stand setup frame and of the stop-point message, and which
// groups of the source frame have changed since the last programming.
#pragma once

#include "bench/link/Frames.h"
#include "bench/link/TStend.h"

#include <QString>

namespace bench::plan {

/// Seconds between two meter pulses at this load, rounded up. The power factor counts by
/// its magnitude (a reversed energy flow pulses just as fast); 0 when the load gives no
/// pulses at all (no constant, current, voltage or power factor).
int PulsePeriod(double pulsesPerKWh, double amps, double volts, double powerFactor);
/// The countdown preset of an error point: one and a half pulses to settle, then the
/// readings, each taking a measurement period or a pulse, whichever is longer, and a spare
/// second. Without pulses, the readings' measurement periods and the spare second.
int PointTotal(int pulsePeriod, int measurePeriod, int countMeasure);
/// The meter constant the point is timed by: the smallest of the present stands (the
/// longest pulse period), so that no stand is cut short; 0 without a present stand.
double TimingConstant(const StandArray &stands, int countStend);
/// The source's phase angle for the point: the angle of its power factor, turned by 180°
/// for inverse current, rounded to whole degrees; above 360 it is brought back by 360.
int PointAngle(double angle, bool inverseCurrent);
/// The power factor as the stand frame carries it: "1", "0.5/L", "0.5/C".
QString PowerFactorText(const QString &powerFactor, int loadCharacter);
/// The message of a stop point: the operator prepares the stands for the point's current.
QString StopPointText(bool inverseCurrent, const QString &currentText);

/// What the source was last programmed to (-1: nothing).
struct SetPoints
{
    double &U, &I, &F;
    int &Angle;
};

/// The point's load, as the operator sees it in the run window.
struct Load
{
    double volts;
    QString voltsText;
    double amps;
    QString ampsText;
    int angle;
};

/// The source frame groups that differ from what the source holds (50 Hz always), with the
/// set points brought up to date; no group at all when nothing changed.
frames::SourceProgram ChangedGroups(SetPoints set, const Load &load);
/// True when the program has at least one group to send.
bool HasGroups(const frames::SourceProgram &program);

} // namespace bench::plan
