// The framework's editable combo box. It reports what the windows expect and Qt
// does not: Change only when the user alters the text (typing, picking an item),
// never when the program sets it or replaces the items, and DropDown before the
// list opens, so that the list can be loaded then. Its items are the lines of a
// file in ascending text order, held as one byte buffer (LinesModel.h), so
// that a history of millions of entries drops down as fast as the results list
// loads; replacing them leaves the edit text as it was. What text it takes is
// the form's to say (setTextCheck): a text the user gives that the check
// refuses is refused with its message, the box showing its last accepted text
// again, and reports no Change.
#pragma once

#include "framework/LinesModel.h"

#include <QComboBox>

#include <functional>
#include <string>

namespace tarvo {

class TComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit TComboBox(QWidget *parent = nullptr);

    QString text() const;

    // Sets the edit text from code: no Change.
    void setText(const QString &text);

    // Replaces the items by the file's lines in ascending text order, duplicates
    // kept. A file that cannot be read throws EFOpenError, items untouched.
    void LoadFromFile(const std::string &path);

    // The box takes at most `longest` characters (BoundInput.h), and a text
    // `check` accepts: it throws, with the message the user reads, for one it
    // refuses. History entries longer than `longest` are shown shortened and
    // cannot be picked. Until this is called, any text is taken.
    void setTextCheck(qsizetype longest, std::function<void(const QString &)> check);

    void showPopup() override;

signals:
    void Change();
    void DropDown();

private:
    void userChanged();

    SortedLinesModel model_;
    std::function<void(const QString &)> check_;
    QString accepted_;
};

} // namespace tarvo
