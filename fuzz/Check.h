// What the fuzz targets share: a broken invariant is a finding, so say which
// one, then crash for libFuzzer.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void check(bool condition, const char *file = __builtin_FILE(), int line = __builtin_LINE())
{
    if (!condition) {
        std::fprintf(stderr, "%s:%d: check failed\n", file, line);
        std::abort();
    }
}
