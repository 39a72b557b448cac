#include "framework/ComboBox.h"

#include "core/DataFiles.h"
#include "core/Errors.h"
#include "core/LineList.h"
#include "framework/Application.h"

#include <QLineEdit>

#include <algorithm>
#include <limits>

namespace tarvo {

TComboBox::TComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    // The text is the user's: Enter adds no item, and no inline completion
    // shows more than was typed.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // Qt's default of 32,767 characters would cut a longer text without a word.
    lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    // textEdited covers typing, pasting, cutting and undo; activated covers a pick
    // from the list and the arrow keys. Neither fires for text set from code.
    connect(lineEdit(), &QLineEdit::textEdited, this, &TComboBox::userChanged);
    connect(this, &QComboBox::activated, this, &TComboBox::userChanged);
}

void TComboBox::userChanged()
{
    TApplication::Invoke([this] {
        const QString given = text();
        try {
            (void)DataText(given);
        } catch (const Exception &) {
            // The cursor goes back to where the refused keystroke or paste was made.
            const qsizetype cursor = lineEdit()->cursorPosition() - (given.size() - accepted_.size());
            setText(accepted_);
            lineEdit()->setCursorPosition(int(std::clamp<qsizetype>(cursor, 0, accepted_.size())));
            throw;
        }
        accepted_ = given;
        emit Change();
    });
}

QString TComboBox::text() const
{
    return currentText();
}

void TComboBox::setText(const QString &text)
{
    setCurrentIndex(findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    lineEdit()->setText(text);
    accepted_ = text;
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
