// The picture of the results on screen: the drawing of ChartPainter.h on a
// widget, with its bars reachable from the keyboard (Up, Down, Home, End; the
// bar's text becomes the widget's accessible name, so a screen reader reads
// it) and from the mouse (hovering a bar shows its whole line as plain text).
// It is never lower than a line of text a bar: in a scroll area, a smaller
// window scrolls, and follows the keyboard from bar to bar (barFocused).
#pragma once

#include "chart/ChartModel.h"
#include "chart/ChartPainter.h"

#include <QWidget>

class ChartView : public QWidget {
    Q_OBJECT

public:
    explicit ChartView(QWidget *parent = nullptr);

    void setModel(tarvo::chart::ChartModel model);
    const tarvo::chart::ChartModel &model() const { return model_; }

    // The bar the keyboard is on, -1 for none; its text as a screen reader gets it.
    int focusedBar() const { return focused_; }
    void focusBar(int bar);
    QString barText(int bar) const;

signals:
    // The keyboard or the mouse moved to the bar in this rectangle.
    void barFocused(QRect row);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    int barAt(QPointF point) const;

    tarvo::chart::ChartModel model_;
    tarvo::chart::Layout layout_;
    int focused_ = -1;
};
