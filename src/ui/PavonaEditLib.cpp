#include "ui/PavonaEditLib.h"

#include <QWidget>

namespace kb {

TFocusMove KeyStyleMove(int qtKey, Qt::KeyboardModifiers mods, TKeyStyles styles)
{
    const bool enter = qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter;
    // Enter counts whatever the modifiers (the character is a carriage return either way);
    // the arrows only on their own, so Shift+Up still selects text.
    if (enter) return styles.Has(TKeyStyle::ksEnter) ? TFocusMove::Next : TFocusMove::None;
    if ((mods & ~Qt::KeypadModifier) != Qt::NoModifier) return TFocusMove::None;
    switch (qtKey) {
    case Qt::Key_Left: return styles.Has(TKeyStyle::ksLeft) ? TFocusMove::Prev : TFocusMove::None;
    case Qt::Key_Up: return styles.Has(TKeyStyle::ksUp) ? TFocusMove::Prev : TFocusMove::None;
    case Qt::Key_Right: return styles.Has(TKeyStyle::ksRight) ? TFocusMove::Next : TFocusMove::None;
    case Qt::Key_Down: return styles.Has(TKeyStyle::ksDown) ? TFocusMove::Next : TFocusMove::None;
    default: return TFocusMove::None;
    }
}

TFocusMove EditArrowMove(int qtKey, Qt::KeyboardModifiers mods, TKeyStyles styles, int selStart, int selLength,
                         int textLength)
{
    if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter) return TFocusMove::None;
    const TFocusMove m = KeyStyleMove(qtKey, mods, styles);
    if (m == TFocusMove::None) return m;
    if (qtKey == Qt::Key_Left)
        return selStart == 0 && (selLength == 0 || selLength == textLength) ? m : TFocusMove::None;
    if (qtKey == Qt::Key_Right) return selLength == textLength ? m : TFocusMove::None;
    return m;
}

bool MoveFocusOnForm(QWidget* w, bool next)
{
    if (!w || w->isWindow()) return false;
    QWidget* form = w->window();
    // Walk the form's focus chain from w, as the dialog manager would, skipping what cannot take focus.
    QWidget* cur = w;
    for (int guard = 0; guard < 10000; ++guard) {
        cur = next ? cur->nextInFocusChain() : cur->previousInFocusChain();
        if (!cur || cur == w) return false;
        if (cur->window() != form || cur == form) continue;
        if ((cur->focusPolicy() & Qt::TabFocus) && cur->isEnabled() && cur->isVisibleTo(form) && !cur->focusProxy()) {
            // A composite control's inner part: stepping into it counts as stepping onto the control.
            cur->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

} // namespace kb

#include "platform/Text.h"

#include <QString>

namespace kb {
namespace {

QString LimitBytes(std::string_view utf8) { return QString::fromStdString(sjis::Cut(utf8, 1024)); }

// Half-width forms of the full-width katakana U+30A1 .. U+30F6, in code order.
const char* const kHalfKana[] = {
    "ｧ", "ｱ", "ｨ", "ｲ", "ｩ", "ｳ", "ｪ", "ｴ", "ｫ", "ｵ", "ｶ", "ｶﾞ", "ｷ", "ｷﾞ", "ｸ", "ｸﾞ", "ｹ", "ｹﾞ", "ｺ", "ｺﾞ",
    "ｻ", "ｻﾞ", "ｼ", "ｼﾞ", "ｽ", "ｽﾞ", "ｾ", "ｾﾞ", "ｿ", "ｿﾞ", "ﾀ", "ﾀﾞ", "ﾁ", "ﾁﾞ", "ｯ", "ﾂ", "ﾂﾞ", "ﾃ", "ﾃﾞ",
    "ﾄ", "ﾄﾞ", "ﾅ", "ﾆ", "ﾇ", "ﾈ", "ﾉ", "ﾊ", "ﾊﾞ", "ﾊﾟ", "ﾋ", "ﾋﾞ", "ﾋﾟ", "ﾌ", "ﾌﾞ", "ﾌﾟ", "ﾍ", "ﾍﾞ", "ﾍﾟ",
    "ﾎ", "ﾎﾞ", "ﾎﾟ", "ﾏ", "ﾐ", "ﾑ", "ﾒ", "ﾓ", "ｬ", "ﾔ", "ｭ", "ﾕ", "ｮ", "ﾖ", "ﾗ", "ﾘ", "ﾙ", "ﾚ", "ﾛ", "ヮ",
    "ﾜ", "ヰ", "ヱ", "ｦ", "ﾝ", "ｳﾞ", "ヵ", "ヶ"};

} // namespace

std::string ToKatakana(std::string_view utf8)
{
    QString s = LimitBytes(utf8);
    for (QChar& c : s)
        if (c.unicode() >= 0x3041 && c.unicode() <= 0x3096) c = QChar(c.unicode() + 0x60);
    return s.toStdString();
}

std::string ToHalfWidth(std::string_view utf8)
{
    const QString s = LimitBytes(utf8);
    QString out;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u >= 0x30A1 && u <= 0x30F6) out += QString::fromUtf8(kHalfKana[u - 0x30A1]);
        else if (u >= 0xFF01 && u <= 0xFF5E) out += QChar(u - 0xFEE0);
        else if (u == 0x3000) out += QChar(' ');
        else if (u == 0x30FC) out += QString::fromUtf8("ｰ");
        else if (u == 0x3002) out += QString::fromUtf8("｡");
        else if (u == 0x300C) out += QString::fromUtf8("｢");
        else if (u == 0x300D) out += QString::fromUtf8("｣");
        else if (u == 0x3001) out += QString::fromUtf8("､");
        else if (u == 0x30FB) out += QString::fromUtf8("･");
        else if (u == 0x309B) out += QString::fromUtf8("ﾞ");
        else if (u == 0x309C) out += QString::fromUtf8("ﾟ");
        else out += c;
    }
    return out.toStdString();
}

bool IsKanaReading(std::string_view utf8)
{
    const QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    if (s.isEmpty()) return false;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        const bool kana = (u >= 0x3041 && u <= 0x309F) || (u >= 0x30A0 && u <= 0x30FF) ||
                          (u >= 0xFF66 && u <= 0xFF9F) || u == 0x3000 || u == ' ';
        if (!kana) return false;
    }
    return true;
}

} // namespace kb
