// Requests of the bench line, byte for byte.
#include "bench/link/Frames.h"

#include "common/UTools.h"

namespace bench::frames {

namespace {

using UTools::ETX;
using UTools::SOH;
using UTools::STX;

// The devices read plain ASCII; every text that goes into a frame is a number text or a
// letter, so Latin-1 carries it unchanged.
QByteArray wire(const QString &text)
{
    return text.toLatin1();
}

} // namespace

char addressChar(int number)
{
    if (number == BroadcastAddress)
        return static_cast<char>(0xFF);
    return static_cast<char>(0x30 + number);
}

QByteArray dataRequest(int address, char command, const QByteArray &field)
{
    QByteArray frame;
    frame.reserve(field.size() + 6);
    frame += addressChar(address);
    frame += SOH;
    frame += command;
    frame += STX;
    frame += field;
    frame += ETX;
    frame += static_cast<char>(UTools::FrameChecksum(frame));
    return frame;
}

QByteArray shortRequest(int address, char command)
{
    return shortRequestWithBody(address, command, QByteArray());
}

QByteArray shortRequestWithBody(int address, char command, const QByteArray &body)
{
    QByteArray frame;
    frame += addressChar(address);
    frame += SOH;
    frame += command;
    frame += body;
    frame += ETX;
    frame += '\0';
    return frame;
}

QByteArray poll(int address)
{
    QByteArray frame;
    frame += addressChar(address);
    frame += '?';
    frame += ETX;
    frame += '\0';
    return frame;
}

QByteArray closingFrame()
{
    QByteArray frame("/0");
    frame += SOH;
    frame += 'X';
    frame += ETX;
    return frame;
}

QByteArray sourceRead()
{
    return poll(SourceAddress);
}

QByteArray probe(int address)
{
    return shortRequest(address, 'U');
}

QByteArray sourceOff()
{
    return shortRequest(SourceAddress, 'D');
}

QByteArray stopAll()
{
    return shortRequest(BroadcastAddress, 'X');
}

QByteArray standReset(int address)
{
    return shortRequest(address, 'V');
}

QByteArray clearPosition(int address, int position)
{
    return shortRequestWithBody(address, 'W', QByteArray::number(position));
}

QByteArray standPoll(int address)
{
    return poll(address);
}

QByteArray sourceGroup(char id, const QString &text)
{
    return id + ('(' + wire(text) + ')');
}

QByteArray standField(char letter, const QString &text)
{
    return letter + ('X' + wire(text) + 'Y');
}

QByteArray sourceProgram(const SourceProgram &program)
{
    // The groups always go out in this order, whichever of them the run sets.
    const std::pair<char, const std::optional<QString> *> groups[] = {
        {'1', &program.u}, {'2', &program.i},      {'5', &program.f},
        {'4', &program.angle}, {'Z', &program.energy}, {'J', &program.j},
    };
    QByteArray field;
    for (const auto &[id, value] : groups) {
        if (value->has_value())
            field += sourceGroup(id, **value);
    }
    return dataRequest(SourceAddress, 'P', field);
}

QByteArray standSetup(int stand, const QString &u, const QString &i, const QString &pf,
                      const QString &e)
{
    const QString zero = QStringLiteral("0");
    const QByteArray field = standField('h', zero) + standField('i', zero) + standField('a', u)
        + standField('b', i) + standField('d', pf) + standField('e', e);
    return dataRequest(standAddress(stand), 'U', field);
}

QByteArray meterSetup(int stand, char command, const QString &g, const QString &f,
                      const QString &e)
{
    const QByteArray field = standField('g', g) + standField('f', f) + standField('e', e);
    return dataRequest(standAddress(stand), command, field);
}

QByteArray standCommand(int address, const QByteArray &body)
{
    return addressChar(address) + body;
}

} // namespace bench::frames
