// Requests of the bench line, byte for byte: the four request shapes, the closing frame and
// one builder per command the controller sends to the power source and the stands. Pure
// functions; the transaction engine and the test run window queue what they return.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace bench::frames {

/// Address numbers of the bench line: the source is 1, stand N is N + 1, 255 is everybody.
inline constexpr int SourceAddress = 1;
inline constexpr int BroadcastAddress = 255;
/// Address number of stand `stand` (1..10).
constexpr int standAddress(int stand) { return stand + 1; }

/// Address byte of device number `number`: '0' + number; the broadcast 255 is the byte 0xFF.
char addressChar(int number);

/// address, SOH, command, STX, field, ETX and the check byte over field and ETX.
QByteArray dataRequest(int address, char command, const QByteArray &field);
/// address, SOH, command, ETX, 0x00.
QByteArray shortRequest(int address, char command);
/// address, SOH, command, body, ETX, 0x00.
QByteArray shortRequestWithBody(int address, char command, const QByteArray &body);
/// address, '?', ETX, 0x00.
QByteArray poll(int address);
/// '/', '0', SOH, 'X', ETX: said once to the whole bench when the controller closes.
QByteArray closingFrame();

/// Status and readings of the source ("1?" ETX 0x00).
QByteArray sourceRead();
/// Presence probe of the source or of a stand ('U' short request).
QByteArray probe(int address);
/// Switches the source off ('D').
QByteArray sourceOff();
/// Stops every device ('X' to 0xFF).
QByteArray stopAll();
/// Clears the readings of all positions of a stand ('V').
QByteArray standReset(int address);
/// Clears the readings of one position ('W' with the position number in decimal).
QByteArray clearPosition(int address, int position);
/// Asks a stand for its results.
QByteArray standPoll(int address);

/// One group of the source data field: id, '(', text, ')'.
QByteArray sourceGroup(char id, const QString &text);
/// One field of the stand data field: letter, 'X', text, 'Y'.
QByteArray standField(char letter, const QString &text);

/// What one programming of the source sets; an empty member is left out of the frame.
/// The texts are already in wire form (FloatToWire, whole degrees for the angle).
struct SourceProgram
{
    std::optional<QString> u;      ///< group '1', volts
    std::optional<QString> i;      ///< group '2', amperes
    std::optional<QString> f;      ///< group '5', hertz
    std::optional<QString> angle;  ///< group '4', whole degrees between voltage and current
    std::optional<QString> energy; ///< group 'Z', watt-hours to deliver
    std::optional<QString> j;      ///< group 'J', switch of the second counting-device test
};

/// The source programming frame ('P' to the source) with the groups in the order the
/// source expects them: '1', '2', '5', '4', then 'Z' and 'J'.
QByteArray sourceProgram(const SourceProgram &program);

/// Test parameters of stand `stand` ('U' data request): h and i always 0, then voltage,
/// current, power factor and the measurement time or count, as the test run window gives
/// them.
QByteArray standSetup(int stand, const QString &u, const QString &i, const QString &pf,
                      const QString &e);

/// Meter parameters of stand `stand`: `command` is 'P' (error points), 'Q' (sensitivity),
/// 'R' (creep) or 'S' (counting device); g is the range digit, f the meter constant in
/// pulses per kWh, e the count.
QByteArray meterSetup(int stand, char command, const QString &g, const QString &f,
                      const QString &e);

/// A stand command as the pump sends it: the address byte followed by `body`.
QByteArray standCommand(int address, const QByteArray &body);

} // namespace bench::frames
