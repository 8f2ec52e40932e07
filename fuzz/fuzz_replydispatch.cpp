// Reply assembly with dispatch: received chunks go through the port component and the frame
// link into the transaction engine, whose current transaction the input chooses, while
// virtual time runs its pump, pauses and watchdogs.
//
// Input: records of [kind] [address] [flags] [length] [chunk bytes]. Flags: bit 5 makes
// (kind, address) the current transaction (bit 0: its reply is awaited, bit 1: nothing in
// progress), bits 2..4 pick how far time moves after the chunk.
#include "bench/link/FrameLink.h"
#include "bench/link/Frames.h"
#include "bench/link/LinkHost.h"
#include "bench/link/SourceState.h"
#include "bench/link/TAsynCom.h"
#include "bench/link/TransEngine.h"
#include "common/UTools.h"
#include "fuzz/FuzzInput.h"
#include "tests/fixtures/FakeSerialLine.h"
#include "tests/fixtures/ScriptedPrompts.h"
#include "tests/fixtures/VirtualScheduler.h"

#include <QCoreApplication>

namespace {

// The windows' side: every reply handed on must be one the engine may accept.
class CheckingHost final : public bench::LinkHost
{
public:
    bool consoleDown() const override { return false; }
    int countStend() const override { return 3; }
    bench::StandArray &stands() override { return m_stands; }
    char sourceRange() const override { return m_source.Range; }
    int mode() const override { return 2; }
    void standAnswered(int stand) override { fuzz::require(stand >= 1 && stand <= bench::MaxStands, "answered stand"); }
    void standSilent(int stand) override { fuzz::require(stand >= 1 && stand <= bench::MaxStands, "silent stand"); }
    void probeDone(bool) override {}
    void probeAbandoned() override {}
    void setLinkMenusEnabled(bool) override {}
    void parseSourceReply(const QByteArray &reply) override
    {
        requireDataReply(reply, '1');
        bench::ParseSourceReply(reply, m_source);
    }
    void parseStandReply(int stand, const QByteArray &reply) override
    {
        fuzz::require(stand >= 1 && stand <= bench::MaxStands, "parsed stand number");
        requireDataReply(reply, char('1' + stand));
    }
    void sourceOffAcknowledged() override {}
    void forgetSetPoints() override {}
    bool pollEnabled() const override { return true; }

    CheckingHost()
    {
        for (int n = 1; n <= 3; ++n) {
            m_stands[std::size_t(n)].Present = true;
            m_stands[std::size_t(n)].Channel.fill(true);
        }
    }

private:
    static void requireDataReply(const QByteArray &reply, char address)
    {
        fuzz::require(reply.size() >= 5 && reply.at(0) == '/' && reply.at(1) == address
                          && reply.at(2) == UTools::STX && UTools::ReplyChecksumOk(reply),
                      "a data reply passed on is whole, from its device, with its check byte");
    }
    bench::StandArray m_stands;
    bench::SourceState m_source;
};

struct Engine
{
    VirtualScheduler clock;
    fixtures::FakeLines lines;
    bench::TAsynCom port{clock, lines.factory()};
    bench::FrameLink link{port};
    CheckingHost host;
    ScriptedPrompts prompts;
    bench::TransEngine engine{clock, port, link, host, prompts};

    Engine()
    {
        port.setPortName(QStringLiteral("/dev/ttyS0"));
        port.Open();
        engine.start();
    }
};

constexpr int Steps[] = {0, 1, 50, 100, 200, 1000, 3000, 5000};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Input in(data, size);
    Engine e;
    while (!in.atEnd()) {
        const quint8 kind = in.byte() % 15;
        const int addressByte = in.byte() % 13;
        const quint8 flags = in.byte();
        const QByteArray chunk = in.chunk();
        if (flags & 0x20) {
            const int address = addressByte == 12 ? bench::frames::BroadcastAddress : addressByte;
            const int priority = (flags & 0x02) ? -1 : 100;
            e.engine.Frame.CurTrans = bench::TTrans{kind, {}, address, priority};
            e.engine.Frame.Busy = (flags & 0x01) != 0;
            e.engine.AddTrans(bench::TTrans{bench::trSourceSettled, {}, 0, 0});
        }
        if (fixtures::FakeSerialLine *line = e.lines.line())
            line->receive(chunk);
        e.clock.advance(Steps[(flags >> 2) & 7]);
        fuzz::require(e.link.assembler().rxBuffer().size() <= bench::ReplyAssembler::MaxReplyBytes,
                      "the reply being assembled stays within its bound");
    }
    e.engine.stop();
    return 0;
}
