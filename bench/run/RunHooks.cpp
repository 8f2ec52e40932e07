// Entry points of the run engine that the main window calls: the manual entry and source
// control programming. They come with the manual entry; until then they change nothing.
#include "bench/run/TFTest.h"

namespace bench {

void TFTest::StartManualMeasurement() {}

void TFTest::ApplySourceControl() {}

} // namespace bench
