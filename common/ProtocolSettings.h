// The protocol header data that no table holds (protocol number, verifying organisation,
// who verified, the installation's number and certificate), kept under one registry key
// that both programs' "Данные для протокола" forms load and store.
#pragma once

#include <QObject>
#include <QString>
#include <optional>

class RegistryIni;

struct ProtocolSettings
{
    static inline const QString Key = QStringLiteral("SoftWare\\TK710 v2.0\\confUst");

    bool autoIncrement = false;          ///< "eautoInc": raise the number after each protocol
    QString protocolNumber = QStringLiteral("0");   ///< "enumProt"
    QString verifier;                    ///< "PPover": verifying organisation
    QString verifiedBy;                  ///< "MakerPov": who performed the verification
    QString installationNumber = QStringLiteral("0"); ///< "enumUst"
    QString certificateNumber = QStringLiteral("0");  ///< "enumSv"
    QString validFrom = QStringLiteral("0");          ///< "eot" (free text)
    QString validUntil = QStringLiteral("0");         ///< "edo" (free text)

    /// Reads the eight values; a missing value gives its default.
    static ProtocolSettings load(const RegistryIni &registry);
    /// Writes the eight values (the key is made when missing). False when the store failed.
    bool store(RegistryIni &registry) const;

    bool operator==(const ProtocolSettings &) const = default;
};

/// Writes the protocol number alone, at once (after an auto-incremented protocol).
bool storeProtocolNumber(RegistryIni &registry, const QString &number);

/// The key filter of the protocol number: only '0'..'9' and Backspace may be typed.
bool isProtocolNumberKey(QChar c);

/// Controller: the text read tolerantly as a number (empty or not a number counts as 0),
/// plus one, written back in wire form: "" -> "1", "41" -> "42".
QString raiseProtocolNumberTolerant(const QString &number);

/// Database program: the text as a whole number plus one. A text that is not a whole number
/// gives no result and `error` gets the message to show; nothing is to be changed then.
std::optional<QString> raiseProtocolNumberStrict(const QString &number, QString *error);

/// Event filter of an edit that drops the typed characters `isProtocolNumberKey` refuses;
/// navigation, editing keys and Ctrl shortcuts pass.
class ProtocolNumberKeyFilter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
