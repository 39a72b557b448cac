// The start-up benchmark: how long a program takes from its exec to its main
// window mapped on the X server, and to the first paint into that window,
// against a reference program, launched in turn (program first in odd pairs,
// reference first in even ones). Both are observed from outside, through
// the X server's own notifications: the map of a top-level window whose
// _NET_WM_PID is the child's, and the first damage to it (Damage extension).
// Each child starts in a scratch directory with its output discarded and is
// ended (SIGTERM) once its window is painted. The reference may be given
// arguments (bare_window "text" shows a label), and so may the program. One
// launch of each comes first and is not counted: it fills the page cache and
// starts any service a session starts on demand.
//
// Meant for an X server without a window manager (a manager would delay the
// map by its own work), and a session bus as a desktop has one:
//   xvfb-run -a dbus-run-session -- tarvo_startup_bench [-n pairs] PROGRAM REFERENCE
// or, with arguments, the two command lines split by "--".
#include "Measure.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char **environ;

namespace {

using tarvo::bench::Bench;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Launch {
    double mappedMs = 0.0;
    double paintedMs = 0.0; // 0 without the Damage extension
};

class Observer {
public:
    Observer()
    {
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_))
            return;
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root, XCB_CW_EVENT_MASK, &mask);
        const xcb_query_extension_reply_t *damage = xcb_get_extension_data(connection_, &xcb_damage_id);
        if (damage && damage->present) {
            // The extension answers nothing before its version is asked.
            free(xcb_damage_query_version_reply(connection_, xcb_damage_query_version(connection_, 1, 1), nullptr));
            damageEvent_ = damage->first_event + XCB_DAMAGE_NOTIFY;
        }
        pidAtom_ = atom("_NET_WM_PID");
        xcb_flush(connection_);
    }
    ~Observer() { xcb_disconnect(connection_); }
    Observer(const Observer &) = delete;
    Observer &operator=(const Observer &) = delete;

    bool connected() const { return !xcb_connection_has_error(connection_); }
    bool seesPaint() const { return damageEvent_ != 0; }

    // Starts the program and waits for its window; false when it ends first,
    // or after 20 s without it.
    bool launch(const std::vector<std::string> &command, Launch &result)
    {
        const std::string &program = command.front();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<char *> argv;
        for (const std::string &word : command)
            argv.push_back(const_cast<char *>(word.c_str()));
        argv.push_back(nullptr);
        const Clock::time_point start = Clock::now();
        pid_t child = 0;
        const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(spawned));
            return false;
        }

        xcb_window_t window = XCB_NONE;
        result = {};
        bool done = false;
        bool ended = false;
        while (!done && !ended && msSince(start) < 20000.0) {
            pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
            poll(&fd, 1, 100);
            while (xcb_generic_event_t *event = xcb_poll_for_event(connection_)) {
                const double at = msSince(start);
                const int type = event->response_type & 0x7f;
                if (type == XCB_CREATE_NOTIFY && damageEvent_) {
                    // Watched from its creation: its first paint comes right after the map.
                    const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(event);
                    xcb_damage_create(connection_, xcb_generate_id(connection_), created->window,
                                      XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                    xcb_flush(connection_);
                } else if (type == XCB_MAP_NOTIFY && window == XCB_NONE) {
                    const auto *mapped = reinterpret_cast<xcb_map_notify_event_t *>(event);
                    if (pidOf(mapped->window) == static_cast<uint32_t>(child)) {
                        window = mapped->window;
                        result.mappedMs = at;
                    }
                } else if (damageEvent_ && type == damageEvent_) {
                    const auto *damaged = reinterpret_cast<xcb_damage_notify_event_t *>(event);
                    if (window != XCB_NONE && damaged->drawable == window && result.paintedMs == 0.0)
                        result.paintedMs = at;
                }
                free(event);
            }
            done = window != XCB_NONE && (!damageEvent_ || result.paintedMs > 0.0);
            ended = !done && waitpid(child, nullptr, WNOHANG) == child;
        }
        if (!ended) {
            kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
        }
        if (!done)
            std::fprintf(stderr, "%s %s\n", program.c_str(), ended ? "ended before showing its window"
                                                                     : "showed no window in 20 s");
        return done;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        free(reply);
        return value;
    }

    uint32_t pidOf(xcb_window_t window)
    {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        uint32_t pid = 0;
        if (reply && xcb_get_property_value_length(reply) == 4)
            std::memcpy(&pid, xcb_get_property_value(reply), 4);
        free(reply);
        return pid;
    }

    xcb_connection_t *connection_ = nullptr;
    xcb_atom_t pidAtom_ = XCB_ATOM_NONE;
    int damageEvent_ = 0;
};

struct Commands {
    int pairs = 20;
    std::vector<std::string> program, reference;
};

