#include "ui/PavonaExDateEdit.h"

#include "ui/PavonaExDateEditLib.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpressionValidator>
#include <QTimer>

namespace kb {

namespace {
enum Fld { kEra, kYear, kMonth, kDay, kAmpm, kHour, kMinute, kSecond, kFieldCount };
const char* const kSeireki = "西暦";
} // namespace

struct TPavonaExDateEdit::State {
    QComboBox* era = nullptr;
    QLineEdit* year = nullptr;
    QLineEdit* month = nullptr;
    QLineEdit* day = nullptr;
    QComboBox* ampm = nullptr;
    QLineEdit* hour = nullptr;
    QLineEdit* minute = nullptr;
    QLineEdit* second = nullptr;
    TPavonaExDateEditLabel* labels[6] = {};
    QWidget* fields[kFieldCount] = {};

    DateTime value;
    std::optional<DateTime> minDate, maxDate;
    TPavonaExDateEditStyle style = TPavonaExDateEditStyle::desYearMonthDay;
    bool editGengo = true, editAmpm = false;
    TPavonaExRekiSet gengo = TPavonaExRekiSet::rsWareki;
    TPavonaExYeardigitSet yeardigit = TPavonaExYeardigitSet::yddigit4;
    bool useTable = false;
    TPavonaExGengoArray table, filtered;
    QColor labelColor = QColor(0xE4, 0xE4, 0xE4); // the label colour 15000804 ($E4E4E4)
    int spaceWidth = 7;
    bool autoSelect = true, canEmpty = true, dropDownKey = true, enterNext = true, exitCheck = false,
         displayError = true;
    QColor disableColor = QColor(109, 109, 109), disableFontColor = Qt::white, focusedColor = Qt::white,
           color = Qt::white;
    QString dialogCaption = QStringLiteral("日付時刻入力");
    int error = 0;
    bool empty = true;
    bool inside = false;

    // The eras the box lists (after "西暦" unless rsWareki).
    const TPavonaExGengoArray& Eras() const
    {
        return useTable && !filtered.empty() ? filtered : PavonaExBuiltInGengo();
    }
};

TPavonaExDateEditLabel::TPavonaExDateEditLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
}

TPavonaExDateEdit::TPavonaExDateEdit(QWidget* parent) : QWidget(parent), st_(std::make_unique<State>())
{
    setFocusPolicy(Qt::NoFocus);
    State& s = *st_;
    auto mkEdit = [&] {
        auto* e = new QLineEdit(this);
        e->setAlignment(Qt::AlignRight);
        e->setAttribute(Qt::WA_InputMethodEnabled, false);
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
        e->setMaxLength(2);
        e->installEventFilter(this);
        connect(e, &QLineEdit::textChanged, this, [this, e] { emit Change(e); });
        return e;
    };
    auto mkBox = [&] {
        auto* b = new QComboBox(this);
        b->installEventFilter(this);
        connect(b, &QComboBox::activated, this, [this, b] { emit Change(b); });
        return b;
    };
    s.era = mkBox();
    s.year = mkEdit();
    const QString names[6] = {"年", "月", "日", "時", "分", "秒"};
    s.labels[0] = new TPavonaExDateEditLabel(names[0], this);
    s.month = mkEdit();
    s.labels[1] = new TPavonaExDateEditLabel(names[1], this);
    s.day = mkEdit();
    s.labels[2] = new TPavonaExDateEditLabel(names[2], this);
    s.ampm = mkBox();
    s.ampm->addItems({QStringLiteral("午前"), QStringLiteral("午後")});
    s.ampm->setCurrentIndex(-1);
    s.hour = mkEdit();
    s.labels[3] = new TPavonaExDateEditLabel(names[3], this);
    s.minute = mkEdit();
    s.labels[4] = new TPavonaExDateEditLabel(names[4], this);
    s.second = mkEdit();
    s.labels[5] = new TPavonaExDateEditLabel(names[5], this);
    QWidget* f[kFieldCount] = {s.era, s.year, s.month, s.day, s.ampm, s.hour, s.minute, s.second};
    std::copy(std::begin(f), std::end(f), s.fields);
    // Tab order follows the fields left to right.
    for (int i = 0; i + 1 < kFieldCount; ++i) setTabOrder(s.fields[i], s.fields[i + 1]);
    OnShowMessage = [this](const QString& caption, const QString& text) {
        QMessageBox::information(this, caption, text);
    };
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        const bool in = now && isAncestorOf(now);
        if (st_->inside && !in && st_->exitCheck) {
            st_->inside = false;
            try {
                CheckInput();
            } catch (const EAbort&) {
                // The message was shown and the field has the focus again.
            }
        }
        st_->inside = in;
    });
    RefillEraBox();
    Relayout();
    ApplyColors();
}

