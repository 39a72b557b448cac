// The form base class of the six windows. It gives them the activation rules
// the windows rely on, which Qt does not: making a hidden form visible activates
// it and runs its activation handler before the call returns; the handler runs
// again when the user moves to it from another form of the application, but not
// when a modal dialog over it closes or the user comes back from another
// application (the window manager sends Qt an activation in both cases). A
// press into a form activates it before the press is handled, whenever the
// window system's own activation arrives.
// Return clicks the focused button, as Space does; a form the user minimised
// comes back when the program shows it again.
#pragma once

#include <QWidget>

#include <functional>

namespace tarvo {

class TForm : public QWidget {
    Q_OBJECT

public:
    // Forms without border icons have no close box and ignore close requests;
    // with the system menu, the close box only hides the form.
    enum class BorderIcons { None, SystemMenu };

    explicit TForm(BorderIcons icons);
    ~TForm() override;

    // Showing a hidden or minimised form activates it and runs OnActivate at
    // once; showing a form already on screen does nothing.
    void setVisible(bool visible) override;

    // Repaints the form at once, once it is really on screen and active, and
    // sends the repaint to the window system without running the loop.
    void Refresh();

    // Closes the form on purpose: the main form ends the application.
    void Close();

    // The form that was activated last by the rules above.
    static TForm *ActiveForm();

    // A mouse press landed on the form or one of its controls; the
    // application's one event filter tells the form, before the press is handled.
    void pressedInto();

protected:
    // Called by a form's constructor once its controls exist: fixes the size to the
    // designed client area and gives the form the designed font (Fonts.h).
    void finishCreate();

    std::function<void()> OnActivate;

    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void becomeActive();
    void centreOnScreen();

    BorderIcons icons_;
    bool closing_ = false;
    bool activating_ = false;
};

} // namespace tarvo
