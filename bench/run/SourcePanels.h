// The source status panels that the main window and the run window both carry, under the
// same names and captions, and the red stand caption beside them.
#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace bench {

struct SourcePanels
{
    QLabel *PVoltage = nullptr, *PPower = nullptr, *PTok = nullptr, *PFreg = nullptr, *PKm = nullptr,
           *PLimitcurrent = nullptr;
};

/// A sunken status panel showing `caption`.
QLabel *makeStatusPanel(QWidget *parent, const QString &name, const QString &caption);
/// The six source panels with their captions at rest.
SourcePanels makeSourcePanels(QWidget *parent);
/// "PStend": the probe and stand messages, in red.
QLabel *makeStendCaption(QWidget *parent);

} // namespace bench
