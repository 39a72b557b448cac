// The framework's sorted list box. Its items are the lines of a text file kept
// as one byte buffer (LineList), so that a list of a million lines needs neither
// a widget item nor a string per line; a line is decoded only when drawn.
#pragma once

#include "core/LineList.h"

#include <QAbstractListModel>
#include <QListView>

#include <limits>
#include <string>

namespace tarvo {

class SortedLinesModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Replaces the items by the file's lines in ascending text order (reading
    // only what was appended when the file has only grown). A file that cannot
    // be opened or is too large for memory throws EFOpenError and leaves the
    // items as they were; once the file is being read, a failure (an I/O error,
    // memory) leaves the list empty. The hourglass shows while a long file loads.
    void LoadFromFile(const std::string &path);

    const LineList &lines() const { return lines_; }

    // The row of an item with exactly this text, or -1.
    int find(const QString &text) const;

    // Items longer than this are shown shortened and cannot be picked: their
    // whole text could not be edited.
    void setLongestSelectable(qsizetype characters) { longestSelectable_ = characters; }

private:
    LineList lines_;
    qsizetype longestSelectable_ = std::numeric_limits<qsizetype>::max();
};

class TListBox : public QListView {
    Q_OBJECT
    // Every row's height in pixels; 0 lets the style size the rows.
    Q_PROPERTY(int itemHeight READ itemHeight WRITE setItemHeight)

public:
    explicit TListBox(QWidget *parent = nullptr);

    void LoadFromFile(const std::string &path);
    int count() const;
    QString item(int row) const;

    int itemHeight() const { return itemHeight_; }
    void setItemHeight(int height);

private:
    SortedLinesModel model_;
    int itemHeight_ = 0;
};

} // namespace tarvo
