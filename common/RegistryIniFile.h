// The registry as one INI file shared by both programs (platforms without a registry).
// Sections are key paths written as they are ("[SoftWare\TK710 v2.0\confStend]"); names
// compare without regard to letter case, as registry names do. Value names and texts may
// hold any characters: the few that the line format gives a meaning are escaped with '\'
// ("\\", "\n", "\r", "\=" and a leading "\;", "\#", "\["), everything else stays as typed.
#pragma once

#include "common/RegistryIni.h"

class RegistryIniFile final : public RegistryIni
{
public:
    explicit RegistryIniFile(QString filePath) : m_path(std::move(filePath)) {}

    bool valueExists(const QString &section, const QString &ident) const override;
    QString readString(const QString &section, const QString &ident, const QString &def) const override;
    QStringList readSection(const QString &section) const override;
    QList<QPair<QString, QString>> readSectionValues(const QString &section) const override;
    bool writeString(const QString &section, const QString &ident, const QString &value) override;
    bool writeStrings(const QString &section, const QList<QPair<QString, QString>> &values) override;
    bool deleteKey(const QString &section, const QString &ident) override;
    QString lastError() const override { return m_lastError; }

    QString filePath() const { return m_path; }

    struct Section
    {
        QString name;
        QList<QPair<QString, QString>> values;
        bool operator==(const Section &) const = default;
    };
    using Content = QList<Section>;

    /// The file's text taken apart. Comments, blank lines and lines that are no value are
    /// skipped; a key written twice in differing letter case is one key, and a value name
    /// given twice keeps its later text.
    static Content parse(QString text);
    /// The file's text: every key (an emptied one too) with its values, names and values
    /// escaped so that parse() gives them back exactly.
    static QByteArray serialize(const Content &content);

private:
    Content load() const;
    template <typename Change>
    bool modify(Change change);

    QString m_path;
    QString m_lastError;
};
