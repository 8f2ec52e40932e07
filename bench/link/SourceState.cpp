#include "bench/link/SourceState.h"

#include "common/UTools.h"

namespace bench {

namespace {

/// The value text of the first group `id` that follows ')' or STX; nullopt when there is none.
std::optional<QByteArray> groupText(const QByteArray &reply, char id)
{
    const char opening[] = {id, '(', 0};
    const qsizetype at = reply.indexOf(opening);
    if (at <= 0)
        return std::nullopt;
    const char before = reply.at(at - 1);
    if (before != ')' && before != UTools::STX)
        return std::nullopt;
    const qsizetype start = at + 2;
    // A group cut off right after its '(' has no value at all: the reading stays as it was.
    if (start >= reply.size())
        return std::nullopt;
    qsizetype end = reply.indexOf(')', start);
    if (end < 0)
        end = reply.size();
    // At least one character is taken, even where ')' follows '(' at once.
    return reply.mid(start, std::max<qsizetype>(end - start, 1));
}

} // namespace

bool ParseSourceReply(const QByteArray &reply, SourceState &state)
{
    struct Reading { char id; float SourceState::*field; };
    static const Reading readings[] = {{'1', &SourceState::U}, {'2', &SourceState::I}, {'4', &SourceState::PF},
                                       {'5', &SourceState::F}, {':', &SourceState::P}};
    for (const Reading &r : readings)
        if (const auto text = groupText(reply, r.id))
            state.*r.field = float(UTools::WireToFloat(QString::fromLatin1(*text)));
    if (const auto text = groupText(reply, '7'))
        state.Range = text->at(0);
    static const Reading kept[] = {{'W', &SourceState::W}, {'T', &SourceState::T}, {'Q', &SourceState::Q},
                                   {'Z', &SourceState::Energy}};
    for (const Reading &r : kept)
        if (const auto text = groupText(reply, r.id))
            state.*r.field = float(UTools::WireToFloat(QString::fromLatin1(*text)));
    if (const auto text = groupText(reply, 'E')) {
        bool ok = false;
        const int status = text->toInt(&ok, 10);
        if (!ok)
            return false;
        state.Status = status;
    }
    return true;
}

} // namespace bench
