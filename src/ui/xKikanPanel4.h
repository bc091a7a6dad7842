#pragma once
// TxKikanPanel4: quarters ("1" to "4") or half-years ("上", "下") of a fiscal year.

#include "ui/xKikanPanelLib.h"

namespace kb {

class TxKikanPanel4 : public TxKikanPanelBase {
    Q_OBJECT
public:
    explicit TxKikanPanel4(QWidget* parent = nullptr);

    void SetKikan(int sime, const Date& yearStart, const Date& yearEnd, const Date& dataStart);
    int BtnCnt() const { return btnCnt_; }
    void SetBtnCnt(int v); // 2 or 4; anything else is ignored

protected:
    bool HasKakutei() const override { return false; }
    int LayoutCount() const override { return btnCnt_; }
    int LowKey() const override { return lowKey_; }
    int HighKey() const override { return highKey_; }
    void AtEdge(bool right) override;

private:
    int btnCnt_ = 4;
    int lowKey_ = 3, highKey_ = 3;
};

} // namespace kb
