#include "framework/Application.h"

#include "core/ErrorTexts.h"
#include "core/Errors.h"
#include "framework/Fonts.h"
#include "framework/Form.h"
#include "framework/HeldStderr.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tarvo {

namespace {

std::vector<TForm *> &forms()
{
    static std::vector<TForm *> list;
    return list;
}

// What the message box says: the error's own text, in French, and always small
// enough for the screen. A very long one (a user's text, a very deep folder)
// keeps its beginning and its end, where the file's name and the reason are,
// around "…"; line breaks become spaces, and a long run of letters gets places
// to wrap, since Qt wraps text only between words.
QString messageOf(const std::exception &error)
{
    if (dynamic_cast<const std::bad_alloc *>(&error))
        return OutOfMemory();
    QString text = QString::fromUtf8(error.what());
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    constexpr qsizetype head = 150, tail = 350, run = 60;
    if (text.size() > head + 1 + tail) {
        const qsizetype end = text.at(head - 1).isHighSurrogate() ? head - 1 : head;
        qsizetype start = text.size() - tail;
        if (text.at(start).isLowSurrogate())
            ++start;
        text = text.left(end) + u'…' + text.mid(start);
    }
    QString wrapped;
    qsizetype letters = 0;
    for (const QChar c : std::as_const(text)) {
        letters = c.isLetterOrNumber() || c.isSurrogate() ? letters + 1 : 0;
        if (letters > run && !c.isLowSurrogate()) {
            wrapped += QChar(0x200B); // zero-width space
            letters = 1;
        }
        wrapped += c;
    }
    return wrapped;
}

// What a session needs beyond what is open when it starts. Descriptors: the
// display connection, the event loop's and the display thread's wake-ups, the
// accessibility bus, an input method, a font or icon cache being read, a data
// file with its folder and lock timer; 14 are open at the busiest moment of a
// session (X11 or Wayland), and twice that leaves room for what a desktop adds
// (more fonts, portals, input methods). Threads: the display's event thread
// (two under Wayland), the session bus, Qt's pool for drawing large images
// (as many as the processor has cores) and the sort of a long list, with one
// to spare. Short of them a program starts blank or freezes for good inside
// Qt's painting; short of them at start-up, it does not start.
constexpr int descriptorsNeeded = 32;

int threadsNeeded()
{
    return 5 + int(std::max(1u, std::thread::hardware_concurrency()));
}

// Empty when the system gives what a session needs; otherwise why not, in French.
QString starved()
{
    std::vector<int> held;
    int error = 0;
    while (int(held.size()) < descriptorsNeeded) {
        const int fd = ::eventfd(0, EFD_CLOEXEC);
        if (fd < 0) {
            error = errno;
            break;
        }
        held.push_back(fd);
    }
    for (const int fd : held)
        ::close(fd);
    if (error != 0)
        return TooFewDescriptors(descriptorsNeeded, error);

    // All at once, as a session has them.
    std::mutex mutex;
    std::condition_variable started;
    bool done = false;
    std::vector<std::thread> threads;
    try {
        while (int(threads.size()) < threadsNeeded()) {
            threads.emplace_back([&] {
                std::unique_lock lock(mutex);
                started.wait(lock, [&] { return done; });
            });
        }
    } catch (const std::system_error &failure) {
        error = failure.code().value();
    }
    {
        const std::lock_guard lock(mutex);
        done = true;
    }
    started.notify_all();
    for (std::thread &thread : threads)
        thread.join();
    if (error != 0)
        return TooFewThreads(threadsNeeded(), error);
    return {};
}

} // namespace

std::unique_ptr<QApplication> TApplication::Open(int &argc, char *argv[])
{
    if (const QString why = starved(); !why.isEmpty()) {
        const QByteArray line = (CannotStart(why) + u'\n').toUtf8();
        (void)!::write(STDERR_FILENO, line.constData(), size_t(line.size()));
        std::exit(EXIT_FAILURE);
    }
    const HeldStderr held;
    return std::make_unique<QApplication>(argc, argv);
}

void TApplication::Initialize()
{
    RegisterDesignedFaces();

    // The program speaks French whatever the desktop's language, and so must
    // Qt's own dialog buttons ("Annuler").
    auto *translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_fr"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;

    // Windows are hidden, not destroyed, and the loop ends with the main form only.
    QApplication::setQuitOnLastWindowClosed(false);
}

void TApplication::registerForm(TForm *form)
{
    forms().push_back(form);
}

TForm *TApplication::MainForm()
{
    return forms().empty() ? nullptr : forms().front();
}

int TApplication::Run()
{
    if (TForm *main = MainForm())
        main->setVisible(true);
    return QApplication::exec();
}

void TApplication::DestroyForms()
{
    while (!forms().empty()) {
        delete forms().back();
        forms().pop_back();
    }
}

void TApplication::ShowException(const std::exception &error)
{
    // Over the dialog the user is in, if any (an input box refusing a paste).
    QWidget *parent = QApplication::activeModalWidget();
    if (!parent)
        parent = TForm::ActiveForm();
    if (parent && !parent->isVisible())
        parent = nullptr;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("CPU Tarvo 32"), messageOf(error),
                    QMessageBox::Ok, parent);
    box.exec();
}

void TApplication::Invoke(const std::function<void()> &handler) noexcept
{
    try {
        try {
            handler();
        } catch (const std::exception &error) {
            ShowException(error);
        } catch (...) {
            ShowException(Exception(Unexpected()));
        }
    } catch (...) {
        // Showing the message failed too (out of memory): nothing more can be done
        // for this handler, and the loop must go on.
    }
}

} // namespace tarvo
