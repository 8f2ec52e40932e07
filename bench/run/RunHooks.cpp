// Entry points of the run engine that the main window calls: the manual entry and source
// control programming and the current switched off when the source's resource runs out.
// Their builders come with the manual entry and the special tests; until then they change
// nothing.
#include "bench/run/TFTest.h"

namespace bench {

void TFTest::StartManualMeasurement() {}

void TFTest::ApplySourceControl() {}

void TFTest::CurrentOff() {}

} // namespace bench
