// TK710, the bench controller.
#include "bench/shell/ControllerStart.h"
#include "bench/shell/TFMain.h"
#include "common/Prompts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    WidgetPrompts prompts;
    int exitCode = 0;
    const auto session = bench::startController(prompts, &exitCode);
    if (!session)
        return exitCode;
    prompts.setParentWidget(session->mainWindow());
    session->mainWindow()->show();
    return app.exec();
}
