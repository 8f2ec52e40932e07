// The transaction queue: a short plain array, scanned for the highest priority each time a
// transaction is taken. Also the probe cycle of "Опросить стенды", which is nothing but
// queued probes and an end marker.
#include "bench/link/TransEngine.h"

#include "bench/link/Frames.h"
#include "bench/link/LinkHost.h"

#include <algorithm>

namespace bench {

void TransEngine::AddTrans(const TTrans &t)
{
    Frame.TransQueue.append(t);
}

void TransEngine::ClearTrans()
{
    // A probe cycle whose end marker goes with the queue would leave the main window
    // disabled for good: it ends as an abandoned probe does.
    const bool probePending = std::any_of(Frame.TransQueue.cbegin(), Frame.TransQueue.cend(),
                                          [](const TTrans &t) { return t.Kind == trProbeDone; });
    Frame.TransQueue.clear();
    if (probePending)
        m_host.probeAbandoned();
    // A running poll cycle would queue its polls again; anything else in progress (a source
    // programming, say) is still finished.
    if (Frame.CurTrans.Kind == trPollCycle)
        Frame.CurTrans.Priority = -1;
}

bool TransEngine::NextTrans()
{
    QList<TTrans> &queue = Frame.TransQueue;
    if (queue.isEmpty()) {
        Frame.CurTrans.Priority = -1;
        return false;
    }
    // Among equal priorities the one nearest the front wins; the last entry then fills the
    // slot taken, so entries of equal priority do not always leave in the order they came.
    qsizetype best = 0;
    for (qsizetype i = 1; i < queue.size(); ++i) {
        if (queue.at(i).Priority > queue.at(best).Priority)
            best = i;
    }
    Frame.CurTrans = queue.at(best);
    queue[best] = queue.last();
    queue.removeLast();
    return true;
}

void TransEngine::AReplyExecute(const QList<int> &tickedStands)
{
    if (m_host.consoleDown())
        return;
    AddTrans({trProbe, {}, frames::SourceAddress, 150});
    const int count = std::min(m_host.countStend(), MaxStands);
    for (int n : tickedStands) {
        if (n >= 1 && n <= count)
            AddTrans({trProbe, {}, frames::standAddress(n), 150 - n});
    }
    AddTrans({trProbeDone, {}, 0, 0});
    StandFound = false;
}

} // namespace bench
