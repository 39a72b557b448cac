// The framework's sorted list box: the lines of a file (LinesModel.h) in rows
// placed by their number (UniformRowsView.h), all of one height.
#pragma once

#include "framework/LinesModel.h"
#include "framework/UniformRowsView.h"

namespace tarvo {

class TListBox : public UniformRowsView {
    Q_OBJECT
    // Every row's height in pixels; 0 lets the style size the rows.
    Q_PROPERTY(int itemHeight READ itemHeight WRITE setItemHeight)

public:
    explicit TListBox(QWidget *parent = nullptr);

    // See SortedLinesModel::LoadFromFile.
    LineList::Read LoadFromFile(const std::string &path, const std::function<void()> &meanwhile = {});
    int count() const;
    QString item(int row) const;

    int itemHeight() const { return itemHeight_; }
    void setItemHeight(int height);

private:
    SortedLinesModel model_;
    int itemHeight_ = 0;
};

} // namespace tarvo
