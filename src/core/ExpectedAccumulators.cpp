// Writes the header of the values the floating kernels' accumulators must
// hold after a timed run, replayed here at build time (run under the cross
// build's emulator, so with the target's own arithmetic).
#include "core/KernelReplay.h"
#include "core/SpeedTest.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    std::FILE *out = std::fopen(argv[1], "w");
    if (!out)
        return 1;
    std::fprintf(out, "// Written by tarvo_kernel_values at build time: do not edit.\n#pragma once\n\n"
                      "namespace tarvo::kernels {\n\n"
                      "// The floating kernels' accumulators after their start and %d repetitions.\n"
                      "inline constexpr double ExpectedAccumulators[4] = {\n",
                 tarvo::Repetitions);
    for (int kernel = 5; kernel <= 8; ++kernel)
        std::fprintf(out, "    %a, // kernel %d\n", tarvo::ReplayKernel(kernel, tarvo::Repetitions), kernel);
    std::fprintf(out, "};\n\n} // namespace tarvo::kernels\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
