// A text file cut into lines and kept as its Windows-1252 bytes, with one 8-byte
// reference per line (LineRecords.h). A list of any length stays compact (the
// file's size plus 8 bytes a line; 16 while it is sorted) and a line is decoded
// only when it is shown. The bytes are a private copy of the file, never a
// mapping of it: a file cut short or rewritten by another program never changes
// what is shown, nor can it crash the program.
//
// Copies are cheap and share the file's bytes: a list loaded again from a file
// that has only grown reads in only the new bytes, adds them after those it
// shares (a copy's own lines stay as they were) and sorts and merges in only
// the new lines. Two windows showing the same file so hold it once.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct stat;

namespace tarvo {

class PageBuffer;

class LineList {
public:
    LineList();
    ~LineList();
    LineList(const LineList &other);
    LineList &operator=(const LineList &other);
    LineList(LineList &&other) noexcept;
    LineList &operator=(LineList &&other) noexcept;

    // Lines end at CR LF, and also at a lone LF or CR; a final line end gives no
    // extra line. In file order.
    static LineList fromBytes(QByteArrayView bytes);

    qsizetype size() const { return count_; }
    bool isEmpty() const { return count_ == 0; }
    QByteArrayView bytesAt(qsizetype i) const;
    // The bytes every line of the list lies in, in file order, with their line
    // ends (a line holds no CR or LF): to read every line in the order of
    // memory, which a sorted list's rows are not.
    QByteArrayView heldBytes() const;
    QString at(qsizetype i) const;
    QStringList toStringList() const;

    // Ascending text order of the bytes: a space orders before the digits.
    // Lines with the same bytes are interchangeable, so the order is not stable.
    void sort();

    // In a sorted list: the row of a line of exactly these bytes, or -1.
    qsizetype find(QByteArrayView bytes) const;

    // Whether both lists hold their lines in the same bytes.
    bool sharesBytesWith(const LineList &other) const;

    // Makes the list the file's lines in ascending text order. When the list
    // holds the sorted lines of this same file, which has since only grown
    // (FileGrowth.h says how that is told), with a line end before the new
    // bytes, only the new bytes are read and the new lines merged in; otherwise
    // the file is read whole. Either way the list is what a whole load would
    // give; the result says which way it was read.
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
    struct Bytes;

    const std::uint64_t *refs() const;
    std::uint64_t lengthOf(std::uint64_t ref) const;
    bool grewOnly(int fd, const struct stat &now) const;
    void readAll(int fd, const std::string &path, const struct stat &info, std::uint64_t budget);
    void readAppended(int fd, const std::string &path, const struct stat &info, std::uint64_t budget);

    // The bytes, shared with copies; this list's lines are in the first `held_`.
    std::shared_ptr<Bytes> bytes_;
    std::uint64_t held_ = 0;
    // One reference a line, in the list's order; shared with copies until changed.
    std::shared_ptr<PageBuffer> lines_;
    qsizetype count_ = 0;
};

} // namespace tarvo
