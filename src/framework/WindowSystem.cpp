#include "framework/WindowSystem.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QWidget>
#include <qpa/qplatformnativeinterface.h>

#include <xcb/xcb.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace tarvo {

namespace {

xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// libwayland-client is loaded by Qt's Wayland plugin when that plugin runs;
// the program does not link it, so that it needs nothing of Wayland under X11.
struct WaylandConnection {
    void *display = nullptr;
    int (*flush)(void *display) = nullptr;

    WaylandConnection()
    {
        if (QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface())
            display = native->nativeResourceForIntegration("wl_display");
        if (!display)
            return;
        if (void *library = dlopen("libwayland-client.so.0", RTLD_LAZY | RTLD_NOLOAD))
            flush = reinterpret_cast<int (*)(void *)>(dlsym(library, "wl_display_flush"));
    }
};

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const ReplyPtr<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The 32-bit values of a window property, empty when it is not set.
std::vector<std::uint32_t> cardinals(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t property,
                                     xcb_atom_t type)
{
    const ReplyPtr<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, property, type, 0, 1024), nullptr),
        &std::free);
    if (!reply || reply->format != 32)
        return {};
    const auto *values = static_cast<const std::uint32_t *>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

} // namespace

void FlushWindowSystem()
{
    if (xcb_connection_t *connection = x11Connection()) {
        xcb_flush(connection);
        return;
    }
    static const WaylandConnection wayland;
    if (wayland.flush)
        wayland.flush(wayland.display);
}

QMargins ExpectedFrame(QWidget *window)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return {};
    const auto id = xcb_window_t(window->winId());
    const ReplyPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr), &std::free);
    if (!geometry)
        return {};
    const xcb_window_t root = geometry->root;

    // Without a window manager that offers the estimate, nothing will answer.
    const xcb_atom_t request = internAtom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = internAtom(connection, "_NET_FRAME_EXTENTS");
    const auto supported = cardinals(connection, root, internAtom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    if (std::find(supported.begin(), supported.end(), request) == supported.end())
        return {};

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);

    // The window manager answers by setting the property on the window; Qt's
    // loop is not run meanwhile, so nothing else happens before the showing.
    // It usually answers within a few tenths of a millisecond: the first looks
    // come soon, later ones further apart.
    const QDeadlineTimer deadline(300);
    std::chrono::microseconds pause(100);
    for (;;) {
        const auto values = cardinals(connection, id, extents, XCB_ATOM_CARDINAL);
        if (values.size() == 4) // left, right, top, bottom
            return QMargins(int(values[0]), int(values[2]), int(values[1]), int(values[3]));
        if (deadline.hasExpired())
            return {};
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(2000));
    }
}

} // namespace tarvo
