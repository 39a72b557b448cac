// Adding to a data file, the only way the data files ever change. The bytes go
// at the end of the file with one write on a descriptor opened for appending
// (FileOpening.h), then are flushed to disk, all under the file's lock (flock)
// so that copies of the program take turns: a crash or a second copy appending
// at the same moment never tears or mixes lines. The lines themselves are
// DataFiles.h's; the messages, ErrorTexts.h's.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <sys/types.h>
#include <string>

namespace tarvo {

// Makes a write past the file-size limit (ulimit -f) fail with EFBIG rather than
// end the program with SIGXFSZ, so that an append can take it back and say why.
// It changes the whole process and the programs it starts: every program that
// appends calls it once, at start-up.
void IgnoreFileSizeSignal();

// Appends the bytes at the end of the file, created when missing, with one
// write, then flushes them to disk, under the file's lock. A file whose last
// line has no line end gets one first, in the same write, so that the new line
// is a line of its own. A journal of the append, made beside the file first,
// lets the next writer take back what a program killed in the middle left
// (AppendJournal.h). Termination signals (SIGTERM, SIGINT, SIGHUP) wait
// until the line is written and flushed. Throws EWriteError naming the file
// and the system's reason: a lock kept by another program for more than 3
// seconds, or a write that failed, which is taken back first (the file keeps
// its length) unless another program has written after it (where the file
// system has no locks) or the file refuses it (append-only): the message then
// says what stayed. Nothing that was in the file before is truncated or
// rewritten. Only a regular file is appended to.
void AppendToFile(const std::string &path, QByteArrayView bytes);

// The same, with the bytes decided under the lock: `decide` may read the file
// through the descriptor it is given (ReadWhole), and no other copy of the
// program appends between what it reads and what it gives. When it gives
// nothing, nothing is written; what it throws ends the append.
void AppendToFile(const std::string &path, const std::function<QByteArray(int fd)> &decide);

// Called, when set, once an append has waited 3 seconds for a lock another
// program keeps, with the file's path; the append then waits as long as it
// takes. The command line sets it to say what it waits for, so that a finished
// test is never lost to a busy lock; unset (the windows), the append gives up
// after 3 seconds.
extern void (*WaitingForLock)(const std::string &path);

// How an append flushes its file to disk: 0, or the errno of fsync. Tests put a
// fault in its place (an I/O error, another writer, a signal) to drive what follows.
extern int (*FlushFile)(int fd);

// How an append and its journal (AppendJournal.h) write their bytes: write(2).
// Tests put a fault in its place (a process killed after so many bytes).
extern ssize_t (*WriteFile)(int fd, const void *data, size_t size);

} // namespace tarvo
