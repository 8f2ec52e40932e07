// BaseTK710, the verification database program.
#include "base/shell/BaseStart.h"
#include "base/shell/TFExpert.h"
#include "common/Prompts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    WidgetPrompts prompts;
    int exitCode = 0;
    const auto session = base::startBase(prompts, &exitCode);
    if (!session)
        return exitCode;
    prompts.setParentWidget(session->mainWindow());
    session->mainWindow()->show();
    return app.exec();
}
