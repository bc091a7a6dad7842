#include "ui/xEdit.h"

#include "platform/Currency.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTimer>

#include <charconv>

namespace kb {

TxEdit::TxEdit(QWidget* parent) : QLineEdit(parent) {}

void TxEdit::SetKeyEdit3D(TBorderStyle v)
{
    keyEdit3D_ = v;
    setFrame(v == TBorderStyle::bsSingle);
}

void TxEdit::SetImeMode(TImeMode v)
{
    imeMode_ = v;
    setAttribute(Qt::WA_InputMethodEnabled, v != TImeMode::imDisable);
}

Currency TxEdit::Curr() const
{
    return Currency::Parse(text().trimmed().toStdString()).value_or(Currency{});
}

void TxEdit::SetCurr(Currency v)
{
    if (!v.IsZero()) setText(QString::fromStdString(v.ToString()));
}

qint32 TxEdit::Long() const
{
    const std::string s = text().trimmed().toStdString();
    qint32 v = 0;
    const char* b = s.data();
    if (!s.empty() && s[0] == '+') ++b;
    auto [p, ec] = std::from_chars(b, s.data() + s.size(), v);
    return ec == std::errc{} && p == s.data() + s.size() && b != p ? v : 0;
}

void TxEdit::SetLong(qint32 v)
{
    if (v != 0) setText(QString::number(v));
}

std::string TxEdit::kana() const
{
    // The buffer keeps the katakana form; the caller gets the half-width form.
    kanaBuf_ = ToKatakana(kanaBuf_);
    return ToHalfWidth(kanaBuf_);
}

void TxEdit::Setkana(const std::string& v)
{
    if (!v.empty()) kanaBuf_ = v;
}

void TxEdit::keyPressEvent(QKeyEvent* e)
{
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && keyStyles_.Has(TKeyStyle::ksEnter) && !isWindow() && window() != this) {
        e->accept();
        MoveFocusOnForm(this, true);
        return;
    }
    const TFocusMove m = EditArrowMove(e->key(), e->modifiers(), keyStyles_, selectionStart() < 0 ? cursorPosition()
                                                                                                   : selectionStart(),
                                       static_cast<int>(selectedText().size()), static_cast<int>(text().size()));
    if (m != TFocusMove::None && MoveFocusOnForm(this, m == TFocusMove::Next)) {
        e->accept();
        return;
    }
    if (PasteBlocked() && e->matches(QKeySequence::Paste)) {
        e->accept();
        return;
    }
    if (capturing_) {
        const QString t = e->text();
        if (t.size() == 1 && t[0].unicode() > 31 && t[0].unicode() != 127) kanaBuf_ += t.toStdString();
    }
    QLineEdit::keyPressEvent(e);
}

void TxEdit::inputMethodEvent(QInputMethodEvent* e)
{
    // Only committed kana is its own reading; converted kanji carry no reading on this platform.
    if (capturing_ && !e->commitString().isEmpty() && IsKanaReading(e->commitString().toStdString()))
        kanaBuf_ += e->commitString().toStdString();
    QLineEdit::inputMethodEvent(e);
}

void TxEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    switch (cursorPos_) {
    case TCursorPoss::cpAllSel: selectAll(); break;
    case TCursorPoss::cpLeft: setCursorPosition(0); break;
    case TCursorPoss::cpRight: setCursorPosition(static_cast<int>(text().size())); break;
    }
    kanaBuf_.clear();
    capturing_ = kanaSw_;
}

void TxEdit::focusOutEvent(QFocusEvent* e)
{
    capturing_ = false;
    QLineEdit::focusOutEvent(e);
}

void TxEdit::contextMenuEvent(QContextMenuEvent* e)
{
    if (PasteBlocked()) {
        e->accept();
        return;
    }
    QLineEdit::contextMenuEvent(e);
}

void TxEdit::mousePressEvent(QMouseEvent* e)
{
    // Middle-button paste of the X selection is a paste too.
    if (PasteBlocked() && e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    QLineEdit::mousePressEvent(e);
}

} // namespace kb
