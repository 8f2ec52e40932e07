#include "bench/shell/TFMain.h"

#include "bench/shell/ControllerStart.h"

namespace bench {

TFMain::TFMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TFMain"));
    setWindowTitle(ControllerTitle);
    resize(1024, 720);
}

} // namespace bench
