// What the benchmarks that start programs share: a child started by fork and
// exec from a parent that stays small, timed to its end with its own peak
// resident memory (ru_maxrss through wait4: exec records the resident size of
// the forked copy it replaces, the pages shared with the parent now, where
// posix_spawn would record the parent's peak); results files written a block
// at a time in the program's format.
#pragma once

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace tarvo::bench {

struct ChildRun {
    int status = -1;
    double ms = 0;
    double cpuSeconds = 0; // user and system time of the child
    long maxRssKilobytes = 0;
    std::string output;
};

// Runs a program, its output to a pipe (kept) or to /dev/null, with `extraEnv`
// ("NAME=value") replacing that variable, and waits for it; `quiet` sends its
// standard error to /dev/null too.
ChildRun RunChild(const std::vector<std::string> &arguments, bool keepOutput, const char *extraEnv = nullptr,
                  bool quiet = false);

// A results line as the entry window writes it, with made-up values.
std::string ResultLineText(std::mt19937 &random);

// Writes `lines` lines of `line(random)` a block at a time; returns the bytes written.
template <typename Line>
std::uintmax_t WriteLines(const std::filesystem::path &file, long lines, unsigned seed, Line &&line);

// The number after "name=" in a child's output, -1 when absent.
double Field(const std::string &output, const char *name);

} // namespace tarvo::bench

#include <fstream>

template <typename Line>
std::uintmax_t tarvo::bench::WriteLines(const std::filesystem::path &file, long lines, unsigned seed, Line &&line)
{
    std::mt19937 random(seed);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    std::string block;
    std::uintmax_t written = 0;
    for (long i = 0; i < lines; ++i) {
        block += line(random);
        if (block.size() >= (1 << 20) || i + 1 == lines) {
            out.write(block.data(), std::streamsize(block.size()));
            written += block.size();
            block.clear();
        }
    }
    return written;
}
