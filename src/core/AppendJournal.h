// The record of an append in progress, so that whatever ends the program in the
// middle of one (any signal, kill -9, a crash, a power cut) leaves a data file
// that the next writer brings back to what it held before the append, or to
// the whole append; never a partial line. The record is written and flushed
// beside the data file (its name plus ".journal") before the data, holds the
// file's device and inode, its length before the append, the append's length
// and a hash of its bytes, and is removed once the data is flushed. Readers
// (LineList.h) use it to show the file as that roll-back would leave it.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <string>

struct stat;

namespace tarvo {

// Where the journal of a data file is.
std::string JournalPath(const std::string &dataPath);

// Made before an append's bytes are written, removed by finish() once they are
// flushed (or taken back). When it cannot be made, the append goes on without
// it and says so through AppendNotice.
class AppendJournal {
public:
    AppendJournal(const std::string &dataPath, const struct stat &data, QByteArrayView bytes);
    ~AppendJournal();
    AppendJournal(const AppendJournal &) = delete;
    AppendJournal &operator=(const AppendJournal &) = delete;

    void finish();

private:
    std::string path_;
    bool made_ = false;
};

// What an append in progress that was cut off left, settled by the next writer
// under the file's lock (`locked` false where the file system has none): the
// file is kept when it holds the whole append, cut back to its length before
// it when it holds part of it, and left as it is otherwise (another file, a
// shorter one, no lock, an append-only file), each with a French message
// through AppendNotice. The journal is then removed, but where there is no lock.
void SettleJournal(const std::string &dataPath, int fd, bool locked);

// The length a reader shows of the data file open at `fd`, `size` long when
// last seen: the length before an append in progress or cut off that the next
// writer would take back, the file's current size otherwise.
std::uint64_t SettledSize(const std::string &dataPath, int fd, std::uint64_t size);

// Where the messages of the journal go (standard error unless replaced).
extern void (*AppendNotice)(const QString &text);

} // namespace tarvo
