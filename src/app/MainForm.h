#pragma once
// TForm1 (unit main): the wizard main form, the program's only main window. This unit holds what
// happens around a linkage run: the form's creation (hooks, the caller's command line, AppInfo.ini,
// the export object, the installed product's version), the initialisation of the process-wide
// settings and the data module, the operator's log-on at the first show, the opening of registered
// forms by name, and the shutdown that logs the operator off and reports the outcome to a
// calling window. The wizard's pages, their decisions (WizardPages) and the run itself
// (WizardRun.cpp) are built beside it.
//
// Outcome posted to a caller: 0 the linkage file was written, 1 cancelled by the user, 2 failed or
// ended before a run (the value from creation on).

#include "linkage/ComDataExp.h"
#include "platform/CallerWindow.h"

#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace kb {

class TxWizard;
class TxAnimeProgressDialog;
class TRendoSharedData;

// The one command-line argument of a calling application: "<window>,<message>,<function>,<file>".
struct TCallerArgs {
    WindowHandle Window = 0;
    std::uint32_t Message = 0;
    std::int32_t Function = 0;
    std::string File;
};
// Splits the argument. The file is everything after the third comma (a path may hold commas).
// Empty when a number field is not a decimal number of its type.
std::optional<TCallerArgs> ParseCallerArgument(const std::string& argument);

// True when version a is accepted against the minimum b: each is split at "." into at most three
// numbers (a part that is not a number counts 0; four or more parts give 0.0.0), the key is the
// number written "%.2d%.2d%.2d", and a is accepted when its key is above 0 and not below b's.
bool CheckVersion(const std::string& a, const std::string& b);

// 0 when the frame height is below 5, else 2 x (frame height - 4).
int GetFrameAdjust(int frameHeight);

