// The clock the processor core really runs at, measured rather than read: a
// chain of dependent register additions takes one cycle per addition on every
// x86-64 and arm64 core, whoever else shares the core, so its time gives the
// cycles per second. The "cpu MHz" of /proc/cpuinfo is no substitute: in a
// virtual machine it is often the rate of the time-stamp counter.
#pragma once

#include <cstdint>

namespace tarvo {

// Cycles one iteration of the latency loop takes: 100 dependent additions.
inline constexpr double LatencyCyclesPerIteration = 100.0;

// Whether this build has the loop (x86-64 and arm64).
bool CoreClockMeasurable();

// The loop, `iterations` times; returns at once where it does not exist.
void LatencyLoop(std::int64_t iterations);

// The core's clock in Hz from the fastest of a few short runs of the loop timed
// with CLOCK_MONOTONIC (a few milliseconds in all; the fastest run is the one
// no other program interrupted). 0 where the loop does not exist.
double MeasureCoreClockHz();

} // namespace tarvo
