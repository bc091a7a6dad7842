#pragma once
// TxKikanPanel12: the strip of the twelve months of a fiscal year.

#include "ui/xKikanPanelLib.h"

namespace kb {

class TxKikanPanel12 : public TxKikanPanelBase {
    Q_OBJECT
public:
    explicit TxKikanPanel12(QWidget* parent = nullptr);

    void SetKikan(int sime, const Date& yearStart, const Date& yearEnd, const Date& dataStart);
    // Both ends are kept within the selectable months and in order.
    void SetStno(int v) override;
    void SetEdno(int v) override;
    int LastNo() const { return lastNo_; }
    int StMonNo() const { return PeriodOf(stno_); }
    int EdMonNo() const { return PeriodOf(edno_); }

protected:
    bool HasKakutei() const override { return true; }

private:
    void Store(int st, int ed);
    int PeriodOf(int i) const { return i >= 0 && i < 12 ? cells_[static_cast<std::size_t>(i)].periodNo : i; }
};

} // namespace kb
