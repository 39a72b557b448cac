// How the data files are reached on the system: the one way a data file is
// opened, and the system's reasons for a failure put into French. The program
// speaks French whatever the desktop's language, and a data file that is not a
// plain file (a named pipe, a device, a socket, through a link or not) is
// refused before anything could block on it or read it for ever; a link that
// another user left in a shared folder is not followed. A path longer
// than the system takes at once (a very deep working directory) is still reached.
#pragma once

#include <QString>

#include <string>

namespace tarvo {

// The error OpenDataFile reports for a path that names something other than a
// regular file or a folder. Never a value of errno.
inline constexpr int NotARegularFile = -1;

// The error an append reports when another program keeps the file locked far
// longer than one line takes to write. Never a value of errno.
inline constexpr int FileLocked = -2;

// The error OpenDataFile reports for a link that another user left in a shared
// folder such as /tmp. Never a value of errno.
inline constexpr int PlantedLink = -3;

// The system's reason for `error` (an errno value, NotARegularFile, FileLocked or
// PlantedLink) in French, without a final full stop.
QString SystemReason(int error);

// Opens a data file with open(2) `flags` (O_CLOEXEC is added) and, when it is
// created, mode 0666 less the umask, then syncs its folder so that the new name
// survives a power cut. Returns the descriptor, or -1 with `error` set: EISDIR
// for a folder, NotARegularFile for anything else that is not a regular file,
// PlantedLink for a link that another user made in a folder anyone may write
// to (sticky, as /tmp), unless that user owns the folder. Never blocks on a
// pipe or device: they are refused unopened where possible and otherwise
// opened without waiting, then refused.
int OpenDataFile(const std::string &path, int flags, int &error);

} // namespace tarvo
