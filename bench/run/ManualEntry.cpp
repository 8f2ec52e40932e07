// The manual entry panel PHand of manual check and source control: the source settings the
// operator types, kept in the single THand record, the rules that keep U with %U, I with
// %I and the power factor with the angle consistent, and the frames that program the
// source (and, in manual check, the stands) from them.
#include "bench/data/TDM.h"
#include "bench/link/Frames.h"
#include "bench/link/StandReply.h"
#include "bench/link/TransEngine.h"
#include "bench/run/KorColorStringGrid.h"
#include "bench/run/TFTest.h"
#include "bench/shell/TFMain.h"
#include "common/Prompts.h"
#include "common/UTools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QValidator>

#include <cmath>
#include <limits>

namespace bench {

namespace {

constexpr double NoLimit = std::numeric_limits<double>::max();
constexpr double MaxPercentU = 120;
constexpr double MaxPercentI = 1500;
constexpr double ResourceCurrentLimit = 20; ///< A; above it a tired source is not programmed

const QString Caption = QStringLiteral("TK710 v2.0");
const QString OverImax = QStringLiteral(
    "Внимание! Превышение максимального значения тока для счетчика, тест не может быть продолжен.");

/// A number with at most `decimals` places inside [min, max]. A text that can still grow
/// into the range (a frequency "5" on its way to "50") is intermediate; one that cannot
/// is refused as typed, so the field never holds a value beyond its limits.
class LimitValidator final : public QValidator
{
public:
    LimitValidator(int decimals, double min, double max, QObject *parent)
        : QValidator(parent), m_decimals(decimals), m_min(min), m_max(max)
    {
    }

    State validate(QString &input, int &) const override
    {
        if (input.isEmpty())
            return Acceptable; // an empty field becomes 0 on leaving it
        const QString digits = m_decimals > 0 ? QStringLiteral("^-?\\d*(\\.\\d{0,%1})?$").arg(m_decimals)
                                              : QStringLiteral("^-?\\d*$");
        if (!QRegularExpression(digits).match(input).hasMatch() || (input.startsWith(u'-') && m_min >= 0))
            return Invalid;
        bool ok = false;
        const double v = input.toDouble(&ok);
        if (!ok)
            return Intermediate; // "-" or "."
        // More digits only move a value away from zero.
        if (v > m_max)
            return v > 0 ? Invalid : Intermediate;
        if (v < m_min)
            return v < 0 ? Invalid : Intermediate;
        return Acceptable;
    }

private:
    int m_decimals;
    double m_min, m_max;
};

/// A power factor as it can be typed: a number, or the start of one.
class PowerFactorValidator final : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        static const QRegularExpression number(QStringLiteral("^-?\\d*(\\.\\d*)?$"));
        if (!number.match(input).hasMatch())
            return Invalid;
        bool ok = false;
        input.toDouble(&ok);
        return ok || input.isEmpty() ? Acceptable : Intermediate;
    }
};

/// Runs `then` on every event of one type of the watched objects.
class EventWatch final : public QObject
{
public:
    EventWatch(QEvent::Type type, std::function<void()> then, QObject *parent)
        : QObject(parent), m_type(type), m_then(std::move(then))
    {
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == m_type)
            m_then();
        return false;
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_then;
};

struct HandField
{
    QLineEdit *TFTest::*edit;
    const char *name;  ///< component name
    const char *field; ///< THand field
    int decimals;
    double min, max;
};

const HandField HandFields[] = {
    {&TFTest::DBVoltage, "DBVoltage", "PVoltage", 1, -NoLimit, NoLimit},
    {&TFTest::DBperVoltage, "DBperVoltage", "PPerU", 1, -NoLimit, MaxPercentU},
    {&TFTest::DBTok, "DBTok", "PTok", 3, -NoLimit, 120},
    {&TFTest::DBPerTok, "DBPerTok", "PPerI", 1, -NoLimit, MaxPercentI},
    {&TFTest::DBAngle, "DBAngle", "PAngle", 0, -NoLimit, 360},
    {&TFTest::DBTimeM, "DBTimeM", "PTimeM", 0, -NoLimit, 300},
    {&TFTest::DBTimeS, "DBTimeS", "PTimeS", 0, -NoLimit, 60},
    {&TFTest::DBDop, "DBDop", "PDop", 1, -NoLimit, 100},
    {&TFTest::DBDopMin, "DBDopMin", "PDopMin", 1, -100, NoLimit},
    {&TFTest::DBFreg, "DBFreg", "PFreq", 1, 47.5, 63},
};

