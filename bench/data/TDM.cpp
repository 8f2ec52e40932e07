#include "bench/data/TDM.h"

#include "bench/link/TStend.h"
#include "common/Database.h"
#include "common/UTools.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtGlobal>

namespace bench {

namespace {

const QString AllTypes = QStringLiteral("SELECT * FROM TTip ORDER BY PTip, PIndex");
// An empty rating reads as 0, on both sides of the comparison.
const QString TypesOfRating = QStringLiteral(
    "SELECT * FROM TTip WHERE (IFNULL(PUnom, 0) = ?) AND (IFNULL(PInom, 0) = ?) ORDER BY PTip, PIndex");
const QString AllTests = QStringLiteral("SELECT * FROM TTest ORDER BY PIndex");

const QString EnergyTitle = QStringLiteral("Энергия, кВт*ч");

// Step kinds of TTestBuf.PMode whose end can be an amount of energy.
constexpr int RegisterTariff1 = 3;
constexpr int RegisterTariff2 = 4;

} // namespace

TDM::TDM(QString connectionName, QObject *parent) : QObject(parent), m_connection(std::move(connectionName))
{
    const QSqlDatabase db = database();
    ADOTipStend1 = new QueryDataSet(db, this);
    ADOTipF = new QueryDataSet(db, this);
    ADOTest1 = new QueryDataSet(db, this);
    ADOTableStend = new TableDataSet(QStringLiteral("TableStend"), db, this);
    ADOHand = new TableDataSet(QStringLiteral("THand"), db, this);
    ADOTestBuf = new TableDataSet(QStringLiteral("TTestBuf"), db, this);
    ADOMeasure = new TableDataSet(QStringLiteral("TMeasure"), db, this);
    ADOPositionCH = new TableDataSet(QStringLiteral("TPositionCH"), db, this);
    ADOResult = new TableDataSet(QStringLiteral("TResult"), db, this);

    ADOPositionCH->setMaster(ADOMeasure, QStringLiteral("PSecIndex"));
    ADOPositionCH->setOrder(QStringLiteral("PSecIndex"));
    ADOResult->setMaster(ADOPositionCH, QStringLiteral("PSecIndex"));
    ADOResult->setOrder(QStringLiteral("PSecIndex"));

    setUpStandGrid();
    setUpTestBuf();
}

QSqlDatabase TDM::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

void TDM::setUpStandGrid()
{
    ADOTableStend->setCondition(QStringLiteral("PChecked = TRUE"));
    ADOTableStend->setOrder(QStringLiteral("PNumStend"));
    ADOTableStend->setUpdateOnly(true);
    ADOTableStend->setReadOnlyField(QStringLiteral("PNumStend"));

    ADOTableStend->addComputedColumn(
        QStringLiteral("PNameTip"), [this](int row) { return standLookup(row, "PTip"); },
        [this](int row, const QVariant &tipIndex) {
            // Only a type of the list the stands choose from can be fitted.
            return ADOTipStend1->find(QStringLiteral("PIndex"), tipIndex) >= 0 &&
                   ADOTableStend->setValue(row, QStringLiteral("PPointTip"), tipIndex);
        });
    ADOTableStend->addComputedColumn(QStringLiteral("PNameIdent"),
                                     [this](int row) { return standLookup(row, "PIdentificator"); });
    ADOTableStend->addComputedColumn(QStringLiteral("PReduct"),
                                     [this](int row) { return standLookup(row, "PReductRate"); });

    ADOTableStend->setTitle(QStringLiteral("PNumStend"), QStringLiteral("№ Стенда"));
    ADOTableStend->setTitle(QStringLiteral("PNameTip"), QStringLiteral("Тип счетчика"));
    ADOTableStend->setTitle(QStringLiteral("PNameIdent"), QStringLiteral("Идентификатор счетчика"));
    ADOTableStend->setTitle(QStringLiteral("PReduct"), QStringLiteral("Пост.сч."));
    for (int i = 1; i <= MaxPositions; ++i)
        ADOTableStend->setTitle(QStringLiteral("PCh%1").arg(i), QStringLiteral("№%1").arg(i));

    // A new type list changes what every stand's lookups show.
    connect(ADOTipStend1, &QAbstractItemModel::modelReset, ADOTableStend, &TableDataSet::refreshComputed);
}

QVariant TDM::standLookup(int row, const char *field) const
{
    const int tip = ADOTipStend1->find(QStringLiteral("PIndex"), ADOTableStend->value(row, QStringLiteral("PPointTip")));
    return tip < 0 ? QVariant() : ADOTipStend1->value(tip, QString::fromLatin1(field));
}

void TDM::setUpTestBuf()
{
    ADOTestBuf->addComputedColumn(QStringLiteral("PU"), [this](int row) {
        return QVariant(nominal("PUnom") * ADOTestBuf->value(row, QStringLiteral("PPersentU")).toDouble() / 100.0);
    });
    ADOTestBuf->addComputedColumn(QStringLiteral("PI"), [this](int row) {
        return QVariant(nominal("PInom") * ADOTestBuf->value(row, QStringLiteral("PPersentI")).toDouble() / 100.0);
    });
    ADOTestBuf->addComputedColumn(QStringLiteral("PAngle"), [this](int row) {
        const auto angle = UTools::AngleFromPowerFactor(ADOTestBuf->value(row, QStringLiteral("PKM")).toDouble(),
                                                        ADOTestBuf->value(row, QStringLiteral("PLC")).toInt());
        return angle ? QVariant(*angle) : QVariant();
    });
    ADOTestBuf->addComputedColumn(QStringLiteral("PTimeMEnergy"), [this](int row) { return QVariant(timeText(row, true)); });
    ADOTestBuf->addComputedColumn(QStringLiteral("PTimeSEnergy"), [this](int row) { return QVariant(timeText(row, false)); });

    // The values follow the stands' type (nominal values) and the chosen test (energy).
    connect(ADOTipStend1, &QueryDataSet::currentRowChanged, ADOTestBuf, &TableDataSet::refreshComputed);
    connect(ADOTest1, &QueryDataSet::currentRowChanged, ADOTestBuf, &TableDataSet::refreshComputed);
}

// Unom or Inom of the stands' meter type; all types of the filtered list share them.
// 0 when the list is empty.
double TDM::nominal(const char *field) const
{
    return ADOTipStend1->currentValue(QString::fromLatin1(field)).toDouble();
}

QString TDM::timeText(int row, bool minutes) const
{
    const int mode = ADOTestBuf->value(row, QStringLiteral("PMode")).toInt();
    const int test = ADOTest1->currentRow();
    const char *energy = nullptr;
    if (mode == RegisterTariff1 && ADOTest1->value(test, QStringLiteral("PEnergyCB")).toBool())
        energy = "PCountEnergy";
    else if (mode == RegisterTariff2 && ADOTest1->value(test, QStringLiteral("PEnergyCB1")).toBool())
        energy = "PCountEnergy1";
    if (energy)
        return minutes ? EnergyTitle : fieldText(ADOTest1->value(test, QString::fromLatin1(energy)));
    return fieldText(ADOTestBuf->value(row, minutes ? QStringLiteral("PTimeM") : QStringLiteral("PTimeS")));
}

QString TDM::DataModuleCreate()
{
    if (QString e = ADOTipStend1->open(AllTypes); !e.isEmpty())
        return e;
    if (QString e = ADOTipF->open(AllTypes); !e.isEmpty())
        return e;
    if (QString e = ADOTableStend->open(); !e.isEmpty())
        return e;
    if (QString e = ADOTest1->open(AllTests); !e.isEmpty())
        return e;
    return ADOHand->open();
}

void TDM::DataModuleDestroy()
{
    ADOTipStend1->close();
    ADOTipF->close();
    // Leaving the stand grid posts the operator's last change, as moving off a row does.
    if (const QString e = ADOTableStend->post(); !e.isEmpty())
        qWarning("stand configuration not saved: %s", qPrintable(e));
    ADOTableStend->close();
    ADOTest1->close();
    ADOResult->close();
    ADOPositionCH->close();
    ADOMeasure->close();
    ADOTestBuf->close();
    ADOHand->close();
}

QString TDM::ApplyTypeFilter(int tipFRow)
{
    QVariantList rating{QVariant(), QVariant()}; // NULL equals nothing: an empty list
    if (tipFRow >= 0 && tipFRow < ADOTipF->rowCount()) {
        ADOTipF->setCurrentRow(tipFRow);
        rating = {ADOTipF->value(tipFRow, QStringLiteral("PUnom")).toDouble(),
                  ADOTipF->value(tipFRow, QStringLiteral("PInom")).toDouble()};
    }
    if (QString e = ADOTipStend1->open(TypesOfRating, rating); !e.isEmpty())
        return e;
    return ADOTableStend->refresh();
}

QString TDM::markPresentStands(const QList<int> &stands)
{
    // An unposted change of the grid is kept, not dropped by the reopen.
    if (QString e = ADOTableStend->post(); !e.isEmpty())
        return e;
    {
        QSqlDatabase db = database();
        WriteTransaction transaction(db);
        if (!transaction.isActive())
            return transaction.error();
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("UPDATE TableStend SET PChecked = FALSE")))
            return Database::engineMessage(query.lastError());
        if (!query.prepare(QStringLiteral("UPDATE TableStend SET PChecked = TRUE WHERE PNumStend = ?")))
            return Database::engineMessage(query.lastError());
        for (const int stand : stands) {
            query.addBindValue(stand);
            if (!query.exec())
                return Database::engineMessage(query.lastError());
        }
        query.finish();
        if (!transaction.commit())
            return transaction.error();
    }
    return ADOTableStend->open();
}

