// What every running program owns beneath its windows: its single-instance guard and its
// connection to the database in the working directory. Released in reverse order.
#pragma once

#include "common/SingleInstanceGuard.h"

#include <QString>
#include <optional>

class Prompts;

class ProgramSession
{
public:
    ProgramSession(const QString &guardName, QString connectionName);
    ~ProgramSession();
    ProgramSession(const ProgramSession &) = delete;
    ProgramSession &operator=(const ProgramSession &) = delete;

    /// Takes the guard, or shows the second-copy box with `caption` and returns false.
    bool enterSingleInstance(Prompts &prompts, const QString &caption);
    /// Opens TK710DB.db of the working directory; the engine's message when it cannot.
    std::optional<QString> openDatabase();
    QString connectionName() const { return m_connection; }

private:
    SingleInstanceGuard m_guard;
    QString m_connection;
    bool m_databaseOpen = false;
};
