#include "app/MainForm.h"
#include "app/RendoSharedData.h"

#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/DataModuleSysDef.h"
#include "core/ErrorReporter.h"
#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "core/z5ComFunc.h"
#include "core/z5ComFunc2.h"
#include "dataselect/AppIniCreate.h"
#include "dataselect/Logon.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "platform/TempFiles.h"
#include "ui/xWizard.h"
#include "ui/z5MessageDlg2.h"

#include "core/FormRegistry.h"
#include "platform/Text.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>

namespace kb {
namespace fs = std::filesystem;

namespace {

const char* const kDisplayName = "Kenbo連動コンポーネント";

std::string WithoutTrailingSlash(std::string s)
{
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

// "%s" of a message filled with the display name, without handing the text to a printf.
std::string WithName(std::string text)
{
    if (const auto p = text.find("%s"); p != std::string::npos) text.replace(p, 2, SystemDef.AppTitle);
    return text;
}

// A format read from AppInfo.ini with one "%d": the first "%d" replaced, nothing else interpreted.
std::string FormatKind(std::string format, int kind)
{
    if (const auto p = format.find("%d"); p != std::string::npos) format.replace(p, 2, std::to_string(kind));
    return format;
}

template <class T>
bool ParseNumber(const std::string& text, T& out)
{
    const char* b = text.data();
    const char* e = b + text.size();
    const auto r = std::from_chars(b, e, out);
    return r.ec == std::errc() && r.ptr == e && !text.empty();
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Where the installed product's key is looked for: the key and the store's file of that hive.
std::string ProductRegistryKeyText()
{
    std::string key = AppInfo.ApplicationRegKey;
    if (key.empty() || key.front() != '\\') key.insert(0, "\\");
    return "HKEY_LOCAL_MACHINE" + key + "\\" + AppInfo.ZaimuRegKey + "15, " +
           (Registry::DefaultRoot() / "HKEY_LOCAL_MACHINE.reg").string();
}

bool g_opening = false; // re-entry guard of OpenRegisteredForm

} // namespace

// ---------------------------------------------------------------- free functions

std::optional<TCallerArgs> ParseCallerArgument(const std::string& argument)
{
    std::string fields[3];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        if (start > argument.size()) break; // fewer fields: the rest are empty
        const std::size_t comma = argument.find(',', start);
        if (comma == std::string::npos) {
            fields[i] = argument.substr(start);
            start = argument.size() + 1;
            continue;
        }
        fields[i] = argument.substr(start, comma - start);
        start = comma + 1;
    }
    TCallerArgs a;
    if (!ParseNumber(Trim(fields[0]), a.Window)) return std::nullopt;
    if (!ParseNumber(Trim(fields[1]), a.Message)) return std::nullopt;
    if (!ParseNumber(Trim(fields[2]), a.Function)) return std::nullopt;
    a.File = start <= argument.size() ? argument.substr(start) : std::string();
    return a;
}

bool CheckVersion(const std::string& a, const std::string& b)
{
    auto key = [](const std::string& text) -> long long {
        std::vector<std::string> parts;
        std::size_t start = 0;
        while (true) {
            const std::size_t dot = text.find('.', start);
            parts.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
            if (dot == std::string::npos) break;
            start = dot + 1;
        }
        int n[3] = {0, 0, 0};
        if (parts.size() <= 3) {
            for (std::size_t i = 0; i < parts.size(); ++i) {
                int v = 0;
                n[i] = ParseNumber(Trim(parts[i]), v) ? v : 0;
            }
        }
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.2d%.2d%.2d", n[0], n[1], n[2]);
        long long k = 0;
        ParseNumber(std::string(buf), k);
        return k;
    };
    const long long ka = key(a);
    return ka > 0 && ka >= key(b);
}

int GetFrameAdjust(int frameHeight) { return frameHeight < 5 ? 0 : 2 * (frameHeight - 4); }

int HostMenuStub(int, const std::string&) { return 0; }

int OpenRegisteredForm(const std::string& name, int mode, const std::string& params)
{
    if (name.empty() || g_opening) return -1;
    // The guard and the hourglass cover the creation only: the opened form may open another by
    // name from its Execute (the nested data selection, new data's wizard).
    std::unique_ptr<TFormInstance> form;
    {
        g_opening = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Restore {
            ~Restore()
            {
                QApplication::restoreOverrideCursor();
                g_opening = false;
            }
        } restore;
        form = CreateRegisteredForm(name);
    }
    if (ISyoriKidou* syori = form ? SupportsSyoriKidou(form.get()) : nullptr) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        while (start <= params.size()) {
            const std::size_t cr = params.find('\r', start);
            std::string line = params.substr(start, cr == std::string::npos ? std::string::npos : cr - start);
            if (!line.empty() && line.front() == '\n') line.erase(0, 1);
            if (!line.empty() || cr != std::string::npos) lines.push_back(line);
            if (cr == std::string::npos) break;
            start = cr + 1;
        }
        lines.push_back("FormStyle=" + std::to_string(mode == 1 ? 2 : 0));
        syori->SetParams(lines);
        const int result = syori->Execute(mode == 1 ? 1 : 0);
        // A modeless form lives on until the application ends.
        if (mode != 1) {
            static std::vector<std::unique_ptr<TFormInstance>> modeless;
            modeless.push_back(std::move(form));
        }
        return result;
    }
    ShowMessage2(1, "処理を起動するためのインターフェースが実装されていません。\rライブラリのロードに失敗した可能性があります。",
                 Btn(TMsgDlgBtn::mbOK));
    return -1;
}

namespace {

// The validation service on a database: true when it reports nothing (intact). Leaves the data
// connection as it found it. A missing or unreadable file counts as intact here (that is no sign
// of damage, and the connection has reported it already); any other failure as damaged.
bool ValidateDataDatabase(const std::string& host, const std::string& dbPath)
{
    const bool wasConnected = DM && DM->IBDatabaseDAT.Connected();
    try {
        if (wasConnected) DM->IBDatabaseDAT.Close();
        auto service = TDM::CreateService(host);
        service->Attach();
        bool intact = true;
        service->Validate(dbPath, fb::Service::ValidateOptions{}, [&](const std::string& line) {
            if (Trim(line).empty()) return true;
            intact = false;
            return false; // the first reported problem decides
        });
        service->Detach();
        if (wasConnected) DM->IBDatabaseDAT.Open();
        return intact;
    } catch (const FbError& e) {
        return e.IBErrorCode() == 335544325 || e.IBErrorCode() == isc::io_error;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

int CheckDataDamage(const std::string& host, const std::string& folder, int quiet)
{
    SystemDef.DataCheckFailed = 0;
    const std::string dbPath = WithoutTrailingSlash(folder) + "/" + DataFileName;
    const bool remote = !host.empty() && host != "127.0.0.1";
    if (ValidateDataDatabase(remote ? host : std::string(), dbPath)) return 1;

    SystemDef.DataCheckFailed = 1;
    if (quiet == 0)
        ShowMessage2(1,
                     "データ検証の結果、このデータは破損している恐れがあります。\rデータのバックアップを行っている場合は、"
                     "適正な方法で破損前の状態へ戻して下さい。\rご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。",
                     Btn(TMsgDlgBtn::mbOK));
    // Mark the data set damaged in the list and in its folder; a failure here changes nothing more.
    try {
        if (DM && DM->IBDatabaseDEF.Connected()) {
            int rec = 0, rowno = 0;
            GetDataListRec(*DM, folder, rec, rowno);
            if (rec > 0) {
                fb::TransactionGuard guard(DM->IBTransactionDEF);
                fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
                if (rowno > 0) {
                    q.SetSQL("UPDATE CHILD_DATALIST SET DATA_STATUS=1 WHERE REC=:REC AND ROWNO=:ROWNO");
                    q.ParamByName("ROWNO").SetInteger(rowno);
                } else {
                    q.SetSQL("UPDATE DATALIST SET DATA_STATUS=1 WHERE REC=:REC");
                }
                q.ParamByName("REC").SetInteger(rec);
                q.ExecQuery();
                guard.Commit();
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "CheckDataDamage: " << e.what() << "\n";
    }
    try {
        // The folder's information file is kept in stand-alone mode only.
        if (ConnectMode == 0) {
            IniFile info(fs::path(folder) / DataIniFileName);
            info.WriteString("DATASTS", "STATUS", "10");
            info.WriteString("DATASTS", "OPCODE", std::to_string(SystemDef.OpCode));
            info.WriteString("DATASTS", "OPERATOR", SystemDef.OpName);
        }
    } catch (const std::exception& e) {
        std::cerr << "CheckDataDamage: " << e.what() << "\n";
    }
    return 0;
}

// ---------------------------------------------------------------- operator steps

TOperatorSteps DefaultOperatorSteps()
{
    TOperatorSteps s;
    s.GetSysDef = [] { return DM && fnGetSysDef(*DM); };
    s.LoadGengo = [] {
        if (DM) LoadGengo(*DM);
    };
    s.DeleteLogonInfo = [] {
        if (DM) DeleteLogonInfo(*DM);
    };
    return s;
}

// ---------------------------------------------------------------- TForm1

TForm1::TForm1(const std::vector<std::string>& arguments, const fs::path& programPath)
    : QWidget(nullptr)
    , Steps(DefaultOperatorSteps())
    , programPath_(programPath)
{
    BuildPages();
    try {
        FormCreate(arguments);
    } catch (const std::exception& e) {
        // Nothing the creation reads may leave a half-made form running; a caller already read is
        // still answered by the destruction.
        std::cerr << "TForm1.FormCreate: " << e.what() << "\n";
        Refuse(std::string("アプリケーションの起動に失敗しました。\r") + e.what() + "\rアプリケーションを強制終了します。");
    }
}

void TForm1::BuildPages()
{
    resize(640, 460);
    lblHeader = new QLabel(this);
    QFont hf = lblHeader->font();
    hf.setBold(true);
    lblHeader->setFont(hf);
    lblInfo = new QLabel(this);
    Wizard = new TxWizard(this);
    btnBack = new QPushButton(this);
    btnNext = new QPushButton(this);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);

    page1 = new QWidget;
    page1->setObjectName(QStringLiteral("page1"));
    Memo1 = new QPlainTextEdit(page1);
    Memo2 = new QPlainTextEdit(page1);
    for (QPlainTextEdit* m : {Memo1, Memo2}) {
        m->setReadOnly(true);
        m->setFrameShape(QFrame::NoFrame);
        QPalette pal = m->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window));
        m->setPalette(pal);
    }
    auto* l1 = new QVBoxLayout(page1);
    l1->addWidget(Memo1);
    l1->addWidget(Memo2);

    // Pages 2 to 5 and the run: WizardRun.cpp.
    BuildRunPages();

    Wizard->SetHeaderCaption({QStringLiteral("連動データの作成"), QStringLiteral("対象データの指定"),
                              QStringLiteral("連動内容の指定"), QStringLiteral("中間ファイルの指定"),
                              QStringLiteral("作成内容の確認")});
    Wizard->SetBackButton(btnBack);
    Wizard->SetNextButton(btnNext);
    for (QWidget* p : {page1, page2, page3, page4, page5}) Wizard->addWidget(p);
    // Set after the pages and captions, so the first page's caption shows at once.
    Wizard->SetLblHeader(lblHeader);
    Wizard->SetLblInfo(lblInfo);
    Wizard->OnNextClicking = [this](QObject*, bool final, bool& allow) { Wizard1NextClicking(final, allow); };
    Wizard->OnNextClick = [this](QObject*, bool final) { Wizard1NextClick(final); };
    connect(Wizard, &QStackedWidget::currentChanged, this, [this] { Wizard1PageChanged(); });
    connect(btnDataSelect, &QPushButton::clicked, this, [this] { btnDataSentakuClick(); });
    connect(BitBtn4a, &QPushButton::clicked, this, [this] { BitBtn4aClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnBack);
    buttons->addWidget(btnNext);
    buttons->addWidget(btnCancel);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(lblHeader);
    lay->addWidget(lblInfo);
    lay->addWidget(Wizard, 1);
    lay->addLayout(buttons);
}

void TForm1::RemovePage(QWidget* page)
{
    if (!page || Wizard->indexOf(page) < 0) return;
    Wizard->removeWidget(page);
    page->deleteLater();
}

void TForm1::Refuse(const std::string& text)
{
    ShowMessage2(1, text, Btn(TMsgDlgBtn::mbOK));
    refused_ = true;
}

void TForm1::FormCreate(const std::vector<std::string>& arguments)
{
    // 1. hooks for the shared code
    HostMenuHook = HostMenuStub;
    OpenRegisteredFormHook = OpenRegisteredForm;
    DataDamageCheckHook = CheckDataDamage;

    // 2.
    SystemDrive = ShellFolders::SystemDir().root_path().string();
    Outcome = 2;
    Wizard->setCurrentWidget(page1);

    // 3. command line
    if (arguments.size() > 1) {
        argumentRefused_ = true;
        Refuse("不正な引数が渡されました。\r\rアプリケーションを強制終了します。");
        return;
    }
    if (arguments.size() == 1) {
        const auto args = ParseCallerArgument(arguments[0]);
        if (!args) {
            // A field that is not a number: nothing was read, so there is no caller to answer.
            argumentRefused_ = true;
            Refuse("不正な引数が渡されました。\r\rアプリケーションを強制終了します。");
            return;
        }
        CallerWindow = args->Window;
        CallerMessage = args->Message;
        CallerFunction = args->Function;
        CallerFile = args->File;
        kb::CallerWindow(CallerWindow).Enable(false);
        RemovePage(page4);
        page4 = nullptr;
        // The captions follow the pages that are left.
        Wizard->SetHeaderCaption({QStringLiteral("連動データの作成"), QStringLiteral("対象データの指定"),
                                  QStringLiteral("連動内容の指定"), QStringLiteral("作成内容の確認")});
    }

    // 4. AppInfo.ini
    const int r = LoadAppInfo(programPath_, AppInfo);
    if (r == 0) {
        Refuse("アプリケーションの設定ファイル(AppInfo.ini)が見つかりませんでした。\rアプリケーションを強制終了します。");
        return;
    }
    if (r == -1) {
        Refuse("アプリケーションの設定ファイル(AppInfo.ini)の値を参照できませんでした。\rアプリケーションを強制終了します。");
        return;
    }
    if (r < -1) {
        Refuse("アプリケーションの設定ファイル(AppInfo.ini)を参照できませんでした。\rアプリケーションを強制終了します。");
        return;
    }
    // 5.
    if (AppInfo.OEM == "Vellmark") OemFlag = 1;
    SystemDef.SerialText = AppInfo.Serial;
    // 6.
    SetAppInfo();
    // 7.
    ExportObject = std::make_unique<TSyotokuzeiDataExport>(CallerFunction, CallerFile, programPath_);
    // 8. No version at all: the product's registry entry is missing, it is not installed.
    if (ExportObject->ProgramVer.empty()) {
        Refuse("「" + AppInfo.ZaimuAppTitle + "」がインストールされていません。\r" + "「" + AppInfo.ZaimuAppTitle +
               "」のバージョン:" + ExportObject->RequiredVersion + "以降をインストールしてから起動してください。" + "\r" +
               "(登録情報: " + ProductRegistryKeyText() + ")" + "\r" + "\r" + "アプリケーションを強制終了します。");
        return;
    }
    if (!CheckVersion(ExportObject->ProgramVer, ExportObject->RequiredVersion)) {
        Refuse("このアプリケーションはインストールされている「" + AppInfo.ZaimuAppTitle + "」のバージョンに対応していません。" +
               "\r" + "バージョン:" + ExportObject->RequiredVersion + "以降をインストールしてください。" + "\r" + "\r" +
               "アプリケーションを強制終了します。");
        return;
    }
    // 9.
    DocumentsDir = ShellFolders::DocumentsDir().string();
    LastDataDir.clear();
    DataChosen = false;
    // 10.
    setWindowTitle(Q(ExportObject->Title));
    // 11.
    const std::string& p = ExportObject->ProgramName;
    const std::string& t = ExportObject->TargetName;
    if (CallerWindow == 0)
        Memo1->setPlainText(Q("『" + p + "』から『" + t + "』へデータを連動させるための中間ファイルを作成します。"));
    else
        Memo1->setPlainText(Q("『" + p + "』から『" + t + "』へデータの連動を行います。"));
    Memo2->setPlainText(Q("『" + p + "』が起動している場合は終了してください。\n\n\n\n\n\n作成を始めるには[次へ]をクリックしてください。"));
    lblPage2->setText(QStringLiteral("連動元となる対象データを「データ選択を開く」ボタンを押して指定します。"));
    if (page4) lblPage4->setText(Q("連動先となる『" + t + "』で使用する中間ファイルを指定します。"));
    // 12. pages of other products (6 to 10) are not built in this program at all.
    // 13. product "ST"
    grpTaisyou->setVisible(true);
    chkDetails->setChecked(false);
    // 14.
    txtExportFile->setText(Q(ExportObject->ExportFile));
    iniExportFile_ = ExportObject->ExportFile;
    iniKomonsaki_ = ExportObject->KomonsakiName;
}

void TForm1::SetAppInfo()
{
    AppNameText = AppInfo.AppName;
    HomeDirName = AppInfo.ZaimuHomeDir;
    ShareDirName = AppInfo.ShareDir;
    ServerDirName = AppInfo.ServerDir;
    ServerTempDirName = AppInfo.ServerTempDir;
    DataDefFileName = AppInfo.DataDefFile;
    DataFileName = AppInfo.DataFile;
    DataBackupFileName = AppInfo.ZaimuDataBackupFile;
    DataIniFileName = AppInfo.DataIniFile;
    // The initial-data files of the kinds 11, 21, 22, 23 and 31 (the fifth slot is another kind's).
    const int kinds[] = {11, 21, 22, 23, -1, 31};
    for (std::size_t i = 0; i < TemplateBackupNames.size(); ++i)
        if (kinds[i] > 0) TemplateBackupNames[i] = FormatKind(AppInfo.DataInitFile, kinds[i]);
    DataListSlotMax = AppInfo.DataListCnt;
    EbookDirName = AppInfo.DAruduDataDir;
    AnalysisDirName = AppInfo.AzimoHomeDir;
    AzimoDirName = AppInfo.AzimoHomeDir;
    CashBookDirName = AppInfo.ReruziroDataDir;
    CashBookBackupFileName = AppInfo.ReruziroDataBackupFile;
    if (OemFlag == 1) {
        DefaultScreenColors[5] = 0xF2FFEE;
        DefaultScreenColors[6] = 0xD6FFC8;
        DefaultScreenColors[7] = 0x008000;
    }
}

bool TForm1::InitApplication()
{
    SystemDef.AppTitle = kDisplayName;
    InitErrorText = WithName("アプリケーションの初期化に失敗しました。\r%sを終了します。");
    try {
        InitEnvironment();
        const QString title = Q(ExportObject ? ExportObject->Title : std::string());
        QCoreApplication::setApplicationName(title);
        setWindowTitle(title);
        CreateDM();
    } catch (const std::exception& e) {
        std::cerr << "InitApplication: " << e.what() << "\n";
        ShowMessage2(1, InitErrorText, Btn(TMsgDlgBtn::mbYes));
        return false;
    }
    return true;
}

bool TForm1::AppIniCreate()
{
    TAppIniCreateBox box;
    if (!box.Initialized) return false;
    return box.WriteIniFile(1);
}

void TForm1::InitEnvironment()
{
    // 1. screen metrics
    SystemDef.OsMajorVersion = GetOSMajorVersion();
    const QStyle* st = style();
    SystemDef.MenuHeight = fontMetrics().height() + 2 * st->pixelMetric(QStyle::PM_MenuBarVMargin) + 4;
    SystemDef.CaptionHeight = st->pixelMetric(QStyle::PM_TitleBarHeight);
    SystemDef.FrameHeight = st->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2;
    SystemDef.FrameAdjust = GetFrameAdjust(SystemDef.FrameHeight);
    AppKind = 0;

    // 2. folders and names
    SystemDef.LogonUser = ShellFolders::UserName();
    SystemDef.PCName = GetPCName(ConnectMode, SystemDef.LogonUser);
    SystemDef.ExeDir = WithoutTrailingSlash(programPath_.parent_path().string());
    SystemDef.BaseDir = WithoutTrailingSlash(fs::path(SystemDef.ExeDir).parent_path().string());
    SystemDef.PrintDir = SystemDef.BaseDir + "/print";
    SystemDef.HelpDir = SystemDef.BaseDir + "/help";
    SystemDef.SqlDir = SystemDef.BaseDir + "/sql";
    // The build puts the per-version SQL files beside the program it builds.
    if (std::error_code ec; fs::is_directory(SystemDef.ExeDir + "/sql", ec)) SystemDef.SqlDir = SystemDef.ExeDir + "/sql";
    const std::string common = WithoutTrailingSlash(ShellFolders::AppDataDir(true).string());
    if (common.empty()) {
        InitErrorText = WithName("アプリケーションの初期化に失敗しました。\r%sを終了します。\rデータフォルダの取得に失敗しました。");
        throw std::runtime_error("no common application data folder");
    }
    SystemDef.AppDataDir = common + "/" + HomeDirName;
    SystemDef.IniDir = SystemDef.AppDataDir + "/ini";
    SystemDef.LogDir = SystemDef.AppDataDir + "/log";
    SystemDef.WorkDir = SystemDef.AppDataDir + "/temp";
    SystemDef.TempDir = TempFiles::PrivateTempDir().string();
    SystemDef.WinSysDir = ShellFolders::SystemDir().string();
    SystemDef.DocumentsDir = WithoutTrailingSlash(ShellFolders::DocumentsDir().string()) + "/" + HomeDirName;
    SystemDef.TempSubDir = SystemDef.TempDir + "/" + EbookDirName;
    SystemDef.SysDir = SystemDef.AppDataDir + "/data";
    SystemDef.DataDir.clear();
    SystemDef.HostName = SystemDef.PCName;
    SystemDef.DbUser = "PAVONA";
    SystemDef.DbPassword = "mirlot";
    for (TScreenFont& f : SystemDef.ScreenFont) {
        f.Name = font().family().toStdString();
        f.Size = font().pointSize();
        f.Height = fontMetrics().height();
    }
    SystemDef.IniFile = SystemDef.AppDataDir + "/" + AppNameText + ".ini";

    // 3. folders
    for (const std::string& d : {SystemDef.IniDir, SystemDef.LogDir, SystemDef.WorkDir, SystemDef.DocumentsDir})
        fs::create_directories(d);

    // 4. application INI (the connection mode is stand-alone here)
    const std::string notSetUp = WithName("アプリケーションの初期設定がおこなわれていないため\r%sを終了します。");
    auto writeDefaults = [&] {
        bool ok = false;
        try {
            ok = AppIniCreate();
        } catch (const std::exception& e) {
            std::cerr << "AppIniCreate: " << e.what() << "\n";
        }
        if (!ok) {
            InitErrorText = notSetUp;
            throw std::runtime_error("the application INI could not be written");
        }
    };
    if (!fs::exists(SystemDef.IniFile)) writeDefaults();
    if (IniFile(SystemDef.IniFile).ReadSection("LOCAL").empty()) writeDefaults();
    const IniFile ini(SystemDef.IniFile);
    SystemDef.HostName = ini.ReadString("LOCAL", "HOSTNAME", "");
    SystemDef.GoGlobal = AsciiUpper(ini.ReadString("LOCAL", "GOGLOBAL", "")) == "YES";
    SystemDef.GroupMode = AsciiUpper(ini.ReadString("LOCAL", "GROUP", "")) == "YES";
    std::string sysDir = ini.ReadString("LOCAL", "SYSDIR", "");
    std::replace(sysDir.begin(), sysDir.end(), '\\', '/'); // paths are POSIX here
    SystemDef.SysDir = sysDir;
    SystemDef.DbUser = AsciiUpper(ini.ReadString("LOCAL", "USER", ""));
    SystemDef.DbPassword = AsciiLower(ini.ReadString("LOCAL", "PASSWORD", ""));

    // 5. by connection mode
    switch (ConnectMode) {
    case 0:
        SystemDef.HostName.clear();
        SystemDef.GoGlobal = false;
        SystemDef.GroupId = 10000;
        break;
    case 1:
        SystemDef.GroupId = 10000;
        if (Trim(SystemDef.HostName).empty()) {
            ShowMessage2(2, "データベースサーバーのコンピュータ名が設定されていません。\r初期設定画面を開きます。", Btn(TMsgDlgBtn::mbOK));
            TAppIniCreateBox box;
            if (box.Initialized) box.exec();
        }
        break;
    default:
        SystemDef.GroupId = SystemDef.GroupMode ? 0 : 10000;
        break;
    }
}

void TForm1::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (shownOnce_) return;
    shownOnce_ = true;
    // The log-on box is modal: it runs after the form is on screen.
    QTimer::singleShot(0, this, [this] { FirstShow(); });
}

bool TForm1::Logon()
{
    TLogonBox box;
    if (!box.Initialized) return false;
    return box.exec() == QDialog::Accepted;
}

void TForm1::FirstShow()
{
    repaint();
    SystemDef.AppTitle = kDisplayName;
    LoggedOn = Steps.Logon ? Steps.Logon() : Logon();
    if (!LoggedOn) {
        if (DM && DM->IBDatabaseDEF.Connected()) {
            try {
                DM->IBDatabaseDEF.Close();
            } catch (const std::exception& e) {
                std::cerr << "disconnect: " << e.what() << "\n";
            }
        }
        QCoreApplication::exit(0);
        return;
    }
    if (!Steps.GetSysDef()) {
        Steps.DeleteLogonInfo();
        LoggedOn = false;
        try {
            if (DM) DM->IBDatabaseDEF.Close();
        } catch (const std::exception&) {
        }
        QCoreApplication::exit(0);
        return;
    }
    Steps.LoadGengo();
    if (OnReady) OnReady();
}

void TForm1::WMClose()
{
    Outcome = 1;
    close();
}

void TForm1::btnCancelClick() { RequestCancel(true); }

bool TForm1::ConfirmCancel()
{
    TMessage2InfoRec rec;
    InitMessage2Info(2, rec);
    rec.Buttons = Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo);
    rec.Lines[0].Text = "[キャンセル]ボタンが押されました。";
    rec.Lines[1].Text = "連動データの作成ウィザードを終了してもよろしいですか？";
    return MessageDlg2(rec) == mrYes;
}

void TForm1::RequestCancel(bool ask)
{
    if (closing_) return; // closing already: nothing more to ask
    if (ask && !ConfirmCancel()) return;
    Outcome = 1;
    cancelConfirmed_ = true;
    close();
}

void TForm1::keyPressEvent(QKeyEvent* e)
{
    // Esc acts when it comes up: the question opened on the press would take the release as its
    // own Esc and close at once.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TForm1::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier && !e->isAutoRepeat()) {
        e->accept();
        if (isEnabled()) RequestCancel(true);
        return;
    }
    QWidget::keyReleaseEvent(e);
}

bool TForm1::FormCloseQuery(bool byWindowSystem)
{
    if (!byWindowSystem || cancelConfirmed_) return true;
    // Not while a window of the run (the selection, a question, the progress) holds the wizard.
    if (!isEnabled() || QApplication::activeModalWidget()) return false;
    if (!ConfirmCancel()) return false;
    Outcome = 1;
    cancelConfirmed_ = true;
    return true;
}

void TForm1::closeEvent(QCloseEvent* e)
{
    // A close the window system delivers is the title bar's close button (the program's own
    // closes, and the application's quit, come as closes of the program).
    if (!closing_ && !FormCloseQuery(e->spontaneous())) {
        e->ignore();
        return;
    }
    closing_ = true;
    CloseData();
    e->accept();
    QWidget::closeEvent(e);
}

void TForm1::CloseData()
{
    if (DataConnected && !Trim(SystemDef.DataDir).empty()) {
        // 1. the cloud-share return first; a failed one keeps the shared copy with this operator
        const int r = DataTusinCheck(kDirectionSend);
        if (DM) {
            if (!DM->IBDatabaseDAT.Connected()) DM->fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, false);
            DM->fnAccDatDisConnected(SystemDef.DataDir, true, true);
        }
        DataConnected = false;
        if (r == 1) SendSharedData();
    }
    if (LoggedOn && DM) {
        if (DM->fnAccDefConnected(SystemDef.HostName, true)) {
            Steps.DeleteLogonInfo();
            try {
                DM->IBDatabaseDEF.Close();
            } catch (const std::exception& e) {
                std::cerr << "disconnect: " << e.what() << "\n";
            }
        }
    }
    LoggedOn = false;
}

TForm1::~TForm1()
{
    // Logged on still (the application was asked to end without closing the form): log off, so
    // the record does not refuse the operator's next start.
    if (LoggedOn) {
        try {
            CloseData();
        } catch (const std::exception& e) {
            std::cerr << "CloseData: " << e.what() << "\n";
        }
    }
    // 1. the export object writes the linkage settings file as it goes
    ExportObject.reset();
    for (TScreenFont& f : SystemDef.ScreenFont) f = TScreenFont{};
    // 2.
    HostMenuHook = nullptr;
    OpenRegisteredFormHook = nullptr;
    DataDamageCheckHook = nullptr;
    // 3.
    if (CallerWindow != 0) {
        const kb::CallerWindow caller(CallerWindow);
        caller.BringToFront();
        caller.Enable(true);
        caller.PostMessage(CallerMessage, static_cast<std::uint64_t>(static_cast<std::int64_t>(CallerFunction)), Outcome);
    }
}

} // namespace kb
