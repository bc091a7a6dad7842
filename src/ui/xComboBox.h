#pragma once
// TxComboBox: combo box with keyboard-first focus movement and a key search: the first KeyLen bytes
// of the text (or the part before KeyTerm) find the item that begins with them.

#include "ui/PavonaEditLib.h"

#include <QComboBox>
#include <string>

namespace kb {

// The key part of a combo text: the text before KeyTerm when KeyTerm starts within the first keyLen
// CP932 bytes, else the first keyLen bytes (never splitting a double-byte character); trimmed.
std::string ComboKeyPart(const std::string& text, int keyLen, const std::string& keyTerm);

// First item that begins with key (case-insensitive), searching from `from` to the end and then
// once more from the top; -1 when none does.
int ComboFindPrefix(const QStringList& items, const QString& key, int from);

class TxComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TxComboBox(QWidget* parent = nullptr);

    TKeyStyles KeyStyles() const { return keyStyles_; }
    void SetKeyStyles(TKeyStyles v) { keyStyles_ = TKeyStyles::FromByte(v.Byte()); }
    int DropDownWidth() const { return dropDownWidth_; }
    void SetDropDownWidth(int v) { dropDownWidth_ = v; }
    int KeyLen() const { return keyLen_; }
    void SetKeyLen(int v) { keyLen_ = v; }
    std::string KeyTerm() const { return keyTerm_; }
    void SetKeyTerm(const std::string& v) { keyTerm_ = v; }

    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int i);
    int RememberedIndex() const { return remembered_; }

    void showPopup() override;
    void hidePopup() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void KeySearch(const QString& text);
    bool PopupShown() const;

    TKeyStyles keyStyles_{TKeyStyle::ksEnter, TKeyStyle::ksUp};
    int dropDownWidth_ = 0;
    int keyLen_ = 0;
    std::string keyTerm_ = ":";
    int remembered_ = -1;
    bool searching_ = false;
    bool popupShown_ = false;
};

} // namespace kb