// [-n pairs] PROGRAM REFERENCE, or two command lines split by "--".
bool parseCommands(int argc, char *argv[], Commands &c)
{
    int first = 1;
    if (argc > 2 && std::string(argv[1]) == "-n") {
        c.pairs = std::atoi(argv[2]);
        first = 3;
    }
    c.program.assign(argv + first, argv + argc);
    const auto split = std::find(c.program.begin(), c.program.end(), "--");
    if (split != c.program.end()) {
        c.reference.assign(split + 1, c.program.end());
        c.program.erase(split, c.program.end());
    } else if (c.program.size() == 2) {
        c.reference.push_back(c.program.back());
        c.program.pop_back();
    }
    if (c.program.empty() || c.reference.empty() || c.pairs < 1) {
        std::fprintf(stderr,
                     "usage: %s [-n pairs] PROGRAM REFERENCE\n"
                     "       %s [-n pairs] PROGRAM [ARGUMENT...] -- REFERENCE [ARGUMENT...]   (20 pairs by default)\n",
                     argv[0], argv[0]);
        return false;
    }
    std::error_code error;
    for (std::vector<std::string> *command : {&c.program, &c.reference}) {
        command->front() = std::filesystem::canonical(command->front(), error).string();
        if (error) {
            std::fprintf(stderr, "no such program: %s\n", error.message().c_str());
            return false;
        }
    }
    return true;
}

void printHeader(const Commands &c)
{
    std::printf("Start-up benchmark: %d pairs, exec to the window mapped and to its first paint, in ms\n", c.pairs);
    for (const auto &[name, command] : {std::pair{"program:  ", &c.program}, std::pair{"reference:", &c.reference}}) {
        std::printf("%s", name);
        for (const std::string &word : *command)
            std::printf(" %s", word.c_str());
        std::printf("\n");
    }
    std::printf("session bus: %s\n\n", std::getenv("DBUS_SESSION_BUS_ADDRESS") ? "yes" : "none");
}

// The pairs, program first in odd pairs and reference first in even ones;
// each pair's times go to `bench`.
bool measurePairs(Observer &observer, const Commands &c, Bench &bench)
{
    Launch a, b;
    // A first launch of each, not counted.
    if (!observer.launch(c.program, a) || !observer.launch(c.reference, b))
        return false;
    std::printf("pair   program: mapped  painted   reference: mapped  painted   ratio: mapped  painted\n");
    int pair = 0;
    bench.Run("mapped ratio", [&] {
        const bool programFirst = ++pair % 2 == 1;
        const bool launched = programFirst ? observer.launch(c.program, a) && observer.launch(c.reference, b)
                                           : observer.launch(c.reference, b) && observer.launch(c.program, a);
        if (!launched)
            return tarvo::bench::Failed;
        const double paintedRatio = b.paintedMs > 0.0 ? a.paintedMs / b.paintedMs : 0.0;
        bench["program mapped"].readings.push_back(a.mappedMs);
        bench["reference mapped"].readings.push_back(b.mappedMs);
        bench["program painted"].readings.push_back(a.paintedMs);
        bench["reference painted"].readings.push_back(b.paintedMs);
        bench["painted ratio"].readings.push_back(paintedRatio);
        std::printf("%4d   %15.1f  %7.1f  %17.1f  %7.1f  %13.3f  %7.3f\n", pair, a.mappedMs, a.paintedMs,
                    b.mappedMs, b.paintedMs, a.mappedMs / b.mappedMs, paintedRatio);
        return a.mappedMs / b.mappedMs;
    });
    return !bench.failed();
}

} // namespace

int main(int argc, char *argv[])
{
    Commands commands;
    if (!parseCommands(argc, argv, commands))
        return 2;
    Observer observer;
    if (!observer.connected()) {
        std::fprintf(stderr, "no X server (DISPLAY)\n");
        return 1;
    }
    // The program may write its data files in its working directory.
    char scratch[] = "/tmp/tarvo-startup-XXXXXX";
    if (!mkdtemp(scratch) || chdir(scratch) != 0) {
        std::fprintf(stderr, "no scratch directory\n");
        return 1;
    }
    printHeader(commands);
    Bench bench(commands.pairs);
    if (!measurePairs(observer, commands, bench))
        return 1;
    const auto median = [&](const char *name) { return bench[name].median(); };
    std::printf("median %15.1f  %7.1f  %17.1f  %7.1f  %13.3f  %7.3f\n", median("program mapped"),
                median("program painted"), median("reference mapped"), median("reference painted"),
                median("mapped ratio"), median("painted ratio"));
    std::printf("\nmedian ratio, program over reference: %.2f to the window mapped, %.2f to its first paint "
                "(+%.1f ms, +%.1f ms in medians)\n",
                median("mapped ratio"), median("painted ratio"), median("program mapped") - median("reference mapped"),
                median("program painted") - median("reference painted"));
    if (!observer.seesPaint())
        std::printf("no Damage extension on this X server: paints not seen\n");
    std::error_code error;
    std::filesystem::remove_all(scratch, error);
    return 0;
}
