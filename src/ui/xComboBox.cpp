#include "ui/xComboBox.h"

#include "platform/Text.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>

namespace kb {

std::string ComboKeyPart(const std::string& text, int keyLen, const std::string& keyTerm)
{
    if (keyLen <= 0) return {};
    std::string key;
    const std::size_t at = keyTerm.empty() ? std::string::npos : text.find(keyTerm);
    if (at != std::string::npos && sjis::ByteLength(text.substr(0, at)) < static_cast<std::size_t>(keyLen))
        key = text.substr(0, at);
    else
        key = sjis::Cut(text, static_cast<std::size_t>(keyLen));
    return QString::fromStdString(key).trimmed().toStdString();
}

int ComboFindPrefix(const QStringList& items, const QString& key, int from)
{
    if (from < 0) from = 0;
    for (int i = from; i < items.size(); ++i)
        if (items[i].startsWith(key, Qt::CaseInsensitive)) return i;
    for (int i = 0; i < items.size(); ++i)
        if (items[i].startsWith(key, Qt::CaseInsensitive)) return i;
    return -1;
}

TxComboBox::TxComboBox(QWidget* parent) : QComboBox(parent)
{
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::editTextChanged, this, &TxComboBox::KeySearch);
}

void TxComboBox::SetItemIndex(int i)
{
    setCurrentIndex(i);
    if (i >= 0) remembered_ = i;
}

bool TxComboBox::PopupShown() const { return popupShown_ && view() && view()->isVisible(); }

void TxComboBox::showPopup()
{
    popupShown_ = true;
    QComboBox::showPopup();
    if (view()) view()->setMinimumWidth(dropDownWidth_ > width() ? dropDownWidth_ : 0);
}

void TxComboBox::hidePopup()
{
    QComboBox::hidePopup();
    popupShown_ = false;
    if (keyLen_ > 0 && remembered_ >= 0 && remembered_ < count()) {
        if (currentIndex() < 0)
            setCurrentIndex(remembered_);
        else if (isEditable())
            setEditText(itemText(remembered_));
    }
}

void TxComboBox::KeySearch(const QString& text)
{
    if (keyLen_ <= 0 || searching_) return;
    const std::string t = text.toStdString();
    const std::string key = ComboKeyPart(t, keyLen_, keyTerm_);
    if (key.empty()) return;
    // A text that starts with a double-byte character is a name, not a code: no search.
    const std::string raw = Utf8ToCp932(t);
    if (!raw.empty() && sjis::IsLeadByteValue(static_cast<unsigned char>(raw[0]))) {
        remembered_ = currentIndex();
        return;
    }
    QStringList items;
    for (int i = 0; i < count(); ++i) items << itemText(i);
    const int found = ComboFindPrefix(items, QString::fromStdString(key), currentIndex());
    if (found >= 0) {
        remembered_ = found;
        return;
    }
    searching_ = true;
    const QString k = QString::fromStdString(key);
    setCurrentIndex(-1);
    if (isEditable() && lineEdit()) {
        lineEdit()->setText(k);
        lineEdit()->setCursorPosition(static_cast<int>(k.size()));
    }
    searching_ = false;
}

void TxComboBox::keyPressEvent(QKeyEvent* e)
{
    const bool dropped = PopupShown();
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && !dropped && keyStyles_.Has(TKeyStyle::ksEnter)) {
        MoveFocusOnForm(this, true);
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Delete) {
        const int caret = isEditable() && lineEdit() ? lineEdit()->cursorPosition() : 0;
        if (dropped || caret == 0 || currentText().isEmpty()) {
            e->accept();
            if (count() > 0) {
                remembered_ = 0;
                searching_ = true;
                setCurrentIndex(0);
                if (isEditable()) setEditText(itemText(0));
                searching_ = false;
            }
            return;
        }
    }
    if (!dropped && !enter) {
        const TFocusMove m = KeyStyleMove(e->key(), e->modifiers(), keyStyles_);
        if (m != TFocusMove::None) {
            MoveFocusOnForm(this, m == TFocusMove::Next);
            e->accept();
            return;
        }
    }
    QComboBox::keyPressEvent(e);
}

void TxComboBox::focusInEvent(QFocusEvent* e)
{
    // The key search decides the item; an inline completion would fight it.
    if (lineEdit() && lineEdit()->completer()) setCompleter(nullptr);
    QComboBox::focusInEvent(e);
    remembered_ = currentIndex();
}

void TxComboBox::focusOutEvent(QFocusEvent* e)
{
    if (keyLen_ > 0 && !PopupShown()) {
        searching_ = true;
        setCurrentIndex(remembered_);
        if (remembered_ >= 0 && isEditable()) setEditText(itemText(remembered_));
        searching_ = false;
    }
    QComboBox::focusOutEvent(e);
}

} // namespace kb
