#include "ui/xKikanPanelLib.h"

#include "platform/Date.h"
#include "ui/PavonaEditLib.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kb {

namespace {
const QColor kBtnFace(240, 240, 240);
const QColor kWindowText(0, 0, 0);
const QColor kGrey(128, 128, 128);
} // namespace

Date KikanMonthShift(Date d, int n)
{
    const int count = d.Year() * 12 + d.Month() + n;
    int y = count / 12, m = count % 12;
    if (m < 1) {
        m += 12;
        --y;
    } else if (m > 12) {
        m -= 12;
        ++y;
    }
    return Date(y, m, std::min(d.Day(), Date::DaysInMonth(y, m)));
}

Date KikanSimeDate(int n, int sime, Date s, bool* invalid)
{
    if (!((sime >= 1 && sime <= 28) || sime == 99)) {
        if (invalid) *invalid = true;
        return s;
    }
    if (sime < s.Day()) ++n; // the first closing falls in the following month
    const Date m = KikanMonthShift(s, n);
    const int day = sime == 99 ? Date::DaysInMonth(m.Year(), m.Month()) : sime;
    return Date(m.Year(), m.Month(), day);
}

int KikanMonthOffset(int sime, Date yearStart, Date x, bool* invalid)
{
    const Date a = KikanSimeDate(0, sime, yearStart, invalid);
    const Date b = KikanSimeDate(0, sime, x, invalid);
    return (b.Year() - a.Year()) * 12 + (b.Month() - a.Month());
}

int KikanCellIndex16(int sime, Date yearStart, Date x, bool* invalid)
{
    const int m = KikanMonthOffset(sime, yearStart, x, invalid);
    return m >= 0 && m <= 14 ? m + m / 3 : 15;
}

int KikanMonthIndex(int sime, Date yearStart, Date x, bool* invalid)
{
    const int m = KikanMonthOffset(sime, yearStart, x, invalid);
    return m >= 0 && m <= 11 ? m : 11;
}

KikanLayout LayoutKikan16(int sime, Date yearStart, Date yearEnd, Date dataStart, bool kessan, bool kikanMove)
{
    KikanLayout l;
    bool bad = false;
    const int k = KikanCellIndex16(sime, yearStart, yearEnd, &bad);
    l.lastSel = kessan ? k + 1 : k;
    l.lastNo = k + 1;
    l.firstSel = KikanCellIndex16(sime, yearStart, dataStart, &bad);
    l.stno = l.firstSel;
    l.edno = kikanMove ? l.lastSel : l.stno;
    l.cells.assign(16, KikanCell{});
    for (int j = 0; j < l.firstSel && j < 16; ++j) l.cells[static_cast<std::size_t>(j)].enabled = false;
    // A year of 13 to 15 months puts the year end beyond the strip: only existing cells are touched.
    for (int j = 0; j <= l.lastNo && j < 16; ++j) {
        KikanCell& c = l.cells[static_cast<std::size_t>(j)];
        if (j == l.lastNo) {
            c.caption = QStringLiteral("決");
            c.periodNo = 15;
        } else {
            c.periodNo = j;
            if (j == 3 || j == 7 || j == 11) c.caption = QStringLiteral("・");
            else if (j == 15) c.caption = QStringLiteral("決");
            else c.caption = QString::number(KikanSimeDate(j - j / 4, sime, yearStart, &bad).Month());
        }
    }
    for (int j = l.lastSel + 1; j < 16; ++j) {
        KikanCell& c = l.cells[static_cast<std::size_t>(j)];
        c.enabled = false;
        c.caption.clear();
    }
    l.invalidSime = bad;
    return l;
}

KikanLayout LayoutKikan12(int sime, Date yearStart, Date yearEnd, Date dataStart, bool kikanMove)
{
    static const int kPeriods[12] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14};
    KikanLayout l;
    bool bad = false;
    l.lastSel = l.lastNo = KikanMonthIndex(sime, yearStart, yearEnd, &bad);
    l.firstSel = KikanMonthIndex(sime, yearStart, dataStart, &bad);
    l.stno = l.firstSel;
    l.edno = kikanMove ? l.lastSel : l.stno;
    l.cells.assign(12, KikanCell{});
    for (int j = 0; j < 12; ++j) {
        KikanCell& c = l.cells[static_cast<std::size_t>(j)];
        c.periodNo = kPeriods[j];
        c.enabled = j >= l.firstSel && j <= l.lastSel;
        if (j <= l.lastSel) c.caption = QString::number(KikanSimeDate(j, sime, yearStart, &bad).Month());
    }
    l.invalidSime = bad;
    return l;
}

