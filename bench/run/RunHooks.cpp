// The run engine's entry points that the main window calls while a test runs. The engine
// that fills them (points) is not built yet: until then a
// run programs nothing, and these change nothing.
#include "bench/run/TFTest.h"

namespace bench {

bool TFTest::RunPoint()
{
    return false;
}

void TFTest::CurrentOff() {}

} // namespace bench
