#pragma once
// TMyNumberUi: what the individual-number steps of the backup and restore worker show: the
// management password prompt (the input dialog, masked) and the boxes (message box type 3 with
// Yes and No, type 2, type 0).

#include "accounting/z5ComMyNumber.h"

class QWidget;

namespace kb {

class TMyNumberUi : public IMyNumberUi {
public:
    explicit TMyNumberUi(QWidget* parent = nullptr) : parent_(parent) {}
    bool AskPassword(const TDataPasswordAsk& ask, std::string& entry) override;
    bool Confirm(const std::string& line) override;
    void Inform(const std::string& line) override;
    void Warn(const std::string& line) override;

private:
    QWidget* parent_;
};

} // namespace kb
