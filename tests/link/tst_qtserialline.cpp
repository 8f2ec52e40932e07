// The real serial line over a pseudo-terminal pair: bytes both ways unchanged, the parity
// flags the line leaves on the device after each switch (a port once at mark or space must
// not keep stick parity), the end of a transmission, a missing and a vanishing device.
#include "bench/link/QtSerialLine.h"

#include <QSignalSpy>
#include <QTest>

#ifdef Q_OS_LINUX
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using bench::LineSettings;
using bench::Parity;
using bench::QtSerialLine;
using bench::StopBits;

namespace {

// A pseudo-terminal pair: the line opens the slave; the test plays the bench on the master
// and looks at the slave's settings through a second descriptor of its own.
class Pty
{
public:
    Pty()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
        // Opened before the line takes the device for itself (exclusive use).
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~Pty()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    bool ok() const { return m_master >= 0 && m_slave >= 0; }
    QString slavePath() const { return m_slavePath; }

    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    bool writeMaster(const QByteArray &bytes) const
    {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    /// What has arrived on the master so far.
    QByteArray readMaster() const
    {
        QByteArray all;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(m_master, buffer, sizeof buffer)) > 0)
            all.append(buffer, n);
        return all;
    }
    tcflag_t slaveCflag() const
    {
        termios tio {};
        ::tcgetattr(m_slave, &tio);
        return tio.c_cflag;
    }
    tcflag_t slaveIflag() const
    {
        termios tio {};
        ::tcgetattr(m_slave, &tio);
        return tio.c_iflag;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

LineSettings benchLine(Parity parity)
{
    return LineSettings{19200, 8, parity, StopBits::One};
}

// Every byte value that a tty in cooked mode would eat or change.
QByteArray awkwardBytes()
{
    return QByteArray("/1\x02" "1(220)\x03\x00\x0A\x0D\x11\x13\x7F\xFF\x04\x1A", 18);
}

} // namespace

class TestQtSerialLine : public QObject
{
    Q_OBJECT

private slots:
    void bytesToTheBench();
    void bytesFromTheBench();
    void parityFlags_data();
    void parityFlags();
    void missingDevice();
    void vanishingDevice();
};

void TestQtSerialLine::bytesToTheBench()
{
    Pty pty;
    QVERIFY(pty.ok());
    QtSerialLine line;
    QVERIFY2(line.open(pty.slavePath()), qPrintable(line.errorString()));
    line.applySettings(benchLine(Parity::Mark));
    QSignalSpy empty(&line, &QtSerialLine::transmitEmpty);

    QVERIFY(line.write(awkwardBytes().left(1)));
    QVERIFY(line.write(awkwardBytes().mid(1)));
    QByteArray arrived;
    QTRY_COMPARE((arrived += pty.readMaster()).toHex(' '), awkwardBytes().toHex(' '));
    QTRY_VERIFY(empty.count() >= 1);

    line.close();
    QVERIFY(!line.isOpen());
    QVERIFY(!line.write("1?"));
}

void TestQtSerialLine::bytesFromTheBench()
{
    Pty pty;
    QVERIFY(pty.ok());
    QtSerialLine line;
    QVERIFY2(line.open(pty.slavePath()), qPrintable(line.errorString()));
    line.applySettings(benchLine(Parity::Space));
    QSignalSpy chunks(&line, &QtSerialLine::chunkReceived);

    QVERIFY(pty.writeMaster(awkwardBytes()));
    QByteArray received;
    QTRY_COMPARE(([&] {
                     received.clear();
                     for (const QList<QVariant> &chunk : chunks)
                         received += chunk.at(0).toByteArray();
                     return received.toHex(' ');
                 }()),
                 awkwardBytes().toHex(' '));
    for (const QList<QVariant> &chunk : chunks)
        QCOMPARE(chunk.at(1).toUInt(), quint32(bench::LineErrorNone));
}

void TestQtSerialLine::parityFlags_data()
{
    QTest::addColumn<Parity>("before");
    QTest::addColumn<Parity>("after");
    QTest::addColumn<uint>("expected"); // of PARENB | PARODD | CMSPAR

    QTest::newRow("mark") << Parity::None << Parity::Mark << uint(PARENB | PARODD | CMSPAR);
    QTest::newRow("space after mark") << Parity::Mark << Parity::Space << uint(PARENB | CMSPAR);
    QTest::newRow("none after space") << Parity::Space << Parity::None << 0u;
    QTest::newRow("even after mark") << Parity::Mark << Parity::Even << uint(PARENB);
    QTest::newRow("odd after space") << Parity::Space << Parity::Odd << uint(PARENB | PARODD);
    QTest::newRow("mark after odd") << Parity::Odd << Parity::Mark << uint(PARENB | PARODD | CMSPAR);
}

void TestQtSerialLine::parityFlags()
{
    QFETCH(Parity, before);
    QFETCH(Parity, after);
    QFETCH(uint, expected);

    Pty pty;
    QVERIFY(pty.ok());
    QtSerialLine line;
    QVERIFY2(line.open(pty.slavePath()), qPrintable(line.errorString()));
    line.applySettings(benchLine(before));
    line.applySettings(benchLine(after));
    // The pseudo-terminal driver has no parity to generate and always drops PARENB; it keeps
    // PARODD and CMSPAR as they were set, and those carry the difference that matters.
    QCOMPARE(uint(pty.slaveCflag() & (PARODD | CMSPAR)), expected & uint(PARODD | CMSPAR));
    QCOMPARE(uint(pty.slaveCflag() & CSIZE), uint(CS8));
    QCOMPARE(uint(pty.slaveIflag() & (INPCK | PARMRK)), 0u); // replies are not checked
}

void TestQtSerialLine::missingDevice()
{
    QtSerialLine line;
    QVERIFY(!line.open(QStringLiteral("/dev/tk710-no-such-port")));
    QVERIFY(!line.isOpen());
    QVERIFY(!line.errorString().isEmpty());
    line.applySettings(benchLine(Parity::Mark)); // harmless on a closed line
    QVERIFY(!line.write("1?"));
}

void TestQtSerialLine::vanishingDevice()
{
    Pty pty;
    QVERIFY(pty.ok());
    QtSerialLine line;
    QVERIFY2(line.open(pty.slavePath()), qPrintable(line.errorString()));
    QSignalSpy vanished(&line, &QtSerialLine::vanished);

    pty.closeMaster(); // the far end is gone: reads on the device fail from now on
    QTRY_COMPARE(vanished.count(), 1);
    QVERIFY(!line.isOpen());
    QVERIFY(!vanished.at(0).at(0).toString().isEmpty());
    QTest::qWait(50); // nothing further is reported
    QCOMPARE(vanished.count(), 1);
}

#else

// The pseudo-terminal pair and the stick-parity flag are Linux facilities.
class TestQtSerialLine : public QObject
{
    Q_OBJECT
private slots:
    void linuxOnly() { QSKIP("needs Linux pseudo-terminals"); }
};

#endif

QTEST_GUILESS_MAIN(TestQtSerialLine)
#include "tst_qtserialline.moc"
