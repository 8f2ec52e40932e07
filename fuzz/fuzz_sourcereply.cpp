// The source's status reply taken apart: any bytes, read as a whole reply. A reply refused
// for its 'E' text leaves the status as it was.
#include "bench/link/SourceState.h"
#include "fuzz/FuzzInput.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Copied into a buffer of its own size, so a read past the reply is seen by ASan.
    const QByteArray reply = fuzz::whole(data, size);
    bench::SourceState state;
    state.Status = 0x5A5A;
    if (!bench::ParseSourceReply(reply, state))
        fuzz::require(state.Status == 0x5A5A, "a refused 'E' text leaves the status unchanged");
    return 0;
}