KikanLayout LayoutKikan4(int btnCnt, int sime, Date yearStart, Date yearEnd, Date dataStart, bool kikanMove)
{
    KikanLayout l;
    bool bad = false;
    const int s = KikanMonthIndex(sime, yearStart, dataStart, &bad);
    const int e = KikanMonthIndex(sime, yearStart, yearEnd, &bad);
    const int span = btnCnt == 2 ? 6 : 3;
    l.stno = s / span;
    l.edno = e / span;
    l.cells.assign(4, KikanCell{});
    for (int j = 0; j < 4; ++j) {
        KikanCell& c = l.cells[static_cast<std::size_t>(j)];
        c.visible = j < btnCnt;
        c.enabled = j >= l.stno && j <= l.edno && c.visible;
        if (c.visible) c.caption = btnCnt == 2 ? (j == 0 ? QStringLiteral("上") : QStringLiteral("下")) : QString::number(j + 1);
    }
    l.firstSel = l.stno;
    l.lastSel = l.edno;
    l.lastNo = l.edno;
    if (!kikanMove) l.edno = l.stno;
    l.invalidSime = bad;
    return l;
}

std::vector<QRect> KikanCellRects(int panelWidth, int panelHeight, int count)
{
    std::vector<QRect> r;
    if (count <= 0) return r;
    const int w = std::max(0, (panelWidth - 8) / count);
    const int h = std::max(0, panelHeight - 6);
    const int spare = std::max(0, panelWidth - 8 - w * count);
    int x = 4;
    for (int i = 0; i < count; ++i) {
        const int cw = w + (i < spare ? 1 : 0);
        r.emplace_back(x, 3, cw, h);
        x += cw;
    }
    return r;
}

// --- the strip --------------------------------------------------------------------------------------

TxKikanPanelBase::TxKikanPanelBase(int cells, QWidget* parent) : QWidget(parent)
{
    cells_.assign(static_cast<std::size_t>(cells), KikanCell{});
    fills_.assign(static_cast<std::size_t>(cells), kBtnFace);
    texts_.assign(static_cast<std::size_t>(cells), kWindowText);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    resize(SnappedWidth(242), 22);
}

int TxKikanPanelBase::SnappedWidth(int w) const
{
    const int n = LayoutCount();
    const int cw = n > 0 ? (w - 8) / n : 0;
    return n > 0 && cw > 0 ? cw * n + 8 : w;
}

void TxKikanPanelBase::SetStno(int v)
{
    if (v == stno_) return;
    stno_ = v;
    PaintCells();
}

void TxKikanPanelBase::SetEdno(int v)
{
    if (v == edno_) return;
    edno_ = v;
    PaintCells();
}

void TxKikanPanelBase::SetKikanMove(bool v)
{
    kikanMove_ = v;
    if (!v) edno_ = stno_;
    PaintCells();
}

void TxKikanPanelBase::ApplyLayout(const KikanLayout& l)
{
    if (l.invalidSime) QApplication::beep();
    cells_ = l.cells;
    firstSel_ = l.firstSel;
    lastSel_ = l.lastSel;
    lastNo_ = l.lastNo;
    stno_ = l.stno;
    edno_ = l.edno;
    anchor_ = stno_;
    moving_ = edno_;
    PaintCells();
}

QRect TxKikanPanelBase::CellRect(int i) const
{
    const auto r = KikanCellRects(width(), height(), LayoutCount());
    return i >= 0 && i < static_cast<int>(r.size()) ? r[static_cast<std::size_t>(i)] : QRect();
}

int TxKikanPanelBase::CellAt(QPoint p) const
{
    const auto r = KikanCellRects(width(), height(), LayoutCount());
    for (int i = 0; i < LayoutCount(); ++i)
        if (cells_[static_cast<std::size_t>(i)].visible && r[static_cast<std::size_t>(i)].contains(p)) return i;
    return -1;
}

QString TxKikanPanelBase::CaptionLine() const
{
    QStringList parts;
    for (const auto& c : cells_)
        if (c.visible) parts << c.caption;
    while (!parts.isEmpty() && parts.back().isEmpty()) parts.pop_back();
    return parts.join(' ');
}

void TxKikanPanelBase::Recolour(int a, int b)
{
    const int lo = std::min(a, b), hi = std::max(a, b);
    for (int i = 0; i < CellCount(); ++i) {
        const bool in = i >= lo && i <= hi;
        QColor f, t;
        if (isEnabled()) {
            if (in) {
                f = backColor_;
                t = fontColor_;
            } else if (HasKakutei() && kakuteiMode_ && i < kakuteiMNo_) {
                f = kakuteiBack_;
                t = kakuteiFont_;
            } else {
                f = kBtnFace;
                t = kWindowText;
            }
        } else {
            f = in ? DisabledRangeColor() : kBtnFace;
            t = kGrey;
        }
        fills_[static_cast<std::size_t>(i)] = f;
        texts_[static_cast<std::size_t>(i)] = t;
    }
    update();
}

void TxKikanPanelBase::PaintCells() { Recolour(stno_, edno_); }

