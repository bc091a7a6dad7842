#pragma once
// The period strips' shared part: the fiscal-month arithmetic that lays a strip out for a year
// (plain functions, checked from tables) and the painted strip of cells that the 16-, 12- and
// quarter panels specialise. Cells are drawn by the panel, not child windows.

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

namespace kb {

class Date; // platform/Date.h (kept out of headers that moc reads)

// Date moved by n calendar months, the day limited to the new month's length.
Date KikanMonthShift(Date d, int n);
// Closing date of fiscal month n (0-based) for closing day sime (1..28, 99 = month end) and year
// start s. Any other closing day gives s itself and sets *invalid.
Date KikanSimeDate(int n, int sime, Date s, bool* invalid = nullptr);
// Months between the first closing of the year and the first closing on or after x.
int KikanMonthOffset(int sime, Date yearStart, Date x, bool* invalid = nullptr);
// Cell of x on the 16-period strip: months 0..14 map to m + m div 3, anything else to 15.
int KikanCellIndex16(int sime, Date yearStart, Date x, bool* invalid = nullptr);
// Cell of x on the month and quarter strips: m itself, anything outside 0..11 gives 11.
int KikanMonthIndex(int sime, Date yearStart, Date x, bool* invalid = nullptr);

// One cell as a strip shows it.
struct KikanCell {
    QString caption;
    int periodNo = -1; // 0-based period of the 16-period year (15 = year-end settlement)
    bool enabled = true;
    bool visible = true;
};

struct KikanLayout {
    std::vector<KikanCell> cells;
    int firstSel = 0; // first selectable cell (the data start's)
    int lastSel = 0;  // last selectable cell
    int lastNo = 0;
    int stno = 0, edno = 0;
    bool invalidSime = false; // a closing day that names no rule: the caller beeps
};

KikanLayout LayoutKikan16(int sime, Date yearStart, Date yearEnd, Date dataStart, bool kessan, bool kikanMove);
KikanLayout LayoutKikan12(int sime, Date yearStart, Date yearEnd, Date dataStart, bool kikanMove);
KikanLayout LayoutKikan4(int btnCnt, int sime, Date yearStart, Date yearEnd, Date dataStart, bool kikanMove);

// Cell rectangles in panel coordinates: width trunc((W - 8) / n), height H - 6, from (4, 3), the
// spare pixels widening the first cells by one each.
std::vector<QRect> KikanCellRects(int panelWidth, int panelHeight, int count);

// The painted strip. Subclasses fill the cells and decide the bounds of the selection.
class TxKikanPanelBase : public QWidget {
    Q_OBJECT
public:
    int Stno() const { return stno_; }
    int Edno() const { return edno_; }
    virtual void SetStno(int v);
    virtual void SetEdno(int v);
    QColor BackColor() const { return backColor_; }
    void SetBackColor(QColor c) { backColor_ = c; PaintCells(); }
    QColor FontColor() const { return fontColor_; }
    void SetFontColor(QColor c) { fontColor_ = c; PaintCells(); }
    bool KikanMove() const { return kikanMove_; }
    void SetKikanMove(bool v);
    bool KBDMOUSE() const { return kbdMouse_; }
    bool KakuteiMode() const { return kakuteiMode_; }
    void SetKakuteiMode(bool v) { kakuteiMode_ = v; PaintCells(); }
    int KakuteiMNo() const { return kakuteiMNo_; }
    void SetKakuteiMNo(int v) { kakuteiMNo_ = v; PaintCells(); }
    QColor KakuteiBackColor() const { return kakuteiBack_; }
    void SetKakuteiBackColor(QColor c) { kakuteiBack_ = c; PaintCells(); }
    QColor KakuteiFontColor() const { return kakuteiFont_; }
    void SetKakuteiFontColor(QColor c) { kakuteiFont_ = c; PaintCells(); }

    int CellCount() const { return static_cast<int>(cells_.size()); }
    const KikanCell& Cell(int i) const { return cells_[static_cast<std::size_t>(i)]; }
    QRect CellRect(int i) const;
    QColor CellFill(int i) const { return fills_[static_cast<std::size_t>(i)]; }
    QColor CellTextColor(int i) const { return texts_[static_cast<std::size_t>(i)]; }
    int FirstSelectable() const { return firstSel_; }
    int LastSelectable() const { return lastSel_; }
    // The captions read left to right, blanks included ("4 5 6 ・ ..."), for checks and logs.
    QString CaptionLine() const;
    // Recolours every cell from Stno, Edno and the enabled state.
    void PaintCells();
    QSize sizeHint() const override { return {SnappedWidth(CellCount() == 4 ? 80 : 242), 22}; }

signals:
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
    // Also fired after a keyboard choice (left button, shift [left button], position 0, 0).
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
    void DblClick();

protected:
    TxKikanPanelBase(int cells, QWidget* parent);
    void ApplyLayout(const KikanLayout& l);
    void Recolour(int a, int b); // range a..b in either order
    void FireKeyboardMouseUp();
    virtual bool HasKakutei() const { return true; }
    // Cells that share the width (the half-year panel lays out two of its four).
    virtual int LayoutCount() const { return CellCount(); }
    virtual QColor DisabledRangeColor() const { return QColor(192, 192, 192); }
    virtual bool EnterClearsKbdMouse() const { return false; }
    virtual int LowKey() const { return firstSel_; }
    virtual int HighKey() const { return lastSel_; }
    // What Left or Right does at the end of the strip (the quarter panel jumps).
    virtual void AtEdge(bool /*right*/) {}

    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    int CellAt(QPoint p) const;
    int SnappedWidth(int w) const;

    std::vector<KikanCell> cells_;
    std::vector<QColor> fills_, texts_;
    bool dragging_ = false;
    int anchor_ = 0, moving_ = 0;
    int stno_ = 0, edno_ = 0;
    int firstSel_ = 0, lastSel_ = 0, lastNo_ = 0;
    int sime_ = 99;
    QColor backColor_ = QColor(0, 0, 128);
    QColor fontColor_ = QColor(255, 255, 255);
    bool kikanMove_ = true;
    bool kbdMouse_ = false;
    bool kakuteiMode_ = false;
    int kakuteiMNo_ = 0;
    QColor kakuteiBack_ = QColor(255, 128, 64);
    QColor kakuteiFont_ = QColor(255, 255, 255);
    bool focusFill_ = false;
};

} // namespace kb
