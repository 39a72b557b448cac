#include "framework/Form.h"

#include "framework/Application.h"
#include "framework/Fonts.h"
#include "framework/WindowSystem.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace tarvo {

namespace {

TForm *activeForm = nullptr;

// A form activated by the program expects the window system's confirmation.
// Until it comes, activations of other forms are stale echoes of earlier
// showings and hidings (a window manager passes the focus around while windows
// appear and disappear) and are not moves of the user.
TForm *awaitedForm = nullptr;
QDeadlineTimer awaitedUntil;
constexpr int confirmationMs = 1000;

// Presses anywhere in the application, passed to the form they land in: one
// filter for all the forms, made with the first.
class PressFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType())
            if (auto *form = qobject_cast<TForm *>(static_cast<QWidget *>(watched)->window()))
                form->pressedInto();
        return false;
    }
};

void watchPresses()
{
    static QPointer<PressFilter> filter;
    if (filter)
        return;
    filter = new PressFilter(qApp);
    qApp->installEventFilter(filter);
}

// Runs the loop, user input excluded, until `done` or the deadline. The loop
// sleeps between events rather than polling: the window manager and the
// display server it waits for need the processor meanwhile.
template <typename Done>
void waitFor(int ms, Done &&done)
{
    const QDeadlineTimer deadline(ms);
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
}

// The frame the window system put around a top-level widget; empty before its
// first showing.
QMargins frameAround(const QWidget *window)
{
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                    outer.bottom() - inner.bottom());
}

// What a window manager's frame depends on: the kind of window and whether it
// has a title bar. The buttons in the bar change not its height.
Qt::WindowFlags decoration(const QWidget *window)
{
    return window->windowFlags() & (Qt::WindowType_Mask | Qt::FramelessWindowHint | Qt::WindowTitleHint);
}

// The frame of another window on screen decorated alike, or none: the window
// manager frames alike windows alike, and asking it costs a wait.
QMargins shownFrameLike(const QWidget *window)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *other : windows) {
        if (other == window || !other->isVisible() || other->isMinimized() || decoration(other) != decoration(window))
            continue;
        if (const QMargins frame = frameAround(other); !frame.isNull())
            return frame;
    }
    return {};
}

} // namespace

TForm::TForm(BorderIcons icons)
    : QWidget(nullptr)
    , icons_(icons)
{
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (icons == BorderIcons::SystemMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    watchPresses();
}

TForm::~TForm()
{
    if (activeForm == this)
        activeForm = nullptr;
    if (awaitedForm == this)
        awaitedForm = nullptr;
}

void TForm::finishCreate()
{
    GiveDesignedFont(this);
    setFixedSize(size());
}

TForm *TForm::ActiveForm()
{
    return activeForm;
}

void TForm::setVisible(bool visible)
{
    if (!visible) {
        if (isVisible())
            QWidget::setVisible(false);
        return;
    }
    if (isVisible() && !isMinimized())
        return;
    if (isVisible()) {
        // Minimised through the window manager, the form still counts as shown;
        // the user asking for it again expects it back.
        setWindowState(windowState() & ~Qt::WindowMinimized);
    } else {
        centreOnScreen();
        QWidget::setVisible(true);
    }
    raise();
    activateWindow();
    awaitedForm = this;
    awaitedUntil.setRemainingTime(confirmationMs);
    becomeActive();
}

void TForm::becomeActive()
{
    activeForm = this;
    if (!OnActivate || activating_)
        return;
    activating_ = true;
    TApplication::Invoke(OnActivate);
    activating_ = false;
}

bool TForm::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && isVisible()) {
        if (awaitedForm == this) {
            awaitedForm = nullptr;
        } else if (awaitedForm && !awaitedUntil.hasExpired()) {
            // An echo from before the awaited form was shown.
        } else if (activeForm != this) {
            awaitedForm = nullptr;
            becomeActive();
        }
    }
    return QWidget::event(event);
}

void TForm::pressedInto()
{
    // A press into a form that is not the active one is the user moving to it.
    // The window system's activation may come only after the press's own
    // handler has run (Wayland), or not at all if that handler hid the form:
    // the form is activated at the press, as a click-to-focus desktop does.
    if (activeForm != this && isVisible()) {
        awaitedForm = nullptr;
        becomeActive();
    }
}

void TForm::closeEvent(QCloseEvent *event)
{
    if (closing_ || icons_ == BorderIcons::SystemMenu) {
        event->accept();
        if (this == TApplication::MainForm())
            QCoreApplication::quit();
        return;
    }
    // No close box: the window manager's close request (Alt+F4) is refused.
    event->ignore();
}

void TForm::keyPressEvent(QKeyEvent *event)
{
    // Qt clicks a button on Return only in dialogs; here Return does what Space
    // does, once per press.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    auto *button = qobject_cast<QPushButton *>(focusWidget());
    if (enter && button && !event->isAutoRepeat() && (event->modifiers() & ~Qt::KeypadModifier) == 0) {
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm::Close()
{
    closing_ = true;
    close();
    closing_ = false;
}

void TForm::Refresh()
{
    // A window just shown is not on screen until the window system exposes it;
    // painting before that is lost. Wait for it, taking no user input meanwhile.
    // The form's own mapped state counts too: shown again before the loop has
    // seen its hiding, its window still reports the old exposure. Where Qt draws
    // the title bar (Wayland), it shows the form active only once the window
    // system's activation has been seen, which follows shortly.
    if (QWindow *window = windowHandle()) {
        waitFor(2000, [&] { return !isVisible() || (window->isExposed() && testAttribute(Qt::WA_Mapped)); });
        waitFor(500, [&] { return !isVisible() || !window->isExposed() || isActiveWindow(); });
    }
    repaint();
    FlushWindowSystem();
}

void TForm::centreOnScreen()
{
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Placed by its frame. Before the first showing Qt does not know the frame
    // yet: a form on screen with the same decoration has it, else the window
    // manager is asked what it will be. (A Wayland compositor places windows
    // itself and ignores this.)
    const QRect area = screen->availableGeometry();
    QMargins frame = frameAround(this);
    if (frame.isNull())
        frame = shownFrameLike(this);
    if (frame.isNull())
        frame = ExpectedFrame(this);
    const QSize framed = size().grownBy(frame);
    const QPoint corner(area.x() + (area.width() - framed.width()) / 2,
                        area.y() + (area.height() - framed.height()) / 2);
    setGeometry(QRect(corner + QPoint(frame.left(), frame.top()), size()));
}

} // namespace tarvo
