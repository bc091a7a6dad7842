#pragma once
// TDataPasswordPrompt: the data password prompt of the data module, shown with the input dialog
// (masked entry with the box that shows it plainly). Install one with SetDataPasswordPrompt.

#include "core/DataModulePassword.h"

#include <functional>

class QWidget;

namespace kb {

class TInputDlgBox;

class TDataPasswordPrompt : public IDataPasswordPrompt {
public:
    explicit TDataPasswordPrompt(QWidget* parent = nullptr) : parent_(parent) {}
    bool Ask(const TDataPasswordAsk& ask, std::string& entry) override;

    // Fills a dialog with what one try shows (kept apart so tests can look at a prepared dialog).
    static void Prepare(TInputDlgBox& dlg, const TDataPasswordAsk& ask);

private:
    QWidget* parent_;
};

} // namespace kb
