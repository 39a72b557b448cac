#include "framework/ComboBox.h"

#include "core/LineList.h"

#include <QLineEdit>

namespace tarvo {

TComboBox::TComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    // The text is the user's: Enter adds no item, and no inline completion
    // shows more than was typed.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // textEdited covers typing, pasting, cutting and undo; activated covers a pick
    // from the list and the arrow keys. Neither fires for text set from code.
    connect(lineEdit(), &QLineEdit::textEdited, this, &TComboBox::Change);
    connect(this, &QComboBox::activated, this, &TComboBox::Change);
}

QString TComboBox::text() const
{
    return currentText();
}

void TComboBox::setText(const QString &text)
{
    setCurrentIndex(findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    lineEdit()->setText(text);
}

void TComboBox::LoadFromFile(const std::string &path)
{
    LineList lines = LineList::fromFile(path);
    lines.sort();
    const QString kept = text();
    // Filling an empty combo box makes its first item current, which would
    // replace the edit text.
    clear();
    addItems(lines.toStringList());
    setText(kept);
}

void TComboBox::showPopup()
{
    emit DropDown();
    QComboBox::showPopup();
}

} // namespace tarvo
