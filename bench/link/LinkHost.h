// What the transaction engine needs from the windows, kept narrow so the engine runs and is
// tested without them: the main window answers for the stands, menus and source readings,
// the test run window for its point (absent until a run window exists).
#pragma once

#include "bench/link/TStend.h"

#include <QByteArray>

namespace bench {

class LinkHost
{
public:
    virtual ~LinkHost() = default;

    /// "Работа с пультом" is down: the controller stays silent on the line.
    virtual bool consoleDown() const = 0;
    /// Number of stands configured ("countStend").
    virtual int countStend() const = 0;
    /// Stands[1..10] of the main window.
    virtual StandArray &stands() = 0;
    /// `Range` of the last source reading (its low three bits are the range index).
    virtual char sourceRange() const = 0;
    /// `Mode` of the main window (0 none, 1 adjustment, 2 verification, 3 manual, 4 source control).
    virtual int mode() const = 0;

    /// A stand acknowledged its probe: line of the stand list := "Стенд N - есть".
    virtual void standAnswered(int stand) = 0;
    /// A stand let its probe time out: "Стенд N - нет".
    virtual void standSilent(int stand) = 0;
    /// The end marker of a probe cycle: the stands found are written and the modes enabled
    /// when `standFound`; the main window is enabled again and "PStend" cleared in any case.
    virtual void probeDone(bool standFound) = 0;
    /// The source probe timed out: main window enabled, "PStend" cleared (the modes stay off).
    virtual void probeAbandoned() = 0;
    /// `PMenu` and the "Действия" menu: enabled by a valid data reply, disabled when the link
    /// to the source is declared lost.
    virtual void setLinkMenusEnabled(bool enabled) = 0;
    /// Accepted source data reply (readings, status display).
    virtual void parseSourceReply(const QByteArray &reply) = 0;
    /// Accepted data reply of stand N.
    virtual void parseStandReply(int stand, const QByteArray &reply) = 0;
    /// The source acknowledged its switch-off (the after-switch-off report follows).
    virtual void sourceOffAcknowledged() = 0;
    /// The source set points are forgotten (SetI, SetU, SetF, SetAngle := -1; JOn cleared).
    virtual void forgetSetPoints() = 0;

    // The test run window's part; harmless defaults while no run window exists.
    /// `PollEnabled` of the run window: polls are sent only while it is set.
    virtual bool pollEnabled() const { return false; }
    /// A meter setup frame goes out in adjustment or verification: the point countdown starts.
    virtual void meterSetupSent() {}
    /// `trTestStep`: ClearTestGrid, then ResetPointResults.
    virtual void testStep() {}
    /// Link trouble with the source during a run: enable and execute the run window's AGo.
    virtual void restartPoint() {}
};

} // namespace bench
