#include "ui/xCheckedComboBox.h"

#include "platform/Text.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace kb {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::vector<std::string> SplitComma(const std::string& s)
{
    std::vector<std::string> out;
    if (s.empty())
        return out;
    std::size_t start = 0;
    for (;;) {
        const auto p = s.find(',', start);
        out.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos)
            return out;
        start = p + 1;
    }
}

std::string Join(const std::vector<std::string>& v)
{
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i)
        out += (i ? "," : "") + v[i];
    return out;
}

// The four 16 x 16 faces of the drop button: a pale-blue square with a dark chevron.
QPixmap ButtonFace(const std::string& state)
{
    QColor back(200, 220, 245), arrow(30, 50, 90);
    if (state == "DROPDOWN_HOT") back = QColor(225, 238, 252);
    if (state == "DROPDOWN_PRESS") back = QColor(150, 185, 230);
    if (state == "DROPDOWN_GRAY") { back = QColor(225, 225, 225); arrow = QColor(150, 150, 150); }
    QPixmap pm(16, 16);
    pm.fill(back);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(arrow, 2));
    p.drawLine(QPointF(4, 6), QPointF(8, 10));
    p.drawLine(QPointF(8, 10), QPointF(12, 6));
    p.setPen(QPen(back.darker(130), 1));
    p.drawRect(0, 0, 15, 15);
    return pm;
}

} // namespace

// --- the ticked set ---------------------------------------------------------------------------

void TCheckedComboLogic::SetItems(const std::vector<std::string>& items)
{
    Items = items;
    Checked.assign(items.size(), false);
    TickedText.clear();
    TickedCount = 0;
}

void TCheckedComboLogic::Tick(int index, bool checked)
{
    if (index < 0 || index >= static_cast<int>(Items.size()))
        return;
    Checked[index] = checked;
    const std::string& item = Items[index];
    if (checked) {
        if (!MultiSelect) {
            for (std::size_t i = 0; i < Items.size(); ++i)
                if (static_cast<int>(i) != index)
                    Checked[i] = false;
            TickedText.clear();
            TickedCount = 0;
        }
        const auto pieces = SplitComma(TickedText);
        const bool present = TickedText == item || std::find(pieces.begin(), pieces.end(), item) != pieces.end();
        if (!present) {
            TickedText = TickedText.empty() ? item : TickedText + "," + item;
            ++TickedCount;
        }
    } else {
        auto pieces = SplitComma(TickedText);
        auto it = std::find(pieces.begin(), pieces.end(), item);
        if (it != pieces.end()) {
            pieces.erase(it);
            const std::string before = TickedText;
            TickedText = Join(pieces);
            if (TickedText != before)
                --TickedCount;
        }
    }
}

bool TCheckedComboLogic::SelectAll()
{
    if (!MultiSelect)
        return false;
    Checked.assign(Items.size(), true);
    TickedText = Join(Items);
    TickedCount = static_cast<int>(Items.size());
    return true;
}

void TCheckedComboLogic::ClearAll()
{
    TickedCount = 0;
    Checked.assign(Items.size(), false);
    TickedText.clear();
}

std::vector<std::string> TCheckedComboLogic::TickedItems() const
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < Items.size(); ++i)
        if (Checked[i])
            out.push_back(Items[i]);
    return out;
}

std::string TCheckedComboLogic::DisplayText() const
{
    if (DispStyle == TCHBDispStyle::dsKensu) {
        if (TickedCount == 0)
            return EmptyValue;
        if (TickedCount == 1)
            return TickedText;
        std::string s = KensuValueFormat;
        if (auto p = s.find("%d"); p != std::string::npos)
            s.replace(p, 2, std::to_string(TickedCount));
        return s;
    }
    if (TickedText.empty())
        return EmptyValue;
    if (SortDisplay) {
        // The ticked pieces in the order of the items.
        const auto pieces = SplitComma(TickedText);
        std::vector<std::string> ordered;
        for (const auto& item : Items)
            if (std::find(pieces.begin(), pieces.end(), item) != pieces.end())
                ordered.push_back(item);
        return Join(ordered);
    }
    return TickedText;
}

int TCheckedComboLogic::PopupLines(int dropDownLines, int columns, int itemCount)
{
    int lines = dropDownLines;
    if (columns < 2) {
        if (itemCount < lines)
            lines = itemCount;
    } else {
        lines = itemCount / columns + 1;
    }
    return std::clamp(lines, 1, 20);
}

QRect TCheckedComboLogic::PopupRect(QPoint bottomLeft, int controlWidth, int controlHeight, int dropDownWidth,
                                    int itemHeight, int lines, int screenBottom)
{
    const int w = std::max(controlWidth, dropDownWidth);
    const int h = itemHeight * lines + 4;
    int top = bottomLeft.y();
    if (top + h > screenBottom - 20)
        top = top - h - controlHeight;
    return QRect(bottomLeft.x(), top, w, h);
}

// --- the control ------------------------------------------------------------------------------

