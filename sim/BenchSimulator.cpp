// The simulated bench: routing of requests, the fault rules, reply timing, scenarios.
#include "sim/BenchSimulator.h"

#include "common/Scheduler.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>

namespace sim {

namespace {

// Line noise: bytes no reply starts with, so the controller drops them as a chunk of their own.
const QByteArray &Noise()
{
    static const QByteArray noise("\x00\xFF\x55\xAA\x7E", 5);
    return noise;
}

} // namespace

int wireTimeMs(qsizetype bytes, int baudRate)
{
    const qint64 baud = baudRate > 0 ? baudRate : BenchBaudRate;
    return int((qint64(bytes) * BitsPerCharacter * 1000 + baud - 1) / baud);
}

BenchSimulator::BenchSimulator(Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_scheduler(scheduler)
{
    for (int n = 1; n <= StandCount; ++n)
        stand(n).setNumber(n);
    setPresentStands(Scenario::demo().stands);
}

void BenchSimulator::receive(const QByteArray &bytes)
{
    for (const QByteArray &frame : m_parser.feed(bytes))
        handle(Request::decode(frame));
}

void BenchSimulator::setPresentStands(const QList<int> &stands)
{
    for (int n = 1; n <= StandCount; ++n)
        stand(n).setPresent(stands.contains(n));
}

QList<int> BenchSimulator::presentStands() const
{
    QList<int> present;
    for (int n = 1; n <= StandCount; ++n) {
        if (m_stands.at(std::size_t(n - 1)).isPresent())
            present << n;
    }
    return present;
}

void BenchSimulator::handle(const Request &request)
{
    if (request.shape == Request::Shape::Closing)
        return;
    if (request.address == 0xFF) {
        if (request.shape == Request::Shape::Short && request.command == 'X')
            m_source.switchOff(m_scheduler.nowMs()); // stop: the bench drops its load
        return;
    }

    int device = 0;
    if (request.address == '1') {
        device = SourceDevice;
    } else if (request.address >= '2' && request.address <= ';') {
        device = request.address - '1';
        if (!stand(device).isPresent())
            return;
    } else {
        return; // nobody lives at this address
    }

    const FaultSet before = m_faults.take(device, request.command, {FaultKind::Silent, FaultKind::Nak});
    if (before.contains(FaultKind::Silent))
        return;

    Reply reply = Reply::nak();
    if (!before.contains(FaultKind::Nak) && request.checkByteOk) {
        const qint64 now = m_scheduler.nowMs();
        // The stands' counting devices run on the energy the source gives.
        reply = device == SourceDevice
                    ? m_source.handle(request, now)
                    : stand(device).handle(request, now, m_source.energyGiven(now));
    }

    FaultSet eligible{FaultKind::SplitReply, FaultKind::Garbage, FaultKind::DoubleReply};
    if (reply.kind == Reply::Kind::Data)
        eligible.insert(FaultKind::WrongChecksum);
    const FaultSet after = m_faults.take(device, request.command, eligible);

    QByteArray bytes = reply.bytes(request.address);
    if (after.contains(FaultKind::WrongChecksum))
        bytes.back() = char(quint8(bytes.back()) + 1);
    const QList<QByteArray> once = after.contains(FaultKind::SplitReply)
                                       ? QList<QByteArray>{bytes.left(2), bytes.mid(2, bytes.size() - 3), bytes.right(1)}
                                       : QList<QByteArray>{bytes};
    QList<QByteArray> pieces;
    if (after.contains(FaultKind::Garbage))
        pieces << Noise();
    pieces << once;
    if (after.contains(FaultKind::DoubleReply))
        pieces << once;
    sendPieces(pieces);
}

void BenchSimulator::sendPieces(const QList<QByteArray> &pieces)
{
    int delay = TurnaroundMs;
    for (const QByteArray &piece : pieces) {
        m_scheduler.post(delay, [this, piece] { emit transmit(piece); }, this);
        delay += wireTimeMs(piece.size()) + ChunkGapMs;
    }
}

QString BenchSimulator::loadScenario(const QJsonObject &json)
{
    QString complaint;
    const std::optional<Scenario> scenario = Scenario::fromJson(json, &complaint);
    if (scenario)
        applyScenario(*scenario);
    return complaint;
}

void BenchSimulator::applyScenario(const Scenario &scenario)
{
    setPresentStands(scenario.stands);
    m_faults.clear();
    for (const FaultRule &rule : scenario.faults)
        m_faults.add(rule);
    m_source.clearStatusFaults();
    for (const SimSource::StatusFault &fault : scenario.sourceStatus)
        m_source.addStatusFault(fault.status, fault.count, fault.after);
    for (SimStand &stand : m_stands) {
        stand.clearValues();
        stand.clearMeters();
    }
    for (const MeterValue &meter : scenario.meters) {
        if (meter.value.isEmpty())
            stand(meter.stand).setMeter(meter.position, meter.model);
        else
            stand(meter.stand).setValue(meter.position, meter.value);
    }
}

QString BenchSimulator::loadScenarioFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return QStringLiteral("%1: %2 at offset %3").arg(path, parseError.errorString()).arg(parseError.offset);
    if (!doc.isObject())
        return QStringLiteral("%1: a scenario is a JSON object").arg(path);
    const QString complaint = loadScenario(doc.object());
    return complaint.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(path, complaint);
}

} // namespace sim
