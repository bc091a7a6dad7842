#include "ui/PavonaEdit.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include <algorithm>

namespace kb {

char ZeroKeyChar(TZeroKey k)
{
    switch (k) {
    case TZeroKey::zkDot: return '.';
    case TZeroKey::zkPlus: return '+';
    case TZeroKey::zkMinus: return '-';
    case TZeroKey::zkAsterisk: return '*';
    case TZeroKey::zkSlash: return '/';
    default: return 0;
    }
}

bool ZeroKeyActive(TZeroKey k, TEditStyle style)
{
    if (k == TZeroKey::zkNone || style == TEditStyle::esNone) return false;
    const bool decimals = style == TEditStyle::esFloat || style == TEditStyle::esFloatMinus;
    const bool signed_ = style == TEditStyle::esNumericMinus || style == TEditStyle::esFloatMinus;
    if (k == TZeroKey::zkDot && decimals) return false;
    if (k == TZeroKey::zkMinus && signed_) return false;
    return true;
}

bool EditStyleAccepts(TEditStyle style, char32_t c)
{
    if (style == TEditStyle::esNone) return true;
    if (c == 8 || c == 9 || c == 27 || (c >= '0' && c <= '9')) return true;
    const bool decimals = style == TEditStyle::esFloat || style == TEditStyle::esFloatMinus;
    const bool signed_ = style == TEditStyle::esNumericMinus || style == TEditStyle::esFloatMinus;
    return (c == '.' && decimals) || (c == '-' && signed_);
}

std::string RemoveSeparators(std::string_view text)
{
    std::string s;
    for (char c : text)
        if (c != ',') s += c;
    return s;
}

int CountSeparators(std::string_view text) { return static_cast<int>(std::count(text.begin(), text.end(), ',')); }

namespace {

struct DecimalText {
    bool negative = false;
    std::string whole; // digits, no leading zeros ("" for 0)
    std::string frac;  // digits
};

// Sign, digits, optional point and digits, blanks around; anything else does not convert.
std::optional<DecimalText> ParseDecimal(std::string_view text)
{
    const std::string s = RemoveSeparators(text);
    std::size_t i = 0, n = s.size();
    while (i < n && s[i] == ' ') ++i;
    while (n > i && s[n - 1] == ' ') --n;
    DecimalText d;
    if (i < n && (s[i] == '-' || s[i] == '+')) d.negative = s[i++] == '-';
    bool any = false;
    for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i, any = true) d.whole += s[i];
    if (i < n && s[i] == '.') {
        for (++i; i < n && s[i] >= '0' && s[i] <= '9'; ++i, any = true) d.frac += s[i];
    }
    if (i != n || !any) return std::nullopt;
    d.whole.erase(0, std::min(d.whole.find_first_not_of('0'), d.whole.size()));
    return d;
}

bool IsZero(const DecimalText& d)
{
    return d.whole.empty() && d.frac.find_first_not_of('0') == std::string::npos;
}

// Adds one unit in the last place of a digit string; returns true on a carry out of the front.
bool Increment(std::string& digits)
{
    for (auto i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

} // namespace

std::string FormatNumberText(std::string_view text, std::string_view pattern)
{
    DecimalText d = ParseDecimal(text).value_or(DecimalText{});
    const std::size_t point = pattern.find('.');
    const std::string_view ip = pattern.substr(0, point);
    const std::string_view fp = point == std::string_view::npos ? std::string_view{} : pattern.substr(point + 1);
    const int minWhole = static_cast<int>(std::count(ip.begin(), ip.end(), '0'));
    const bool group = ip.find(',') != std::string_view::npos;
    const int minFrac = static_cast<int>(std::count(fp.begin(), fp.end(), '0'));
    const int maxFrac = minFrac + static_cast<int>(std::count(fp.begin(), fp.end(), '#'));

    // Round half away from zero to the pattern's decimals.
    if (static_cast<int>(d.frac.size()) > maxFrac) {
        const bool up = d.frac[static_cast<std::size_t>(maxFrac)] >= '5';
        d.frac.resize(static_cast<std::size_t>(maxFrac));
        if (up && Increment(d.frac) && Increment(d.whole)) d.whole.insert(d.whole.begin(), '1');
    }
    d.whole.erase(0, std::min(d.whole.find_first_not_of('0'), d.whole.size()));
    while (static_cast<int>(d.frac.size()) > minFrac && !d.frac.empty() && d.frac.back() == '0') d.frac.pop_back();
    while (static_cast<int>(d.frac.size()) < minFrac) d.frac += '0';
    std::string whole = d.whole;
    while (static_cast<int>(whole.size()) < minWhole) whole.insert(whole.begin(), '0');
    if (group) {
        std::string g;
        for (std::size_t i = 0; i < whole.size(); ++i) {
            if (i > 0 && (whole.size() - i) % 3 == 0) g += ',';
            g += whole[i];
        }
        whole = g;
    }
    std::string out = whole;
    if (!d.frac.empty()) out += "." + d.frac;
    if (out.empty()) out = "0";
    const bool zero = d.whole.empty() && d.frac.find_first_not_of('0') == std::string::npos;
    if (d.negative && !zero) out.insert(out.begin(), '-');
    return out;
}

std::optional<std::string> NegatedNumberText(std::string_view text)
{
    auto d = ParseDecimal(text);
    if (!d || IsZero(*d)) return std::nullopt;
    while (!d->frac.empty() && d->frac.back() == '0') d->frac.pop_back();
    std::string out = d->negative ? "" : "-";
    out += d->whole.empty() ? "0" : d->whole;
    if (!d->frac.empty()) out += "." + d->frac;
    return out;
}

int LiveSeparatorCaret(int p, int n, int a, int b, int newLength)
{
    int c = p;
    if (n == 0 || b > a) c = p + 1;
    else if (b < a) c = p - 1;
    return std::clamp(c, 0, newLength);
}

// ---------------------------------------------------------------------------------------------------

TPavonaEdit::TPavonaEdit(QWidget* parent) : QLineEdit(parent)
{
    QLineEdit::setMaxLength(32767);
}

void TPavonaEdit::SetComma(bool v)
{
    comma_ = v;
    if (!v) QLineEdit::setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TPavonaEdit::SetMaxLength(int v)
{
    maxLength_ = v;
    QLineEdit::setMaxLength(v > 0 ? v + CountSeparators(text().toStdString()) : 32767);
}

void TPavonaEdit::SetTransparent(bool v)
{
    transparent_ = v;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, v ? QColor(Qt::transparent) : QColor(Qt::white));
    setPalette(pal);
    setAutoFillBackground(!v);
    update();
}

void TPavonaEdit::SetImeMode(TImeMode v)
{
    imeMode_ = v;
    setAttribute(Qt::WA_InputMethodEnabled, v != TImeMode::imDisable);
}

bool TPavonaEdit::Formats() const { return editStyle_ != TEditStyle::esNone && !outputFormat_.empty(); }

void TPavonaEdit::SetTextFormatted(const QString& t)
{
    // The limit must admit the separators before the text is set, or the text would be cut.
    if (maxLength_ > 0) QLineEdit::setMaxLength(maxLength_ + CountSeparators(t.toStdString()));
    setText(t);
}

void TPavonaEdit::FormatText()
{
    if (!Formats()) return;
    if (allowBlank_ && text().isEmpty()) return;
    SetTextFormatted(QString::fromStdString(FormatNumberText(text().toStdString(), outputFormat_)));
}

bool TPavonaEdit::event(QEvent* e)
{
    // Tab is ours (the dialog code asks for every key): the form must not move on by itself.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QLineEdit::event(e);
}

bool TPavonaEdit::HandleNavigation(QKeyEvent* e)
{
    const int key = e->key();
    const auto mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool onForm = !isWindow();
    auto move = [&](bool next) {
        if (!onForm) return false;
        e->accept();
        MoveFocusOnForm(this, next);
        return true;
    };
    const bool noSel = !hasSelectedText();
    if (key == Qt::Key_Tab && mods == Qt::NoModifier) {
        if (autoNext_.Has(TAutoNextCtl::acTabKey)) {
            autoNextResult_.Include(TAutoNextCtl::acTabKey);
            autoNextResult_.Include(TAutoNextCtl::acSendEnter);
            e->accept();
            return true;
        }
        return move(true);
    }
    if (key == Qt::Key_Backtab || (key == Qt::Key_Tab && mods == Qt::ShiftModifier)) {
        if (autoNext_.Has(TAutoNextCtl::acTabKey)) {
            e->accept(); // swallowed
            return true;
        }
        return move(false);
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && keyStyles_.Has(TKeyStyle::ksEnter)) return move(true);
    if (key == Qt::Key_Up && keyStyles_.Has(TKeyStyle::ksUp)) return move(false);
    if (key == Qt::Key_Down) {
        if (mods == Qt::NoModifier && autoNext_.Has(TAutoNextCtl::acDownKey)) {
            autoNextResult_.Include(TAutoNextCtl::acDownKey);
            autoNextResult_.Include(TAutoNextCtl::acSendEnter);
            e->accept();
            return true;
        }
        if (keyStyles_.Has(TKeyStyle::ksDown)) return move(true);
    }
    if (key == Qt::Key_Left && keyStyles_.Has(TKeyStyle::ksLeft) && noSel && cursorPosition() == 0) return move(false);
    if (key == Qt::Key_Right && keyStyles_.Has(TKeyStyle::ksRight) && noSel &&
        cursorPosition() == static_cast<int>(text().size()))
        return move(true);
    return false;
}

void TPavonaEdit::InsertAtCaret(const QString& str)
{
    QString s = str;
    QString t = text();
    int p = hasSelectedText() ? selectionStart() : cursorPosition();
    const int sepBefore = CountSeparators(t.toStdString());
    if (hasSelectedText()) t.remove(selectionStart(), static_cast<int>(selectedText().size()));
    if (maxLength_ > 0) {
        const int room = maxLength_ - static_cast<int>(RemoveSeparators(t.toStdString()).size());
        s.truncate(std::max(0, room));
    }
    t.insert(p, s);
    if (comma_ && Formats()) t = QString::fromStdString(FormatNumberText(t.toStdString(), outputFormat_));
    SetTextFormatted(t);
    const std::string now = text().toStdString();
    const int len = static_cast<int>((comma_ ? RemoveSeparators(now) : now).size());
    if (maxLength_ > 0 && len >= maxLength_) {
        autoNextResult_.Include(TAutoNextCtl::acMaxLength);
        if (autoNext_.Has(TAutoNextCtl::acSendEnter)) autoNextResult_.Include(TAutoNextCtl::acSendEnter);
    }
    const int sepAfter = CountSeparators(now);
    setCursorPosition(std::clamp(p + static_cast<int>(s.size()) + sepAfter - sepBefore, 0,
                                 static_cast<int>(text().size())));
}

// Character handling; true when the character was consumed here.
bool TPavonaEdit::HandleCharacter(QKeyEvent* e)
{
    const QString txt = e->text();
    if (e->key() == Qt::Key_Backspace) {
        autoNextResult_ = {};
        return false;
    }
    if (e->key() == Qt::Key_Escape) {
        autoNextResult_ = {};
        e->accept();
        return true;
    }
    if (txt.isEmpty() || e->key() == Qt::Key_Delete) return false; // caret and editing keys, not characters
    const char32_t c = txt.at(0).unicode();
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter) {
        if (enterKeyNoBeep_) {
            e->accept();
            return true;
        }
        return false;
    }
    if (editStyle_ != TEditStyle::esNone) {
        if (ZeroKeyActive(zero2_, editStyle_) && c == static_cast<char32_t>(ZeroKeyChar(zero2_))) {
            InsertAtCaret(QStringLiteral("00"));
            e->accept();
            return true;
        }
        if (ZeroKeyActive(zero3_, editStyle_) && c == static_cast<char32_t>(ZeroKeyChar(zero3_))) {
            InsertAtCaret(QStringLiteral("000"));
            e->accept();
            return true;
        }
    }
    // Control characters (Ctrl+V and the like) count as characters for the filter, as they did.
    if (!EditStyleAccepts(editStyle_, txt.size() == 1 ? c : 0xFFFF)) {
        e->accept();
        return true;
    }
    const bool signed_ = editStyle_ == TEditStyle::esNumericMinus || editStyle_ == TEditStyle::esFloatMinus;
    if (c == '-' && signed_) {
        if (auto neg = NegatedNumberText(text().toStdString())) {
            QString t = QString::fromStdString(*neg);
            if (comma_ && Formats()) t = QString::fromStdString(FormatNumberText(t.toStdString(), outputFormat_));
            SetTextFormatted(t);
            setCursorPosition(static_cast<int>(text().size()));
            e->accept();
            return true;
        }
        return false;
    }
    const bool decimals = editStyle_ == TEditStyle::esFloat || editStyle_ == TEditStyle::esFloatMinus;
    if (c == '.' && decimals && (text().isEmpty() || text().contains('.'))) {
        e->accept();
        return true;
    }
    if (c < 32) return false;
    autoNextResult_.Exclude(TAutoNextCtl::acMaxLength);
    autoNextResult_.Exclude(TAutoNextCtl::acSendEnter);
    const int selLen = static_cast<int>(selectedText().size());
    if (autoNext_.Has(TAutoNextCtl::acMaxLength) && maxLength_ > 0 &&
        static_cast<int>(PlainText().size()) + 1 - selLen >= maxLength_) {
        autoNextResult_.Include(TAutoNextCtl::acMaxLength);
        if (autoNext_.Has(TAutoNextCtl::acSendEnter)) {
            autoNextResult_.Include(TAutoNextCtl::acSendEnter);
            return false; // typed normally; the owner decides
        }
        InsertAtCaret(txt);
        e->accept();
        MoveFocusOnForm(this, true);
        return true;
    }
    return false;
}

void TPavonaEdit::keyPressEvent(QKeyEvent* e)
{
    if (HandleNavigation(e)) return;
    if (PasteBlocked() && e->matches(QKeySequence::Paste)) {
        e->accept();
        return;
    }
    update();
    const QString before = text();
    const int oldSeps = CountSeparators(before.toStdString());
    if (HandleCharacter(e)) return;
    if (kanaMode_ != TKanaMode::kmNone && !imeOn_) {
        const QString t = e->text();
        if (t.size() == 1 && t[0].unicode() > 31 && t[0].unicode() != 127) Capture(t);
    }
    QLineEdit::keyPressEvent(e);
    // A sign or a point typed last is a number still being written: formatting now would eat it.
    const bool partial = text() == QLatin1String("-") || text().endsWith('.');
    if (comma_ && text() != before && Formats() && !partial) {
        // Live separators: the caret keeps its place among the digits.
        const QString now = text();
        const int p = cursorPosition();
        const int n = static_cast<int>(now.size());
        const int a = CountSeparators(now.toStdString());
        (void)oldSeps;
        FormatText();
        const int b = CountSeparators(text().toStdString());
        setCursorPosition(LiveSeparatorCaret(p, n, a, b, static_cast<int>(text().size())));
    }
}

void TPavonaEdit::Capture(const QString& piece)
{
    kana_ += piece.toStdString();
    kana_ = ToKatakana(kana_);
    if (kanaMode_ == TKanaMode::kmHankaku) kana_ = ToHalfWidth(kana_);
}

void TPavonaEdit::inputMethodEvent(QInputMethodEvent* e)
{
    const bool composing = !e->preeditString().isEmpty();
    if (composing != imeOn_) {
        imeOn_ = composing;
        emit ImeStatusChange();
    }
    // Only committed kana is its own reading; Linux input methods do not give the reading of kanji.
    if (kanaMode_ != TKanaMode::kmNone && !e->commitString().isEmpty() &&
        IsKanaReading(e->commitString().toStdString()))
        Capture(e->commitString());
    QLineEdit::inputMethodEvent(e);
}

void TPavonaEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    autoNextResult_ = {};
    if (Formats() && !comma_) {
        setText(QString::fromStdString(PlainText()));
        selectAll();
    }
}

void TPavonaEdit::focusOutEvent(QFocusEvent* e)
{
    FormatText();
    autoNextResult_ = {};
    QLineEdit::focusOutEvent(e);
}

void TPavonaEdit::contextMenuEvent(QContextMenuEvent* e)
{
    if (PasteBlocked()) {
        e->accept();
        return;
    }
    QLineEdit::contextMenuEvent(e);
}

void TPavonaEdit::mousePressEvent(QMouseEvent* e)
{
    if (PasteBlocked() && e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    QLineEdit::mousePressEvent(e);
}

void TPavonaEdit::enterEvent(QEnterEvent* e)
{
    QLineEdit::enterEvent(e);
    emit MouseEnter(QGuiApplication::queryKeyboardModifiers(), e->position().toPoint());
}

} // namespace kb
