// A text file cut into lines and kept as its Windows-1252 bytes, with one 8-byte
// reference per line (where the line starts and, up to 16 MB, its length). A
// list of any length stays compact (the file's size plus 8 bytes a line; 16
// while it is sorted) and a line is decoded only when it is shown. The bytes
// are a private copy of the file, never a mapping of it: a file cut short or
// rewritten by another program never changes what is shown, nor can it crash
// the program. A sorted list that is loaded again from a file that has only
// grown reads and sorts in only the new lines.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tarvo {

// Anonymous memory for a long list, asked for in huge pages where the system
// offers them: a page fault every 2 MB instead of every 4 KB, which otherwise
// costs more than reading and sorting. It grows and shrinks in place, never
// copied. Throws std::bad_alloc when the system refuses.
class PageBuffer {
public:
    PageBuffer() = default;
    ~PageBuffer();
    PageBuffer(PageBuffer &&other) noexcept;
    PageBuffer &operator=(PageBuffer &&other) noexcept;

    char *data() { return base_; }
    const char *data() const { return base_; }
    std::size_t capacity() const { return capacity_; }

    // Keeps the first bytes.
    void resize(std::size_t bytes);

private:
    char *base_ = nullptr;
    std::size_t capacity_ = 0;
};

class LineList {
public:
    // Lines end at CR LF, and also at a lone LF or CR; a final line end gives
    // no extra line. In file order.
    static LineList fromBytes(QByteArrayView bytes);

    qsizetype size() const { return count_; }
    bool isEmpty() const { return count_ == 0; }
    QByteArrayView bytesAt(qsizetype i) const;
    QString at(qsizetype i) const;
    QStringList toStringList() const;

    // Ascending text order of the bytes: a space orders before the digits.
    // Lines with the same bytes are interchangeable, so the order is not stable.
    void sort();

    // In a sorted list: the row of a line of exactly these bytes, or -1.
    qsizetype find(QByteArrayView bytes) const;

    // Makes the list the file's lines in ascending text order. When the list
    // holds the sorted lines of this same file (same device and inode), which
    // has since only grown, with a line end before the new bytes and the old
    // bytes unchanged, only the new lines are read and merged in; otherwise the
    // list is emptied and the file read whole. Either way the list is what a
    // whole load would give; the result says which way it was read.
    //
    // Only a regular file is read. Throws EFOpenError with a French message
    // naming the path when the file cannot be opened or read, or would not fit
    // in the memory the system can give now. `starting` runs once the file is
    // open and checked, before anything of it is read, with the file's size: a
    // caller may show that it is busy. A failure before it leaves the list
    // untouched; any failure after it, empty.
    enum class Read { Whole, Appended };
    Read loadSorted(const std::string &path, const std::function<void(std::uint64_t)> &starting = {});

private:
    std::uint64_t lengthOf(std::uint64_t ref) const;
    bool grewOnly(int fd, std::uint64_t size) const;
    void readAll(int fd, const std::string &path, std::uint64_t size, std::uint64_t budget);
    void readAppended(int fd, const std::string &path, std::uint64_t size, std::uint64_t budget);

    PageBuffer data_;
    std::uint64_t bytes_ = 0;
    // One reference a line: offset << 24 | length, the length saturated; the
    // lengths of lines of 16 MB and more are kept apart, by offset.
    PageBuffer lines_;
    qsizetype count_ = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> longLines_;

    // The file the lines were loaded from, to tell an append from any other change.
    bool loaded_ = false;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
};

} // namespace tarvo
