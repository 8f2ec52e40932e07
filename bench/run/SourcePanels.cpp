#include "bench/run/SourcePanels.h"

#include <QFont>
#include <QLabel>

namespace bench {

QLabel *makeStatusPanel(QWidget *parent, const QString &name, const QString &caption)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAutoFillBackground(true);
    l->setMinimumWidth(110);
    return l;
}

SourcePanels makeSourcePanels(QWidget *parent)
{
    SourcePanels p;
    p.PVoltage = makeStatusPanel(parent, QStringLiteral("PVoltage"), QStringLiteral("U = "));
    p.PPower = makeStatusPanel(parent, QStringLiteral("PPower"), QStringLiteral("P = "));
    p.PTok = makeStatusPanel(parent, QStringLiteral("PTok"), QStringLiteral("I = "));
    p.PFreg = makeStatusPanel(parent, QStringLiteral("PFreg"), QStringLiteral("F = "));
    p.PKm = makeStatusPanel(parent, QStringLiteral("PKm"), QStringLiteral("Коэф. мощ. = "));
    p.PLimitcurrent = makeStatusPanel(parent, QStringLiteral("PLimitcurrent"), QStringLiteral("Предел по току: "));
    p.PLimitcurrent->setMinimumWidth(250);
    return p;
}

QLabel *makeStendCaption(QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QStringLiteral("PStend"));
    QFont font = l->font();
    font.setPixelSize(19);
    l->setFont(font);
    l->setStyleSheet(QStringLiteral("color: red;"));
    return l;
}

} // namespace bench