TPavonaExDateEdit::~TPavonaExDateEdit() = default;

QComboBox* TPavonaExDateEdit::EraBox() const { return st_->era; }
QLineEdit* TPavonaExDateEdit::YearEdit() const { return st_->year; }
QLineEdit* TPavonaExDateEdit::MonthEdit() const { return st_->month; }
QLineEdit* TPavonaExDateEdit::DayEdit() const { return st_->day; }
QComboBox* TPavonaExDateEdit::AmpmBox() const { return st_->ampm; }
QLineEdit* TPavonaExDateEdit::HourEdit() const { return st_->hour; }
QLineEdit* TPavonaExDateEdit::MinuteEdit() const { return st_->minute; }
QLineEdit* TPavonaExDateEdit::SecondEdit() const { return st_->second; }

DateTime TPavonaExDateEdit::MinDate() const { return st_->minDate.value_or(DateTime{}); }
DateTime TPavonaExDateEdit::MaxDate() const { return st_->maxDate.value_or(DateTime{}); }
TPavonaExDateEditStyle TPavonaExDateEdit::EditStyle() const { return st_->style; }
bool TPavonaExDateEdit::EditGengo() const { return st_->editGengo; }
bool TPavonaExDateEdit::EditAmpm() const { return st_->editAmpm; }
TPavonaExRekiSet TPavonaExDateEdit::Gengo() const { return st_->gengo; }
TPavonaExYeardigitSet TPavonaExDateEdit::Yeardigit() const { return st_->yeardigit; }
bool TPavonaExDateEdit::UseWarekiTable() const { return st_->useTable; }
int TPavonaExDateEdit::SpaceWidth() const { return st_->spaceWidth; }
bool TPavonaExDateEdit::AutoSelect() const { return st_->autoSelect; }
void TPavonaExDateEdit::SetAutoSelect(bool v) { st_->autoSelect = v; }
bool TPavonaExDateEdit::CanEmpty() const { return st_->canEmpty; }
void TPavonaExDateEdit::SetCanEmpty(bool v) { st_->canEmpty = v; }
bool TPavonaExDateEdit::DropDownKey() const { return st_->dropDownKey; }
void TPavonaExDateEdit::SetDropDownKey(bool v) { st_->dropDownKey = v; }
bool TPavonaExDateEdit::EnterNext() const { return st_->enterNext; }
void TPavonaExDateEdit::SetEnterNext(bool v) { st_->enterNext = v; }
bool TPavonaExDateEdit::ExitCheck() const { return st_->exitCheck; }
void TPavonaExDateEdit::SetExitCheck(bool v) { st_->exitCheck = v; }
bool TPavonaExDateEdit::DisplayError() const { return st_->displayError; }
void TPavonaExDateEdit::SetDisplayError(bool v) { st_->displayError = v; }
QString TPavonaExDateEdit::DialogCaption() const { return st_->dialogCaption; }
void TPavonaExDateEdit::SetDialogCaption(const QString& v) { st_->dialogCaption = v; }
int TPavonaExDateEdit::ErrorCode() const { return st_->error; }
bool TPavonaExDateEdit::IsEmpty() const { return st_->empty; }
void TPavonaExDateEdit::SetFocusedColor(QColor c) { st_->focusedColor = c; }
void TPavonaExDateEdit::SetColor(QColor c) { st_->color = c; ApplyColors(); }
void TPavonaExDateEdit::SetDisableColors(QColor back, QColor text)
{
    st_->disableColor = back;
    st_->disableFontColor = text;
    ApplyColors();
}
void TPavonaExDateEdit::SetLabelColor(QColor c) { st_->labelColor = c; ApplyColors(); }
void TPavonaExDateEdit::SetLabels(const QStringList& t)
{
    for (int i = 0; i < 6 && i < t.size(); ++i) st_->labels[i]->setText(t[i]);
    Relayout();
}
void TPavonaExDateEdit::SetSpaceWidth(int v) { st_->spaceWidth = v; Relayout(); }

void TPavonaExDateEdit::SetEditStyle(TPavonaExDateEditStyle v) { st_->style = v; Relayout(); Show(); }

void TPavonaExDateEdit::SetEditGengo(bool v)
{
    st_->editGengo = v;
    if (!v) st_->gengo = TPavonaExRekiSet::rsSeireki;
    RefillEraBox();
    Relayout();
    Show();
}

