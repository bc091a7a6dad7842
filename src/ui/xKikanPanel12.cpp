#include "ui/xKikanPanel12.h"

#include "platform/Date.h"

#include <algorithm>

namespace kb {

TxKikanPanel12::TxKikanPanel12(QWidget* parent) : TxKikanPanelBase(12, parent)
{
    const int y = Date::Today().Year();
    SetKikan(99, Date(y, 1, 1), Date(y, 12, 31), Date(y, 1, 1));
}

void TxKikanPanel12::SetKikan(int sime, const Date& yearStart, const Date& yearEnd, const Date& dataStart)
{
    sime_ = sime;
    ApplyLayout(LayoutKikan12(sime, yearStart, yearEnd, dataStart, kikanMove_));
}

void TxKikanPanel12::Store(int st, int ed)
{
    st = std::clamp(st, 0, lastSel_);
    ed = std::clamp(ed, 0, lastSel_);
    if (st > ed) std::swap(st, ed);
    if (st == stno_ && ed == edno_) return;
    stno_ = st;
    edno_ = ed;
    PaintCells();
}

void TxKikanPanel12::SetStno(int v) { Store(v, edno_); }
void TxKikanPanel12::SetEdno(int v) { Store(stno_, v); }

} // namespace kb
