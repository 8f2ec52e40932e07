#include "common/SingleInstanceGuard.h"

#include "common/Prompts.h"

#include <QDir>
#include <cstdio>

SingleInstanceGuard::SingleInstanceGuard(const QString &guardName) : m_lock(lockFilePathFor(guardName))
{
    m_lock.setStaleLockTime(0); // held for the whole run: only a dead owner makes it stale
}

bool SingleInstanceGuard::tryAcquire()
{
    return m_lock.isLocked() || m_lock.tryLock(0);
}

QString SingleInstanceGuard::lockFilePathFor(const QString &guardName)
{
    QString safe = guardName;
    safe.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    return QDir::tempPath() + QLatin1Char('/') + safe + QStringLiteral(".lock");
}

bool enterSingleInstance(SingleInstanceGuard &guard, Prompts &prompts, const QString &caption)
{
    if (guard.tryAcquire())
        return true;
    std::fprintf(stderr, "%s\n", SecondCopyText.toLocal8Bit().constData());
    std::fflush(stderr);
    prompts.message(Prompts::Icon::Error, caption, SecondCopyText, /*topMost=*/true);
    return false;
}