TxCheckedComboBox::TxCheckedComboBox(QWidget* parent) : QFrame(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    resize(120, 20);
    display_ = new QLabel(this);
    display_->setObjectName("Display");
    display_->setAutoFillBackground(true);
    display_->setFrameShape(QFrame::Box);
    display_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    display_->setFocusPolicy(Qt::NoFocus);
    display_->installEventFilter(this);
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(display_);
    button_ = new QLabel(display_);
    button_->setObjectName("DropButton");
    button_->setScaledContents(true);
    button_->setCursor(Qt::ArrowCursor);
    button_->setMouseTracking(true);
    button_->installEventFilter(this);
    setMouseTracking(true);

    popup_ = new QWidget(this, Qt::Popup | Qt::FramelessWindowHint);
    popup_->setObjectName("CheckPopup");
    popup_->installEventFilter(this);
    list_ = new QListWidget(popup_);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setAttribute(Qt::WA_InputMethodEnabled, false);
    list_->installEventFilter(this);
    auto* plIay = new QHBoxLayout(popup_);
    plIay->setContentsMargins(0, 0, 0, 0);
    plIay->addWidget(list_);
    menu_ = new QMenu(list_);
    actSelectAll_ = menu_->addAction(Q(CapSelectAll), this, [this] { SelectAll(); });
    actDeSelectAll_ = menu_->addAction(Q(CapDeSelectAll), this, [this] { DeSelectAll(); });
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { menu_->popup(list_->viewport()->mapToGlobal(p)); });
    connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* i) { ListItemChanged(i); });
    SetButtonState("DROPDOWN_NORMAL");
    Refresh();
}

TxCheckedComboBox::~TxCheckedComboBox() = default;

void TxCheckedComboBox::SetItems(const std::vector<std::string>& items)
{
    std::vector<std::string> v = items;
    if (sorted_)
        std::stable_sort(v.begin(), v.end(),
                         [](const std::string& a, const std::string& b) { return sjis::Compare(a, b) < 0; });
    logic_.SetItems(v);
    ItemsChanged();
}

void TxCheckedComboBox::ItemsChanged()
{
    syncing_ = true;
    list_->clear();
    for (const auto& s : logic_.Items) {
        auto* it = new QListWidgetItem(Q(s), list_);
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        it->setCheckState(Qt::Unchecked);
    }
    syncing_ = false;
    Refresh();
}

void TxCheckedComboBox::SetSorted(bool on)
{
    sorted_ = on;
    if (on)
        SetItems(logic_.Items);
}

void TxCheckedComboBox::SetColumns(int n)
{
    columns_ = n;
    list_->setFlow(QListView::TopToBottom);
    list_->setWrapping(n >= 2);
}

void TxCheckedComboBox::SetDropDownLines(int n)
{
    if (n >= 1 && n <= 20)
        dropDownLines_ = n;
}

void TxCheckedComboBox::SetEmptyValue(const std::string& s)
{
    logic_.EmptyValue = s;
    Refresh();
}

void TxCheckedComboBox::SetSortDisplay(bool on) { logic_.SortDisplay = on; Refresh(); }
void TxCheckedComboBox::SetDispStyle(TCHBDispStyle s) { logic_.DispStyle = s; Refresh(); }
void TxCheckedComboBox::SetKensuValueFormat(const std::string& s) { logic_.KensuValueFormat = s; Refresh(); }

void TxCheckedComboBox::SetMultiSelect(bool on)
{
    logic_.MultiSelect = on;
    actSelectAll_->setEnabled(on);
}

bool TxCheckedComboBox::IsChecked(int index) const
{
    return index >= 0 && index < static_cast<int>(logic_.Checked.size()) && logic_.Checked[index];
}

std::string TxCheckedComboBox::DisplayText() const { return display_->text().toStdString(); }

void TxCheckedComboBox::Refresh()
{
    display_->setText(Q(logic_.DisplayText()));
    QPalette p = display_->palette();
    const bool focused = hasFocus();
    if (!isEnabled()) {
        p.setColor(QPalette::WindowText, Qt::gray);
        p.setColor(QPalette::Window, Qt::white);
    } else if (focused) {
        p.setColor(QPalette::Window, palette().color(QPalette::Highlight));
        p.setColor(QPalette::WindowText, Qt::white);
    } else {
        p.setColor(QPalette::Window, Qt::white);
        p.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    }
    display_->setPalette(p);
}

void TxCheckedComboBox::SetButtonState(const char* state)
{
    buttonState_ = state;
    button_->setPixmap(ButtonFace(buttonState_));
}

void TxCheckedComboBox::resizeEvent(QResizeEvent* e)
{
    QFrame::resizeEvent(e);
    const int side = std::max(1, height() - 2);
    button_->setGeometry(display_->width() - side - 1, 1, side, side);
}

