#pragma once
// The application INI (SystemDef.IniFile, "<AppDataDir>/<AppNameText>.ini") and the dialog
// "データサーバーの設定" that writes and reads it. The file holds the connection settings the
// programs of the family share on one machine:
//   APPLICATION  TOP, LEFT, WIDTH, HEIGHT (other programs' window), CONNECT (0 stand-alone, 1 client)
//   LOCAL        HOSTNAME, GOGLOBAL, GROUP, SYSDIR, USER, PASSWORD of the stand-alone mode
//   SERVER       the same keys for the client/server mode
//   SBC          a third mode of the family, never touched here
// At start-up the main form uses the box without showing it to write the defaults; the logon box
// shows it in the client/server mode. Folders keep their letter case (POSIX paths are
// case-sensitive); the user is upper-cased and the password lower-cased as the family stores them.

#include <QDialog>

#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QGroupBox;

namespace kb {

// The section of a connection mode: 0 "LOCAL", 1 "SERVER", 2 "SBC".
const char* ConnectSectionName(int mode);

class TAppIniCreateBox : public QDialog {
    Q_OBJECT
public:
    explicit TAppIniCreateBox(QWidget* parent = nullptr);

    // mode 1: write the defaults (sections DATABASE and MAINFORM erased, APPLICATION, LOCAL, SERVER);
    // otherwise save the section of ConnectMode from SystemDef. Throws when the file cannot be
    // written (the start-up then fails); true otherwise.
    bool WriteIniFile(int mode);
    // APPLICATION CONNECT := n when n < 3.
    void WriteConnectMode(int n);
    // APPLICATION CONNECT as an integer; 0 when missing or not a number.
    int ReadConnectMode();
    // The section of mode into SystemDef (HostName, GoGlobal, SysDir, DbUser, DbPassword); clears
    // GroupMode. Returns 1.
    int ReadConnectSection(int mode);
    int LoadConnectSettings(int mode);

    // OK: checks the entries and saves the mode's section; stays open after an error box.
    void OKBtnClick();
    void btnCompShowClick();

    bool Initialized = false;
    bool OutsideLogon = false; // never set in this program
    int GamenMode = 1;         // the section the dialog shows (1 = SERVER)
    std::string ErrorText;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtHostName = nullptr;
    QPushButton* btnCompShow = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* cmbDrive = nullptr;
    QLineEdit* txtDataPath = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtUserName = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* txtPassWord = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

} // namespace kb