void TPavonaExDateEdit::SetEditAmpm(bool v) { st_->editAmpm = v; Relayout(); Show(); }
void TPavonaExDateEdit::SetYeardigit(TPavonaExYeardigitSet v) { st_->yeardigit = v; Relayout(); Show(); }

void TPavonaExDateEdit::SetGengo(TPavonaExRekiSet v)
{
    st_->gengo = st_->editGengo ? v : TPavonaExRekiSet::rsSeireki;
    RefillEraBox();
    Relayout();
    Show();
}

void TPavonaExDateEdit::SetWarekiTable(const std::vector<TPavonaExGengo>& table)
{
    st_->useTable = true;
    st_->table = table;
    st_->filtered = FilterExGengo(st_->table, st_->minDate ? std::optional(st_->minDate->GetDate()) : std::nullopt,
                                  st_->maxDate ? std::optional(st_->maxDate->GetDate()) : std::nullopt);
    RefillEraBox();
    Show();
}

void TPavonaExDateEdit::SetMinDate(const DateTime& v)
{
    st_->minDate = v.IsNull() ? std::nullopt : std::optional(v);
    SetWarekiTable(st_->table);
    st_->useTable = !st_->table.empty() && st_->useTable;
    if (!st_->value.IsNull()) SetDate(st_->value);
}

void TPavonaExDateEdit::SetMaxDate(const DateTime& v)
{
    st_->maxDate = v.IsNull() ? std::nullopt : std::optional(v);
    SetWarekiTable(st_->table);
    st_->useTable = !st_->table.empty() && st_->useTable;
    if (!st_->value.IsNull()) SetDate(st_->value);
}

void TPavonaExDateEdit::RefillEraBox()
{
    State& s = *st_;
    const QString keep = s.era->currentText();
    s.era->clear();
    if (s.gengo != TPavonaExRekiSet::rsWareki) s.era->addItem(QString::fromUtf8(kSeireki));
    if (s.gengo != TPavonaExRekiSet::rsSeireki)
        for (const auto& g : s.Eras()) s.era->addItem(QString::fromStdString(g.Name));
    s.era->setCurrentIndex(s.era->findText(keep));
}

void TPavonaExDateEdit::Relayout()
{
    State& s = *st_;
    const ExShown sh = ExShownFields(s.style, s.editGengo, s.editAmpm);
    const bool shown[kFieldCount] = {sh.era, sh.year, sh.month, sh.day, sh.ampm, sh.hour, sh.minute, sh.second};
    const QFontMetrics fm(font());
    const int h = 8 + fm.height();
    // A western year may carry four digits; so may rsBoth, where "西暦" can be chosen.
    const bool fourDigits = s.gengo != TPavonaExRekiSet::rsWareki && s.yeardigit == TPavonaExYeardigitSet::yddigit4;
    s.year->setMaxLength(fourDigits ? 4 : 2);
    if (s.style == TPavonaExDateEditStyle::desYearMonth || s.style == TPavonaExDateEditStyle::desYear) s.day->setText("1");
    if (s.style == TPavonaExDateEditStyle::desYear) s.month->setText("1");
    auto fieldWidth = [&](int f) {
        if (f == kEra || f == kAmpm) return fm.horizontalAdvance(QStringLiteral("0000")) + 26;
        if (f == kYear && fourDigits) return fm.horizontalAdvance(QStringLiteral("0000")) + 20;
        return fm.horizontalAdvance(QStringLiteral("00")) + 16;
    };
    const int labelOf[kFieldCount] = {-1, 0, 1, 2, -1, 3, 4, 5};
    const int overlap = s.style == TPavonaExDateEditStyle::desYearMonth ? 2 : 3;
    int x = 0, y = 0, right = 0;
    bool timeStarted = false;
    for (int f = 0; f < kFieldCount; ++f) {
        QWidget* w = s.fields[f];
        const int li = labelOf[f];
        if (!shown[f]) {
            w->hide();
            w->resize(0, h);
            if (li >= 0) s.labels[li]->hide();
            continue;
        }
        if (f >= kAmpm && !timeStarted) {
            timeStarted = true;
            if (x > 0) {
                if (s.spaceWidth < 0) {
                    x = 0;
                    y = h - s.spaceWidth;
                } else {
                    x += s.spaceWidth;
                }
            }
        }
        w->setGeometry(x, y, fieldWidth(f), h);
        w->show();
        x += fieldWidth(f);
        if (li >= 0) {
            TPavonaExDateEditLabel* l = s.labels[li];
            const int lw = fm.horizontalAdvance(l->text()) + 14;
            l->setGeometry(x, y, lw, h);
            l->show();
            l->lower();
            x += lw - overlap;
        }
        right = std::max(right, x + overlap);
    }
    setFixedSize(std::max(right, 1), y + h);
    // Focus given to the control goes to its first field: era box, year, AM/PM box or hour.
    for (int f : {kEra, kYear, kAmpm, kHour})
        if (shown[f] && s.fields[f]->isEnabled()) {
            setFocusProxy(s.fields[f]);
            break;
        }
    ApplyColors();
}

