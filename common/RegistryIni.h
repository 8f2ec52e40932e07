// The programs' configuration store: an INI-style view of the registry tree under
// HKEY_CURRENT_USER. A section is a key path ("SoftWare\TK710 v2.0\confStend"), an ident is a
// value name, every value is text. A missing or unreadable value reads as the caller's default.
//
// On Windows the values live in the real registry. Elsewhere both programs share one INI file
// (TK710_REGISTRY_FILE, else ~/.config/TK710/registry.ini); it is re-read on every read and
// rewritten whole under a lock on every write, so each program sees the other's last store.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class RegistryIni
{
public:
    virtual ~RegistryIni() = default;

    /// The store of this machine: the registry on Windows, the shared INI file elsewhere.
    static std::unique_ptr<RegistryIni> open();
    /// An INI file store at `filePath` (the file need not exist yet).
    static std::unique_ptr<RegistryIni> openFile(const QString &filePath);
    /// Where the shared INI file lives on this machine.
    static QString defaultFilePath();

    virtual bool valueExists(const QString &section, const QString &ident) const = 0;
    /// The text of the value, or `def` when it is missing.
    virtual QString readString(const QString &section, const QString &ident, const QString &def) const = 0;
    /// Value names of a section, in stored order.
    virtual QStringList readSection(const QString &section) const = 0;
    /// Value names with their texts, in stored order.
    virtual QList<QPair<QString, QString>> readSectionValues(const QString &section) const = 0;

    /// Writes the value, creating the key when missing. False (and `lastError`) when the
    /// store cannot be written; nothing else is changed then.
    virtual bool writeString(const QString &section, const QString &ident, const QString &value) = 0;
    /// Writes several values of one key at once (one rewrite of the store where it is a file).
    virtual bool writeStrings(const QString &section, const QList<QPair<QString, QString>> &values);
    virtual bool deleteKey(const QString &section, const QString &ident) = 0;
    virtual QString lastError() const = 0;

    /// Decimal text as a 32-bit integer; missing or not an integer gives `def` ("abc" -> def).
    int readInteger(const QString &section, const QString &ident, int def) const;
    /// An integer value, non-zero meaning true; missing or not an integer gives `def`.
    bool readBool(const QString &section, const QString &ident, bool def) const;
    bool writeInteger(const QString &section, const QString &ident, int value);
    /// Written as "1" or "0".
    bool writeBool(const QString &section, const QString &ident, bool value);
    /// The text form of a Boolean value: "1" or "0".
    static QString boolText(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }
};

/// Parses registry text as an integer the way the configuration reads numbers: optional
/// leading blanks, an optional sign, decimal digits, nothing after them.
std::optional<int> parseRegistryInteger(const QString &text);
