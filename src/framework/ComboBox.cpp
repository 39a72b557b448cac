#include "framework/ComboBox.h"

#include "core/Errors.h"
#include "framework/Application.h"
#include "framework/BoundInput.h"
#include "framework/UniformRowsView.h"

#include <QLineEdit>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <limits>
#include <utility>

namespace tarvo {

namespace {

// The drop-down list: rows placed by their number, drawn as Qt's own combo box
// list draws them (in the box's font, the whole row marked when picked).
class DropDownView : public UniformRowsView {
public:
    explicit DropDownView(QComboBox *combo)
        : combo_(combo)
    {
    }

protected:
    void initViewItemOption(QStyleOptionViewItem *option) const override
    {
        UniformRowsView::initViewItemOption(option);
        option->showDecorationSelected = true;
        option->font = combo_->font();
    }

private:
    QComboBox *combo_;
};

} // namespace

TComboBox::TComboBox(QWidget *parent)
    : QComboBox(parent)
    , model_(this)
{
    setModel(&model_);
    // Rows of one height: the drop-down list never measures a million of them.
    setView(new DropDownView(this));
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

void TComboBox::setTextCheck(qsizetype longest, std::function<void(const QString &)> check)
{
    BoundInput(lineEdit(), longest);
    // A longer entry (written by hand) is shown shortened and cannot be picked.
    model_.setLongestSelectable(longest);
    check_ = std::move(check);
}

void TComboBox::userChanged()
{
    TApplication::Invoke([this] {
        const QString given = text();
        try {
            if (check_)
                check_(given);
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
    // The items are sorted: a binary search, not Qt's item-by-item findText.
    setCurrentIndex(model_.find(text));
    lineEdit()->setText(text);
    accepted_ = text;
}

void TComboBox::LoadFromFile(const std::string &path)
{
    // Replacing the items empties the edit text: it is put back whatever happens.
    const QString kept = text();
    try {
        model_.LoadFromFile(path);
    } catch (...) {
        setText(kept);
        throw;
    }
    setText(kept);
}

void TComboBox::showPopup()
{
    emit DropDown();
    QComboBox::showPopup();
}

} // namespace tarvo
