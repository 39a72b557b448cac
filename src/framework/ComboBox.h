// The framework's editable combo box. It reports what the windows expect and Qt
// does not: Change only when the user alters the text (typing, picking an item),
// never when the program sets it or replaces the items, and DropDown before the
// list opens, so that the list can be loaded then. Its items are the lines of a
// file in ascending text order, held as one byte buffer (the list box's model),
// so that a history of millions of entries drops down as fast as the results
// list loads; replacing them leaves the edit text as it was. What it shows is
// what the data files can hold: a text the user gives that they cannot (a
// character outside Windows-1252, a line break, more than LongestText
// characters) is refused with its message, the box showing its last accepted
// text again, and reports no Change.
#pragma once

#include "framework/Items.h"

#include <QComboBox>

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

    void showPopup() override;

signals:
    void Change();
    void DropDown();

private:
    void userChanged();

    SortedLinesModel model_;
    QString accepted_;
};

} // namespace tarvo
