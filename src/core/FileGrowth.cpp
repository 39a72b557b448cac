#include "core/FileGrowth.h"

#include <sys/stat.h>

namespace tarvo {

FileStamp StampOf(const struct stat &info)
{
    const auto ns = [](const struct timespec &t) { return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    return {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::uint64_t(info.st_size), ns(info.st_mtim),
            ns(info.st_ctim)};
}

bool StillHeld(const FileStamp &before, std::uint64_t held, const FileStamp &now, QByteArrayView heldTail,
               QByteArrayView fileTail)
{
    if (now.device != before.device || now.inode != before.inode || now.size < held)
        return false;
    if (now.size == before.size && (now.modifiedNs != before.modifiedNs || now.changedNs != before.changedNs))
        return false;
    return heldTail.size() == fileTail.size() && heldTail == fileTail;
}

} // namespace tarvo
