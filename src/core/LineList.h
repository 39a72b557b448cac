// A text file read whole and cut into lines, kept as its Windows-1252 bytes
// with one span per line. Lists of any length stay compact (the file's size plus
// a few bytes a line) and a line is decoded only when it is shown.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace tarvo {

class LineList {
public:
    LineList() = default;

    // Throws EFOpenError, naming the path and the system's reason, when the file
    // cannot be opened or read. `opened`, when given, runs once the file is open
    // and before it is read: a caller replacing a list frees the old one there,
    // so that a long list and its successor are never held at once.
    static LineList fromFile(const std::string &path, const std::function<void()> &opened = {});

    // Lines end at CR LF, and also at a lone LF or CR; a final line end gives
    // no extra line.
    static LineList fromBytes(QByteArray bytes);

    qsizetype size() const { return qsizetype(lines_.size()); }
    bool isEmpty() const { return lines_.empty(); }
    QByteArrayView bytesAt(qsizetype i) const;
    QString at(qsizetype i) const;
    QStringList toStringList() const;

    // Ascending text order of the bytes: a space orders before the digits.
    // Lines with the same bytes are interchangeable, so the order is not stable.
    void sort();

private:
    struct Span {
        qsizetype begin;
        qsizetype length;
    };
    QByteArray data_;
    std::vector<Span> lines_;
};

} // namespace tarvo
