// Reply assembly over chunk sequences: what completes a reply, what is dropped, and the
// watchdog's return to idle.
#include "bench/link/ReplyAssembler.h"
#include "common/UTools.h"

#include <QTest>

using bench::ReplyAssembler;

namespace {
// Chunks written as text with '|' between them; A = ACK, N = NAK, S = STX, E = ETX, ~ = 0x00.
QByteArray bytes(QByteArray text)
{
    text.replace('A', UTools::ACK).replace('N', UTools::NAK).replace('S', UTools::STX).replace('E', UTools::ETX).replace('~', '\0');
    return text;
}
} // namespace

class TstReplyAssembler : public QObject
{
    Q_OBJECT
private slots:
    void chunks_data();
    void chunks();
    void watchdogResetReturnsToIdle();
    void runawayBufferIsDropped();
};

void TstReplyAssembler::chunks_data()
{
    QTest::addColumn<QByteArray>("chunks");
    QTest::addColumn<QByteArrayList>("replies");
    const auto list = [](std::initializer_list<const char *> l) {
        QByteArrayList out;
        for (const char *s : l)
            out << bytes(s);
        return out;
    };
    QTest::newRow("5-byte ACK complete") << QByteArray("/1AE~") << list({"/1AE~"});
    QTest::newRow("4-byte ACK not complete") << QByteArray("/1AE") << list({});
    QTest::newRow("split byte by byte") << QByteArray("/|2|A|E|~") << list({"/2AE~"});
    QTest::newRow("data reply in two chunks") << QByteArray("/1S1(2|30)E\xB6") << list({"/1S1(230)E\xB6"});
    QTest::newRow("noise before the reply is lost") << QByteArray("xy|/1AE~") << list({"/1AE~"});
    QTest::newRow("'/' chunk in the middle is dropped") << QByteArray("/1S1(|/2AE~|5)E!") << list({"/1S1(5)E!"});
    QTest::newRow("two replies back to back") << QByteArray("/1AE~|/2NE~") << list({"/1AE~", "/2NE~"});
    QTest::newRow("extra byte after the check byte") << QByteArray("/1AE~0") << list({});
    QTest::newRow("...then completes with a later chunk") << QByteArray("/1AE~0|xE~") << list({"/1AE~0xE~"});
}

void TstReplyAssembler::chunks()
{
    QFETCH(QByteArray, chunks);
    QFETCH(QByteArrayList, replies);
    ReplyAssembler a;
    QByteArrayList got;
    for (const QByteArray &chunk : chunks.split('|'))
        if (const auto r = a.feed(bytes(chunk)))
            got << *r;
    QCOMPARE(got, replies);
}

void TstReplyAssembler::watchdogResetReturnsToIdle()
{
    ReplyAssembler a;
    QVERIFY(!a.feed(bytes("/1S1(23")));
    QVERIFY(!a.rxIdle());
    // Without the reset the next reply's '/' chunk would be dropped.
    a.reset();
    QVERIFY(a.rxIdle());
    QVERIFY(a.rxBuffer().isEmpty());
    QCOMPARE(a.feed(bytes("/2AE~")).value_or(""), bytes("/2AE~"));
}

void TstReplyAssembler::runawayBufferIsDropped()
{
    ReplyAssembler a;
    QVERIFY(!a.feed("/1"));
    const QByteArray noise(1000, 'x');
    for (int i = 0; i < 9; ++i)
        QVERIFY(!a.feed(noise));
    QVERIFY(a.rxIdle());
    QCOMPARE(a.feed(bytes("/1AE~")).value_or(""), bytes("/1AE~"));
}

QTEST_GUILESS_MAIN(TstReplyAssembler)
#include "tst_replyassembler.moc"
