// The registry store of Windows: values under HKEY_CURRENT_USER as REG_SZ texts.
#include "common/RegistryIni.h"

#ifdef Q_OS_WIN
#include <QSettings>

namespace {

class RegistryNative final : public RegistryIni
{
public:
    bool valueExists(const QString &section, const QString &ident) const override
    {
        return key(section)->contains(ident);
    }
    QString readString(const QString &section, const QString &ident, const QString &def) const override
    {
        const QVariant value = key(section)->value(ident);
        return value.isValid() ? value.toString() : def;
    }
    QStringList readSection(const QString &section) const override { return key(section)->childKeys(); }
    QList<QPair<QString, QString>> readSectionValues(const QString &section) const override
    {
        const auto k = key(section);
        QList<QPair<QString, QString>> out;
        for (const QString &name : k->childKeys())
            out.append({name, k->value(name).toString()});
        return out;
    }
    bool writeString(const QString &section, const QString &ident, const QString &value) override
    {
        const auto k = key(section);
        k->setValue(ident, value);
        return finish(*k);
    }
    bool deleteKey(const QString &section, const QString &ident) override
    {
        const auto k = key(section);
        k->remove(ident);
        return finish(*k);
    }
    QString lastError() const override { return m_lastError; }

private:
    static std::unique_ptr<QSettings> key(const QString &section)
    {
        return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\") + section, QSettings::NativeFormat);
    }
    bool finish(QSettings &k)
    {
        k.sync();
        if (k.status() == QSettings::NoError)
            return true;
        m_lastError = QStringLiteral("Cannot write the registry key %1").arg(k.fileName());
        return false;
    }
    QString m_lastError;
};

} // namespace

std::unique_ptr<RegistryIni> RegistryIni::open()
{
    return std::make_unique<RegistryNative>();
}
#endif
