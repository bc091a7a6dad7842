#pragma once
// TMessageBox: a message dialog on the base form with a main text in its own colour (red by
// default), an optional read-only list of further lines, OK and Cancel, and for two kinds an agree
// box. Callers fill a TMessageInfoRec (after InitMessageBoxRec) and call ShowMessageBox.

#include "ui/SDI.h"
#include "ui/z5MessageDlg2.h"

#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;

namespace kb {

class TxCheckBox;
class TxPlButton;

// Form positions as callers pass them (the platform's numbering).
enum : std::uint8_t { poDesigned = 0, poDefault = 1, poScreenCenter = 4, poDesktopCenter = 5,
                      poMainFormCenter = 6, poOwnerFormCenter = 7 };

struct TMessageInfoRec {
    std::int32_t MsgType = 0;  // 1 OK only; 2 agree box gating OK; 3 agree box; other OK + Cancel
    std::uint8_t Position = poOwnerFormCenter;
    std::string Caption;
    std::string MainText;
    TColor MainColor = clRed;
    std::vector<std::string> Lines;
    std::string AgreeCaption;
};

void InitMessageBoxRec(TMessageInfoRec& rec);

// What ApplyInfo decides, as a computation: which buttons show with which caption and result,
// whether the agree box shows and whether OK starts enabled.
struct TMessageBoxButtons {
    bool OkVisible = true;
    std::string CancelCaption = "キャンセル";
    int CancelResult = mrCancel;
    bool AgreeVisible = false;
    bool OkEnabled = true;
};
TMessageBoxButtons MessageBoxButtons(std::int32_t msgType);

class TMessageBox : public TBSDI {
    Q_OBJECT
public:
    explicit TMessageBox(QWidget* parent = nullptr);

    void Setup();
    void SetLines(const std::vector<std::string>& lines);

    std::int32_t Kind = 0;
    std::string MsgCaption;
    std::string MainText;
    TColor MainColor = 0;
    std::string AgreeCaption = "同意する";
    bool AgreeTick = false;

    QLabel* lblMain = nullptr;
    QPlainTextEdit* MessageArea = nullptr;
    TxCheckBox* cboxAgree = nullptr;
    TxPlButton* btnOK = nullptr;
    TxPlButton* btnCancel = nullptr;

protected:
    void ShowingChanged() override;
    bool FormCloseHide() override { return true; }
    void resizeEvent(QResizeEvent* e) override;

private:
    void ApplyInfo();
    void cboxAgreeClick();

    std::vector<std::string> lines_;
    bool agreeShown_ = false;
    int designWidth_ = 0;
    int designHeight_ = 0;
    QWidget* pnlClient_ = nullptr;
    QWidget* pnlBottom_ = nullptr;
};

// Places a dialog by a form position value (owner centre falls back to the screen's).
void PlaceByPosition(QWidget* form, std::uint8_t position);

int ShowMessageBox(const TMessageInfoRec& rec);

} // namespace kb
