#include "ui/xKikanPanel4.h"

#include "platform/Date.h"

namespace kb {

TxKikanPanel4::TxKikanPanel4(QWidget* parent) : TxKikanPanelBase(4, parent)
{
    for (int i = 0; i < 4; ++i) cells_[static_cast<std::size_t>(i)].caption = QString::number(i + 1);
    stno_ = 0;
    edno_ = 3;
    anchor_ = 0;
    moving_ = 3;
    lastSel_ = 3;
    resize(SnappedWidth(80), 22);
    PaintCells();
}

void TxKikanPanel4::SetBtnCnt(int v)
{
    if ((v != 2 && v != 4) || v == btnCnt_) return;
    btnCnt_ = v;
    for (int i = 0; i < 4; ++i) {
        KikanCell& c = cells_[static_cast<std::size_t>(i)];
        c.visible = i < v;
        c.caption = !c.visible ? QString() : v == 2 ? (i == 0 ? QStringLiteral("上") : QStringLiteral("下"))
                                                    : QString::number(i + 1);
    }
    stno_ = 0;
    edno_ = v - 1;
    // Both key bounds sit on the last button, as the panel has always had them.
    lowKey_ = highKey_ = v - 1;
    lastSel_ = v - 1;
    resize(SnappedWidth(width()), height());
    PaintCells();
}

void TxKikanPanel4::SetKikan(int sime, const Date& yearStart, const Date& yearEnd, const Date& dataStart)
{
    sime_ = sime;
    const KikanLayout l = LayoutKikan4(btnCnt_, sime, yearStart, yearEnd, dataStart, kikanMove_);
    // The key bounds are the button count's, not the year's.
    const int lo = lowKey_, hi = highKey_;
    ApplyLayout(l);
    lowKey_ = lo;
    highKey_ = hi;
}

void TxKikanPanel4::AtEdge(bool)
{
    anchor_ = moving_ = lowKey_;
}

} // namespace kb
