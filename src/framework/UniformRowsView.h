// A one-column list view whose rows all have the height of the first: a row's
// place is computed from its number, never laid out. Qt's list view lays out
// every row on each reset, even with uniform item sizes (tens of milliseconds
// for a million rows); this one costs the same for ten rows or ten million.
// It stays a QListView for what is not geometry: Qt's accessibility (a list
// whose items are its rows), item delegates, selection and keyboard search.
// It scrolls by rows, as Qt's list view does by default.
#pragma once

#include <QListView>

namespace tarvo {

class UniformRowsView : public QListView {
    Q_OBJECT

public:
    explicit UniformRowsView(QWidget *parent = nullptr);

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;
    void doItemsLayout() override;

protected:
    bool viewportEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent *event) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    int rowHeight() const;
    int rows() const;
    int topRow() const;
    // Rows wholly inside the viewport, at least one.
    int fullRows() const;
    // The row at a viewport height, or -1 past the last; rows above the top count down.
    int rowAtY(int y) const;
    QModelIndex indexOf(int row) const;
    bool isEnabled(int row) const;
    // The nearest enabled row from `row` on, going by `step`, or -1.
    int enabledFrom(int row, int step) const;

    int rowHeight_ = 1;
    int hoverRow_ = -1;
};

} // namespace tarvo