const HandField &handField(const TFTest &t, const QLineEdit *edit)
{
    for (const HandField &f : HandFields)
        if (t.*f.edit == edit)
            return f;
    Q_UNREACHABLE();
}

QString fixed(double v, int decimals)
{
    return QString::number(UTools::RoundHalfEven(v, decimals), 'f', decimals);
}

/// The value of a field; nothing when it is empty or not (yet) a number.
std::optional<double> number(const QString &text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? std::optional(v) : std::nullopt;
}

bool focused(const QWidget *w)
{
    return w->hasFocus() || (w->focusProxy() && w->focusProxy()->hasFocus());
}

QGroupBox *group(QWidget *parent, const QString &caption, const QString &name = {})
{
    auto *box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    new QGridLayout(box);
    return box;
}

/// A control with its caption beside it, the caption also its accessible name.
void addRow(QGroupBox *box, const QString &caption, QWidget *control, const QString &accessible = {})
{
    auto *grid = static_cast<QGridLayout *>(box->layout());
    const int row = grid->rowCount();
    if (!caption.isEmpty()) {
        auto *label = new QLabel(caption, box);
        label->setBuddy(control);
        grid->addWidget(label, row, 0);
    }
    control->setAccessibleName(accessible.isEmpty() ? caption : accessible);
    grid->addWidget(control, row, 1);
}

} // namespace

// ---- Build ---------------------------------------------------------------------------------

