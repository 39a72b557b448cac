// The framework's sorted list box. Its items are the lines of a text file kept
// as one byte buffer (LineList), so that a list of a million lines needs neither
// a widget item nor a string per line; a line is decoded only when drawn.
#pragma once

#include "core/LineList.h"

#include <QAbstractListModel>
#include <QListView>

#include <string>

namespace tarvo {

class SortedLinesModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Replaces the items by the file's lines in ascending text order. A file that
    // cannot be opened throws EFOpenError and leaves the items as they were; the
    // old items are dropped once the file is open, so a read that fails midway
    // (an I/O error) leaves the list empty.
    void LoadFromFile(const std::string &path);

    const LineList &lines() const { return lines_; }

private:
    LineList lines_;
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
