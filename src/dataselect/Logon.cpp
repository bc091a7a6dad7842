#include "dataselect/Logon.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "dataselect/AppIniCreate.h"
#include "dataselect/registry/LogonCheck.h"
#include "fb/Statement.h"
#include "ui/z5MessageDlg2.h"
#include "ui/z5WinFunc.h"
#include "platform/Text.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <iostream>

namespace kb {
namespace {

const char* const kWrongCode = "コードまたはパスワードが違います。\r正しいコードまたはパスワードを入力して下さい。";
const char* const kServerHint = "[サーバー設定]ボタンを押して正しい情報を入力して下さい。";

std::string EndText()
{
    return "ログイン処理に失敗しました。\r" + SystemDef.AppTitle + "を終了します。";
}

int ToCode(const std::string& text)
{
    try {
        std::size_t used = 0;
        const long v = std::stol(text, &used);
        return used == text.size() && v >= 0 && v <= 999999999 ? static_cast<int>(v) : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

TMsgDlgButtons Ok() { return Btn(TMsgDlgBtn::mbOK); }

} // namespace

bool DeleteLogonRecord(int opCode)
{
    if (!DM || !DM->IBDatabaseDEF.Connected()) return false;
    try {
        fb::TransactionGuard guard(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL("DELETE FROM LOGONUSERLIST WHERE OPCODE=:OPCODE AND PCNAME=:PCNAME");
        q.ParamByName("OPCODE").SetInteger(opCode);
        q.ParamByName("PCNAME").SetString(SystemDef.PCName);
        q.ExecQuery();
        guard.Commit();
        return true;
    } catch (const std::exception& e) {
        std::cerr << "DeleteLogonRecord: " << e.what() << "\n";
        return false;
    }
}

std::function<void(TLogonBox&)>& TLogonBox::ShownHook()
{
    static std::function<void(TLogonBox&)> hook;
    return hook;
}

TLogonBox::TLogonBox(QWidget* parent)
    : QDialog(parent)
{
    Initialized = false;
    GroupEntry = false;
    try {
        setWindowTitle(QStringLiteral("ログイン"));
        setModal(true);

        auto* top = new QWidget(this);
        top->setAutoFillBackground(true);
        QPalette pal = top->palette();
        pal.setColor(QPalette::Window, Qt::white);
        top->setPalette(pal);
        Label1 = new QLabel(top);
        Label2 = new QLabel(top);
        Label3 = new QLabel(top);
        auto* topLay = new QVBoxLayout(top);
        topLay->addWidget(Label1);
        topLay->addWidget(Label2);
        topLay->addWidget(Label3);

        Label5 = new QLabel(QStringLiteral("コード:"), this);
        txtOpCode = new QLineEdit(this);
        txtOpCode->setToolTip(QStringLiteral("オペレータコードを入力します。"));
        txtOpCode->setAttribute(Qt::WA_InputMethodEnabled, false);
        txtOpCode->setMaxLength(9);
        txtOpCode->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtOpCode));
        Label6 = new QLabel(QStringLiteral("パスワード:"), this);
        txtPassword = new QLineEdit(this);
        txtPassword->setToolTip(QStringLiteral("パスワードを入力します。"));
        txtPassword->setAttribute(Qt::WA_InputMethodEnabled, false);
        txtPassword->setMaxLength(16);
        txtPassword->setEchoMode(QLineEdit::Password);
        Label4 = new QLabel(QStringLiteral("グループ:"), this);
        txtGroupID = new QLineEdit(this);

        btnSA = new QRadioButton(QStringLiteral("スタンドアロン"), this);
        btnSA->setToolTip(QStringLiteral("このコンピュータで管理しているデータを処理します。"));
        btnCS = new QRadioButton(QStringLiteral("クライアント(C/S)"), this);
        btnCS->setToolTip(QStringLiteral("ネットワークに接続して、サーバーで管理しているデータを処理します。"));
        btnServerSettei = new QPushButton(QStringLiteral("サーバー設定"), this);
        btnServerSettei->setToolTip(QStringLiteral("データサーバーの情報を設定します。"));
        OKBtn = new QPushButton(QStringLiteral("OK"), this);
        CancelBtn = new QPushButton(QStringLiteral("キャンセル"), this);

        auto* grid = new QGridLayout;
        grid->addWidget(Label4, 0, 0);
        grid->addWidget(txtGroupID, 0, 1);
        grid->addWidget(Label5, 1, 0);
        grid->addWidget(txtOpCode, 1, 1);
        grid->addWidget(Label6, 2, 0);
        grid->addWidget(txtPassword, 2, 1);
        auto* modes = new QHBoxLayout;
        modes->addWidget(btnSA);
        modes->addWidget(btnCS);
        modes->addWidget(btnServerSettei);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(OKBtn);
        buttons->addWidget(CancelBtn);
        auto* lay = new QVBoxLayout(this);
        lay->addWidget(top);
        lay->addLayout(grid);
        lay->addLayout(modes);
        lay->addLayout(buttons);

        Label1->setText(QString::fromStdString(SystemDef.AppTitle + " を利用するには"));
        Label2->setText(QStringLiteral("オペレータコードとパスワードを入力して下さい。"));
        Label3->clear();
        Label4->setVisible(false);
        txtGroupID->setVisible(false);

        connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
        connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
        connect(btnSA, &QRadioButton::clicked, this, [this] { btnSAClick(); });
        connect(btnCS, &QRadioButton::clicked, this, [this] { btnSAClick(); });
        connect(btnServerSettei, &QPushButton::clicked, this, [this] { btnServerSetteiClick(); });
        connect(txtOpCode, &QLineEdit::returnPressed, this, [this] { txtPassword->setFocus(); });
        connect(txtPassword, &QLineEdit::returnPressed, this, [this] { OKBtn->setFocus(); });

        IniBox = new TAppIniCreateBox(this);
        WriteConnectModeStep = [this](int mode) { IniBox->WriteConnectMode(mode); };
        if (IniBox->ReadConnectMode() != 0)
            btnCS->setChecked(true);
        else
            btnSA->setChecked(true);
        btnSAClick();
        Initialized = true;
    } catch (const std::exception& e) {
        std::cerr << "TLogonBox: " << e.what() << "\n";
    }
}

TLogonBox::~TLogonBox() = default;

void TLogonBox::btnSAClick()
{
    if (ConnectMode != 2) ConnectMode = btnCS->isChecked() ? 1 : 0;
    btnServerSettei->setEnabled(btnCS->isChecked());
}

void TLogonBox::btnServerSetteiClick()
{
    if (IniBox && IniBox->Initialized) IniBox->exec();
}

void TLogonBox::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    btnServerSettei->setEnabled(btnCS->isChecked());
    txtOpCode->setFocus();
    ForceForegroundWindow(this);
    QTimer::singleShot(0, this, [this] {
        if (auto& hook = ShownHook()) hook(*this);
    });
}

void TLogonBox::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F12) {
        if (OKBtn->isEnabled()) OKBtn->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TLogonBox::ShowConnectError(const std::string& first, const std::string& detail, int code, bool unreachable, int mode)
{
    TMessage2InfoRec rec;
    InitMessage2Info(2, rec);
    std::vector<std::string> lines;
    if (unreachable && mode == 0) {
        lines = {"ログイン処理に失敗しました。以下の理由が考えられます。", "１）データファイルが見つからない。",
                 "２）別のプロセスがデータファイルを使用中。"};
    } else if (unreachable) {
        lines = {"ログイン処理に失敗しました。以下の理由が考えられます。",
                 "１）サーバー上でFireBirdサービスが起動しているか確認して下さい。",
                 "２）ログイン画面の[サーバー設定]ボタンを押して正しい情報が設定されているか確認して下さい。",
                 "３）Windowsファイヤーウォール(市販のセキュリティソフト含む)が有効の場合は、このアプリケーションがサーバーと通信できる状態か確認して下さい。"};
    } else {
        lines = {first, "[例外内容]", detail};
    }
    // Where the box looked and where the details went, so the user (or whoever helps) can act on it.
    const std::string tried = DM ? DM->IBDatabaseDEF.DatabaseName() : std::string();
    if (!tried.empty()) {
        lines.push_back("");
        lines.push_back("財務システムデータベース: " + tried);
        if (code != 0) lines.push_back("エラーログ: " + IBErrorLogPath());
    }
    for (std::size_t i = 0; i < lines.size() && i < rec.Lines.size(); ++i) rec.Lines[i].Text = lines[i];
    MessageDlg2(rec);
}

void TLogonBox::FailAfterLogon(int registeredOpCode)
{
    // The procedure registered this log-on; the program ends now, so the record must not stay
    // behind and refuse the operator's next start from another computer.
    if (registeredOpCode != 0) DeleteLogonRecord(registeredOpCode);
    reject();
}

void TLogonBox::OKBtnClick()
{
    const int mode = btnCS->isChecked() ? 1 : 0;
    const TMsgDlgButtons ok = Ok();
    try {
        IniBox->ReadConnectSection(mode);
    } catch (const std::exception& e) {
        ShowErrorDetail("アプリケーションの設定ファイルを参照できませんでした。", e.what());
        return;
    }

    const int code = ToCode(txtOpCode->text().toStdString());
    if (code <= 9) {
        ShowMessage2(1, kWrongCode, ok);
        txtOpCode->setFocus();
        return;
    }
    if (mode == 1) {
        if (TrimBlanks(SystemDef.HostName).empty()) {
            ShowMessage2(1, std::string("データサーバーのコンピュータ名が設定されていません。\r") + kServerHint, ok);
            return;
        }
        if (TrimBlanks(SystemDef.SysDir).empty()) {
            ShowMessage2(1, std::string("データサーバー上のデータパスが設定されていません。\r") + kServerHint, ok);
            return;
        }
    }

    if (!DM) CreateDM();
    const std::string first = "財務システムデータベースの接続処理に失敗しました。";
    try {
        if (DM->IBDatabaseDEF.Connected()) DM->IBDatabaseDEF.Close();
        DM->fnAccDefConnected(SystemDef.HostName, false);
    } catch (const FbError& e) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "(IBXエラーコード:%d) ", e.IBErrorCode());
        const bool unreachable = e.IBErrorCode() == isc::io_error || e.IBErrorCode() == isc::network_error;
        LogIBError(e, "TDM.fnAccDefConnected", DM->IBDatabaseDEF.DatabaseName());
        ShowConnectError(first, buf + GetIscErrorText(e.IBErrorCode(), e.SQLCode()), e.IBErrorCode(), unreachable, mode);
    } catch (const std::exception& e) {
        ShowConnectError(first, e.what(), 0, false, mode);
    }
    if (!DM->IBDatabaseDEF.Connected()) return;

    int registered = 0;
    try {
        const TLogonCheck check = CheckLogon(code, txtPassword->text().toStdString(), mode);
        registered = check.Registered;
        switch (check.Outcome) {
        case TLogonOutcome::WrongCode:
            ShowMessage2(1, kWrongCode, ok);
            txtOpCode->setFocus();
            return;
        case TLogonOutcome::AlreadyLoggedOn:
            ShowMessage2(1, "指定したユーザーは既にシステムへログインしているため、ログインできませんでした。", ok);
            return;
        case TLogonOutcome::Refused:
            // A result the box does not know: refuse with a word rather than stay silent.
            ShowMessage2(1, "ログインできませんでした。\r(結果コード:" + std::to_string(check.ResultCode) + ")", ok);
            return;
        case TLogonOutcome::LoggedOn:
            break;
        }
        WriteConnectModeStep(mode);
        accept();
    } catch (const FbError& e) {
        ShowIBError(e, "TLogonBox.OKBtnClick", "");
        ShowMessage2(1, EndText(), ok);
        FailAfterLogon(registered);
    } catch (const std::exception& e) {
        ShowErrorDetail(EndText(), e.what());
        FailAfterLogon(registered);
    }
}

} // namespace kb
