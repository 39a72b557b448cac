// The chart benchmark's window child, this program started again by the
// parent (ChartBench.cpp) so that every measurement has a process of its own:
// the six windows on DIR's results file of LINES lines; after a second of idle
// loop, presses "Consulter", then after another types Ctrl+G in the stored
// results window, as a user opens the "Graphique" window; prints load=,
// graphique= (each from the press until the program takes input again), the
// process's processor time over each (loadcpu=, graphiquecpu=, from just
// before the pointer's rest before the press) and real= (1: real input
// through the X server; 0: offscreen, made by calls).
#pragma once

namespace tarvo::bench {

// Runs the child; returns its exit status.
int RunChartWindows(int argc, char *argv[], const char *dir, long expected);

} // namespace tarvo::bench
