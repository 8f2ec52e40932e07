// Fault injection of the bench simulator: rules that make a device misbehave on chosen
// requests, so the controller's link handling (watchdogs, retries, reply assembly) can be
// exercised without a faulty bench.
//
// A rule names a device (the source or stand N), a command letter or any, a fault and how
// many requests it hits (the next n, or always). Every rule that matches a request applies
// to it and counts it, with one exception: a wrong check byte only exists on data replies,
// so a WrongChecksum rule lets acknowledgements and refusals pass without counting them.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace sim {

enum class FaultKind : quint8 {
    Silent,        ///< no reply at all; the request is not carried out (it was not heard)
    Nak,           ///< a refusal instead of the reply; the request is not carried out
    WrongChecksum, ///< data reply with a wrong check byte (acknowledgements are left alone)
    SplitReply,    ///< the reply in three chunks with small gaps: "/" and address, up to ETX, check byte
    Garbage,       ///< noise bytes, none of them '/', as a chunk of their own before the reply
    DoubleReply,   ///< the whole reply sent a second time after a small gap
};

/// "Silent", "Nak", ... as written in scenarios.
QString faultName(FaultKind kind);
std::optional<FaultKind> faultFromName(const QString &name);

/// Device numbers of the rules: the source, or a stand 1..10.
inline constexpr int SourceDevice = 0;
/// Command letter of a rule that matches every request of its device.
inline constexpr char AnyCommand = 0;
/// Count of a rule that never runs out.
inline constexpr int Always = -1;

struct FaultRule
{
    FaultKind kind = FaultKind::Silent;
    int device = SourceDevice;  ///< SourceDevice or stand 1..10
    char command = AnyCommand;  ///< '?', 'U', 'P', ... or AnyCommand
    int count = Always;         ///< requests still to hit, or Always

    /// A rule from its scenario form:
    ///   {"device": "source" | 1..10, "command": "P" (omitted or "*": any),
    ///    "fault": "Nak", "count": 3 (omitted: always)}
    /// nullopt with `*error` set when the object is not such a rule.
    static std::optional<FaultRule> fromJson(const QJsonObject &json, QString *error);
};

/// A set of fault kinds.
class FaultSet
{
public:
    FaultSet() = default;
    FaultSet(std::initializer_list<FaultKind> kinds);
    void insert(FaultKind kind) { m_bits |= bit(kind); }
    bool contains(FaultKind kind) const { return m_bits & bit(kind); }
    bool isEmpty() const { return m_bits == 0; }

private:
    static quint8 bit(FaultKind kind) { return quint8(1u << quint8(kind)); }
    quint8 m_bits = 0;
};

class Faults
{
public:
    void add(const FaultRule &rule) { m_rules << rule; }
    void clear() { m_rules.clear(); }
    /// The rules in the order they were added, with their remaining counts.
    const QList<FaultRule> &rules() const { return m_rules; }

    /// The faults of kinds in `eligible` that hit a request with `command` to `device`;
    /// each matching rule counts the request, and a rule that runs out is removed.
    FaultSet take(int device, char command, FaultSet eligible);

private:
    QList<FaultRule> m_rules;
};

} // namespace sim