// The operator-settings steps of the first show, done by the data module's routines; kept as
// replaceable steps so the start-up can be driven without them.
struct TOperatorSteps {
    std::function<bool()> Logon;           // the log-on; unset: the log-on box (TForm1::Logon)
    std::function<bool()> GetSysDef;       // the operator's system settings; false on failure
    std::function<void()> LoadGengo;       // the era table of the system database
    std::function<void()> DeleteLogonInfo; // this computer's log-on record of the operator
};
TOperatorSteps DefaultOperatorSteps();

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Runs the creation (FormCreate) for the process arguments after the program path. The program
    // file's folder holds "AppInfo.ini" (KB_PROGRAM_DIR may name another folder). When the creation
    // refuses to go on it has shown its message and Refused() is true: the program must end.
    TForm1(const std::vector<std::string>& arguments, const std::filesystem::path& programPath);
    ~TForm1() override; // FormDestroy

    bool Refused() const { return refused_; }
    // The refusal was the command line's (the program then prints its usage).
    bool ArgumentRefused() const { return argumentRefused_; }
    // Prepares the process-wide settings and the data module; false after showing InitErrorText.
    bool InitApplication();
    void SetAppInfo();
    void InitEnvironment();   // throws after placing its failure text in InitErrorText
    bool AppIniCreate();
    bool Logon();
    void CloseData();
    void btnCancelClick();
    void WMClose();           // the window's close command: outcome 1, then close
    // The one way the user cancels the wizard: the Cancel button, Esc and the title bar's close
    // button ask "[キャンセル]ボタンが押されました。..." first (ask); Yes (or no question) sets
    // outcome 1 and closes the form. A termination request may call it without the question.
    void RequestCancel(bool ask = true);
    // Whether the form may close now. A close the window system asks for (the title bar's close
    // button) asks the Cancel question first and sets outcome 1 on Yes; the program's own closes
    // go on. CloseData follows an allowed close.
    bool FormCloseQuery(bool byWindowSystem);

    // ---- the pages and the run (WizardRun.cpp)
    void btnDataSentakuClick();
    bool DataSentaku(int syoriType, bool open);
    void Wizard1NextClicking(bool final, bool& allow);
    void Wizard1PageChanged();
    void BitBtn4aClick();
    bool CheckSelectedData();  // leaving page 2
    void MakeSummary();
    void Wizard1NextClick(bool final);
    int MakeRendoFile();       // 1 written, 4 failed
    // ---- shared and cloud-shared data around a run (RendoSharedData.cpp)
    int AcquireData();
    int ReleaseData();
    int SendSharedData();
    int DataTusinCheck(int direction);
    std::unique_ptr<TRendoSharedData> SharedData; // created with the pages
    // Answers the save dialog of page 4 (tests and the driver); unset: the file dialog.
    std::function<std::string(const std::string& preset)> SaveDialogHook;
    // Called when Finish is over, with the outcome, before the wizard closes.
    std::function<void(int outcome)> OnFinished;
    int Stno = 0, Edno = 15, LastNo = 15;

    // Called once the first page is ready after a successful log-on (the program's test mode
    // listens here).
    std::function<void()> OnReady;
    TOperatorSteps Steps;

    // ---- fields
    WindowHandle CallerWindow = 0;
    std::uint32_t CallerMessage = 0;
    std::int32_t CallerFunction = 0;
    std::string CallerFile;
    std::int32_t Outcome = 2;
    std::string SystemDrive;
    std::string DocumentsDir;
    bool LoggedOn = false;
    bool DataConnected = false;
    bool DataChosen = false;
    std::string LastDataDir;
    std::string InitErrorText;
    std::unique_ptr<TSyotokuzeiDataExport> ExportObject;
    std::string EbookDirName;     // [DArudu] DataDir of AppInfo.ini
    std::string AnalysisDirName;  // [Azimo] HomeDir of AppInfo.ini

    // ---- components
    TxWizard* Wizard = nullptr;
    QLabel* lblHeader = nullptr;
    QLabel* lblInfo = nullptr;
    QPushButton* btnBack = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnCancel = nullptr;
    QWidget* page1 = nullptr;
    QWidget* page2 = nullptr;
    QWidget* page3 = nullptr;
    QWidget* page4 = nullptr;
    QWidget* page5 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QLabel* lblPage2 = nullptr;
    QPushButton* btnDataSelect = nullptr;
    QGroupBox* grpTaisyou = nullptr;
    QCheckBox* chkDetails = nullptr;
    QLabel* lblPage4 = nullptr;
    QLineEdit* txtExportFile = nullptr;
    QTreeWidget* listDataInfo = nullptr;
    QLabel* Label3a = nullptr;
    QLabel* Label3b = nullptr;
    QGroupBox* GroupBox3b = nullptr;
    QRadioButton* RadioButton3a = nullptr;
    QRadioButton* RadioButton3b = nullptr;
    QGroupBox* GroupBox3c = nullptr;
    QRadioButton* RadioButton3c = nullptr;
    QRadioButton* RadioButton3d = nullptr;
    QPushButton* BitBtn4a = nullptr;
    QPlainTextEdit* Memo5a = nullptr;
    QPlainTextEdit* Memo5b = nullptr;
    TxAnimeProgressDialog* xAnimeProgressDialog1 = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    void FormCreate(const std::vector<std::string>& arguments);
    void BuildPages();
    void FirstShow();
    void Refuse(const std::string& text);
    bool ConfirmCancel();
    void RemovePage(QWidget* page);
    void BuildRunPages();
    void ShowProgress(const std::string& caption, const std::string& text);
    void CloseProgress();
    void DisconnectData(bool recordUseEnd);

    std::filesystem::path programPath_;
    bool refused_ = false;
    bool argumentRefused_ = false;
    bool cancelConfirmed_ = false;
    // Kenbo.ini's values as read, put back when a run fails (a failed run stores nothing there).
    std::string iniExportFile_;
    std::string iniKomonsaki_;
    bool shownOnce_ = false;
    bool closing_ = false;
};

// The hooks the form installs for the shared code.
int HostMenuStub(int code, const std::string& text);
// Opens a registered form by name with "Name=Value" lines separated by CR; -1 when nothing ran.
// Refused (-1, no box) only while another open is creating its form; the opened form may open
// another by name from its Execute.
int OpenRegisteredForm(const std::string& name, int mode, const std::string& params);
// Validates a data set's database (folder/DataFileName): 1 intact; 0 damaged, after the message
// (quiet 0) and the marks in the data list and the folder's information file.
int CheckDataDamage(const std::string& host, const std::string& folder, int quiet);

} // namespace kb
