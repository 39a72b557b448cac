// The list benchmark's children, each this program started again by the
// parent (ListBench.cpp) so that every measurement has a process of its own:
//   --load DIR LINES [PAGES [IDLE_MS]]  the six windows on DIR's results file of LINES
//       lines; after IDLE_MS of idle loop, presses "Consulter", then "Comparer",
//       appends a line and clicks into the comparison window, then scrolls
//       PAGES pages; prints load=, second=, reload=, before=, peak=, pages=,
//       scroll=, p99=, end= and real= (a real press through the X server).
//   --dropdown DIR LINES  the entry window's processor list of LINES entries,
//       dropped down twice; prints drop=, redrop=, before= and peak=.
#pragma once

namespace tarvo::bench {

// Runs the child named by argv[1]; returns its exit status.
int RunListChild(int argc, char *argv[]);

} // namespace tarvo::bench
