#pragma once
// TLogonBox ("ログイン"): the operator's log-on to the family's system database. It asks for the
// connection mode (stand-alone or client of a database server), the operator code and the
// password, connects the system database (DM), lets the procedure LOGONUSERTEST check the operator
// and register the log-on in LOGONUSERLIST, and fills the operator fields of SystemDef. The box
// closes with Accepted exactly when the operator is logged on.
//
// Unlike the family's box, a failure after the procedure registered the log-on removes that
// record again before the box closes, so the next start is not refused as "already logged on".

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kb {

class TAppIniCreateBox;

// Deletes this computer's log-on record of the operator number opCode (GroupId x 10000 + code)
// from LOGONUSERLIST of the connected system database. False (nothing thrown) on failure.
bool DeleteLogonRecord(int opCode);

class TLogonBox : public QDialog {
    Q_OBJECT
public:
    explicit TLogonBox(QWidget* parent = nullptr);
    ~TLogonBox() override;

    void OKBtnClick();
    void btnSAClick();
    void btnServerSetteiClick();

    bool Initialized = false;  // creation finished; a box without it counts as a refusal
    bool GroupEntry = false;   // never set in this program
    TAppIniCreateBox* IniBox = nullptr;
    // Stores the mode used in the application INI after success (IniBox->WriteConnectMode);
    // replaceable so a test can make that step fail.
    std::function<void(int mode)> WriteConnectModeStep;

    // Runs once each time the box has been shown (the program's test mode fills it in).
    static std::function<void(TLogonBox&)>& ShownHook();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtOpCode = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLineEdit* txtGroupID = nullptr;
    QRadioButton* btnSA = nullptr;
    QRadioButton* btnCS = nullptr;
    QPushButton* btnServerSettei = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void ShowConnectError(const std::string& first, const std::string& detail, int code, bool unreachable, int mode);
    void FailAfterLogon(int registeredOpCode);
};

} // namespace kb
