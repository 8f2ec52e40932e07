// Demo reference data for a new database: a few single-phase meter types and one standard
// verification test per accuracy class, so a bench (or the simulator) can run at once.
#pragma once

#include <QString>

class QSqlDatabase;

namespace DemoData {

/// Inserts the demo meter types and tests into the freshly made schema on `db`, inside the
/// caller's transaction. `firstTip` gets the PIndex of the first demo type (the type the
/// stands are fitted with). Returns an empty string on success, else the failure message.
QString insertDemoData(QSqlDatabase &db, qint64 &firstTip);

} // namespace DemoData
