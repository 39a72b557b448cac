// What each floating kernel's accumulator must hold after its start and a
// number of repetitions, computed by the same IEEE operations in the same
// order and types as the kernels, without their volatile memory traffic.
// tarvo_kernel_values runs it at build time to write the constants the speed
// test checks its kernels against; a test replays it to prove them.
#pragma once

namespace tarvo {

// Kernel 5 to 8; the accumulator widened to double (exact for a float).
double ReplayKernel(int number, int repetitions);

} // namespace tarvo
