// Integer and Boolean reading shared by every store, and the choice of store per platform.
#include "common/RegistryIni.h"

#include "common/RegistryIniFile.h"

#include <QDir>
#include <QStandardPaths>

std::optional<int> parseRegistryInteger(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    const QString number = text.mid(i);
    bool ok = false;
    const int value = number.toInt(&ok, 10); // rejects trailing text, overflow and "1.5"
    if (!ok)
        return std::nullopt;
    return value;
}

int RegistryIni::readInteger(const QString &section, const QString &ident, int def) const
{
    if (!valueExists(section, ident))
        return def;
    return parseRegistryInteger(readString(section, ident, QString())).value_or(def);
}

bool RegistryIni::readBool(const QString &section, const QString &ident, bool def) const
{
    return readInteger(section, ident, def ? 1 : 0) != 0;
}

bool RegistryIni::writeStrings(const QString &section, const QList<QPair<QString, QString>> &values)
{
    bool stored = true;
    for (const auto &[ident, value] : values)
        stored = writeString(section, ident, value) && stored;
    return stored;
}

bool RegistryIni::writeInteger(const QString &section, const QString &ident, int value)
{
    return writeString(section, ident, QString::number(value));
}

bool RegistryIni::writeBool(const QString &section, const QString &ident, bool value)
{
    return writeString(section, ident, boolText(value));
}

QString RegistryIni::defaultFilePath()
{
    const QString overridden = qEnvironmentVariable("TK710_REGISTRY_FILE");
    if (!overridden.isEmpty())
        return overridden;
    return QDir::homePath() + QStringLiteral("/.config/TK710/registry.ini");
}

std::unique_ptr<RegistryIni> RegistryIni::openFile(const QString &filePath)
{
    return std::make_unique<RegistryIniFile>(filePath);
}

#ifndef Q_OS_WIN
std::unique_ptr<RegistryIni> RegistryIni::open()
{
    return openFile(defaultFilePath());
}
#endif
