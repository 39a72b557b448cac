// The one way a data file is opened, by the reading (FileReading.h) and the
// appending (FileAppend.h) alike. A data file that is not a plain file (a named
// pipe, a device, a socket, through a link or not) is refused before anything
// could block on it or read it for ever; a link that another user left in a
// shared folder is not followed. A path longer than the system takes at once (a
// very deep working directory) is still reached. Failures are errno values or
// ErrorTexts.h's own, which SystemReason puts into words.
#pragma once

#include <string>

namespace tarvo {

// Opens a data file with open(2) `flags` (O_CLOEXEC is added) and, when it is
// created, mode 0666 less the umask, then syncs its folder so that the new name
// survives a power cut. Returns the descriptor, or -1 with `error` set: EISDIR
// for a folder, NotARegularFile for anything else that is not a regular file,
// PlantedLink for a link that another user made in a folder anyone may write
// to (sticky, as /tmp), unless that user owns the folder. Never blocks on a
// pipe or device: they are refused unopened where possible and otherwise
// opened without waiting, then refused.
int OpenDataFile(const std::string &path, int flags, int &error);

// A file of the program's own beside a data file (an append's journal): opened
// with `flags` and O_NOFOLLOW, never through a link, and only when regular;
// with O_CREAT its folder is synced. -1 with `error` set otherwise.
int OpenOwnFile(const std::string &path, int flags, int &error);

// Removes the file at the path: 0, or the errno.
int RemoveFile(const std::string &path);

// Whether nothing at all is at the path (a file that does not exist yet).
bool IsMissing(const std::string &path);

// Creates the file, empty, when it is missing, so that loading it as a list
// never meets a missing file; an existing file is left unopened. Nothing is
// reported: a file that could not be made says so when it is read.
void CreateIfMissing(const std::string &path) noexcept;

} // namespace tarvo
