#pragma once
#include "ui/ImeMode.h"
// TInputDlgBox: a one-value input dialog on the base form. One of five inputs shows in the same
// place: a text line, a password line (with a box that unmasks it), a combo box, an amount, or a
// date range. The caller sets the public fields, calls Setup(1), runs it modally and reads
// InputText or Date1 and Date2 back on result 1.

#ifndef Q_MOC_RUN
#include "platform/Date.h"
#endif
#include "ui/SDI.h"
#include "ui/z5MessageDlg2.h"

#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;

namespace kb {

class TxEdit;
class TxCheckBox;
class TxComboBox;
class TPavonaEdit;
class TPavonaExDateEdit;
class TxPlButton;

// TImeMode: see ui/ImeMode.h

// Whether a typed character passes the text input's filter (10 number, 20 letters, 30 letters and
// digits, 40 file-name characters, other: everything). Enter always passes.
bool InputDlgKeyPasses(int filter, char32_t ch);

// The OK check of the text kinds as a computation: the message to show, nullopt when accepted.
std::optional<std::string> InputDlgTextRefusal(const std::string& text, bool required, const std::vector<std::string>& ngList,
                                const std::string& ngMessage);

class TInputDlgBox : public TBSDI {
    Q_OBJECT
public:
    explicit TInputDlgBox(QWidget* parent = nullptr);

    std::int32_t InputKind = 0;
    std::string InputCaption;
    std::string MainText;
    TColor MainColor = 0;
    std::string InputText;
    Date Date1, Date1Min, Date1Max;  // a null date is the empty value (0)
    Date Date2, Date2Min, Date2Max;
    std::string InputHint;
    std::int32_t InputMaxLength = 0;
    TImeMode InputImeMode = TImeMode::imDontCare;
    bool Required = false;
    std::int32_t CharFilter = 0;
    std::vector<std::string> ComboItems;
    std::vector<std::string> NgList;
    std::string NgMessage;

    void Setup(int flag = 1);
    void SetCharFilter(int filter);
    void btnOKClick();

    QLabel* lblMain = nullptr;
    QWidget* pnlText = nullptr;
    QWidget* pnlCombo = nullptr;
    QWidget* pnlKingaku = nullptr;
    QWidget* pnlDate = nullptr;
    TxEdit* txtInput = nullptr;
    TxCheckBox* btnFuseji = nullptr;
    TxComboBox* cmbInput = nullptr;
    TPavonaEdit* txtKingaku = nullptr;
    TPavonaExDateEdit* txtHizuke1 = nullptr;
    TPavonaExDateEdit* txtHizuke2 = nullptr;
    QPlainTextEdit* HintArea = nullptr;
    TxPlButton* btnOK = nullptr;
    TxPlButton* btnCancel = nullptr;

protected:
    void ShowingChanged() override;
    bool FormCloseHide() override { return true; }
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void btnFusejiClick();
    void ShowPanel(QWidget* panel);
    int EffectiveKind() const;
};

} // namespace kb