void TxKikanPanelBase::FireKeyboardMouseUp() { emit MouseUp(Qt::LeftButton, Qt::KeyboardModifiers{}, QPoint(0, 0)); }

void TxKikanPanelBase::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), focusFill_ ? kGrey : kBtnFace);
    // Lowered bevel of the panel.
    p.setPen(QColor(160, 160, 160));
    p.drawLine(0, 0, width() - 1, 0);
    p.drawLine(0, 0, 0, height() - 1);
    p.setPen(Qt::white);
    p.drawLine(0, height() - 1, width() - 1, height() - 1);
    p.drawLine(width() - 1, 0, width() - 1, height() - 1);
    const auto r = KikanCellRects(width(), height(), LayoutCount());
    p.setFont(font());
    for (int i = 0; i < LayoutCount(); ++i) {
        const auto& c = cells_[static_cast<std::size_t>(i)];
        if (!c.visible) continue;
        const QRect cr = r[static_cast<std::size_t>(i)];
        p.fillRect(cr, fills_[static_cast<std::size_t>(i)]);
        p.setPen(texts_[static_cast<std::size_t>(i)]);
        p.drawText(cr, Qt::AlignCenter, c.caption);
    }
}

void TxKikanPanelBase::mousePressEvent(QMouseEvent* e)
{
    const int t = CellAt(e->position().toPoint());
    if (t < 0) return QWidget::mousePressEvent(e);
    const QPoint rel = e->position().toPoint() - CellRect(t).topLeft();
    if (e->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        if (t > HighKey() || !cells_[static_cast<std::size_t>(t)].enabled) {
            // Outside the year's selectable cells: the selection stays.
            anchor_ = stno_;
            moving_ = edno_;
        } else {
            anchor_ = moving_ = t;
            dragging_ = true;
            Recolour(t, t);
        }
    }
    emit MouseDown(e->button(), e->modifiers(), rel);
}

void TxKikanPanelBase::mouseMoveEvent(QMouseEvent* e)
{
    if (!dragging_ || !kikanMove_ || !hasFocus()) return;
    const int t = CellAt(QPoint(static_cast<int>(e->position().x()), height() / 2));
    if (t >= 0 && cells_[static_cast<std::size_t>(t)].enabled && t <= HighKey()) {
        moving_ = t;
        Recolour(anchor_, moving_);
    }
}

void TxKikanPanelBase::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    const int t = CellAt(e->position().toPoint());
    if (dragging_) {
        dragging_ = false;
        stno_ = std::min(anchor_, moving_);
        edno_ = std::max(anchor_, moving_);
        PaintCells();
    }
    if (t >= 0) emit MouseUp(e->button(), e->modifiers(), e->position().toPoint() - CellRect(t).topLeft());
}

void TxKikanPanelBase::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (CellAt(e->position().toPoint()) >= 0) emit DblClick();
}

void TxKikanPanelBase::keyPressEvent(QKeyEvent* e)
{
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const bool right = e->key() == Qt::Key_Right;
        kbdMouse_ = true;
        if (kikanMove_ && mods == Qt::ShiftModifier) {
            // Widening: the moving end goes, the anchor stays; the order is put right on Shift release.
            if (right ? moving_ < HighKey() : moving_ > LowKey()) moving_ += right ? 1 : -1;
            stno_ = anchor_;
            edno_ = moving_;
            Recolour(anchor_, moving_);
        } else {
            if (right ? anchor_ < HighKey() : anchor_ > LowKey()) {
                anchor_ += right ? 1 : -1;
                moving_ = anchor_;
            } else {
                AtEdge(right);
            }
            stno_ = anchor_;
            edno_ = moving_;
            Recolour(anchor_, moving_);
        }
        e->accept();
        return;
    }
    case Qt::Key_Up:
        e->accept();
        MoveFocusOnForm(this, false);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (EnterClearsKbdMouse()) kbdMouse_ = false;
        FireKeyboardMouseUp();
        e->accept();
        MoveFocusOnForm(this, true);
        return;
    default: QWidget::keyPressEvent(e);
    }
}

void TxKikanPanelBase::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Shift) {
        stno_ = std::min(anchor_, moving_);
        edno_ = std::max(anchor_, moving_);
        PaintCells();
    }
    QWidget::keyReleaseEvent(e);
}

void TxKikanPanelBase::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    kbdMouse_ = false;
    focusFill_ = true;
    update();
}

void TxKikanPanelBase::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    focusFill_ = false;
    dragging_ = false;
    update();
    if (kbdMouse_) {
        kbdMouse_ = false;
        FireKeyboardMouseUp();
    }
}

void TxKikanPanelBase::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    // The strip keeps a width the cells divide evenly.
    const int snapped = SnappedWidth(width());
    if (snapped != width()) resize(snapped, height());
}

void TxKikanPanelBase::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::FontChange) PaintCells();
}

} // namespace kb
