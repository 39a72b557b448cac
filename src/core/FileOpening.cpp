#include "core/FileOpening.h"

#include "core/ErrorTexts.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

namespace {

// Refusal for what a stat says the path is; 0 for a regular file.
int refusalFor(mode_t mode)
{
    if (S_ISREG(mode))
        return 0;
    return S_ISDIR(mode) ? EISDIR : NotARegularFile;
}

// The folder from which `leaf` is opened: the working directory for a path the
// system takes whole; for a longer one, its folders are opened a stretch of
// whole names at a time, each from the one before. `fd` is -1, with `error`
// set, when a folder cannot be reached.
class Folder {
public:
    Folder(const std::string &path, int &error)
    {
        std::string_view rest = path;
        while (rest.size() >= PATH_MAX) {
            const size_t cut = rest.rfind('/', PATH_MAX - 1);
            const int next = cut == std::string_view::npos || cut == 0
                ? (errno = ENAMETOOLONG, -1)
                : ::openat(fd, std::string(rest.substr(0, cut)).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (next < 0) {
                error = errno;
                release();
                fd = -1;
                return;
            }
            release();
            fd = next;
            // Further slashes would make the rest an absolute path.
            rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of('/', cut)));
        }
        leaf = rest;
    }
    ~Folder() { release(); }
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    int fd = AT_FDCWD;
    std::string leaf;

private:
    void release()
    {
        if (fd >= 0)
            ::close(fd);
        fd = AT_FDCWD;
    }
};

// The folder that holds the leaf itself, relative to `folder.fd`.
std::string parentOf(const Folder &folder)
{
    const size_t cut = folder.leaf.rfind('/');
    if (cut == std::string::npos)
        return ".";
    return cut == 0 ? "/" : folder.leaf.substr(0, cut);
}

// A link in a folder that anyone may write to and only owners may delete from
// (/tmp), made by someone other than the person running the program and the
// folder's owner, may lead anywhere that person can write: it is not followed.
bool plantedLink(const Folder &folder, const struct stat &link)
{
    if (link.st_uid == ::geteuid())
        return false;
    struct stat parent {};
    if (::fstatat(folder.fd, parentOf(folder).c_str(), &parent, 0) != 0)
        return false;
    return (parent.st_mode & S_ISVTX) && (parent.st_mode & S_IWOTH) && link.st_uid != parent.st_uid;
}

int syncFolder(const Folder &folder)
{
    const int fd = ::openat(folder.fd, parentOf(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

// What was opened at the leaf, when it is a regular file (its folder synced when
// it was just made); closed, -1 and `error` set otherwise.
int keepRegular(const Folder &folder, int fd, bool made, int &error)
{
    struct stat info {};
    error = ::fstat(fd, &info) == 0 ? refusalFor(info.st_mode) : errno;
    // A new name lasts through a power cut only once its folder is on disk too.
    if (error == 0 && made)
        error = syncFolder(folder);
    if (error != 0) {
        ::close(fd);
        return -1;
    }
    // A regular file never blocks; the flag goes so that nothing later depends on it.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

int OpenDataFile(const std::string &path, int flags, int &error)
{
    Folder folder(path, error);
    if (folder.fd == -1)
        return -1;
    const char *leaf = folder.leaf.c_str();
    // What the path names is looked at before it is opened, and what was opened
    // is checked against it: should the path change in between (a link put in
    // its place, the file made by another program), it is looked at again.
    for (int round = 0; round < 3; ++round) {
        struct stat info {};
        bool missing = false;
        if (::fstatat(folder.fd, leaf, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT || !(flags & O_CREAT)) {
                error = errno;
                return -1;
            }
            missing = true;
        }
        const bool link = !missing && S_ISLNK(info.st_mode);
        bool known = !missing; // info tells what would be opened
        if (link) {
            if (plantedLink(folder, info)) {
                error = PlantedLink;
                return -1;
            }
            if (::fstatat(folder.fd, leaf, &info, 0) != 0) {
                if (errno != ENOENT || !(flags & O_CREAT)) {
                    error = errno;
                    return -1;
                }
                known = false; // a link to a file yet to be made
            }
        }
        // A pipe or device is refused without being opened, as opening one may
        // wait for a writer or have effects of its own.
        if (known) {
            if (const int refusal = refusalFor(info.st_mode)) {
                error = refusal;
                return -1;
            }
        }

        // A missing file is made by this open alone, so that its folder is synced
        // once; where there was no link, none put there meanwhile is followed.
        int extra = link ? 0 : O_NOFOLLOW;
        if (missing)
            extra |= O_EXCL;
        int fd;
        do
            fd = ::openat(folder.fd, leaf, flags | extra | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
        while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            error = errno;
            if ((error == EEXIST && !(flags & O_EXCL)) || (error == ELOOP && !link))
                continue;
            return -1;
        }
        return keepRegular(folder, fd, missing, error);
    }
    return -1;
}

int OpenOwnFile(const std::string &path, int flags, int &error)
{
    Folder folder(path, error);
    if (folder.fd == -1)
        return -1;
    int fd;
    do
        fd = ::openat(folder.fd, folder.leaf.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    return keepRegular(folder, fd, flags & O_CREAT, error);
}

int RemoveFile(const std::string &path)
{
    int error = 0;
    Folder folder(path, error);
    if (folder.fd == -1)
        return error;
    return ::unlinkat(folder.fd, folder.leaf.c_str(), 0) == 0 ? 0 : errno;
}

bool IsMissing(const std::string &path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) != 0 && errno == ENOENT;
}

void CreateIfMissing(const std::string &path) noexcept
{
    // Never truncated, and anything but a plain file left alone unopened.
    int error = 0;
    const int fd = OpenDataFile(path, O_WRONLY | O_CREAT | O_EXCL, error);
    if (fd >= 0)
        ::close(fd);
}

} // namespace tarvo
