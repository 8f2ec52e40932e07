// The controller's data module: the one owner of its datasets over the shared database.
// Meter types (all of them, and the list the stands choose from, limited to the filter
// type's nominal voltage and current), tests, the present stands with their meter type
// looked up, the manual-mode and warm-up record, the run's step list with its computed
// source values and time texts, and the archive tables a run is saved into.
#pragma once

#include "bench/data/DataSets.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

namespace bench {

class TDM : public QObject
{
    Q_OBJECT
public:
    /// Works on the connection `connectionName`, which the program has opened before.
    explicit TDM(QString connectionName, QObject *parent = nullptr);

    /// Opens the types, the filter list, the present stands, the tests and the manual-mode
    /// record, in this order. Empty string on success, else the engine's message of the
    /// first step that failed; nothing after it has been opened.
    QString DataModuleCreate();
    /// Closes every dataset; a pending edit of the stand grid is posted first.
    void DataModuleDestroy();

    /// Limits the stands' type list to the types whose PUnom and PInom equal those of row
    /// `tipFRow` of ADOTipF (which becomes its current row), then re-reads the stand grid
    /// so that its lookups follow. A row out of range gives an empty list. Empty string or
    /// the engine's message.
    QString ApplyTypeFilter(int tipFRow);
    /// After a probe: marks exactly the stands `stands` as present, in one write
    /// transaction, and reopens the stand grid. Empty string or the engine's message;
    /// on failure the table is as it was.
    QString markPresentStands(const QList<int> &stands);
    /// (Re)opens the run's step list.
    QString openTestBuf();
    /// Opens the archive tables where they are not open yet: runs, and the positions and
    /// results that follow the current run and position.
    QString openArchive();
    /// Posts pending edits, closes the connection, opens it again and reopens every dataset
    /// that was open, each with its statement and order, so that all of them show what the
    /// database holds now. Empty string or the engine's message; a failure ends it there.
    QString Reconnect();
    /// The test of the run: the row of ADOTest1 whose special-test settings the step list's
    /// time texts follow.
    void setCurrentTest(int row);
    int currentTest() const { return ADOTest1->currentRow(); }

    QSqlDatabase database() const;

    // Datasets, named as the other windows know them.
    QueryDataSet *ADOTipStend1; ///< types the stands may carry (after the filter), by PTip
    QueryDataSet *ADOTipF;      ///< all types, by PTip: the filter list
    QueryDataSet *ADOTest1;     ///< all tests
    /// Present stands by PNumStend; update only. Computed after the table's columns:
    /// PNameTip, PNameIdent, PReduct of the stand's type in ADOTipStend1 (empty when the type
    /// is not in that list). Setting PNameTip to a PIndex of ADOTipStend1 fits that type.
    TableDataSet *ADOTableStend;
    TableDataSet *ADOHand;      ///< manual-mode and warm-up record
    /// The run's steps. Computed: PU (V), PI (A), PAngle (degrees, empty without one),
    /// PTimeMEnergy, PTimeSEnergy (texts of the time, or of the energy of a register step
    /// that ends by energy).
    TableDataSet *ADOTestBuf;
    TableDataSet *ADOMeasure;    ///< archive runs
    TableDataSet *ADOPositionCH; ///< positions of the current run
    TableDataSet *ADOResult;     ///< results of the current position

private:
    void setUpStandGrid();
    void setUpTestBuf();
    QVariant standLookup(int row, const char *field) const;
    double nominal(const char *field) const;
    QString timeText(int row, bool minutes) const;

    QString m_connection;
};

} // namespace bench
