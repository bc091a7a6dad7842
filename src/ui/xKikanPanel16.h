#pragma once
// TxKikanPanel16: the strip of the 16-period year (three months, a settlement period, ...,
// the year-end settlement "決"). The fiscal year comes from SetKikan.

#include "ui/xKikanPanelLib.h"

namespace kb {

class TxKikanPanel16 : public TxKikanPanelBase {
    Q_OBJECT
public:
    explicit TxKikanPanel16(QWidget* parent = nullptr);

    // Lays the strip out for a fiscal year: closing day (1..28, 99 month end), first and last day of
    // the year, first day of the data.
    void SetKikan(int sime, const Date& yearStart, const Date& yearEnd, const Date& dataStart);

    void SetEdno(int v) override; // capped at LastNo
    bool KESSAN() const { return kessan_; }
    void SetKESSAN(bool v);
    QColor DisabelColor() const { return disabledColor_; }
    void SetDisabelColor(QColor c) { disabledColor_ = c; PaintCells(); }
    int LastNo() const { return lastNo_; }
    // 0-based period numbers of Stno and Edno (15 = year-end settlement); the index itself outside the strip.
    int StMonthNo() const { return PeriodOf(stno_); }
    int EdMonthNo() const { return PeriodOf(edno_); }

protected:
    QColor DisabledRangeColor() const override { return disabledColor_; }
    bool EnterClearsKbdMouse() const override { return true; }

private:
    int PeriodOf(int i) const { return i >= 0 && i < 16 ? cells_[static_cast<std::size_t>(i)].periodNo : i; }
    bool kessan_ = true;
    QColor disabledColor_ = QColor(192, 192, 192);
};

} // namespace kb
