// The registry file reader on any text: what it reads survives a rewrite exactly, both as
// text (serialize, parse) and through the file store with another value written meanwhile.
#include "common/RegistryIniFile.h"
#include "fuzz/FuzzInput.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzz::whole(data, size));
    const RegistryIniFile::Content read = RegistryIniFile::parse(text);
    fuzz::require(RegistryIniFile::parse(QString::fromUtf8(RegistryIniFile::serialize(read))) == read,
                  "a rewrite reads back as what was read");

    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("registry.ini"));
    {
        QFile file(path);
        fuzz::require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0,
                      "scratch file written");
    }
    RegistryIniFile registry(path);
    for (const auto &section : read)
        fuzz::require(registry.readSectionValues(section.name) == section.values, "every key reads as parsed");

    // Another value stored makes the store rewrite the file: nothing read before is lost.
    const QString key = read.isEmpty() ? QStringLiteral("SoftWare\\TK710 v2.0\\confStend") : read.first().name;
    fuzz::require(registry.writeString(key, QStringLiteral("fuzz value"), QStringLiteral("1")), "value stored");
    for (const auto &section : read)
        for (const auto &[name, value] : section.values)
            if (name.compare(QStringLiteral("fuzz value"), Qt::CaseInsensitive) != 0)
                fuzz::require(registry.readString(section.name, name, QStringLiteral("\x01missing")) == value,
                              "a rewrite keeps every value");
    fuzz::require(registry.readString(key, QStringLiteral("fuzz value"), QString()) == QLatin1String("1"),
                  "the new value reads back");
    return 0;
}