QString TDM::openTestBuf()
{
    return ADOTestBuf->open();
}

QString TDM::openArchive()
{
    if (ADOMeasure->isOpen())
        return {};
    if (QString e = ADOMeasure->open(); !e.isEmpty())
        return e;
    // The positions and results opened with the run's current row.
    if (!ADOPositionCH->isOpen())
        return ADOPositionCH->errorText();
    return ADOResult->isOpen() ? QString() : ADOResult->errorText();
}

QString TDM::Reconnect()
{
    const QList<TableDataSet *> tables{ADOTableStend, ADOHand, ADOTestBuf, ADOMeasure, ADOPositionCH, ADOResult};
    for (TableDataSet *t : tables)
        if (QString e = t->post(); !e.isEmpty())
            return e;
    const QList<QueryDataSet *> lists{ADOTipStend1, ADOTipF, ADOTest1};
    QList<bool> listOpen, tableOpen;
    for (QueryDataSet *l : lists)
        listOpen << l->isOpen();
    for (TableDataSet *t : tables)
        tableOpen << t->isOpen();
    for (QueryDataSet *l : lists)
        l->close();
    for (TableDataSet *t : tables)
        t->close();

    QSqlDatabase db = database();
    db.close();
    if (!db.open())
        return Database::engineMessage(db.lastError());
    // Cascading deletes of the archive are a setting of each connection.
    if (QSqlQuery q(db); !q.exec(QStringLiteral("PRAGMA foreign_keys = ON")))
        return Database::engineMessage(q.lastError());

    for (int i = 0; i < lists.size(); ++i)
        if (listOpen[i])
            if (QString e = lists[i]->reopen(); !e.isEmpty())
                return e;
    // Masters first: a reopened run list opens its positions and results by itself.
    for (int i = 0; i < tables.size(); ++i)
        if (tableOpen[i] && !tables[i]->isOpen())
            if (QString e = tables[i]->open(); !e.isEmpty())
                return e;
    return {};
}

void TDM::setCurrentTest(int row)
{
    ADOTest1->setCurrentRow(row);
}

} // namespace bench
