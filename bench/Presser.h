// Presses at a point of a widget, or types a shortcut, as a user does, for the
// benchmarks' children: real input through the X server's test extension where
// there is one, else a press made by a call (offscreen), timed until the loop
// is free again.
#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#if TARVO_BENCH_XTEST
#include <xcb/xcb.h>
#include <xcb/xtest.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tarvo::bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}


// Runs the loop for `ms` milliseconds, as it runs between a user's clicks:
// asleep until something comes.
inline void idleFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}


// Sees when the loop takes the pointer move that follows a press (or a key's
// release): the press's
// handler has returned and the loop has done what was waiting before it. The
// move is sent once the release is being handled: sent with the press, it may
// come before the release (a window manager holds the press a moment to give
// the focus).
class LoopWatch : public QObject {
public:
    LoopWatch() { qApp->installEventFilter(this); }
    // `loop` is left once the loop is free.
    void arm(QEventLoop *loop)
    {
        loop_ = loop;
        released_ = false;
        free_ = false;
    }
    bool released() const { return released_; }
    bool free() const { return free_; }
    Clock::time_point freeAt() const { return freeAt_; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (!event->spontaneous())
            return false;
        if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease)
            released_ = true;
        else if (released_ && !free_ && event->type() == QEvent::MouseMove) {
            free_ = true;
            freeAt_ = Clock::now();
            loop_->quit();
        }
        return false;
    }

private:
    QEventLoop *loop_ = nullptr;
    std::atomic<bool> released_ = false;
    bool free_ = false;
    Clock::time_point freeAt_;
};

// Presses at a point of a widget: a real press through the X server where
// there is one, else one made by a call (offscreen).
class Presser {
public:
    Presser()
    {
#if TARVO_BENCH_XTEST
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_))
            return;
        const xcb_query_extension_reply_t *test = xcb_get_extension_data(connection_, &xcb_test_id);
        if (!test || !test->present)
            return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        real_ = true;
#endif
    }
    ~Presser()
    {
#if TARVO_BENCH_XTEST
        if (connection_)
            xcb_disconnect(connection_);
#endif
    }
    Presser(const Presser &) = delete;
    Presser &operator=(const Presser &) = delete;

    bool real() const { return real_; }

    // From the press at `local` in `target` until the loop is free again, in ms;
    // negative when the point is not on the widget (covered) or the loop never
    // came back.
    double press(QWidget *target, QPoint local)
    {
        const QPoint global = target->mapToGlobal(local);
        if (real_ && QApplication::widgetAt(global) != target) {
            std::fprintf(stderr, "%s is covered at %d,%d\n", qPrintable(target->objectName()), global.x(),
                         global.y());
            return -1;
        }
        if (!real_) {
            // The offscreen platform has no input of its own: the press and
            // release are sent, then the loop runs what they left to do. The
            // window is activated with the press, as a window manager does.
            const Clock::time_point start = Clock::now();
            target->window()->activateWindow();
            const QPointF at(local);
            QMouseEvent press(QEvent::MouseButtonPress, at, QPointF(global), Qt::LeftButton, Qt::LeftButton, {});
            QMouseEvent release(QEvent::MouseButtonRelease, at, QPointF(global), Qt::LeftButton, {}, {});
            QApplication::sendEvent(target, &press);
            QApplication::sendEvent(target, &release);
            QCoreApplication::processEvents();
            return msSince(start);
        }
#if TARVO_BENCH_XTEST
        const qreal ratio = target->window()->devicePixelRatio();
        const auto x = std::int16_t(global.x() * ratio), y = std::int16_t(global.y() * ratio);
        return timed(x, y, [&] {
            fake(XCB_BUTTON_PRESS, 1, x, y);
            fake(XCB_BUTTON_RELEASE, 1, x, y);
        });
#else
        return -1;
#endif
    }

    // Types Ctrl and the key of `keysym` (an X keysym: 0x67 for "g") with the
    // pointer resting at `local` in `over`, from the key's press until the loop
    // is free again, in ms; negative without a real X server or such a key.
    double pressControlKey([[maybe_unused]] QWidget *over, [[maybe_unused]] QPoint local,
                           [[maybe_unused]] std::uint32_t keysym)
    {
#if TARVO_BENCH_XTEST
        const xcb_keycode_t control = real_ ? keycodeOf(0xffe3) : 0, key = real_ ? keycodeOf(keysym) : 0;
        if (!control || !key)
            return -1;
        const QPoint global = over->mapToGlobal(local);
        const qreal ratio = over->window()->devicePixelRatio();
        const auto x = std::int16_t(global.x() * ratio), y = std::int16_t(global.y() * ratio);
        fake(XCB_KEY_PRESS, control, x, y);
        xcb_flush(connection_);
        return timed(x, y, [&] {
            fake(XCB_KEY_PRESS, key, x, y);
            fake(XCB_KEY_RELEASE, key, x, y);
            fake(XCB_KEY_RELEASE, control, x, y);
        });
#else
        return -1;
#endif
    }

private:
#if TARVO_BENCH_XTEST
    // The pointer moved to (x, y) and left there a moment, as a user's; then
    // `input` sent, timed until the loop takes the pointer's next move.
    template <typename Input>
    double timed(std::int16_t x, std::int16_t y, Input &&input)
    {
        fake(XCB_MOTION_NOTIFY, 0, x, y);
        xcb_flush(connection_);
        idleFor(100);
        QEventLoop loop;
        watch_.arm(&loop);
        const Clock::time_point start = Clock::now();
        input();
        xcb_flush(connection_);
        // xcb may be used from two threads.
        std::atomic<bool> stop = false;
        std::thread mover([&] {
            while (!watch_.released() && !stop)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            fake(XCB_MOTION_NOTIFY, 0, std::int16_t(x + 1), y);
            xcb_flush(connection_);
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        stop = true;
        mover.join();
        if (!watch_.free())
            return -1;
        return std::chrono::duration<double, std::milli>(watch_.freeAt() - start).count();
    }

    // The keycode that gives `keysym` in the server's keyboard map, or 0.
    xcb_keycode_t keycodeOf(std::uint32_t keysym)
    {
        const xcb_setup_t *setup = xcb_get_setup(connection_);
        const auto count = std::uint8_t(setup->max_keycode - setup->min_keycode + 1);
        xcb_get_keyboard_mapping_reply_t *map = xcb_get_keyboard_mapping_reply(
            connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, count), nullptr);
        if (!map)
            return 0;
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(map);
        const int length = xcb_get_keyboard_mapping_keysyms_length(map);
        xcb_keycode_t found = 0;
        for (int i = 0; i < length && !found && map->keysyms_per_keycode > 0; ++i)
            if (syms[i] == keysym)
                found = xcb_keycode_t(setup->min_keycode + i / map->keysyms_per_keycode);
        std::free(map);
        return found;
    }

    void fake(std::uint8_t type, std::uint8_t detail, std::int16_t x, std::int16_t y)
    {
        xcb_test_fake_input(connection_, type, detail, XCB_CURRENT_TIME, type == XCB_MOTION_NOTIFY ? root_ : XCB_NONE,
                            x, y, 0);
    }

    xcb_connection_t *connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    LoopWatch watch_;
#endif
    bool real_ = false;
};


} // namespace tarvo::bench
