#include "core/ThreadedRun.h"

#include "core/ErrorTexts.h"
#include "core/Errors.h"

#include <algorithm>
#include <barrier>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <memory>
#include <sched.h>
#include <system_error>
#include <thread>

namespace tarvo {

namespace {

// Room for every CPU Linux can number today; sched_getaffinity fails with
// EINVAL on a smaller set.
constexpr int maxCpus = 8192;

struct CpuSet {
    cpu_set_t *set = CPU_ALLOC(maxCpus);
    std::size_t size = CPU_ALLOC_SIZE(maxCpus);
    CpuSet() { CPU_ZERO_S(size, set); }
    ~CpuSet() { CPU_FREE(set); }
    CpuSet(const CpuSet &) = delete;
    CpuSet &operator=(const CpuSet &) = delete;
};

// The calling thread's CPUs; empty when the system does not say.
std::vector<int> threadCpus()
{
    CpuSet cpus;
    if (!cpus.set || sched_getaffinity(0, cpus.size, cpus.set) != 0)
        return {};
    std::vector<int> list;
    for (int cpu = 0; cpu < maxCpus; ++cpu)
        if (CPU_ISSET_S(cpu, cpus.size, cpus.set))
            list.push_back(cpu);
    return list;
}

int setThreadCpus(const std::vector<int> &list)
{
    CpuSet cpus;
    if (!cpus.set)
        return ENOMEM;
    for (int cpu : list)
        if (cpu >= 0 && cpu < maxCpus)
            CPU_SET_S(cpu, cpus.size, cpus.set);
    return sched_setaffinity(0, cpus.size, cpus.set) == 0 ? 0 : errno;
}

double processorSeconds(const TestRun &run, std::int64_t perSecond)
{
    std::int64_t ticks = 0;
    for (const KernelTiming &kernel : run.kernels)
        for (const ClockReadings &reading : kernel.readings)
            ticks += reading.end - reading.start;
    return static_cast<double>(ticks) / static_cast<double>(perSecond);
}

Scores weighted(const std::vector<ThreadOutcome> &threads, double wallSeconds, bool byWall)
{
    long double entier = 0.0L, flottant = 0.0L, indice = 0.0L;
    for (const ThreadOutcome &t : threads) {
        const long double share = byWall && wallSeconds > 0.0 ? t.processorSeconds / wallSeconds : 1.0L;
        entier += t.test.scores.entier * share;
        flottant += t.test.scores.flottant * share;
        indice += t.test.scores.indice * share;
    }
    return {static_cast<float>(entier), static_cast<float>(flottant), static_cast<float>(indice)};
}

} // namespace

std::vector<int> UsableCpus()
{
    return threadCpus();
}

PinnedThread::PinnedThread(int cpu)
    : before_(threadCpus())
{
    if (const int error = setThreadCpus({cpu}))
        throw Exception(QStringLiteral("Impossible d'attacher le calcul au processeur %1 : %2.")
                            .arg(cpu)
                            .arg(SystemReason(error)));
}

PinnedThread::~PinnedThread()
{
    if (!before_.empty())
        setThreadCpus(before_);
}

Clock ThreadClock()
{
    return {[] {
                timespec t{};
                clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
                return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
            },
            1000000000};
}

ThreadedRun RunThreaded(const std::vector<std::optional<int>> &cpus, const std::array<Kernel, 8> &kernels)
{
    using Steady = std::chrono::steady_clock;
    const std::size_t n = cpus.size();
    std::vector<ThreadOutcome> outcomes(n);
    std::vector<Steady::time_point> starts(n), ends(n);
    // Each thread's refusal to be pinned, written before the barrier and read
    // by all after it; a kernel's failure, read once every thread has ended.
    std::vector<std::string> pinFailures(n), runFailures(n);
    bool notStarted = false;
    std::barrier ready(static_cast<std::ptrdiff_t>(n));

    const auto body = [&](std::size_t i) {
        const auto accumulators = std::make_unique<ThreadAccumulators>();
        std::optional<PinnedThread> pinned;
        try {
            if (cpus[i])
                pinned.emplace(*cpus[i]);
        } catch (const Exception &e) {
            pinFailures[i] = e.what();
        }
        SetThreadAccumulators(accumulators.get());
        ready.arrive_and_wait();
        // Every thread runs, or none: one that could not be pinned stops all.
        bool go = !notStarted;
        for (const std::string &failure : pinFailures)
            go = go && failure.empty();
        starts[i] = Steady::now();
        if (go) {
            try {
                outcomes[i].test = RunSpeedTest(ThreadClock(), {}, kernels);
            } catch (const Exception &e) {
                runFailures[i] = e.what();
            }
        }
        ends[i] = Steady::now();
        outcomes[i].cpu = cpus[i];
        outcomes[i].processorSeconds = processorSeconds(outcomes[i].test, 1000000000);
        outcomes[i].accumulators = {accumulators->sum5, accumulators->product6, accumulators->sum7,
                                    accumulators->product8};
        SetThreadAccumulators(nullptr);
    };

    {
        std::vector<std::jthread> threads;
        threads.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            try {
                threads.emplace_back(body, i);
            } catch (const std::system_error &) {
                // The threads already waiting are let through, to do nothing.
                notStarted = true;
                for (std::size_t missing = i; missing < n; ++missing)
                    ready.arrive_and_drop();
                break;
            }
        }
    }
    if (notStarted)
        throw Exception(QStringLiteral("Impossible de lancer %1 fils d'exécution : %2.")
                            .arg(n)
                            .arg(SystemReason(EAGAIN)));
    for (const auto *list : {&pinFailures, &runFailures})
        for (const std::string &failure : *list)
            if (!failure.empty())
                throw Exception(QString::fromStdString(failure));

    ThreadedRun run;
    run.threads = std::move(outcomes);
    if (n > 0)
        run.wallSeconds = std::chrono::duration<double>(*std::max_element(ends.begin(), ends.end())
                                                        - *std::min_element(starts.begin(), starts.end()))
                              .count();
    return run;
}

MultiCoreScores Combine(const ThreadedRun &run)
{
    return {weighted(run.threads, run.wallSeconds, false), weighted(run.threads, run.wallSeconds, true)};
}

} // namespace tarvo
