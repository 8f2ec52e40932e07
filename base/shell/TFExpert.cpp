#include "base/shell/TFExpert.h"

#include "base/shell/BaseStart.h"

#include <QMdiArea>

namespace base {

TFExpert::TFExpert(QWidget *parent) : QMainWindow(parent), m_mdi(new QMdiArea(this))
{
    setObjectName(QStringLiteral("TFExpert"));
    setWindowTitle(BaseTitle);
    setCentralWidget(m_mdi);
    resize(1024, 720);
}

} // namespace base
