// tk710-db: the service command that makes a new TK710DB.db. Neither program creates a
// missing database, so a wrong working folder never gives a silent empty archive.
//
//   tk710-db init FILE [--demo]
//
// Exit codes: 0 made (prints nothing), 1 refused or failed (message on stderr), 2 wrong
// arguments (usage on stderr).
#include "common/DatabaseInit.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: tk710-db init FILE [--demo]\n"
    "  Makes a new database file FILE for the bench controller and the database program:\n"
    "  all tables, ten stand rows and the manual-mode row. An existing FILE is never touched.\n"
    "  --demo  also adds demo meter types and one standard test per accuracy class.\n";

void printError(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputs("\n", stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    QString file;
    bool demo = false;
    bool valid = !args.isEmpty() && args[0] == QLatin1String("init");
    for (qsizetype i = 1; valid && i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--demo") && !demo)
            demo = true;
        else if (!arg.startsWith(QLatin1Char('-')) && file.isEmpty() && !arg.isEmpty())
            file = arg;
        else
            valid = false;
    }
    if (!valid || file.isEmpty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }

    const QString error = DatabaseInit::createDatabase(file, demo);
    if (!error.isEmpty()) {
        printError(error);
        return kExitFailed;
    }
    return 0;
}
