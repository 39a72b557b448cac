#include "framework/Form.h"

#include "framework/Application.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
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

} // namespace

TForm::TForm(BorderIcons icons)
    : QWidget(nullptr)
    , icons_(icons)
{
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (icons == BorderIcons::SystemMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
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
    // "MS Sans Serif" 8 points at 96 pixels per inch: 11 pixels, whatever the
    // screen's resolution, since every position was designed in pixels.
    QFont designed(QStringLiteral("MS Sans Serif"));
    designed.setPixelSize(11);
    setFont(designed);

    // That font is a bitmap font with no bold strike, and Qt does not embolden
    // bitmaps: bold controls would come out regular. Tahoma Bold, of the same
    // family of designs, stands in for them.
    const QString family = QFontInfo(designed).family();
    if (!QFontDatabase::isScalable(family) && !QFontDatabase::styles(family).contains(QStringLiteral("Bold"))) {
        for (QWidget *child : findChildren<QWidget *>()) {
            QFont font = child->font();
            if (font.bold() && QFontInfo(font).family() == family) {
                font.setFamily(QStringLiteral("Tahoma"));
                child->setFont(font);
            }
        }
    }
    setFixedSize(size());
}

TForm *TForm::ActiveForm()
{
    return activeForm;
}

void TForm::setVisible(bool visible)
{
    if (visible == isVisible())
        return;
    if (!visible) {
        QWidget::setVisible(false);
        return;
    }
    centreOnScreen();
    QWidget::setVisible(true);
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
    // seen its hiding, its window still reports the old exposure.
    if (QWindow *window = windowHandle()) {
        QDeadlineTimer deadline(2000);
        while (isVisible() && !(window->isExposed() && testAttribute(Qt::WA_Mapped)) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    }
    repaint();
}

void TForm::centreOnScreen()
{
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The frame's size is known only once the window exists; before, the client
    // area stands for it.
    const QRect area = screen->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
}

} // namespace tarvo
