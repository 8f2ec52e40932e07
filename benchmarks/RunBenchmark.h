// `tk710-benchmark run`: a complete verification of 10 stands × 100 meters over a 20-step
// test against the simulated bench, through the real windows, in virtual time.
#pragma once

namespace benchmarks {

/// Prints run_wall, run_virtual and peak_rss; 0 when the run reached its end.
int runVerification();

} // namespace benchmarks
