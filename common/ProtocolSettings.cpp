#include "common/ProtocolSettings.h"

#include "common/RegistryIni.h"
#include "common/UTools.h"

#include <QKeyEvent>
#include <limits>

namespace {
const QString &K() { return ProtocolSettings::Key; }
}

ProtocolSettings ProtocolSettings::load(const RegistryIni &r)
{
    ProtocolSettings s;
    s.autoIncrement = r.readBool(K(), QStringLiteral("eautoInc"), false);
    s.verifier = r.readString(K(), QStringLiteral("PPover"), QString());
    s.verifiedBy = r.readString(K(), QStringLiteral("MakerPov"), QString());
    s.protocolNumber = r.readString(K(), QStringLiteral("enumProt"), QStringLiteral("0"));
    s.installationNumber = r.readString(K(), QStringLiteral("enumUst"), QStringLiteral("0"));
    s.certificateNumber = r.readString(K(), QStringLiteral("enumSv"), QStringLiteral("0"));
    s.validFrom = r.readString(K(), QStringLiteral("eot"), QStringLiteral("0"));
    s.validUntil = r.readString(K(), QStringLiteral("edo"), QStringLiteral("0"));
    return s;
}

bool ProtocolSettings::store(RegistryIni &r) const
{
    return r.writeStrings(K(), {{QStringLiteral("eautoInc"), RegistryIni::boolText(autoIncrement)},
                                {QStringLiteral("enumProt"), protocolNumber},
                                {QStringLiteral("PPover"), verifier},
                                {QStringLiteral("MakerPov"), verifiedBy},
                                {QStringLiteral("enumUst"), installationNumber},
                                {QStringLiteral("enumSv"), certificateNumber},
                                {QStringLiteral("eot"), validFrom},
                                {QStringLiteral("edo"), validUntil}});
}

bool storeProtocolNumber(RegistryIni &r, const QString &number)
{
    return r.writeString(K(), QStringLiteral("enumProt"), number);
}

bool isProtocolNumberKey(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QChar(8);
}

QString raiseProtocolNumberTolerant(const QString &number)
{
    return UTools::FloatToWire(UTools::WireToFloat(number) + 1);
}

std::optional<QString> raiseProtocolNumberStrict(const QString &number, QString *error)
{
    bool ok = false;
    const qlonglong value = number.trimmed().toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<int>::min() || value >= std::numeric_limits<int>::max()) {
        if (error)
            *error = QStringLiteral("Номер протокола «%1» не является целым числом. "
                                    "Исправьте его в окне «Данные для протокола».").arg(number);
        return std::nullopt;
    }
    return QString::number(value + 1);
}

bool ProtocolNumberKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Only typed characters are judged. Keys that carry a control character (Tab "\t",
        // Enter "\r", Esc, Backspace "\b", Delete, Ctrl+C "\x03") or none at all (arrows,
        // Home, End) and shortcuts held with Ctrl keep their meaning for the edit and for
        // the dialog around it (next field, default button).
        const Qt::KeyboardModifiers mods = key->modifiers();
        const bool shortcut = (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier); // Ctrl+Alt is AltGr
        if (!shortcut)
            for (const QChar c : key->text())
                if (c.isPrint() && !isProtocolNumberKey(c))
                    return true;
    }
    return QObject::eventFilter(watched, event);
}
