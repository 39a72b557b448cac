// zurezive-menu: how the desktop menu starts CPU Tarvo 32. The program keeps its
// data files in the folder it is started from, and a desktop starts programs in
// the home folder; this starts it in ${XDG_DATA_HOME:-~/.local/share}/cpu-tarvo-32
// instead, created if missing. When that folder cannot be had, the user is told
// in a message box (a menu start has no terminal) and the program is not started
// anywhere else. The message box is Qt's, like the program's own: whatever
// desktop can show the program can show it, and nothing more is needed.
#include "core/ErrorTexts.h"
#include "framework/Application.h"

#include <QApplication>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string dataFolder()
{
    // A relative XDG_DATA_HOME is to be ignored, as an empty one.
    const char *xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/cpu-tarvo-32";
    const char *home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd *user = getpwuid(getuid());
        home = user ? user->pw_dir : "/";
    }
    return std::string(home) + "/.local/share/cpu-tarvo-32";
}

// mkdir -p, new folders private to the user; 0, or the errno that stopped it.
int makeFolders(const std::string &path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (slash == std::string::npos)
            return 0;
    }
}

// In a message box, and on standard error for the session's log.
int tell(int argc, char *argv[], const QString &message)
{
    std::fprintf(stderr, "zurezive-menu: %s\n", message.toLocal8Bit().constData());
    const auto application = tarvo::TApplication::Open(argc, argv);
    tarvo::TApplication::Initialize();
    tarvo::TApplication::ShowException(std::runtime_error(message.toStdString()));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string folder = dataFolder();
    int error = makeFolders(folder);
    if (error == 0 && ::chdir(folder.c_str()) != 0)
        error = errno;
    if (error != 0)
        return tell(argc, argv, tarvo::DataFolderUnusable(folder, error));

    // The program installed beside this launcher, whatever the prefix.
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self);
    std::string program = "zurezive";
    if (length > 0 && length < ssize_t(sizeof self)) {
        const std::string path(self, std::size_t(length));
        program.insert(0, path, 0, path.rfind('/') + 1);
    }
    char *programArgv[] = {const_cast<char *>(program.c_str()), nullptr};
    ::execvp(programArgv[0], programArgv);
    error = errno;
    return tell(argc, argv, tarvo::CannotLaunch(program, error));
}
