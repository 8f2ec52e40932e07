// The simulated bench behind one serial line: the power source at address '1' and ten
// stands at '2'..';', of which the configured ones are present. Bytes from the line go in
// through receive(); requests are framed, routed to their device, answered after the
// device's turnaround, bent by the fault rules, and leave as transmit() chunks.
//
// Routing: the broadcast stop (0xFF 'X') switches the source off and, like the closing
// frame, gets no reply; requests to an unknown address or to an absent stand get none
// either. A data request whose check byte is wrong is refused by its device.
//
// Scenarios (Scenario.h) set which stands are present, the fault rules, the status faults
// of the source and the meters on the stands.
#pragma once

#include "sim/Faults.h"
#include "sim/RequestParser.h"
#include "sim/Scenario.h"
#include "sim/SimSource.h"
#include "sim/SimStand.h"

#include <QJsonObject>
#include <QObject>
#include <array>

class Scheduler;

namespace sim {

/// The bench line: 19200 bit/s, 11 bits a character (start, 8 data, MARK/SPACE, stop).
inline constexpr int BenchBaudRate = 19200;
inline constexpr int BitsPerCharacter = 11;
/// Time `bytes` characters take on the wire at `baudRate`, in whole ms rounded up.
int wireTimeMs(qsizetype bytes, int baudRate = BenchBaudRate);

class BenchSimulator : public QObject
{
    Q_OBJECT
public:
    static constexpr int StandCount = 10;
    /// From the end of a request to the first byte of the reply.
    static constexpr int TurnaroundMs = 3;
    /// Pause between the pieces of a split, noisy or doubled reply.
    static constexpr int ChunkGapMs = 2;

    /// Starts with the source and stands 1, 2, 3, no faults and no meters;
    /// applyScenario(Scenario::demo()) makes it the demo bench.
    explicit BenchSimulator(Scheduler &scheduler, QObject *parent = nullptr);

    /// Bytes as they arrive from the line, in any chunking.
    void receive(const QByteArray &bytes);

    SimSource &source() { return m_source; }
    /// Stand 1..10.
    SimStand &stand(int number) { return m_stands.at(std::size_t(number - 1)); }
    /// Makes exactly these stands (numbers 1..10) present; others in the list are ignored.
    void setPresentStands(const QList<int> &stands);
    QList<int> presentStands() const;
    Faults &faults() { return m_faults; }

    /// Applies a scenario: present stands, fault rules, status faults and meters are
    /// all replaced by its own.
    void applyScenario(const Scenario &scenario);
    /// Applies a scenario in its JSON form. On a complaint (returned, empty when all is
    /// well) nothing changes.
    QString loadScenario(const QJsonObject &scenario);
    /// Reads a scenario file and applies it; a complaint names the file.
    QString loadScenarioFile(const QString &path);

signals:
    /// Reply bytes for the line, one chunk at a time.
    void transmit(const QByteArray &chunk);

private:
    void handle(const Request &request);
    /// Sends the pieces one after the other, each after the previous one's wire time and a gap.
    void sendPieces(const QList<QByteArray> &pieces);

    Scheduler &m_scheduler;
    RequestParser m_parser;
    SimSource m_source;
    std::array<SimStand, StandCount> m_stands;
    Faults m_faults;
};

} // namespace sim
