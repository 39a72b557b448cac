// The application object of the window framework: start-up (fonts, French
// translations), the set of forms and the message loop, and the one guarded
// way in which every event handler runs. A handler that throws is ended, its
// message is shown in a message box, and the application goes on; no exception
// ever unwinds through Qt's own frames.
#pragma once

#include <QObject>

#include <exception>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QApplication;
class QWidget;

namespace tarvo {

class TForm;

class TApplication {
public:
    // Makes Qt's application object. Without a display Qt explains it in English
    // over several lines and aborts: the user reads one French line on standard
    // error instead, and the program fails. So it does, before any window, when
    // the system would not give it the descriptors and threads a session needs.
    static std::unique_ptr<QApplication> Open(int &argc, char *argv[]);

    // Registers the designed fonts and loads Qt's French translations.
    static void Initialize();

    // Creates a form, hidden, and stores it in its global reference; the first
    // form created is the main form.
    template <typename T>
    static void CreateForm(T *&reference)
    {
        reference = new T();
        registerForm(reference);
    }

    // Shows the main form and runs the message loop until the main form closes.
    static int Run();

    // Destroys the forms in the reverse order of their creation.
    static void DestroyForms();

    static TForm *MainForm();

    // Shows an error in a modal message box over the active form.
    static void ShowException(const std::exception &error);

    // Runs one event handler; whatever it throws is shown, never propagated.
    static void Invoke(const std::function<void()> &handler) noexcept;

private:
    static void registerForm(TForm *form);
};

// Connects a signal to a form's handler through the guarded dispatch.
template <typename Sender, typename Signal, typename Receiver>
QMetaObject::Connection connectHandler(Sender *sender, Signal signal, Receiver *receiver,
                                       void (Receiver::*handler)())
{
    return QObject::connect(sender, signal, receiver, [receiver, handler] {
        TApplication::Invoke([receiver, handler] { (receiver->*handler)(); });
    });
}

} // namespace tarvo