void TxCheckedComboBox::ListItemChanged(QListWidgetItem* item)
{
    if (syncing_)
        return;
    const int row = list_->row(item);
    logic_.Tick(row, item->checkState() == Qt::Checked);
    syncing_ = true;
    for (int i = 0; i < list_->count(); ++i)
        list_->item(i)->setCheckState(logic_.Checked[i] ? Qt::Checked : Qt::Unchecked);
    syncing_ = false;
    Refresh();
    emit OnChange();
    emit OnClickCheck();
}

void TxCheckedComboBox::SelectAll()
{
    if (!logic_.SelectAll())
        return;
    syncing_ = true;
    for (int i = 0; i < list_->count(); ++i)
        list_->item(i)->setCheckState(Qt::Checked);
    syncing_ = false;
    Refresh();
    repaint();
    emit OnChange();
}

void TxCheckedComboBox::DeSelectAll()
{
    logic_.ClearAll();
    syncing_ = true;
    for (int i = 0; i < list_->count(); ++i)
        list_->item(i)->setCheckState(Qt::Unchecked);
    syncing_ = false;
    Refresh();
    emit OnChange();
}

bool TxCheckedComboBox::IsDroppedDown() const { return popup_->isVisible(); }

void TxCheckedComboBox::DropDown()
{
    SetButtonState("DROPDOWN_PRESS");
    setFocus();
    if (list_->count() == 0)
        return;
    if (closeByButton_) {
        // The click that closed the pop-up only closes it.
        closeByButton_ = false;
        SetButtonState("DROPDOWN_NORMAL");
        return;
    }
    const int lines = TCheckedComboLogic::PopupLines(dropDownLines_, columns_, list_->count());
    actSelectAll_->setText(Q(CapSelectAll));
    actDeSelectAll_->setText(Q(CapDeSelectAll));
    popup_->setFont(font());
    const int itemH = std::max(1, list_->sizeHintForRow(0));
    QScreen* sc = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect r = TCheckedComboLogic::PopupRect(mapToGlobal(QPoint(0, height())), width(), height(), DropDownWidth,
                                                  itemH, lines, sc->geometry().bottom() + 1);
    popup_->setGeometry(r);
    popup_->show();
    list_->setFocus();
    repaint();
}

void TxCheckedComboBox::CloseUp()
{
    if (!popup_->isVisible())
        return;
    popup_->hide();
}

void TxCheckedComboBox::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F4) {
        DropDown();
        emit OnButtonClick();
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        focusNextChild();
        e->accept();
        return;
    }
    QFrame::keyPressEvent(e);
}

void TxCheckedComboBox::focusInEvent(QFocusEvent* e)
{
    QFrame::focusInEvent(e);
    Refresh();
    emit OnEnter();
}

void TxCheckedComboBox::focusOutEvent(QFocusEvent* e)
{
    QFrame::focusOutEvent(e);
    if (popup_->isVisible())
        return; // the pop-up belongs to the control
    Refresh();
    emit OnExit();
}

void TxCheckedComboBox::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::FontChange) {
        // The height follows the font: its line height and the single-line border allowance.
        resize(width(), fontMetrics().height() + 6);
        display_->setFont(font());
    }
    if (e->type() == QEvent::EnabledChange) {
        SetButtonState(isEnabled() ? "DROPDOWN_NORMAL" : "DROPDOWN_GRAY");
        Refresh();
    }
    QFrame::changeEvent(e);
}

bool TxCheckedComboBox::eventFilter(QObject* o, QEvent* e)
{
    if (o == button_ && isEnabled()) {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
            DropDown();
            emit OnButtonClick();
            return true;
        case QEvent::Enter:
            if (!popup_->isVisible())
                SetButtonState("DROPDOWN_HOT");
            break;
        case QEvent::Leave:
            if (!popup_->isVisible())
                SetButtonState("DROPDOWN_NORMAL");
            break;
        default: break;
        }
    }
    if (o == display_ && e->type() == QEvent::MouseButtonPress) {
        if (!hasFocus())
            setFocus();
        emit OnPanelClick();
    }
    if (o == popup_ && e->type() == QEvent::Hide) {
        SetButtonState("DROPDOWN_NORMAL");
        const QPoint p = button_->mapFromGlobal(QCursor::pos());
        closeByButton_ = p.x() > 0 && p.y() > 0 && p.x() < button_->width() - 1 && p.y() < button_->height() - 1;
        setFocus();
        repaint();
        emit OnCloseUp();
    }
    if (o == list_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        const auto mods = k->modifiers() & ~Qt::KeypadModifier;
        if (k->key() == Qt::Key_Escape) {
            CloseUp();
            return true;
        }
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_Tab) &&
            mods == Qt::NoModifier) {
            CloseUp();
            closeByButton_ = false;
            setFocus();
            focusNextChild();
            return true;
        }
        if (k->key() == Qt::Key_Backtab || (k->key() == Qt::Key_Tab && mods == Qt::ShiftModifier)) {
            CloseUp();
            closeByButton_ = false;
            setFocus();
            focusPreviousChild();
            return true;
        }
    }
    return QFrame::eventFilter(o, e);
}

} // namespace kb
