#include "ui/xKikanPanel16.h"

#include "platform/Date.h"

namespace kb {

TxKikanPanel16::TxKikanPanel16(QWidget* parent) : TxKikanPanelBase(16, parent)
{
    const int y = Date::Today().Year();
    SetKikan(99, Date(y, 1, 1), Date(y, 12, 31), Date(y, 1, 1));
}

void TxKikanPanel16::SetKikan(int sime, const Date& yearStart, const Date& yearEnd, const Date& dataStart)
{
    sime_ = sime;
    ApplyLayout(LayoutKikan16(sime, yearStart, yearEnd, dataStart, kessan_, kikanMove_));
}

void TxKikanPanel16::SetEdno(int v) { TxKikanPanelBase::SetEdno(std::min(v, lastNo_)); }

void TxKikanPanel16::SetKESSAN(bool v)
{
    if (v == kessan_) return;
    kessan_ = v;
    if (!v) {
        if (lastSel_ >= 0 && lastSel_ < 16) {
            cells_[static_cast<std::size_t>(lastSel_)].enabled = false;
            cells_[static_cast<std::size_t>(lastSel_)].caption.clear();
        }
        --lastSel_;
    } else {
        ++lastSel_;
        if (lastSel_ >= 0 && lastSel_ < 16) {
            cells_[static_cast<std::size_t>(lastSel_)].enabled = true;
            cells_[static_cast<std::size_t>(lastSel_)].caption = QStringLiteral("決");
        }
    }
    PaintCells();
}

} // namespace kb
