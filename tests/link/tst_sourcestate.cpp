// Taking the source's status reply apart: which groups count, what a missing group leaves,
// and a status that is not a number.
#include "bench/link/SourceState.h"
#include "common/UTools.h"

#include <QTest>

using bench::SourceState;

namespace {
QByteArray reply(const QByteArray &field)
{
    return QByteArray("/1") + UTools::STX + field + UTools::ETX + '\0';
}
} // namespace

class TstSourceState : public QObject
{
    Q_OBJECT
private slots:
    void groups();
    void missingGroupsLeaveReadings();
    void groupOnlyAfterClosingParenthesisOrStx();
    void statusThatIsNotANumber();
    void groupCutOffAfterItsParenthesis();
};

void TstSourceState::groups()
{
    SourceState s;
    QVERIFY(bench::ParseSourceReply(reply("1(230.1)2(5)4(0.5)5(50)7(3)E(0):(575.2)W(1)T(2)Q(3)Z(12.5)"), s));
    QCOMPARE(s.U, 230.1f);
    QCOMPARE(s.I, 5.0f);
    QCOMPARE(s.PF, 0.5f);
    QCOMPARE(s.F, 50.0f);
    QCOMPARE(s.P, 575.2f);
    QCOMPARE(s.Range, '3');
    QCOMPARE(s.Status, 0);
    QCOMPARE(s.W, 1.0f);
    QCOMPARE(s.Q, 3.0f);
    QCOMPARE(s.Energy, 12.5f);
}

void TstSourceState::missingGroupsLeaveReadings()
{
    SourceState s;
    s.Status = 17;
    s.U = 220;
    QVERIFY(bench::ParseSourceReply(reply("2(1.5)"), s));
    QCOMPARE(s.Status, 17); // no 'E' group
    QCOMPARE(s.U, 220.0f);
    QCOMPARE(s.I, 1.5f);
}

void TstSourceState::groupOnlyAfterClosingParenthesisOrStx()
{
    SourceState s;
    // "x2(" is not a group: the first "2(" is preceded by 'x', so id '2' is skipped.
    QVERIFY(bench::ParseSourceReply(reply("1(7)x2(9)2(4)"), s));
    QCOMPARE(s.U, 7.0f);
    QCOMPARE(s.I, 0.0f);
}

void TstSourceState::statusThatIsNotANumber()
{
    SourceState s;
    s.Status = 5;
    QVERIFY(!bench::ParseSourceReply(reply("1(230)E(1.5)"), s));
    QCOMPARE(s.Status, 5);
    QCOMPARE(s.U, 230.0f);
}

void TstSourceState::groupCutOffAfterItsParenthesis()
{
    // The reply ends right after "7(": there is no range character to take.
    SourceState s;
    s.Range = '3';
    s.I = 2;
    QVERIFY(bench::ParseSourceReply(QByteArray("/1") + UTools::STX + "1(230)7(", s));
    QCOMPARE(s.Range, '3');
    QVERIFY(bench::ParseSourceReply(QByteArray("/1") + UTools::STX + "1(230)2(", s));
    QCOMPARE(s.I, 2.0f);
    QCOMPARE(s.U, 230.0f);
}

QTEST_GUILESS_MAIN(TstSourceState)
#include "tst_sourcestate.moc"
