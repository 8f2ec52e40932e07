#include "bench/run/PointPlan.h"

#include <algorithm>
#include <cmath>

namespace bench::plan {

int PulsePeriod(double pulsesPerKWh, double amps, double volts, double powerFactor)
{
    const double product = pulsesPerKWh * amps * volts * std::abs(powerFactor);
    if (!(product > 0))
        return 0;
    return int(std::ceil(3600000 / product));
}

int PointTotal(int pulsePeriod, int measurePeriod, int countMeasure)
{
    if (pulsePeriod <= 0)
        return countMeasure * measurePeriod + 1;
    return int(std::ceil(1.5 * pulsePeriod)) + countMeasure * std::max(measurePeriod, pulsePeriod) + 1;
}

double TimingConstant(const StandArray &stands, int countStend)
{
    double smallest = 0;
    for (int n = 1; n <= countStend && n <= MaxStands; ++n) {
        const TStend &s = stands[std::size_t(n)];
        if (!s.Present)
            continue;
        const double c = s.PulsesPerKWh();
        if (smallest == 0 || (c > 0 && c < smallest))
            smallest = c;
    }
    return smallest;
}

int PointAngle(double angle, bool inverseCurrent)
{
    int degrees = int(std::nearbyint(inverseCurrent ? angle + 180 : angle));
    if (degrees > 360)
        degrees -= 360;
    return degrees;
}

QString PowerFactorText(const QString &powerFactor, int loadCharacter)
{
    if (loadCharacter == 1)
        return powerFactor + QStringLiteral("/L");
    if (loadCharacter == 2)
        return powerFactor + QStringLiteral("/C");
    return powerFactor;
}

QString StopPointText(bool inverseCurrent, const QString &currentText)
{
    return QStringLiteral("Внимание! Подготовьте стенды для проверки при") +
           (inverseCurrent ? QStringLiteral(" инверсном ") : QStringLiteral(" прямом ")) + QStringLiteral("токе ") +
           currentText + QStringLiteral("А.");
}

frames::SourceProgram ChangedGroups(SetPoints set, const Load &load)
{
    frames::SourceProgram program;
    if (set.Angle != load.angle) {
        set.Angle = load.angle;
        program.angle = QString::number(load.angle);
    }
    if (set.I != load.amps) {
        set.I = load.amps;
        program.i = load.ampsText;
    }
    if (set.U != load.volts) {
        set.U = load.volts;
        program.u = load.voltsText;
    }
    if (set.F != 50) {
        set.F = 50;
        program.f = QStringLiteral("50");
    }
    return program;
}

bool HasGroups(const frames::SourceProgram &program)
{
    return program.u || program.i || program.f || program.angle || program.energy || program.j;
}

} // namespace bench::plan
