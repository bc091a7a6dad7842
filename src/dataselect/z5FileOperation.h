#pragma once
// The location dialogs of saving and restoring data sets: TFileOperationBox chooses a folder (or a
// file) from the recently used folders ("history.ini"), with "参照" and "履歴削除";
// TFileOperationBoxEx1 is the restore variant with a second choice, the program's default
// location. The caller sets the public fields, calls InitDisplay and runs the dialog modally; the
// dialog is only hidden when it closes, so one object serves every use.

#include "ui/SDI.h"

#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kb {

class TFileOperationBox : public TBSDI {
    Q_OBJECT
public:
    explicit TFileOperationBox(QWidget* parent = nullptr);
    ~TFileOperationBox() override;

    // ---- fields (set by the caller before InitDisplay)
    std::uint8_t DisplayMode = 0;
    std::int32_t Kind = 0; // 0 open a file, 1 save a file, 2 folder (restore), 3 folder (save)
    std::uint8_t UseHistory = 0;
    std::string HistoryFile; // computed: HistoryFolder + "/" + HistoryFileName
    std::string HistoryFolder;
    std::string HistoryFileName;
    std::string HistorySection;
    std::string CaptionText; // the window caption
    std::string Message;
    std::uint32_t MessageColor = 0; // $00BBGGRR
    std::string LocationLabel;
    std::string DefaultFolder;
    std::string FileName;
    std::string LocationHint;
    std::string FileNameHint;
    std::string DefaultExt;
    std::string FilterName;
    std::vector<std::string> SectionLines;
    std::vector<std::string> History; // newest first
    std::string Result;               // out: the folder (kinds 2, 3) or folder + "/" + file

    // ---- components
    QComboBox* cmbFileSelect = nullptr;
    QLabel* lblFileSelect = nullptr;
    QLineEdit* txtFileName = nullptr;
    QLabel* lblFileName = nullptr;
    QLabel* lblMain = nullptr;
    QPushButton* btnSansyo = nullptr;
    QPushButton* btnHistDelete = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    virtual void InitDisplay(std::uint8_t displayMode);
    virtual void InitControls();
    virtual void SetHints();
    void LoadHistory();
    void SaveHistory();
    // Selects folder in the list, inserting it at the top when absent.
    void SelectInCombo(const std::string& folder);
    // The folder selected in the list ("" for none).
    std::string SelectedFolder() const;
    void btnSansyoClick();
    virtual void btnOKClick();
    void btnHistDeleteClick();

protected:
    bool FormCloseHide() override { return true; }
    void ShowingChanged() override;
    // The base OK handling: true when the location was accepted and the dialog closed.
    bool AcceptLocation();
};

class TFileOperationBoxEx1 : public TFileOperationBox {
    Q_OBJECT
public:
    explicit TFileOperationBoxEx1(QWidget* parent = nullptr);

    std::int32_t Choice = 1; // 1 the chosen location, 2 the program's default location
    QRadioButton* btnSelect1 = nullptr;
    QRadioButton* btnSelect2 = nullptr;

    void SetSelect1Caption(const std::string& text);
    void SetSelect2Caption(const std::string& text);
    void SetSelectKind(int kind);
    void btnSelect1Click();
    void InitDisplay(std::uint8_t displayMode) override;
    void InitControls() override;
    void SetHints() override;
    void btnOKClick() override;
};

} // namespace kb
