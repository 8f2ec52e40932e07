// Where the controller keeps its configuration in the registry, and the defaults.
#pragma once

#include <QString>

namespace bench::config {

inline const QString StendKey = QStringLiteral("SoftWare\\TK710 v2.0\\confStend");
inline const QString SensKey = QStringLiteral("SoftWare\\TK710 v2.0\\confSens");

inline const QString ComNo = QStringLiteral("ComNo");           ///< 1 = COM1, 2 = COM2
/// A port other than the two COM ports (a detected port or the simulator), by its name.
inline const QString ComPort = QStringLiteral("ComPort");
inline const QString CountStend = QStringLiteral("countStend");
inline const QString CountCH = QStringLiteral("countCH");
inline const QString ConnectTip = QStringLiteral("ConnectTip");
inline const QString TipF = QStringLiteral("tipf");
inline const QString Test = QStringLiteral("test");
inline const QString Sens = QStringLiteral("Sens");
inline QString useST(int line) { return QStringLiteral("useST%1").arg(line); }

inline constexpr int DefaultComNo = 1;
inline constexpr int DefaultCountStend = 3;
inline constexpr int DefaultCountCH = 6;
inline constexpr int DefaultConnectTip = 0;
inline constexpr int DefaultSens = 0;

} // namespace bench::config