void TPavonaExDateEdit::ApplyColors()
{
    State& s = *st_;
    const bool en = isEnabled();
    for (QWidget* w : s.fields) {
        QPalette p = w->palette();
        const QColor back = en ? (w->hasFocus() ? s.focusedColor : s.color) : s.disableColor;
        p.setColor(QPalette::Base, back);
        p.setColor(QPalette::Button, back);
        p.setColor(QPalette::Text, en ? palette().color(QPalette::Text) : s.disableFontColor);
        p.setColor(QPalette::ButtonText, en ? palette().color(QPalette::Text) : s.disableFontColor);
        w->setPalette(p);
    }
    for (auto* l : s.labels) {
        QPalette p = l->palette();
        p.setColor(QPalette::Window, s.labelColor);
        l->setPalette(p);
    }
}

void TPavonaExDateEdit::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) ApplyColors();
    if (e->type() == QEvent::FontChange) Relayout();
}

void TPavonaExDateEdit::Clear()
{
    State& s = *st_;
    s.era->setCurrentIndex(-1);
    s.ampm->setCurrentIndex(-1);
    for (QLineEdit* e : {s.year, s.month, s.day, s.hour, s.minute, s.second}) e->clear();
    s.value = DateTime{};
    s.empty = true;
    Relayout(); // puts back the hidden day and month of the year styles
}

void TPavonaExDateEdit::Show()
{
    State& s = *st_;
    if (s.value.IsNull()) return;
    const ExShown sh = ExShownFields(s.style, s.editGengo, s.editAmpm);
    const Date d = s.value.GetDate();
    if (sh.year && d >= Date(1873, 1, 1)) {
        if (s.gengo == TPavonaExRekiSet::rsSeireki) {
            s.era->setCurrentIndex(s.era->findText(QString::fromUtf8(kSeireki)));
            const int y = s.yeardigit == TPavonaExYeardigitSet::yddigit2 ? d.Year() % 100 : d.Year();
            s.year->setText(QString::number(y));
        } else {
            const ExWareki w = ExDateToWareki(s.Eras(), d);
            s.era->setCurrentIndex(w.index < 0 ? -1 : w.index + (s.gengo == TPavonaExRekiSet::rsBoth ? 1 : 0));
            s.year->setText(QString::number(w.year));
        }
        if (sh.month) s.month->setText(QString::number(d.Month()));
        if (sh.day) s.day->setText(QString::number(d.Day()));
    }
    if (sh.hour && s.value.MSecsOfDay() != 0) {
        int h = s.value.Hour();
        if (s.editAmpm) {
            s.ampm->setCurrentIndex(h > 11 ? 1 : 0);
            if (h > 11) h -= 12;
        }
        s.hour->setText(QString::number(h));
        if (sh.minute) s.minute->setText(QString::number(s.value.Minute()));
        if (sh.second) s.second->setText(QString::number(s.value.Second()));
    }
}

void TPavonaExDateEdit::SetDate(const DateTime& v)
{
    State& s = *st_;
    if (v.IsNull()) {
        Clear();
        return;
    }
    const ExShown sh = ExShownFields(s.style, s.editGengo, s.editAmpm);
    DateTime t = v;
    if (sh.year && !sh.hour) t = DateTime(v.GetDate());
    else if (!sh.year && sh.hour) t = DateTime(Date::FromSerial(0), v.Hour(), v.Minute(), v.Second());
    t = ExClamp(t, s.minDate, s.maxDate);
    if (t.GetDate() <= Date::FromSerial(0) && !(!sh.year && sh.hour)) {
        Clear();
        return;
    }
    s.value = t;
    s.empty = false;
    s.error = 0;
    Show();
}

DateTime TPavonaExDateEdit::GetDate()
{
    CheckInput();
    return st_->empty ? DateTime{} : st_->value;
}

