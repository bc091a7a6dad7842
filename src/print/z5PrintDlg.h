#pragma once
// TPrintDlgBox: the print-options dialog shown before a form is printed (black and white or colour,
// the form colours, the first page number, two-sided margins; print, preview or copy). It fills the
// caller's TDefaultPrintRec and keeps the choices per operator and form in STYLECOLOR.
//
// Callers: create it, InitDefaultPrintRec and StyleName on their record, set PrintRec, UseStyleColor,
// DlgCaption, Message, MessageColor and the Show fields, Setup(mode), exec(); with the OK result
// PrintResult says which button closed it. Descendants override Setup, ArrangeControls, LoadHints
// and OptionsIO; one that keeps options of its own appends its lines to OptionList after the base's
// OK handling and stores them in Options again.

#include "print/z5PrintRec.h"
#include "ui/SDI.h"

#include <QColor>
#include <QStringList>

#include <cstdint>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kb {

class TxEdit;

class TPrintDlgBox : public TBSDI {
    Q_OBJECT
public:
    explicit TPrintDlgBox(QWidget* parent = nullptr);
    ~TPrintDlgBox() override;

    QWidget* pnlClient = nullptr;
    QLabel* lblMain = nullptr;
    QLabel* lblColor = nullptr;
    QGroupBox* grpColor = nullptr;
    QRadioButton* btnMono = nullptr;
    QRadioButton* btnColor = nullptr;
    QPushButton* btnColorSelect = nullptr;
    QLabel* lblStartPage = nullptr;
    TxEdit* txtStartPage = nullptr;
    QCheckBox* chkBoth = nullptr;
    QWidget* pnlBottom = nullptr;
    QWidget* PanelHint = nullptr;
    QPlainTextEdit* HintArea = nullptr;
    QPushButton* btnPreview = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    std::uint8_t Mode = 0;
    bool UseStyleColor = false;
    TDefaultPrintRec* PrintRec = nullptr;   // must be set before Setup
    std::string DlgCaption;
    std::string Message;
    QColor MessageColor;
    bool ShowColor = false;
    bool ShowStartPage = false;
    bool ShowBothSides = false;
    bool ShowPreviewButton = false;
    bool ShowCopyButton = false;
    std::uint8_t PrintResult = 0;           // after OK: 1 print, 2 preview, 3 copy
    std::string StylePrefix = "020-";
    std::string StyleKey;
    QStringList OptionList;                 // Name=Value lines

    virtual void Setup(std::uint8_t mode);
    virtual void ArrangeControls();
    virtual void LoadHints();
    virtual void OptionsIO(const std::string& mode);

    void MakeStyleName(const std::string& name);
    void GetStyleColorRec();
    void PutStyleColorRec();

    // The value of name in OptionList ("" when missing).
    std::string OptionValue(const std::string& name) const;

protected:
    // OK, preview and copy: the choices into the record and PrintResult; the button then closes the
    // dialog with the OK result.
    virtual void btnOKClick(QPushButton* sender);
    void btnColorSelectClick();
    bool FormCloseHide() override;
    void showEvent(QShowEvent* e) override;
};

} // namespace kb
