#include "dataselect/AppIniCreate.h"

#include "core/uAccRecord.h"
#include "platform/IniFile.h"
#include "ui/z5MessageDlg2.h"
#include "platform/Text.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kb {
namespace {

const char* YesNo(bool b) { return b ? "YES" : "NO"; }

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The place of the server's data: on POSIX there are no drive letters, only the root.
const char* const kRoots[] = {"/"};

} // namespace

const char* ConnectSectionName(int mode)
{
    switch (mode) {
    case 0: return "LOCAL";
    case 1: return "SERVER";
    default: return "SBC";
    }
}

TAppIniCreateBox::TAppIniCreateBox(QWidget* parent)
    : QDialog(parent)
{
    Initialized = false;
    GamenMode = 1;
    setWindowTitle(QStringLiteral("データサーバーの設定"));
    setModal(true);

    auto* top = new QWidget(this);
    top->setAutoFillBackground(true);
    QPalette pal = top->palette();
    pal.setColor(QPalette::Window, Qt::white);
    top->setPalette(pal);
    Label1 = new QLabel(top);
    auto* topLay = new QVBoxLayout(top);
    topLay->addWidget(Label1);
    Label2 = new QLabel(this);

    GroupBox1 = new QGroupBox(QStringLiteral("データサーバー"), this);
    Label3 = new QLabel(QStringLiteral("コンピュータ名:"), GroupBox1);
    txtHostName = new QLineEdit(GroupBox1);
    txtHostName->setToolTip(QStringLiteral("接続先のコンピューター名またはIPアドレスを入力して下さい。"));
    txtHostName->setAttribute(Qt::WA_InputMethodEnabled, false);
    btnCompShow = new QPushButton(QStringLiteral("参照"), GroupBox1);
    btnCompShow->setToolTip(QStringLiteral("ネットワークに接続されているコンピュータを表示します。"));
    Label5 = new QLabel(QStringLiteral("データの場所:"), GroupBox1);
    cmbDrive = new QComboBox(GroupBox1);
    for (const char* r : kRoots) cmbDrive->addItem(QString::fromLatin1(r));
    cmbDrive->setToolTip(QStringLiteral("データを置いてあるドライブを選択して下さい。"));
    txtDataPath = new QLineEdit(GroupBox1);
    txtDataPath->setReadOnly(true);
    Label6 = new QLabel(QStringLiteral("データベースのユーザー:"), GroupBox1);
    txtUserName = new QLineEdit(GroupBox1);
    Label7 = new QLabel(QStringLiteral("データベースのパスワード:"), GroupBox1);
    txtPassWord = new QLineEdit(GroupBox1);
    txtPassWord->setEchoMode(QLineEdit::Password);

    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(Label3, 0, 0);
    grid->addWidget(txtHostName, 0, 1);
    grid->addWidget(btnCompShow, 0, 2);
    grid->addWidget(Label5, 1, 0);
    grid->addWidget(cmbDrive, 1, 1);
    grid->addWidget(txtDataPath, 2, 1, 1, 2);
    grid->addWidget(Label6, 3, 0);
    grid->addWidget(txtUserName, 3, 1);
    grid->addWidget(Label7, 4, 0);
    grid->addWidget(txtPassWord, 4, 1);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(top);
    lay->addWidget(Label2);
    lay->addWidget(GroupBox1);
    lay->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnCompShow, &QPushButton::clicked, this, [this] { btnCompShowClick(); });

    Label1->setText(QStringLiteral("データサーバーを利用するための設定を行います。"));
    Label2->setText(QStringLiteral("データサーバーの情報を入力して下さい。"));
    txtDataPath->setEnabled(false);
    txtUserName->setEnabled(false);
    txtPassWord->setEnabled(false);
    Label6->setVisible(false);
    txtUserName->setVisible(false);
    Label7->setVisible(false);
    txtPassWord->setVisible(false);
    txtDataPath->setText(Q(ServerDirName));
    txtUserName->setText(Q(SystemDef.DbUser));
    txtPassWord->setText(Q(SystemDef.DbPassword));
    Initialized = true;
}

bool TAppIniCreateBox::WriteIniFile(int mode)
{
    const IniFile file(SystemDef.IniFile);
    IniFile::Batch ini(file);  // one save: never a file with half the settings

    if (mode == 1) {
        if (ConnectMode == 0) SystemDef.HostName.clear();
        ini.EraseSection("DATABASE");
        ini.EraseSection("MAINFORM");
        ini.WriteString("APPLICATION", "TOP", "0");
        ini.WriteString("APPLICATION", "LEFT", "0");
        ini.WriteString("APPLICATION", "WIDTH", "1024");
        ini.WriteString("APPLICATION", "HEIGHT", "738");
        ini.WriteString("APPLICATION", "CONNECT", "0");
        ini.WriteString("LOCAL", "HOSTNAME", SystemDef.HostName);
        ini.WriteString("LOCAL", "GOGLOBAL", YesNo(SystemDef.GoGlobal));
        ini.WriteString("LOCAL", "GROUP", YesNo(SystemDef.GroupMode));
        ini.WriteString("LOCAL", "SYSDIR", SystemDef.SysDir);
        ini.WriteString("LOCAL", "USER", SystemDef.DbUser);
        ini.WriteString("LOCAL", "PASSWORD", SystemDef.DbPassword);
        ini.WriteString("SERVER", "HOSTNAME", "");
        ini.WriteString("SERVER", "GOGLOBAL", "NO");
        ini.WriteString("SERVER", "GROUP", "NO");
        ini.WriteString("SERVER", "SYSDIR", "");
        ini.WriteString("SERVER", "USER", SystemDef.DbUser);
        ini.WriteString("SERVER", "PASSWORD", SystemDef.DbPassword);
        ini.Commit();
        return true;
    }
    const char* section = ConnectSectionName(ConnectMode);
    ini.WriteString(section, "HOSTNAME", SystemDef.HostName);
    ini.WriteString(section, "GOGLOBAL", YesNo(SystemDef.GoGlobal));
    ini.WriteString(section, "GROUP", YesNo(SystemDef.GroupMode));
    ini.WriteString(section, "SYSDIR", SystemDef.SysDir);
    ini.WriteString(section, "USER", SystemDef.DbUser);
    ini.WriteString(section, "PASSWORD", SystemDef.DbPassword);
    ini.Commit();
    return true;
}

