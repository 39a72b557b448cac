#include "framework/HeldStderr.h"

#include "core/ErrorTexts.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace tarvo {

namespace {

int realStderr = STDERR_FILENO;
QtMessageHandler qtHandler = nullptr;
// Made before Qt may give up, so that giving up only writes it.
QByteArray noDisplayLine;

void startUpMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg)
        return qtHandler(type, context, text);
    (void)!::write(realStderr, noDisplayLine.constData(), size_t(noDisplayLine.size()));
    ::_exit(EXIT_FAILURE);
}

} // namespace

HeldStderr::HeldStderr()
{
    noDisplayLine = (CannotStart(NoDisplay()) + u'\n').toUtf8();
    std::fflush(stderr);
    held_ = ::memfd_create("zurezive-start-up", MFD_CLOEXEC);
    const int saved = held_ >= 0 ? ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3) : -1;
    if (saved >= 0 && ::dup2(held_, STDERR_FILENO) >= 0)
        realStderr = saved;
    qtHandler = qInstallMessageHandler(startUpMessage);
}

HeldStderr::~HeldStderr()
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

} // namespace tarvo
