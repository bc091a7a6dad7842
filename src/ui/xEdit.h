#pragma once
// TxEdit: the single-line edit of the keyboard-first dialogs. Enter and the KeyStyles arrows move the
// focus (Left and Right only from the ends of the text), the caret is placed on entry by CursorPos,
// and the text can be read as a currency or an integer.

// (kept out of the header: moc cannot parse the standard headers it brings in)
namespace kb { class Currency; }
#include "ui/PavonaEditLib.h"

#include <QLineEdit>
#include <string>

namespace kb {

enum class TCursorPoss { cpAllSel, cpLeft, cpRight };
enum class TBorderStyle { bsNone, bsSingle };

class TxEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TxEdit(QWidget* parent = nullptr);

    TKeyStyles KeyStyles() const { return keyStyles_; }
    void SetKeyStyles(TKeyStyles v) { keyStyles_ = TKeyStyles::FromByte(v.Byte()); }
    Qt::Alignment Alignment() const { return alignment(); }
    void SetAlignment(Qt::Alignment a) { setAlignment(a); }
    TBorderStyle KeyEdit3D() const { return keyEdit3D_; }
    void SetKeyEdit3D(TBorderStyle v);
    TCursorPoss CursorPos() const { return cursorPos_; }
    void SetCursorPos(TCursorPoss v) { cursorPos_ = v; }

    // The text as a currency; 0 when it does not convert. Writing 0 leaves the text alone.
    Currency Curr() const;
    void SetCurr(Currency v);
    // The text as an integer; 0 when it does not convert. Writing 0 leaves the text alone.
    qint32 Long() const;
    void SetLong(qint32 v);

    // Reading capture. Linux input methods hand over only the converted text, so what is kept is
    // what was typed directly and committed text that is kana itself (see docs/ui-controls.md).
    std::string kana() const;
    void Setkana(const std::string& v);
    bool KanaSw() const { return kanaSw_; }
    void SetKanaSw(bool v) { kanaSw_ = v; }

    bool KillPaste() const { return killPaste_; }
    void SetKillPaste(bool v) { killPaste_ = v; }
    TImeMode ImeMode() const { return imeMode_; }
    void SetImeMode(TImeMode v);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    bool PasteBlocked() const { return killPaste_ && imeMode_ == TImeMode::imDisable; }

    TKeyStyles keyStyles_{TKeyStyle::ksEnter, TKeyStyle::ksUp};
    TBorderStyle keyEdit3D_ = TBorderStyle::bsSingle;
    TCursorPoss cursorPos_ = TCursorPoss::cpAllSel;
    bool kanaSw_ = false;
    bool capturing_ = false;
    bool killPaste_ = true;
    TImeMode imeMode_ = TImeMode::imDontCare;
    mutable std::string kanaBuf_; // reading it leaves the katakana form behind
};

} // namespace kb
