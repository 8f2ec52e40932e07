// The run's preparation: the map between stands and grid rows, and the point list
// TTestBuf rebuilt from the chosen test, its special tests and the warm-up.
#include "bench/run/TFTest.h"

#include "bench/data/TDM.h"
#include "bench/shell/TFMain.h"
#include "common/Database.h"
#include "common/Prompts.h"
#include "common/UTools.h"

#include <QSqlError>
#include <QSqlQuery>

namespace bench {

namespace {

constexpr int WarmUpKind = 5;

/// A special test of TTest: its tick, its step kind and the columns of its values.
struct SpecialTest
{
    const char *ticked;
    int kind;
    const char *number, *percentU, *percentI, *minutes, *seconds;
};

constexpr SpecialTest SpecialTests[] = {
    {"PSensitivityCB", 1, "PSensitivityN", "PSensitivityU", "PSensitivityI", "PSensitivityT", "PSensitivityTSec"},
    {"PSamochodCB", 2, "PSamochodN", "PSamochodU", "PSamochodI", "PSamochodT", "PSamochodTSec"},
    {"PCountDeviceCB", 3, "PCountDeviceN", "PCountDeviceU", "PCountDeviceI", "PCountDeviceT", "PCountDeviceTSec"},
    {"PCountDeviceCB1", 4, "PCountDeviceN1", "PCountDeviceU1", "PCountDeviceI1", "PCountDeviceT1", "PCountDeviceTSec1"},
};

// Each selected column lands in the TTestBuf column of the same name.
const QString CopyPoints = QStringLiteral(
    "INSERT INTO TTestBuf (PNumPoint, PNumPoint1, PPersentU, PPersentI, PKM, PLC, PTimeM, PTimeS, "
    "PMeasureMax, PMeasureMin, PCountMeasure, PInverseTok, PStopPoint) "
    "SELECT TTestPoint.PNumPoint, TTestPoint.PNumPoint1, TTestPoint.PPersentU, TTestPoint.PPersentI, "
    "TTestPoint.PKM, TTestPoint.PLC, TTestPoint.PTimeM, TTestPoint.PTimeS, TTestPoint.PMeasureMax, "
    "TTestPoint.PMeasureMin, TTestPoint.PCountMeasure, TTestPoint.PInverseTok, TTestPoint.PStopPoint "
    "FROM TTestPoint WHERE TTestPoint.PSecIndex = ?");

const QString AppendSpecial = QStringLiteral(
    "INSERT INTO TTestBuf (PNumPoint1, PMode, PPersentU, PPersentI, PTimeM, PTimeS, PInverseTok, PKM) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)");

const QString AppendWarmUp = QStringLiteral(
    "INSERT INTO TTestBuf (PNumPoint1, PMode, PPersentU, PPersentI, PInverseTok, PKM, PCountMeasure, PTimeM, PTimeS) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");

bool run(QSqlQuery &query, const QString &statement, const QVariantList &values, QString &error)
{
    if (!query.prepare(statement)) {
        error = Database::engineMessage(query.lastError());
        return false;
    }
    for (const QVariant &v : values)
        query.addBindValue(v);
    if (!query.exec()) {
        error = Database::engineMessage(query.lastError());
        return false;
    }
    return true;
}

} // namespace

void TFTest::MapStands()
{
    StandRow.fill(0);
    RowStand.fill(0);
    int row = 0;
    for (int n = 1; n <= m_main.countStend() && n <= MaxStands; ++n) {
        if (!m_main.Stands[std::size_t(n)].Present)
            continue;
        ++row;
        StandRow[std::size_t(n)] = row;
        RowStand[std::size_t(row)] = n;
    }
}

int TFTest::presentStands() const
{
    int rows = 0;
    for (int n = 1; n <= MaxStands; ++n)
        if (StandRow[std::size_t(n)] > 0)
            ++rows;
    return rows;
}

bool TFTest::warmUpTicked() const
{
    return m_dm.ADOHand->currentValue(QStringLiteral("PProgon")).toBool();
}

void TFTest::FillTestBuf()
{
    TableDataSet *buf = m_dm.ADOTestBuf;
    buf->close();
    // The whole list is rebuilt in one write transaction: a failure leaves the previous
    // list as it was, never half of each.
    if (const QString failure = rebuildTestBuf(); !failure.isEmpty()) {
        qWarning("point list not rebuilt: %s", qPrintable(failure));
        m_prompts.error(QStringLiteral("Ошибка"), QStringLiteral("Ошибка запроса к базе данных !!!"));
    }
    // Run order: the warm-up (0) first, then 1..N; the first row is current.
    if (const QString e = buf->sortBy(QStringLiteral("PNumPoint1")); !e.isEmpty()) {
        qWarning("point list not opened: %s", qPrintable(e));
        m_prompts.error(QStringLiteral("Ошибка"), QStringLiteral("Ошибка запроса к базе данных !!!"));
    }

    // A point asking more current than the stands' meter type allows (the warm-up, added
    // after this check, is not one of them).
    m_main.CurrentTooHigh = false;
    const double imax = m_dm.ADOTipStend1->currentValue(QStringLiteral("PImax")).toDouble();
    for (int row = 0; row < buf->rowCount(); ++row)
        if (buf->value(row, QStringLiteral("PMode")).toInt() != WarmUpKind &&
            buf->value(row, QStringLiteral("PI")).toDouble() > imax)
            m_main.CurrentTooHigh = true;
}

QString TFTest::rebuildTestBuf()
{
    QSqlDatabase db = m_dm.database();
    WriteTransaction transaction(db);
    if (!transaction.isActive())
        return transaction.error();
    QSqlQuery query(db);
    QString error;

    // 1. The chosen test's error points.
    const QueryDataSet *test = m_dm.ADOTest1;
    if (!run(query, QStringLiteral("DELETE FROM TTestBuf"), {}, error))
        return error;
    if (!run(query, CopyPoints, {test->currentValue(QStringLiteral("PIndex"))}, error))
        return error;
    // 3. They are error measurement steps.
    if (!run(query, QStringLiteral("UPDATE TTestBuf SET PMode = 0"), {}, error))
        return error;
    // 4. The ticked special tests.
    for (const SpecialTest &s : SpecialTests) {
        if (!test->currentValue(QString::fromLatin1(s.ticked)).toBool())
            continue;
        const QVariantList values{test->currentValue(QString::fromLatin1(s.number)),
                                  s.kind,
                                  test->currentValue(QString::fromLatin1(s.percentU)),
                                  test->currentValue(QString::fromLatin1(s.percentI)),
                                  test->currentValue(QString::fromLatin1(s.minutes)),
                                  test->currentValue(QString::fromLatin1(s.seconds)),
                                  false,
                                  1.0};
        if (!run(query, AppendSpecial, values, error))
            return error;
    }
    // 5. Every step keeps its typed number.
    if (!run(query, QStringLiteral("UPDATE TTestBuf SET PNumPointBuf = PNumPoint1"), {}, error))
        return error;
    // 6. Renumbered 1, 2, 3 … in that order.
    if (!run(query, QStringLiteral("SELECT PIndex FROM TTestBuf ORDER BY PNumPointBuf, PIndex"), {}, error))
        return error;
    QVariantList keys;
    while (query.next())
        keys << query.value(0);
    query.finish();
    for (int i = 0; i < keys.size(); ++i)
        if (!run(query, QStringLiteral("UPDATE TTestBuf SET PNumPoint1 = ? WHERE PIndex = ?"), {i + 1, keys[i]}, error))
            return error;
    // 7. The warm-up, before a verification only: periods of 5 s over its duration.
    if (m_main.Mode == 2 && warmUpTicked()) {
        const TableDataSet *hand = m_dm.ADOHand;
        const int seconds = hand->currentValue(QStringLiteral("PTimeMProgon")).toInt() * 60 +
                            hand->currentValue(QStringLiteral("PTimeSProgon")).toInt();
        const QVariantList values{
            0,
            WarmUpKind,
            int(UTools::RoundHalfEven(hand->currentValue(QStringLiteral("PPerUProgon")).toDouble(), 0)),
            hand->currentValue(QStringLiteral("PPerIProgon")).toDouble(),
            false,
            1.0,
            int(UTools::RoundHalfEven(seconds / 5.0, 0)),
            0,
            5};
        if (!run(query, AppendWarmUp, values, error))
            return error;
    }
    query.finish();
    if (!transaction.commit())
        return transaction.error();
    return {};
}

} // namespace bench