bool TPavonaExDateEdit::CheckInput()
{
    State& s = *st_;
    ExInput in;
    auto txt = [](QLineEdit* e) { return e->text().trimmed().toStdString(); };
    in.era = s.era->currentIndex() < 0 ? "" : s.era->currentText().trimmed().toStdString();
    in.year = txt(s.year);
    in.month = txt(s.month);
    in.day = txt(s.day);
    in.ampm = s.ampm->currentIndex() < 0 ? "" : s.ampm->currentText().toStdString();
    in.hour = txt(s.hour);
    in.minute = txt(s.minute);
    in.second = txt(s.second);
    ExSettings set;
    set.style = s.style;
    set.editGengo = s.editGengo;
    set.editAmpm = s.editAmpm;
    set.gengo = s.gengo;
    set.yeardigit = s.yeardigit;
    set.canEmpty = s.canEmpty;
    for (int i = 0; i < s.era->count(); ++i) set.eraItems.push_back(s.era->itemText(i).toStdString());
    set.eras = s.Eras();
    set.minDate = s.minDate;
    set.maxDate = s.maxDate;
    set.currentYear = Date::Today().Year();
    const ExCheckResult r = ExCheckInput(in, set);
    s.error = r.error;
    if (!r.message.empty()) {
        if (s.displayError && OnShowMessage) OnShowMessage(s.dialogCaption, QString::fromStdString(r.message));
        FocusField(static_cast<int>(r.focus) - 1);
        throw EAbort();
    }
    if (r.empty) {
        Clear();
        return false;
    }
    s.value = r.value;
    s.empty = false;
    Show();
    return false;
}

void TPavonaExDateEdit::FocusField(int field)
{
    if (field >= 0 && field < kFieldCount && st_->fields[field]->isVisibleTo(this))
        st_->fields[field]->setFocus(Qt::OtherFocusReason);
}

std::vector<QWidget*> TPavonaExDateEdit::ShownFields() const
{
    std::vector<QWidget*> v;
    for (QWidget* w : st_->fields)
        if (w->isVisibleTo(const_cast<TPavonaExDateEdit*>(this)) && w->isEnabled()) v.push_back(w);
    return v;
}

void TPavonaExDateEdit::MoveField(QWidget* from, bool next)
{
    const auto v = ShownFields();
    const auto it = std::find(v.begin(), v.end(), from);
    if (it == v.end()) return;
    if (next && it + 1 != v.end()) {
        (*(it + 1))->setFocus(Qt::TabFocusReason);
        return;
    }
    if (!next && it != v.begin()) {
        (*(it - 1))->setFocus(Qt::BacktabFocusReason);
        return;
    }
    // Past the last (or before the first) field the form's own order takes over.
    QWidget* edge = next ? v.back() : v.front();
    QWidget* w = edge;
    for (int guard = 0; guard < 10000; ++guard) {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == edge) return;
        if (isAncestorOf(w) || w == this) continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(window()) && w != window()) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

bool TPavonaExDateEdit::eventFilter(QObject* o, QEvent* e)
{
    State& s = *st_;
    auto* w = qobject_cast<QWidget*>(o);
    const bool box = o == s.era || o == s.ampm;
    if (e->type() == QEvent::FocusIn) {
        QTimer::singleShot(0, this, [this, w] {
            if (auto* le = qobject_cast<QLineEdit*>(w); le && le->hasFocus()) {
                if (st_->autoSelect) le->selectAll();
                else le->setCursorPosition(0);
            }
        });
        w->setToolTip(toolTip());
        ApplyColors();
    } else if (e->type() == QEvent::FocusOut) {
        ApplyColors();
    } else if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        const int key = k->key();
        const bool shift = k->modifiers() & Qt::ShiftModifier;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (box && static_cast<QComboBox*>(o)->view()->isVisible()) static_cast<QComboBox*>(o)->hidePopup();
            if (s.enterNext) MoveField(w, !shift);
            return true;
        }
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            MoveField(w, key == Qt::Key_Tab && !shift);
            return true;
        }
        if (key == Qt::Key_Down && box && s.dropDownKey) {
            auto* cb = static_cast<QComboBox*>(o);
            if (!cb->view()->isVisible()) cb->showPopup();
            return true;
        }
        if (key == Qt::Key_Delete && box) {
            auto* cb = static_cast<QComboBox*>(o);
            const bool had = cb->currentIndex() >= 0;
            cb->setCurrentIndex(-1);
            if (had) emit Change(cb);
            return true;
        }
        const QString t = k->text();
        if (!t.isEmpty() && key != Qt::Key_Backspace && key != Qt::Key_Escape && key != Qt::Key_Delete) {
            // Digits only, and only in the text fields; letters do not even step a box's selection.
            const QChar c = t.at(0);
            if (box || !(c >= '0' && c <= '9')) return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

} // namespace kb