void TFTest::buildManualEntry()
{
    // Every field's exit is DBVoltageExit; the window's showing prepares the record.
    auto *exitWatch = new EventWatch(QEvent::FocusOut, [this] { DBVoltageExit(); }, PHand);
    auto *showWatch = new EventWatch(QEvent::Show, [this] { HandFormShow(); }, PHand);
    installEventFilter(showWatch);
    m_handWatches = {exitWatch, showWatch};
    TableDataSet *hand = m_dm.ADOHand;
    for (const HandField &f : HandFields) {
        auto *edit = new QLineEdit(PHand);
        edit->setObjectName(QString::fromLatin1(f.name));
        edit->setValidator(new LimitValidator(f.decimals, f.min, f.max, edit));
        edit->installEventFilter(exitWatch);
        // The field follows its control as typed; AHandPost writes it.
        connect(edit, &QLineEdit::textChanged, this, [this, edit, field = QString::fromLatin1(f.field), hand] {
            if (hand->rowCount() == 0 || !edit->hasAcceptableInput())
                return;
            const std::optional<double> v = number(edit->text());
            hand->setValue(0, field, v ? QVariant(*v) : QVariant());
        });
        this->*f.edit = edit;
    }
    connect(DBperVoltage, &QLineEdit::textChanged, this, &TFTest::DBperVoltageChange);
    connect(DBVoltage, &QLineEdit::textChanged, this, &TFTest::DBVoltageChange);
    connect(DBPerTok, &QLineEdit::textChanged, this, &TFTest::DBPerTokChange);
    connect(DBTok, &QLineEdit::textChanged, this, &TFTest::DBTokChange);
    connect(DBAngle, &QLineEdit::textChanged, this, &TFTest::DBAngleChange);

    DBKm = new QComboBox(PHand);
    DBKm->setObjectName(QStringLiteral("DBKm"));
    DBKm->setEditable(true);
    DBKm->setInsertPolicy(QComboBox::NoInsert);
    DBKm->addItems({QStringLiteral("1"), QStringLiteral("0.5"), QStringLiteral("0"), QStringLiteral("-0.5"),
                    QStringLiteral("-1")});
    DBKm->setValidator(new PowerFactorValidator(DBKm));
    // "0" must stay 0, not be completed to "0.5" while typed.
    DBKm->setCompleter(nullptr);
    DBKm->lineEdit()->installEventFilter(exitWatch);
    connect(DBKm, &QComboBox::editTextChanged, this, [this, hand](const QString &text) {
        if (hand->rowCount() == 0)
            return;
        if (const std::optional<double> km = number(text))
            hand->setValue(0, QStringLiteral("PKM"), *km);
        else if (text.isEmpty())
            hand->setValue(0, QStringLiteral("PKM"), QVariant());
        DBkmChange();
    });
    DBLC = new QComboBox(PHand);
    DBLC->setObjectName(QStringLiteral("DBLC"));
    DBLC->addItems({QStringLiteral("*"), QStringLiteral("L"), QStringLiteral("C")});
    DBLC->installEventFilter(exitWatch);
    connect(DBLC, &QComboBox::currentIndexChanged, this, [this, hand](int index) {
        if (hand->rowCount() > 0 && index >= 0)
            hand->setValue(0, QStringLiteral("PLC"), index);
        DBkmChange();
    });
    DBCheckBoxEh2 = new QCheckBox(QStringLiteral("Инверсия "), PHand);
    DBCheckBoxEh2->setObjectName(QStringLiteral("DBCheckBoxEh2"));
    DBCheckBoxEh2->installEventFilter(exitWatch);
    connect(DBCheckBoxEh2, &QCheckBox::clicked, this, [this, hand](bool on) {
        if (hand->rowCount() > 0)
            hand->setValue(0, QStringLiteral("PInversionTok"), on);
        AHandPost();
    });

    auto *row = new QHBoxLayout(PHand);
    row->setContentsMargins(0, 0, 0, 0);
    QGroupBox *voltage = group(PHand, QStringLiteral("Напряжение"), QStringLiteral("GBVoltage"));
    addRow(voltage, QStringLiteral("U, В"), DBVoltage);
    addRow(voltage, QStringLiteral("%, Uном"), DBperVoltage);
    QGroupBox *current = group(PHand, QStringLiteral("Ток"), QStringLiteral("GBTok"));
    addRow(current, QStringLiteral("I, А"), DBTok);
    addRow(current, QStringLiteral("%, Iном"), DBPerTok);
    addRow(current, {}, DBCheckBoxEh2, QStringLiteral("Инверсия "));
    QGroupBox *power = group(PHand, QStringLiteral("Коэффициент мощности"), QStringLiteral("GBKm"));
    addRow(power, QStringLiteral("Км"), DBKm);
    addRow(power, {}, DBLC, QStringLiteral("Характер нагрузки"));
    addRow(power, QStringLiteral("Угол"), DBAngle);
    GBTime = group(PHand, QStringLiteral("Время измерения"), QStringLiteral("GBTime"));
    addRow(GBTime, QStringLiteral("Т, мин."), DBTimeM);
    addRow(GBTime, QStringLiteral("Т, сек."), DBTimeS);
    GBMistake = group(PHand, QStringLiteral("Допустимая погрешность"), QStringLiteral("GBMistake"));
    // The caption is a delta sign: the Symbol font shows "d" as δ.
    addRow(GBMistake, QStringLiteral("δ,%max"), DBDop);
    addRow(GBMistake, QStringLiteral("δ,%min"), DBDopMin);
    QGroupBox *frequency = group(PHand, QStringLiteral("Частота"), QStringLiteral("GBFreg"));
    addRow(frequency, QStringLiteral("F, Гц"), DBFreg);
    for (QGroupBox *box : {voltage, current, power, GBTime, GBMistake, frequency})
        row->addWidget(box);
    row->addStretch(1);
}

// ---- Record --------------------------------------------------------------------------------

void TFTest::showHandField(QLineEdit *edit, double value)
{
    edit->setText(fixed(value, handField(*this, edit).decimals));
}

void TFTest::HandFormShow()
{
    TableDataSet *hand = m_dm.ADOHand;
    if (hand->rowCount() == 0) {
        const QString e = hand->append({{QStringLiteral("PPerU"), 100.0},
                                        {QStringLiteral("PPerI"), 100.0},
                                        {QStringLiteral("PKM"), 1.0},
                                        {QStringLiteral("PLC"), 0},
                                        {QStringLiteral("PDop"), 1.0},
                                        {QStringLiteral("PTimeM"), 0},
                                        {QStringLiteral("PTimeS"), 10},
                                        {QStringLiteral("PFreq"), 50.0}});
        if (!e.isEmpty()) {
            m_prompts.error(QStringLiteral("Ошибка"), e);
            return;
        }
    }
    hand->setCurrentRow(0);
    for (const HandField &f : HandFields) {
        const QVariant v = hand->value(0, QString::fromLatin1(f.field));
        if (v.isNull())
            (this->*f.edit)->clear();
        else
            showHandField(this->*f.edit, v.toDouble());
    }
    const QVariant km = hand->value(0, QStringLiteral("PKM"));
    DBKm->setEditText(km.isNull() ? QString() : QString::number(km.toDouble()));
    DBLC->setCurrentIndex(qBound(0, hand->value(0, QStringLiteral("PLC")).toInt(), 2));
    DBCheckBoxEh2->setChecked(hand->value(0, QStringLiteral("PInversionTok")).toBool());

    const double unom = m_dm.ADOTipF->currentValue(QStringLiteral("PUnom")).toDouble();
    const double inom = m_dm.ADOTipF->currentValue(QStringLiteral("PInom")).toDouble();
    if (const auto pu = number(DBperVoltage->text()))
        showHandField(DBVoltage, *pu * unom / 100);
    if (const auto pi = number(DBPerTok->text())) {
        showHandField(DBTok, *pi * inom / 100);
        colourHandCurrent();
    }
}

