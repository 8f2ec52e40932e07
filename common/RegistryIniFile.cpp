#include "common/RegistryIniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

namespace {

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A line-based file needs backslash and line breaks escaped in names and values, and in names
// '=' and a first character that would make the line a comment or a section header. Every
// other character, Cyrillic included, is written as it is, so ordinary names and values read
// the same in any editor. Section names are key paths and are written as they are.
QString escape(const QString &text, bool isName)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (isName && (c == QLatin1Char('=') ||
                            (out.isEmpty() && (c == QLatin1Char(';') || c == QLatin1Char('#') || c == QLatin1Char('[')))))
            out += QLatin1Char('\\') + c;
        else
            out += c;
    }
    return out;
}

QString unescape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        out += next == QLatin1Char('n') ? QChar(QLatin1Char('\n'))
             : next == QLatin1Char('r') ? QChar(QLatin1Char('\r'))
                                        : next;
    }
    return out;
}

// Position of the first '=' that is not escaped, or -1.
qsizetype separatorOf(const QString &line)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == QLatin1Char('\\'))
            ++i;
        else if (line.at(i) == QLatin1Char('='))
            return i;
    }
    return -1;
}

template <typename Content>
auto findSection(Content &content, const QString &name) -> decltype(&content.first())
{
    for (auto &section : content)
        if (sameName(section.name, name))
            return &section;
    return nullptr;
}

// Sets one value; false when it already held that text. A name differing only in letter case
// is the same value: it keeps its first spelling and place.
bool setValue(RegistryIniFile::Section &section, const QString &ident, const QString &value)
{
    for (auto &v : section.values)
        if (sameName(v.first, ident)) {
            if (v.second == value)
                return false;
            v.second = value;
            return true;
        }
    section.values.append({ident, value});
    return true;
}

} // namespace

RegistryIniFile::Content RegistryIniFile::parse(QString text)
{
    // An editor may have saved the file with a byte order mark.
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    Content content;
    Section *current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            // A key written twice (the same path in another letter case) is one key, so a
            // rewrite keeps the values of both copies.
            const QString name = line.mid(1, line.size() - 2);
            current = findSection(content, name);
            if (!current) {
                content.append({name, {}});
                current = &content.last();
            }
            continue;
        }
        const qsizetype eq = separatorOf(line);
        if (eq < 0 || !current)
            continue; // not a value line: ignored, as an unreadable value reads as its default
        // A name stored twice reads as its later value, the one a rewrite keeps.
        setValue(*current, unescape(QStringView(line).left(eq)), unescape(QStringView(line).mid(eq + 1)));
    }
    return content;
}

QByteArray RegistryIniFile::serialize(const Content &content)
{
    QString out;
    for (const auto &section : content) {
        // A key without values is kept, as the registry keeps an emptied key.
        out += QLatin1Char('[') + section.name + QStringLiteral("]\n");
        for (const auto &[name, value] : section.values)
            out += escape(name, true) + QLatin1Char('=') + escape(value, false) + QLatin1Char('\n');
        out += QLatin1Char('\n');
    }
    return out.toUtf8();
}

RegistryIniFile::Content RegistryIniFile::load() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {}; // missing or unreadable: every value reads as its default
    return parse(QString::fromUtf8(file.readAll()));
}

bool RegistryIniFile::valueExists(const QString &section, const QString &ident) const
{
    const Content content = load();
    if (const Section *s = findSection(content, section))
        for (const auto &value : s->values)
            if (sameName(value.first, ident))
                return true;
    return false;
}

QString RegistryIniFile::readString(const QString &section, const QString &ident, const QString &def) const
{
    const Content content = load();
    if (const Section *s = findSection(content, section))
        for (const auto &value : s->values)
            if (sameName(value.first, ident))
                return value.second;
    return def;
}

QStringList RegistryIniFile::readSection(const QString &section) const
{
    QStringList names;
    for (const auto &value : readSectionValues(section))
        names << value.first;
    return names;
}

QList<QPair<QString, QString>> RegistryIniFile::readSectionValues(const QString &section) const
{
    const Content content = load();
    const Section *s = findSection(content, section);
    return s ? s->values : QList<QPair<QString, QString>>();
}

template <typename Change>
bool RegistryIniFile::modify(Change change)
{
    // Storing what is stored already changes nothing, even in a file that cannot be written.
    Content preview = load();
    if (!change(preview))
        return true;
    const QFileInfo info(m_path);
    if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner)) {
        m_lastError = QStringLiteral("Registry file is read-only: %1").arg(m_path);
        return false;
    }
    if (!QDir().mkpath(info.absolutePath())) {
        m_lastError = QStringLiteral("Cannot create the folder of the registry file: %1").arg(info.absolutePath());
        return false;
    }
    // Both programs may write at once: read, change and replace the file under one lock.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(5000)) {
        m_lastError = QStringLiteral("Registry file is locked: %1").arg(m_path);
        return false;
    }
    Content content = load();
    if (!change(content))
        return true; // the other program stored the same meanwhile
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(serialize(content)) < 0 || !file.commit()) {
        m_lastError = QStringLiteral("Cannot write the registry file %1: %2").arg(m_path, file.errorString());
        return false;
    }
    m_lastError.clear();
    return true;
}

namespace {

bool setValue(RegistryIniFile::Content &content, const QString &section, const QString &ident, const QString &value)
{
    RegistryIniFile::Section *target = findSection(content, section);
    if (!target) {
        content.append({section, {}});
        target = &content.last();
    }
    return setValue(*target, ident, value);
}

} // namespace

bool RegistryIniFile::writeString(const QString &section, const QString &ident, const QString &value)
{
    return modify([&](Content &content) { return setValue(content, section, ident, value); });
}

bool RegistryIniFile::writeStrings(const QString &section, const QList<QPair<QString, QString>> &values)
{
    return modify([&](Content &content) {
        bool changed = false;
        for (const auto &[ident, value] : values)
            changed = setValue(content, section, ident, value) || changed;
        return changed;
    });
}

bool RegistryIniFile::deleteKey(const QString &section, const QString &ident)
{
    return modify([&](Content &content) {
        for (auto &s : content)
            if (sameName(s.name, section))
                for (qsizetype i = 0; i < s.values.size(); ++i)
                    if (sameName(s.values.at(i).first, ident)) {
                        s.values.removeAt(i);
                        return true;
                    }
        return false;
    });
}
