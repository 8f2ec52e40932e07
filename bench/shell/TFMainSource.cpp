// The source side of the main window: the readings on the status panels of both windows,
// the reaction to overloads (a few readings ignored, the point programmed again, or the
// source switched off and the reason shown once it has acknowledged), "Выключить
// источник", "Управление источником", and the continuous-operation resource that limits
// how long high currents may flow.
#include "bench/shell/TFMain.h"

#include "bench/data/TDM.h"
#include "bench/link/TransEngine.h"
#include "bench/run/TFTest.h"
#include "bench/shell/MainDialogs.h"
#include "common/Prompts.h"
#include "common/Scheduler.h"
#include "common/UTools.h"

#include <QAction>
#include <QLabel>
#include <QPalette>

#include <algorithm>
#include <optional>

namespace bench {

namespace {

// Status bits of the source.
constexpr int NotSettled = 1;
constexpr int CurrentFlag = 2;
constexpr int VoltageFlag = 4;
constexpr int PowerFactorFlag = 8;
constexpr int ProtectionTripped = 32;
constexpr int VoltageOverload = 64;
constexpr int CurrentOverload = 128;
constexpr int OverloadBits = ProtectionTripped | VoltageOverload | CurrentOverload;

const QString CaptionU = QStringLiteral("U = ");
const QString CaptionI = QStringLiteral("I = ");
const QString CaptionP = QStringLiteral("P = ");
const QString CaptionF = QStringLiteral("F = ");
const QString CaptionKm = QStringLiteral("Коэф. мощ. = ");
const QString CaptionRange = QStringLiteral("Предел по току: ");

const QString RangeTexts[] = {
    QStringLiteral("Предел по току: (60 - 120) А"),   QStringLiteral("Предел по току: (10 - 60) А"),
    QStringLiteral("Предел по току: (1.7 - 10) А"),   QStringLiteral("Предел по току: (0.3 - 1.7) А"),
    QStringLiteral("Предел по току: (0.05 - 0.3) А"), QStringLiteral("Предел по току: (0.01 - 0.05) А"),
};

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

/// Decimals of the current: more the smaller it is.
int currentDecimals(double amps)
{
    if (amps < 0.1)
        return 5;
    if (amps < 1)
        return 4;
    if (amps < 10)
        return 3;
    return 2;
}

/// Background of a panel; no colour gives the normal face colour back.
void paint(QWidget *panel, std::optional<QColor> colour)
{
    QPalette palette = panel->parentWidget() ? panel->parentWidget()->palette() : QPalette();
    if (colour)
        palette.setColor(QPalette::Window, *colour);
    panel->setAutoFillBackground(true);
    panel->setPalette(palette);
}

std::optional<QColor> yellowWhen(bool flag)
{
    return flag ? std::optional<QColor>(QColor(Qt::yellow)) : std::nullopt;
}

} // namespace

void TFMain::parseSourceReply(const QByteArray &reply)
{
    if (!ParseSourceReply(reply, Source)) {
        // The rest of the reply is not acted on; the panels keep what they show.
        m_deps.prompts.error(QString(), QStringLiteral("Состояние источника не является целым числом: ответ пропущен."));
        return;
    }
    runWindow->LEnergy->setText(fixed(Source.Energy, 3));
    if (Mode == 1 || Mode == 2)
        endRegisterPointByEnergy();
    ShowSourceState();
}

void TFMain::endRegisterPointByEnergy()
{
    const QueryDataSet *test = m_deps.dm.ADOTest1;
    const auto doseDelivered = [&](const char *ticked, const char *kWh) {
        return test->currentValue(QString::fromLatin1(ticked)).toBool() &&
               test->currentValue(QString::fromLatin1(kWh)).toDouble() * 1000 <= Source.Energy;
    };
    const int kind = runWindow->currentPoint().kind;
    if ((kind == 3 && doseDelivered("PEnergyCB", "PCountEnergy")) ||
        (kind == 4 && doseDelivered("PEnergyCB1", "PCountEnergy1")))
        runWindow->setRemaining(1); // the point ends at the next tick of its countdown
}

void TFMain::ShowSourceState()
{
    if (ExtraReads > 0) {
        --ExtraReads; // a reading right after an overload: the source is still recovering
        return;
    }
    const SourcePanels windows[] = {SourcePanels{PVoltage, PPower, PTok, PFreg, PKm, PLimitcurrent},
                                    runWindow->sourcePanels()};
    const int status = Source.Status;
    for (const SourcePanels &w : windows) {
        if (Source.U <= 5 || (status & NotSettled)) {
            w.PVoltage->setText(CaptionU);
            w.PTok->setText(CaptionI);
            w.PPower->setText(CaptionP);
            w.PFreg->setText(CaptionF);
            w.PKm->setText(CaptionKm);
            w.PLimitcurrent->setText(CaptionRange);
            for (QLabel *p : {w.PKm, w.PVoltage, w.PTok})
                paint(p, std::nullopt);
            continue;
        }
        w.PKm->setText(Source.I < 0.005 ? CaptionKm
                                        : CaptionKm + fixed(Source.PF, 2) + UTools::AngleSuffix(SetAngle));
        w.PVoltage->setText(CaptionU + fixed(Source.U, 2) + QStringLiteral(" В"));
        w.PFreg->setText(CaptionF + fixed(Source.F, 2) + QStringLiteral(" Гц"));
        w.PPower->setText(CaptionP + fixed(Source.P, 2) + QStringLiteral(" Вт"));
        w.PTok->setText(CaptionI + fixed(Source.I, currentDecimals(Source.I)) + QStringLiteral(" А"));
        if (const int range = quint8(Source.Range) & 7; range < 6)
            w.PLimitcurrent->setText(RangeTexts[range]);
        paint(w.PKm, yellowWhen(status & PowerFactorFlag));
        paint(w.PVoltage, yellowWhen(status & VoltageFlag));
        paint(w.PTok, yellowWhen(status & CurrentFlag));
    }
    // The stands get their meter parameters only once the programmed source reads clean.
    if (status == 0 && engine->Frame.SourceSettled) {
        engine->Frame.SourceSettled = false;
        engine->SendMeterFrames();
    }
    overloadReaction();
}

void TFMain::overloadReaction()
{
    const int overload = Source.Status & OverloadBits;
    OverloadKind = 0;
    // Two clean readings in a row forgive earlier overloads.
    if (SetU != -1 && SetI != -1 && !(Source.Status & NotSettled) && overload == 0) {
        if (CleanReads >= 1) {
            OverloadCount = 0;
            CleanReads = 0;
        } else {
            ++CleanReads;
        }
    }
    if (overload == ProtectionTripped || overload == VoltageOverload || overload == CurrentOverload)
        ++OverloadCount;

    switch (overload) {
    case ProtectionTripped:
        OverloadKind = 3;
        OverloadRetry = 0;
        stopForOverload();
        return;
    case VoltageOverload:
        if (OverloadRetry == 2 || OverloadCount > 2) {
            stopForOverload();
            OverloadKind = 1;
            OverloadRetry = 0;
        } else {
            ExtraReads = 4;
            OverloadRetry = 2;
            SetI = SetF = SetU = -1;
            SetAngle = -1;
        }
        return;
    case CurrentOverload:
        if (OverloadRetry == 3 || OverloadCount > 2) {
            stopForOverload();
            OverloadKind = 2;
            OverloadRetry = 0;
        } else {
            ExtraReads = 4;
            OverloadRetry = 3;
            SetI = SetF = -1; // the voltage stays as it was
            SetAngle = -1;
        }
        return;
    default:
        break;
    }
    if (OverloadRetry == 0 || OverloadCount >= 3)
        return;
    if (SetI == -1) {
        // The source is back: the point's source programming goes out again.
        if (Mode == 4) {
            runWindow->ApplySourceControl();
        } else if (Mode == 3 || Mode == 1 || Mode == 2) {
            if (Mode == 3)
                runWindow->StartManualMeasurement();
            else
                runWindow->RunPoint();
            if (runWindow->AStop)
                runWindow->AStop->setEnabled(true);
            if (runWindow->AGo)
                runWindow->AGo->setEnabled(false);
        }
    }
    if (!(Source.Status & NotSettled))
        OverloadRetry = 0;
}

void TFMain::stopForOverload()
{
    QAction *stop = runWindow->AStop;
    if (stop && stop->isEnabled())
        stop->trigger();
    else
        AStopButtonExecute();
}

void TFMain::AStopButtonExecute()
{
    if (consoleDown())
        return;
    forgetSetPoints();
    engine->AddTrans({trStopAll, {}, 255, 201});
    engine->AddTrans({trSourceOff, {}, 1, 200});
}

void TFMain::sourceOffAcknowledged()
{
    TAddSendParamSource->stop();
    const QString overload = QStringLiteral("Перегрузка");
    switch (OverloadKind) {
    case 1: m_deps.prompts.error(overload, QStringLiteral("Перегрузка по напряжению!")); break;
    case 2: m_deps.prompts.error(overload, QStringLiteral("Перегрузка по току!")); break;
    case 3:
        m_deps.prompts.error(overload, QStringLiteral("Сработало внутреннее защитное устройство! Для восстановления "
                                                      "работоспособности источника выключите питание и через 1-2 "
                                                      "минуты снова включите."));
        break;
    default: break;
    }
    TAddSendParamSource->start();
    if (TestDone) {
        TestDone = false;
        TAddSendParamSource->stop();
        m_deps.prompts.information(QStringLiteral("Информация"), QStringLiteral("Тест завершен"));
        TAddSendParamSource->start();
    }
}

void TFMain::ASourceExecute()
{
    NormalizeWarmUp();
    if (!postWarmUp() || consoleDown())
        return;
    Mode = 4;
    if (const QString e = m_deps.dm.ADOTableStend->post(); !e.isEmpty())
        m_deps.prompts.error(QString(), e);
    runWindow->SetupSourceControl();
    runWindow->show();
}

void TFMain::TTimeLimitTimer()
{
    const bool wires = sfConfigStend->connectTip() == 1; // "Проводники"
    const double amps = Source.I;
    if (amps < 20)
        ResourceCounter -= wires ? 8 : 4;
    else if (amps < 30)
        ResourceCounter += 1;
    else if (amps < 45)
        ResourceCounter += 3;
    else if (amps < 200)
        ResourceCounter += 9;
    ResourceCounter = std::max(ResourceCounter, 0);

    runWindow->PTimeLimit->setVisible(ResourceCounter > 0);
    const int limit = wires ? WiresLimit : ContactHolderLimit;
    const int rest = std::max(limit - ResourceCounter, 0);
    const int percent = int(UTools::RoundHalfEven(double(rest) / limit * 100, 0));
    if (percent > 50)
        ResourceExhausted = false;
    runWindow->LTimeLimit->setText(QString::number(percent) + QStringLiteral(" %"));
    if (ResourceExhausted)
        paint(runWindow->PTimeLimit, QColor(Qt::red));
    else if (ResourceCounter >= 0.75 * limit)
        paint(runWindow->PTimeLimit, QColor(Qt::yellow));
    else
        paint(runWindow->PTimeLimit, std::nullopt);

    if (ResourceCounter >= limit && amps > 20) {
        engine->ClearTrans();
        engine->AddTrans({trStopAll, {}, 255, 201});
        runWindow->CurrentOff();
        ResourceExhausted = true;
        // The stop is repeated every second while the current still flows; the operator
        // is told once, not with a box over a box.
        if (!m_resourceBoxShown) {
            m_resourceBoxShown = true;
            m_deps.prompts.error(QStringLiteral("TK710"),
                                 QStringLiteral("Превышен ресурс непрерывной работы при заданном значении тока! "
                                                "Включение установки при токе больше 20А возможно при ресурсе >50%"));
            m_resourceBoxShown = false;
        }
    }
}

} // namespace bench
