// CPU Tarvo 32: creates the six windows once and runs the message loop until
// the main window closes.
#include "AllForms.h"

#include "framework/Application.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>

using tarvo::TApplication;

namespace {

// Without a display, Qt and the display libraries explain it in English over
// several lines, then Qt aborts. While the application object is being made,
// standard error is held back: if Qt gives up, the user reads one French line
// and the program fails; otherwise what was written is let through.
int realStderr = STDERR_FILENO;
QtMessageHandler qtHandler = nullptr;

void startUpMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg)
        return qtHandler(type, context, text);
    static const char line[] = "CPU Tarvo 32 ne peut pas démarrer : aucun affichage graphique n'est "
                               "accessible (ni serveur X, ni Wayland).\n";
    (void)!::write(realStderr, line, sizeof line - 1);
    ::_exit(EXIT_FAILURE);
}

class HeldStderr {
public:
    HeldStderr()
    {
        std::fflush(stderr);
        held_ = ::memfd_create("zurezive-start-up", MFD_CLOEXEC);
        const int saved = held_ >= 0 ? ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3) : -1;
        if (saved >= 0 && ::dup2(held_, STDERR_FILENO) >= 0)
            realStderr = saved;
        qtHandler = qInstallMessageHandler(startUpMessage);
    }
    ~HeldStderr()
    {
        qInstallMessageHandler(qtHandler);
        if (realStderr == STDERR_FILENO) {
            if (held_ >= 0)
                ::close(held_);
            return;
        }
        std::fflush(stderr);
        ::dup2(realStderr, STDERR_FILENO);
        ::close(realStderr);
        realStderr = STDERR_FILENO;
        char buffer[4096];
        ssize_t n;
        ::lseek(held_, 0, SEEK_SET);
        while ((n = ::read(held_, buffer, sizeof buffer)) > 0)
            (void)!::write(STDERR_FILENO, buffer, size_t(n));
        ::close(held_);
    }
    HeldStderr(const HeldStderr &) = delete;
    HeldStderr &operator=(const HeldStderr &) = delete;

private:
    int held_ = -1;
};

} // namespace

int main(int argc, char *argv[])
{
    auto held = std::make_unique<HeldStderr>();
    QApplication qtApplication(argc, argv);
    held.reset();
    try {
        TApplication::Initialize();
        CreateAllForms();
        TApplication::Run();
    } catch (const std::exception &error) {
        TApplication::ShowException(error);
    }
    TApplication::DestroyForms();
    return 0;
}
