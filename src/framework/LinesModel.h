// The model behind the framework's list box and combo box: the lines of a text
// file in ascending text order, kept as one byte buffer (LineList), so that a
// list of a million lines needs neither a widget item nor a string per line; a
// line is decoded only when it is drawn. Models of the same file share its
// bytes: the stored results and comparison windows both show the results
// file, and the second to show it reads only what the first has not.
#pragma once

#include "core/LineList.h"

#include <QAbstractListModel>

#include <functional>
#include <limits>
#include <string>
#include <utility>

namespace tarvo {

class SortedLinesModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Replaces the items by the file's lines in ascending text order. It starts
    // from the list of this path last loaded by any model, and reads only what
    // was appended to the file since, when it has only grown. A file that cannot
    // be opened or is too large for memory throws EFOpenError and leaves the
    // items as they were; once the file is being read, a failure (an I/O error,
    // memory) leaves the list empty. The hourglass shows while a long file loads.
    //
    // `meanwhile` runs first, on this thread (a window's refresh, which waits
    // for the window system). A file no model has loaded yet is read and sorted
    // on another thread meanwhile; the items change only after it either way.
    LineList::Read LoadFromFile(const std::string &path, const std::function<void()> &meanwhile = {});

    const LineList &lines() const { return lines_; }

    // The row of an item with exactly this text, or -1.
    int find(const QString &text) const;

    // Items longer than this are shown shortened and cannot be picked: their
    // whole text could not be edited.
    void setLongestSelectable(qsizetype characters) { longestSelectable_ = characters; }

private:
    // Gives the loaded list and how it was read, running the callback it is
    // given as loadSorted runs `starting`.
    using Loader =
        std::function<std::pair<LineList, LineList::Read>(const std::function<void(std::uint64_t)> &starting)>;
    LineList::Read install(const std::string &path, const Loader &load);

    LineList lines_;
    qsizetype longestSelectable_ = std::numeric_limits<qsizetype>::max();
};

} // namespace tarvo
