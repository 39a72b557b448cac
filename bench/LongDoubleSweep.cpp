// Whether the scoring's float results depend on the width of long double: each
// conversion step of a timed run, over every input a float can give it,
// computed with x86-64's 80-bit long double and with IEEE binary128 (GCC's
// __float128, the format and rounding of arm64's long double). x86-64 only.
// Usage: long_double_sweep seconds|average|result64|result16
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

using quad = __float128;

struct Count {
    long long values = 0;
    long long differ = 0;

    void compare(const char *what, double input, float wide, float quadruple)
    {
        ++values;
        if (wide != quadruple && ++differ <= 10)
            std::printf("%s %a: 80-bit %a, binary128 %a\n", what, input, double(wide), double(quadruple));
    }
};

float next(float f)
{
    return std::nextafter(f, INFINITY);
}

} // namespace

int main(int argc, char **argv)
{
    const char *step = argc > 1 ? argv[1] : "";
    Count count;
    if (!std::strcmp(step, "seconds")) {
        // Elapsed ticks to seconds, for every 32-bit tick count.
        for (long long t = INT32_MIN; t <= INT32_MAX; ++t) {
            const auto ticks = std::int32_t(t);
            count.compare("ticks", ticks, float(ticks * 0.001L), float(ticks * quad(0.001Q)));
        }
    } else if (!std::strcmp(step, "average")) {
        // Time sum to average, for every float sum from half a tick to 2^24 s.
        for (float sum = 0.0005f; sum < 16777216.0f; sum = next(sum))
            count.compare("sum", sum, float(sum * 0.2L), float(sum * quad(0.2Q)));
    } else if (!std::strcmp(step, "result64") || !std::strcmp(step, "result16")) {
        // Average time to kernel result, for every float average from 0.1 ms to 2^22 s.
        const float operations = step[6] == '6' ? 6.4e7f : 1.6e7f;
        for (float average = 0.0001f; average < 4194304.0f; average = next(average))
            count.compare("average", average,
                          float(((static_cast<long double>(operations) / average) * 0.001L) * 0.001L),
                          float(((quad(operations) / average) * 0.001Q) * 0.001Q));
    } else {
        std::fprintf(stderr, "usage: %s seconds|average|result64|result16\n", argv[0]);
        return 2;
    }
    std::printf("%s: %lld values, %lld differ between 80-bit and binary128\n", step, count.values, count.differ);
    return count.differ == 0 ? 0 : 1;
}
