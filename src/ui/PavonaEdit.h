#pragma once
// TPavonaEdit: the single-line edit for amounts and codes. Numeric character filters, "00"/"000"
// keys, the minus key that turns the sign, "#,##0" display with separators (kept while typing when
// Comma is on), advance when the field is full, keyboard focus movement and reading capture.
// The decisions (filters, formatting, caret arithmetic) are the free functions below.

#include "ui/PavonaEditLib.h"

#include <QLineEdit>
#include <optional>
#include <string>
#include <string_view>

namespace kb {

enum class TEditStyle { esNone, esNumeric, esFloat, esNumericMinus, esFloatMinus };
enum class TKanaMode { kmNone, kmZenkaku, kmHankaku };
enum class TZeroKey { zkNone, zkDot, zkPlus, zkMinus, zkAsterisk, zkSlash };

// The character of a zero key (0 for zkNone).
char ZeroKeyChar(TZeroKey k);
// A zero key is idle where its character has a meaning of its own: "." in the decimal styles,
// "-" in the signed styles (and every key in esNone).
bool ZeroKeyActive(TZeroKey k, TEditStyle style);
// The character filter of a style (Backspace 8, Tab 9, Escape 27, digits, and "." / "-" by style).
bool EditStyleAccepts(TEditStyle style, char32_t c);
// Text with every "," removed.
std::string RemoveSeparators(std::string_view text);
int CountSeparators(std::string_view text);
// Formats a number text (separators allowed, 0 when it does not convert) with a pattern of "0", "#",
// "," and "." such as "#,##0" or "#,##0.00"; decimals beyond the pattern round half away from zero.
// Decimal text arithmetic throughout: an amount never passes through floating point.
std::string FormatNumberText(std::string_view text, std::string_view pattern);
// The plain text of the negated value, or nullopt when the text's value is 0 (or does not convert).
std::optional<std::string> NegatedNumberText(std::string_view text);
// Caret after the live separators were put in: p the caret, n the length and a, b the separator
// counts before and after formatting. Clamped into the new text.
int LiveSeparatorCaret(int p, int n, int a, int b, int newLength);

class TPavonaEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TPavonaEdit(QWidget* parent = nullptr);

    TKeyStyles KeyStyles() const { return keyStyles_; }
    void SetKeyStyles(TKeyStyles v) { keyStyles_ = TKeyStyles::FromByte(v.Byte()); }
    TAutoNextCtls AutoNextCtls() const { return autoNext_; }
    void SetAutoNextCtls(TAutoNextCtls v) { autoNext_ = TAutoNextCtls::FromByte(v.Byte()); }
    TAutoNextCtls AutoNextCtls_Result() const { return autoNextResult_; }
    TEditStyle EditStyle() const { return editStyle_; }
    void SetEditStyle(TEditStyle v) { editStyle_ = v; }
    std::string OutputFormat() const { return outputFormat_; }
    void SetOutputFormat(const std::string& v) { outputFormat_ = v; }
    bool Comma() const { return comma_; }
    void SetComma(bool v);
    TZeroKey Zero2Key() const { return zero2_; }
    void SetZero2Key(TZeroKey v) { zero2_ = v; }
    TZeroKey Zero3Key() const { return zero3_; }
    void SetZero3Key(TZeroKey v) { zero3_ = v; }
    bool AllowBlank() const { return allowBlank_; }
    void SetAllowBlank(bool v) { allowBlank_ = v; }
    bool EnterKeyNoBeep() const { return enterKeyNoBeep_; }
    void SetEnterKeyNoBeep(bool v) { enterKeyNoBeep_ = v; }
    // Digits allowed (separators not counted); 0 for no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);
    bool KillPaste() const { return killPaste_; }
    void SetKillPaste(bool v) { killPaste_ = v; }
    TImeMode ImeMode() const { return imeMode_; }
    void SetImeMode(TImeMode v);
    bool ImeOnFlg() const { return imeOn_; }

    // Reading capture (off with kmNone). See docs/ui-controls.md for what Linux can deliver.
    TKanaMode KanaMode() const { return kanaMode_; }
    void SetKanaMode(TKanaMode v) { kanaMode_ = v; }
    std::string Kana() const { return kana_; }
    void SetKana(const std::string& v) { kana_ = v; }

    // The text with the separators removed: what the owner reads as the value.
    std::string PlainText() const { return RemoveSeparators(text().toStdString()); }
    // Formats the current text by OutputFormat (what leaving the field does).
    void FormatText();

signals:
    void ImeStatusChange();
    void MouseEnter(Qt::KeyboardModifiers shift, QPoint pos);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;

private:
    bool Formats() const;
    bool HandleNavigation(QKeyEvent* e);
    bool HandleCharacter(QKeyEvent* e);
    void InsertAtCaret(const QString& s);
    void SetTextFormatted(const QString& t);
    void Capture(const QString& piece);
    bool PasteBlocked() const { return killPaste_ && imeMode_ == TImeMode::imDisable; }

    TKeyStyles keyStyles_{TKeyStyle::ksEnter};
    TAutoNextCtls autoNext_;
    TAutoNextCtls autoNextResult_;
    TEditStyle editStyle_ = TEditStyle::esNone;
    std::string outputFormat_;
    bool comma_ = false;
    TZeroKey zero2_ = TZeroKey::zkNone;
    TZeroKey zero3_ = TZeroKey::zkNone;
    bool allowBlank_ = false;
    bool enterKeyNoBeep_ = false;
    int maxLength_ = 0;
    bool transparent_ = false;
    bool killPaste_ = false;
    TImeMode imeMode_ = TImeMode::imDontCare;
    bool imeOn_ = false;
    TKanaMode kanaMode_ = TKanaMode::kmNone;
    std::string kana_;
};

} // namespace kb