void TAppIniCreateBox::WriteConnectMode(int n)
{
    if (n < 3) IniFile(SystemDef.IniFile).WriteString("APPLICATION", "CONNECT", std::to_string(n));
}

int TAppIniCreateBox::ReadConnectMode()
{
    const std::string v = TrimBlanks(IniFile(SystemDef.IniFile).ReadString("APPLICATION", "CONNECT", "0"));
    try {
        std::size_t used = 0;
        const int n = std::stoi(v, &used);
        return used == v.size() ? n : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

int TAppIniCreateBox::ReadConnectSection(int mode)
{
    const IniFile ini(SystemDef.IniFile);
    const char* section = ConnectSectionName(mode);
    SystemDef.HostName = ini.ReadString(section, "HOSTNAME", "");
    SystemDef.GoGlobal = ini.ReadString(section, "GOGLOBAL", "NO") == "YES";
    SystemDef.SysDir = ini.ReadString(section, "SYSDIR", "");
    SystemDef.DbUser = AsciiUpper(ini.ReadString(section, "USER", "PAVONA"));
    SystemDef.DbPassword = AsciiLower(ini.ReadString(section, "PASSWORD", "mirlot"));
    SystemDef.GroupMode = false;
    return 1;
}

int TAppIniCreateBox::LoadConnectSettings(int mode)
{
    // The family upper-cases the folder here; POSIX folders are case-sensitive, so it stays as read.
    return ReadConnectSection(mode);
}

void TAppIniCreateBox::showEvent(QShowEvent* e)
{
    ReadConnectSection(GamenMode);
    txtHostName->setText(Q(SystemDef.HostName));
    int index = 0;
    for (int i = 0; i < cmbDrive->count(); ++i)
        if (SystemDef.SysDir.rfind(cmbDrive->itemText(i).toStdString(), 0) == 0) index = i;
    cmbDrive->setCurrentIndex(index);
    txtUserName->setText(Q(SystemDef.DbUser));
    txtPassWord->setText(Q(SystemDef.DbPassword));
    QDialog::showEvent(e);
    txtHostName->setFocus();
}

void TAppIniCreateBox::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F12) {
        if (btnOK->isEnabled()) btnOK->click();
        return;
    }
    if (e->key() == Qt::Key_F1) return;
    QDialog::keyPressEvent(e);
}

void TAppIniCreateBox::btnCompShowClick()
{
    // No network browser here: the name is typed.
    bool ok = false;
    const QString name = QInputDialog::getText(
        this, windowTitle(),
        QStringLiteral("サーバーのコンピュータを選択して下さい。サーバーのコンピュータがリストに無い場合は、[ｷｬﾝｾﾙ]を押してコンピュータ名を入力して下さい。"),
        QLineEdit::Normal, txtHostName->text(), &ok);
    if (ok && !name.trimmed().isEmpty()) txtHostName->setText(name.trimmed());
}

void TAppIniCreateBox::OKBtnClick()
{
    const std::string host = txtHostName->text().toStdString();
    std::string root = cmbDrive->currentText().toStdString();
    std::string path = txtDataPath->text().toStdString();
    if (!root.empty() && root.back() == '/' && !path.empty() && path.front() == '/') path.erase(0, 1);
    SystemDef.HostName = AsciiLower(host);
    SystemDef.SysDir = root + path;
    SystemDef.DbUser = AsciiUpper(txtUserName->text().toStdString());
    SystemDef.DbPassword = AsciiLower(txtPassWord->text().toStdString());
    SystemDef.GoGlobal = false;
    SystemDef.GroupMode = false;
    const TMsgDlgButtons yes = Btn(TMsgDlgBtn::mbYes);
    if (TrimBlanks(host).empty()) {
        ShowMessage2(1, "コンピュータ名が指定されていません。\r入力してください。", yes);
        txtHostName->setFocus();
        return;
    }
    if (TrimBlanks(SystemDef.DbUser).empty()) {
        ShowMessage2(1, "データベースのユーザーが指定されていません。\r入力してください。", yes);
        return;
    }
    if (TrimBlanks(SystemDef.DbPassword).empty()) {
        ShowMessage2(1, "データベースのパスワードが指定されていません。\r入力してください。", yes);
        return;
    }
    WriteIniFile(0);
    accept();
}

} // namespace kb