void TFTest::AHandPost()
{
    if (const QString e = m_dm.ADOHand->post(); !e.isEmpty())
        m_prompts.error(QStringLiteral("Ошибка"), e);
}

void TFTest::ZeroEmptyManualFields()
{
    for (QLineEdit *edit : {DBVoltage, DBTok, DBperVoltage, DBPerTok, DBAngle, DBFreg, DBDop, DBDopMin, DBTimeM,
                            DBTimeS})
        if (edit->text().isEmpty())
            edit->setText(QStringLiteral("0"));
    if (DBKm->currentText().isEmpty())
        DBKm->setEditText(QStringLiteral("0"));
}

void TFTest::DBVoltageExit()
{
    // A value left short of its range (a frequency "5") goes back to the stored one.
    for (const HandField &f : HandFields) {
        QLineEdit *edit = this->*f.edit;
        if (edit->hasAcceptableInput())
            continue;
        const QVariant v = m_dm.ADOHand->value(0, QString::fromLatin1(f.field));
        if (v.isNull())
            edit->clear();
        else
            showHandField(edit, v.toDouble());
        const bool range = f.min > -NoLimit && f.max < NoLimit;
        m_prompts.warning(Caption, range ? QStringLiteral("Значение должно быть от %1 до %2")
                                               .arg(UTools::FloatToWire(f.min), UTools::FloatToWire(f.max))
                                         : QStringLiteral("Значение должно быть числом"));
    }
    ZeroEmptyManualFields();
}

// ---- Linked fields: each runs only while its own control has the focus, so what it writes
// into the other controls starts no rule of theirs. ---------------------------------------

void TFTest::DBperVoltageChange()
{
    const auto pu = number(DBperVoltage->text());
    if (!focused(DBperVoltage) || !pu)
        return;
    showHandField(DBVoltage, *pu * m_dm.ADOTipF->currentValue(QStringLiteral("PUnom")).toDouble() / 100);
}

void TFTest::DBVoltageChange()
{
    const auto u = number(DBVoltage->text());
    const double unom = m_dm.ADOTipF->currentValue(QStringLiteral("PUnom")).toDouble();
    if (!focused(DBVoltage) || !u || unom == 0)
        return;
    const double percent = *u * 100 / unom;
    if (percent > MaxPercentU) {
        showHandField(DBperVoltage, MaxPercentU);
        showHandField(DBVoltage, MaxPercentU * unom / 100);
    } else {
        showHandField(DBperVoltage, percent);
    }
}

void TFTest::DBPerTokChange()
{
    const auto pi = number(DBPerTok->text());
    if (!focused(DBPerTok) || !pi)
        return;
    showHandField(DBTok, *pi * m_dm.ADOTipF->currentValue(QStringLiteral("PInom")).toDouble() / 100);
}

void TFTest::DBTokChange()
{
    const auto i = number(DBTok->text());
    const double inom = m_dm.ADOTipF->currentValue(QStringLiteral("PInom")).toDouble();
    if (focused(DBTok) && i && inom != 0) {
        const double percent = *i * 100 / inom;
        if (percent > MaxPercentI) {
            showHandField(DBPerTok, MaxPercentI);
            showHandField(DBTok, MaxPercentI * inom / 100);
        } else {
            showHandField(DBPerTok, percent);
        }
    }
    colourHandCurrent();
}

void TFTest::colourHandCurrent()
{
    const double imax = m_dm.ADOTipF->currentValue(QStringLiteral("PImax")).toDouble();
    QPalette palette = DBTok->palette();
    palette.setColor(QPalette::Base, DBTok->text().toDouble() > imax ? CellLightRed : CellWhite);
    DBTok->setPalette(palette);
}

