// Fault rules: names, their scenario form, and matching against requests.
#include "sim/Faults.h"

#include "sim/Scenario.h"

#include <QJsonValue>
#include <QStringList>
#include <array>
#include <utility>

namespace sim {

namespace {

constexpr std::array<std::pair<FaultKind, const char *>, 6> kNames{{
    {FaultKind::Silent, "Silent"},
    {FaultKind::Nak, "Nak"},
    {FaultKind::WrongChecksum, "WrongChecksum"},
    {FaultKind::SplitReply, "SplitReply"},
    {FaultKind::Garbage, "Garbage"},
    {FaultKind::DoubleReply, "DoubleReply"},
}};

std::optional<FaultRule> Fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return std::nullopt;
}

} // namespace

QString faultName(FaultKind kind)
{
    for (const auto &[k, name] : kNames) {
        if (k == kind)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<FaultKind> faultFromName(const QString &name)
{
    for (const auto &[k, n] : kNames) {
        if (name == QLatin1String(n))
            return k;
    }
    return std::nullopt;
}

std::optional<FaultRule> FaultRule::fromJson(const QJsonObject &json, QString *error)
{
    static const QStringList keys{"device", "command", "fault", "count"};
    for (const QString &key : json.keys()) {
        if (!keys.contains(key))
            return Fail(error, QStringLiteral("unknown key \"%1\" in a fault").arg(key));
    }

    FaultRule rule;
    const QJsonValue device = json.value(QStringLiteral("device"));
    if (device.toString() == QLatin1String("source")) {
        rule.device = SourceDevice;
    } else if (const auto stand = jsonWholeNumber(device, 1, 10)) {
        rule.device = *stand;
    } else {
        return Fail(error, QStringLiteral("a fault's \"device\" must be \"source\" or a stand number 1..10"));
    }

    const QJsonValue command = json.value(QStringLiteral("command"));
    if (command.isUndefined() || command.toString() == QLatin1String("*")) {
        rule.command = AnyCommand;
    } else if (const QString text = command.toString(); text.size() == 1 && text.at(0).unicode() > 0x20
                                                           && text.at(0).unicode() < 0x7F) {
        rule.command = char(text.at(0).unicode());
    } else {
        return Fail(error, QStringLiteral("a fault's \"command\" must be one command letter or \"*\""));
    }

    const QString faultText = json.value(QStringLiteral("fault")).toString();
    const auto kind = faultFromName(faultText);
    if (!kind) {
        QStringList names;
        for (const auto &entry : kNames)
            names << QString::fromLatin1(entry.second);
        return Fail(error, QStringLiteral("unknown fault \"%1\" (one of %2)").arg(faultText, names.join(", ")));
    }
    rule.kind = *kind;

    const QJsonValue count = json.value(QStringLiteral("count"));
    if (count.isUndefined()) {
        rule.count = Always;
    } else if (const auto n = jsonWholeNumber(count, 1, 1'000'000)) {
        rule.count = *n;
    } else {
        return Fail(error, QStringLiteral("a fault's \"count\" must be a whole number from 1 (omit it for always)"));
    }
    return rule;
}

FaultSet::FaultSet(std::initializer_list<FaultKind> kinds)
{
    for (FaultKind k : kinds)
        insert(k);
}

FaultSet Faults::take(int device, char command, FaultSet eligible)
{
    FaultSet hit;
    for (auto it = m_rules.begin(); it != m_rules.end();) {
        const bool matches = it->device == device && eligible.contains(it->kind)
                             && (it->command == AnyCommand || it->command == command);
        if (!matches) {
            ++it;
            continue;
        }
        hit.insert(it->kind);
        if (it->count != Always && --it->count == 0)
            it = m_rules.erase(it);
        else
            ++it;
    }
    return hit;
}

} // namespace sim
