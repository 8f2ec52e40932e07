// Keeps a second copy of a program from running on this machine: a lock file named after
// the program's guard name in the temporary folder. The lock of a copy that crashed is
// recognised by its process id and taken over.
#pragma once

#include <QLockFile>
#include <QString>

class Prompts;

class SingleInstanceGuard
{
public:
    explicit SingleInstanceGuard(const QString &guardName);

    /// True when this is the only copy; the guard then holds the lock until it is destroyed.
    bool tryAcquire();
    QString lockFilePath() const { return m_lock.fileName(); }

    static QString lockFilePathFor(const QString &guardName);

private:
    QLockFile m_lock;
};

/// The text both programs show when a second copy is started.
inline const QString SecondCopyText = QStringLiteral("Запуск второй копии программы недопустим.");

/// Takes the guard or, when another copy holds it, shows the top-most error box with
/// `caption` and the second-copy text (also on stderr, for whoever started it from a shell)
/// and returns false: the caller ends before making any window.
bool enterSingleInstance(SingleInstanceGuard &guard, Prompts &prompts, const QString &caption);