void TFTest::DBkmChange()
{
    if (!(focused(DBKm) || DBKm->lineEdit()->hasFocus() || focused(DBLC)))
        return;
    const std::optional<double> km = number(DBKm->currentText());
    if (!km)
        return; // empty, or not a number yet
    if (*km == 1 || *km == -1) {
        DBLC->setCurrentIndex(UTools::LoadNone);
        DBAngle->setText(*km == 1 ? QStringLiteral("0") : QStringLiteral("180"));
        return;
    }
    if (*km <= -1 || *km > 1)
        return;
    if (DBLC->currentIndex() == UTools::LoadNone)
        DBLC->setCurrentIndex(UTools::LoadL);
    if (const auto angle = UTools::AngleFromPowerFactor(*km, DBLC->currentIndex()))
        showHandField(DBAngle, *angle);
}

void TFTest::DBAngleChange()
{
    const auto angle = number(DBAngle->text());
    if (!focused(DBAngle) || !angle)
        return;
    const auto pf = UTools::PowerFactorFromAngle(int(*angle));
    if (!pf)
        return; // below 0, or 360 and above
    DBLC->setCurrentIndex(pf->plc);
    DBKm->setEditText(pf->plc == UTools::LoadNone ? QString::number(pf->km) : UTools::PowerFactorText(pf->km));
}

// ---- Programming the source ------------------------------------------------------------------

int TFTest::manualAngle() const
{
    const int angle = DBAngle->text().toInt();
    return DBCheckBoxEh2->isChecked() ? UTools::InverseCurrentAngle(angle) : angle;
}

void TFTest::programManualSource(int priority, bool u, bool i, bool f, bool angle)
{
    frames::SourceProgram program;
    if (u)
        program.u = DBVoltage->text();
    if (i)
        program.i = DBTok->text();
    if (f)
        program.f = DBFreg->text();
    if (angle)
        program.angle = QString::number(manualAngle());
    m_main.engine->AddTrans({trSourceProgram, frames::sourceProgram(program), frames::SourceAddress, priority});
}

void TFTest::StartManualMeasurement()
{
    TransEngine &engine = *m_main.engine;
    engine.ClearTrans();
    const double current = DBTok->text().toDouble();
    if (m_main.ResourceExhausted && current > ResourceCurrentLimit)
        return; // AGo has told the operator
    LTime->setText(QStringLiteral("0:00"));
    LTimeDec->setText(QStringLiteral("0:00"));
    PollEnabled = true;
    if (current > m_dm.ADOTipStend1->currentValue(QStringLiteral("PImax")).toDouble()) {
        m_prompts.error(Caption, OverImax);
        return;
    }
    GridTest->setPopupMenu(PMSbros);
    ClearTestGrid();

    const QString time = QString::number(DBTimeM->text().toInt() * 60 + DBTimeS->text().toInt());
    m_main.SetI = current;
    m_main.SetU = DBVoltage->text().toDouble();
    m_main.SetF = DBFreg->text().toDouble();
    const QString pf = DBLC->currentIndex() == UTools::LoadNone ? DBKm->currentText()
                                                                 : DBKm->currentText() + "/" + DBLC->currentText();
    for (int n = 1; n <= MaxStands; ++n)
        if (m_main.Stands[std::size_t(n)].Present)
            engine.AddTrans({trStandSetup, frames::standSetup(n, DBVoltage->text(), DBTok->text(), pf, time),
                             frames::standAddress(n), 150 - n});
    m_main.SetAngle = manualAngle();
    programManualSource(130, true, true, true, true);
    engine.Frame.MeterCountText = time.toLatin1();
    engine.AddTrans({trSourceSettled, {}, 0, 99});
}

void TFTest::ApplySourceControl()
{
    const double current = DBTok->text().toDouble();
    if (m_main.ResourceExhausted && current > ResourceCurrentLimit)
        return;
    PollEnabled = true;
    if (current > m_dm.ADOTipF->currentValue(QStringLiteral("PImax")).toDouble()) {
        m_prompts.error(Caption, OverImax);
        return;
    }
    const auto change = [](auto &set, auto value) {
        const bool changed = set != value;
        set = value;
        return changed;
    };
    const bool angle = change(m_main.SetAngle, manualAngle());
    const bool i = change(m_main.SetI, current);
    const bool u = change(m_main.SetU, DBVoltage->text().toDouble());
    const bool f = change(m_main.SetF, DBFreg->text().toDouble());
    if (u || i || f || angle)
        programManualSource(150, u, i, f, angle);
}

} // namespace bench
