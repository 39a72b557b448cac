// A small program on the window framework alone, for checking the forms'
// activation rules under a real window manager (activation.py drives it): two
// forms that count their activations and show the count, a handler that
// throws (a message box over the form) and one that opens the input box.
#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/Form.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include <vector>

namespace {

class ProbeForm : public tarvo::TForm {
public:
    ProbeForm(const QString &caption, BorderIcons icons)
        : TForm(icons)
        , count(new QLabel(this))
    {
        setWindowTitle(caption);
        count->setObjectName(QStringLiteral("Count"));
        count->setGeometry(10, 10, 120, 20);
        count->setText(QStringLiteral("activations 0"));
        OnActivate = [this] {
            ++activations;
            count->setText(QStringLiteral("activations %1").arg(activations));
        };
    }

    QPushButton *addButton(const QString &text, void (ProbeForm::*handler)())
    {
        auto *button = new QPushButton(text, this);
        button->setGeometry(10, 40 + 30 * int(buttons.size()), 130, 25);
        buttons.push_back(button);
        tarvo::connectHandler(button, &QPushButton::clicked, this, handler);
        return button;
    }

    // Both forms are centred on the screen, one wide and one tall: whichever is
    // on top, the other's controls stay within reach of the mouse.
    void finish(QSize size)
    {
        resize(size);
        finishCreate();
    }

    void ShowOther() { other->setVisible(true); }
    void HideSelf() { setVisible(false); }
    void Fail() { throw tarvo::EConvertError("erreur voulue"); }
    void Ask() { tarvo::InputBox(QStringLiteral("Question"), QStringLiteral("Réponse :"), QStringLiteral("rien")); }
    void Quit() { Close(); }

    ProbeForm *other = nullptr;
    QLabel *count;
    std::vector<QPushButton *> buttons;
    int activations = 0;
};

// The main form: no close box, like the program's.
class TFormA : public ProbeForm {
public:
    TFormA()
        : ProbeForm(QStringLiteral("Sonde A"), BorderIcons::None)
    {
        addButton(QStringLiteral("Montrer B"), &ProbeForm::ShowOther);
        addButton(QStringLiteral("Erreur"), &ProbeForm::Fail);
        addButton(QStringLiteral("Question"), &ProbeForm::Ask);
        addButton(QStringLiteral("Quitter"), &ProbeForm::Quit);
        finish({600, 170});
    }
};

// A secondary form with a close box, like the viewing windows.
class TFormB : public ProbeForm {
public:
    TFormB()
        : ProbeForm(QStringLiteral("Sonde B"), BorderIcons::SystemMenu)
    {
        addButton(QStringLiteral("Cacher"), &ProbeForm::HideSelf);
        addButton(QStringLiteral("Erreur"), &ProbeForm::Fail);
        addButton(QStringLiteral("Question"), &ProbeForm::Ask);
        finish({300, 500});
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    try {
        tarvo::TApplication::Initialize();
        TFormA *a = nullptr;
        TFormB *b = nullptr;
        tarvo::TApplication::CreateForm(a);
        tarvo::TApplication::CreateForm(b);
        a->other = b;
        tarvo::TApplication::Run();
    } catch (const std::exception &error) {
        tarvo::TApplication::ShowException(error);
    }
    tarvo::TApplication::DestroyForms();
    return 0;
}
