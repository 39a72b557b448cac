// A lowered separator line along the bottom edge of its box, as the windows'
// bevels are drawn.
#pragma once

#include <QFrame>

namespace tarvo {

class TBevel : public QFrame {
    Q_OBJECT

public:
    explicit TBevel(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tarvo
