#include "exchange/z5MeetingToolSetting.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "core/z5ComFunc.h"
#include "fb/FbError.h"
#include "platform/Text.h"
#include "ui/PavonaExDateEdit.h"
#include "ui/PavonaExDateEditLib.h"
#include "ui/z5MessageDlg2.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <stdexcept>

namespace kb {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const char* const kCloudLocked = "クラウドシェアデータのため変更できません";

void Information(const std::string& text) { ShowMessage2(2, text, Btn(TMsgDlgBtn::mbYes)); }

std::string IdShown(const std::string& holder)
{
    const std::string id = DelAllSpace(holder);
    return id.size() == 12 ? id.substr(0, 4) + "-" + id.substr(4, 4) + "-" + id.substr(8, 4) : std::string();
}

} // namespace

std::function<void(const std::string&)>& TMeetingToolSettingBox::UrlOpener()
{
    static std::function<void(const std::string&)> opener = [](const std::string& url) {
        QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray::fromStdString(url)));
    };
    return opener;
}

std::string TMeetingToolSettingBox::GuidePageUrl()
{
    return (OemFlag == 1 || OemFlag == 2) ? std::string() : AppInfo.MeetingGuideUrl;
}

TMeetingToolSettingBox::TMeetingToolSettingBox(QWidget* parent) : TBSDI(parent)
{
    setObjectName(QStringLiteral("MeetingToolSettingBox"));
    setWindowTitle(QStringLiteral("Web会議設定"));
    resize(757, 588);
    UseOpLog = true;
    HostMenuNotify = false;
    NoBusyCheck = false;
    UseFormSize = false;
    ReloadAccInfoOnShow = true;
    ActivateParamValue = 0;

    auto* root = new QVBoxLayout(this);
    pnlBase = new QWidget(this);
    auto* base = new QGridLayout(pnlBase);
    cboxMeetingUse = new QCheckBox(QStringLiteral("Web会議を使用する"), pnlBase);
    Label1 = new QLabel(QStringLiteral("Web会議のURL:"), pnlBase);
    MemoUrl = new QPlainTextEdit(pnlBase);
    MemoUrl->setObjectName(QStringLiteral("MemoUrl"));
    btnPaste = new QPushButton(QStringLiteral("貼り付け"), pnlBase);
    lblLinkUrl = new QLabel(QStringLiteral("URLの発行方法を確認する（Zoomの場合） >>"), pnlBase);
    lblLinkUrl->setCursor(Qt::PointingHandCursor);
    lblLinkUrl->setStyleSheet(QStringLiteral("color: blue;"));
    cboxMailSousin = new QCheckBox(QStringLiteral("顧問先に通知メールを送信する"), pnlBase);
    Panel1 = new QLabel(QStringLiteral("※顧問先側の通信IDを登録して「メールアドレス登録」ボタンを押してください"), pnlBase);
    Label5 = new QLabel(QStringLiteral("通信 ＩＤ:"), pnlBase);
    txtConID = new QLineEdit(pnlBase);
    txtConID->setObjectName(QStringLiteral("txtConID"));
    txtConID->setInputMask(QStringLiteral("nnnn-nnnn-nnnn;_"));
    txtConID->setAttribute(Qt::WA_InputMethodEnabled, false);
    Label7 = new QLabel(QStringLiteral("例： abcd-1234-5678"), pnlBase);
    Label6 = new QLabel(QStringLiteral("（英数半角１２桁）"), pnlBase);
    Label8 = new QLabel(QStringLiteral("パスワード:"), pnlBase);
    txtConPasswd = new QLineEdit(pnlBase);
    txtConPasswd->setObjectName(QStringLiteral("txtConPasswd"));
    txtConPasswd->setMaxLength(6);
    txtConPasswd->setAttribute(Qt::WA_InputMethodEnabled, false);
    txtConPasswd->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Za-z]*")), this));
    Label10 = new QLabel(QStringLiteral("例： ABC123"), pnlBase);
    Label9 = new QLabel(QStringLiteral("（英数半角６桁以内）"), pnlBase);
    btnMailAddress = new QPushButton(QStringLiteral("メールアドレス登録"), pnlBase);
    base->addWidget(cboxMeetingUse, 0, 0, 1, 4);
    base->addWidget(Label1, 1, 0);
    base->addWidget(MemoUrl, 1, 1, 1, 2);
    base->addWidget(btnPaste, 1, 3);
    base->addWidget(lblLinkUrl, 2, 1, 1, 3);
    base->addWidget(cboxMailSousin, 3, 0, 1, 4);
    base->addWidget(Panel1, 4, 0, 1, 4);
    base->addWidget(Label5, 5, 0);
    base->addWidget(txtConID, 5, 1);
    base->addWidget(Label7, 5, 2);
    base->addWidget(Label6, 5, 3);
    base->addWidget(Label8, 6, 0);
    base->addWidget(txtConPasswd, 6, 1);
    base->addWidget(Label10, 6, 2);
    base->addWidget(Label9, 6, 3);
    base->addWidget(btnMailAddress, 7, 1);

    pnlHizuke = new QWidget(this);
    auto* hz = new QVBoxLayout(pnlHizuke);
    hz->addWidget(new QLabel(QStringLiteral("このデータにはWeb会議用のＵＲＬが設定されていますので、パヴォナ経営Azimoクラウドで指定した"), pnlHizuke));
    hz->addWidget(new QLabel(QStringLiteral("アドレス宛に、Web会議のURLとミーティング開始日時を記載したお知らせメールを送信します。"), pnlHizuke));
    btnContactHizuke = new QRadioButton(QStringLiteral("開始日時を記載する"), pnlHizuke);
    auto* dateRow = new QHBoxLayout;
    txtContactHizuke = new TPavonaExDateEdit(pnlHizuke);
    txtContactHizuke->SetEditStyle(TPavonaExDateEditStyle::desYearMonthDayHM);
    txtContactHizuke->SetGengo(TPavonaExRekiSet::rsBoth);
    txtContactHizuke->SetYeardigit(TPavonaExYeardigitSet::yddigit4);
    txtContactHizuke->SetCanEmpty(true);
    txtContactHizuke->SetLabels({QStringLiteral("年"), QStringLiteral("月"), QStringLiteral("日"), QStringLiteral("時"),
                                 QStringLiteral("分"), QStringLiteral("秒")});
    txtContactHizuke->SetDialogCaption(QStringLiteral("日付時刻入力"));
    btnHizukeClear = new QPushButton(QStringLiteral("クリア"), pnlHizuke);
    dateRow->addSpacing(24);
    dateRow->addWidget(txtContactHizuke);
    dateRow->addSpacing(4);
    dateRow->addWidget(btnHizukeClear);
    dateRow->addStretch();
    btnContactLater = new QRadioButton(QStringLiteral("開始日時を「別途連絡」とする"), pnlHizuke);
    btnContactNone = new QRadioButton(QStringLiteral("今回はWeb会議を行わない（お知らせメールのWeb会議についての記載を省略）"), pnlHizuke);
    hz->addWidget(btnContactHizuke);
    hz->addLayout(dateRow);
    hz->addWidget(btnContactLater);
    hz->addWidget(btnContactNone);
    hz->addStretch();

    auto* bottom = new QHBoxLayout;
    HintArea = new QPlainTextEdit(this);
    HintArea->setReadOnly(true);
    HintArea->setMaximumHeight(60);
    F1 = new QPushButton(QStringLiteral("F1:ヘルプ"), this);
    btnOK = new QPushButton(QStringLiteral("F12:閉じる"), this);
    btnCancel = new QPushButton(QStringLiteral("ESC:ｷｬﾝｾﾙ"), this);
    bottom->addWidget(HintArea, 1);
    bottom->addWidget(F1);
    bottom->addWidget(btnOK);
    bottom->addWidget(btnCancel);
    root->addWidget(pnlBase);
    root->addWidget(pnlHizuke);
    root->addLayout(bottom);
    HintMemo = HintArea;
    F12Button = btnOK;

    connect(cboxMeetingUse, &QCheckBox::clicked, this, [this] { ApplyEnabling(); });
    connect(cboxMailSousin, &QCheckBox::clicked, this, [this] { ApplyEnabling(); });
    connect(btnPaste, &QPushButton::clicked, this, [this] { MemoUrl->paste(); });
    for (auto* r : {btnContactHizuke, btnContactLater, btnContactNone})
        connect(r, &QRadioButton::toggled, this, [this] { UpdateDateEnabled(); });
    connect(btnHizukeClear, &QPushButton::clicked, this, [this] { txtContactHizuke->Clear(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(btnMailAddress, &QPushButton::clicked, this, [this] { btnMailAddressClick(); });
    lblLinkUrl->installEventFilter(this);

    SetHints();
    try {
        Settings = LoadMeetingSettings(Dm());
        Initialised = true;
    } catch (const FbError& e) {
        ShowIBError(e, "TMeetingToolSettingBox.FormCreate", "");
    } catch (const std::exception&) {
    }
    pnlHizuke->hide();
}

TMeetingToolSettingBox::~TMeetingToolSettingBox() = default;

TDM& TMeetingToolSettingBox::Dm()
{
    if (!DM) throw std::runtime_error("no data module");
    return *DM;
}

void TMeetingToolSettingBox::SetHints()
{
    const std::string idHint = "通信ＩＤとパスワードは通信相手と同一の設定を行います。\r\nこの設定は、現在利用中のデータのみ有効となります。";
    const std::string urlHint = "Web会議のURLを入力します。|Web会議のURLを入力します。\r\n[Ctrl]+[v]キーまたは[貼り付け]ボタンでクリップボードの内容を貼り付けます。";
    const std::string dateHint = "開催日時を入力します。|開催日時を入力します。\r\n[クリア]ボタンで開催日時をクリアします。";
    SetHint(cboxMeetingUse, "Web会議の使用の有無を設定します。|ZoomなどのWeb会議を使用する場合はチェックを入れます。");
    SetHint(MemoUrl, urlHint);
    SetHint(btnPaste, urlHint);
    SetHint(cboxMailSousin, "メールを使って自動通知する場合は設定します。|メールを使って自動通知する場合はチェックを入れます。");
    SetHint(txtConID, "通信ＩＤを入力します。|" + idHint);
    SetHint(txtConPasswd, "パスワードを入力します。|" + idHint);
    SetHint(btnMailAddress, "メールアドレスを登録します。|通知先のメールアドレスを登録します。");
    for (QWidget* r : {static_cast<QWidget*>(btnContactNone), static_cast<QWidget*>(btnContactHizuke),
                       static_cast<QWidget*>(btnContactLater)})
        SetHint(r, "開催日時の連絡方法を設定します。|開催日時の連絡方法を設定します。");
    SetHint(txtContactHizuke, dateHint);
    SetHint(btnHizukeClear, dateHint);
    SetHint(btnOK, "設定情報を登録します。|設定情報を登録します。");
    SetHint(btnCancel, "設定情報の登録を取り止めます。|設定情報の登録を取り止めます。");
}

void TMeetingToolSettingBox::SetParams(const std::vector<std::string>& lines)
{
    Params = lines;
    for (const auto& l : lines) {
        const auto eq = l.find('=');
        if (eq == std::string::npos || AsciiUpper(TrimBlanks(l.substr(0, eq))) != "SYORITYPE") continue;
        try {
            SyoriType = std::stoi(TrimBlanks(l.substr(eq + 1)));
        } catch (const std::exception&) {
            SyoriType = 0;
        }
    }
}

int TMeetingToolSettingBox::Execute(int mode)
{
    if (SyoriType == 2) {
        OpenMeetingUrl();
        QTimer::singleShot(0, this, [this] { close(); });
        return -1;
    }
    if (mode != 1) return ExecuteForm(false, [this] { Setup(0); });
    return ExecuteForm(true, [this] { Setup(1); });
}

void TMeetingToolSettingBox::Setup(std::uint8_t mode)
{
    SetupMode = mode;
    ShowData();
    PositionPending = false;
}

void TMeetingToolSettingBox::ShowData()
{
    pnlBase->hide();
    pnlHizuke->hide();
    if (SyoriType == 0) {
        pnlBase->show();
        cboxMeetingUse->setChecked(Settings.MeetingUse == 1);
        MemoUrl->setPlainText(Q(Settings.MeetingUrl));
        cboxMailSousin->setChecked(AccInf.CloudKubun == 1);
        txtConID->setText(Q(IdShown(AccInf.WebHolder)));
        txtConPasswd->setText(Q(AccInf.Pasword));
        ApplyEnabling();
    } else if (SyoriType == 1) {
        if (PositionPending) {
            const qreal scale = screen() ? screen()->logicalDotsPerInch() / 96.0 : 1.0;
            resize(width(), static_cast<int>(400 * scale));
        }
        setWindowTitle(QStringLiteral("Web会議　ミーティング日時を指定"));
        pnlHizuke->show();
        btnContactNone->setChecked(true);
        if (Settings.MeetingDateMode == 1) btnContactHizuke->setChecked(true);
        else if (Settings.MeetingDateMode == 2) btnContactLater->setChecked(true);
        txtContactHizuke->Clear();
        if (!Settings.MeetingDate.IsNull()) {
            // The notice states minutes only; one second marks a start that was set here.
            const DateTime& t = Settings.MeetingDate;
            Settings.MeetingDate = DateTime(t.GetDate(), t.Hour(), t.Minute(), 1, 0);
            txtContactHizuke->SetDate(Settings.MeetingDate);
        }
        btnCancel->setText(QStringLiteral("キャンセル"));
        btnOK->setText(QStringLiteral("ＯＫ"));
        F1->hide();
        UpdateDateEnabled();
    }
}

void TMeetingToolSettingBox::ApplyEnabling()
{
    const auto e = MeetingEnabling(cboxMeetingUse->isChecked(), cboxMailSousin->isChecked(), AccInf.CloudLine, ConnectMode);
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(MemoUrl), static_cast<QWidget*>(btnPaste),
                       static_cast<QWidget*>(cboxMailSousin)})
        w->setEnabled(e.Url);
    for (QWidget* w : {static_cast<QWidget*>(txtConID), static_cast<QWidget*>(txtConPasswd),
                       static_cast<QWidget*>(btnMailAddress), static_cast<QWidget*>(Panel1),
                       static_cast<QWidget*>(Label5), static_cast<QWidget*>(Label6), static_cast<QWidget*>(Label7),
                       static_cast<QWidget*>(Label8), static_cast<QWidget*>(Label9), static_cast<QWidget*>(Label10)})
        w->setEnabled(e.Id);
    if (e.CloudLocked) {
        for (QWidget* w : {static_cast<QWidget*>(txtConID), static_cast<QWidget*>(txtConPasswd),
                           static_cast<QWidget*>(Label5), static_cast<QWidget*>(Label7), static_cast<QWidget*>(Label8),
                           static_cast<QWidget*>(Label10)})
            w->setEnabled(false);
        for (QLabel* l : {Label6, Label9}) {
            l->setEnabled(true);
            l->setText(Q(kCloudLocked));
            l->setStyleSheet(QStringLiteral("color: red;"));
        }
    }
}

void TMeetingToolSettingBox::UpdateDateEnabled()
{
    txtContactHizuke->setEnabled(btnContactHizuke->isChecked());
}

void TMeetingToolSettingBox::Focus(TMeetingControl c)
{
    QWidget* w = c == TMeetingControl::Url ? static_cast<QWidget*>(MemoUrl)
               : c == TMeetingControl::Id  ? static_cast<QWidget*>(txtConID)
                                           : static_cast<QWidget*>(txtContactHizuke);
    w->setFocus();
}

bool TMeetingToolSettingBox::CheckInput()
{
    TMeetingInput in;
    in.SyoriType = SyoriType;
    in.MeetingUse = cboxMeetingUse->isChecked();
    in.Url = MemoUrl->toPlainText().toStdString();
    in.IdEnabled = txtConID->isEnabled();
    in.IdText = txtConID->text().toStdString();
    in.ContactHizuke = btnContactHizuke->isChecked();
    if (SyoriType == 1 && in.ContactHizuke) {
        try {
            in.Date = txtContactHizuke->GetDate();
        } catch (const EAbort&) {
            return false; // the edit has shown its message
        }
    }
    const auto failure = CheckMeetingInput(in);
    if (!failure) return true;
    Information(failure->Message);
    Focus(failure->Control);
    return false;
}

void TMeetingToolSettingBox::btnOKClick()
{
    if (!CheckInput()) return;
    if (ShowMessage2(3, "Web会議の情報を登録します。よろしいですか？", Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) != mrYes)
        return;
    if (SyoriType == 0) {
        const int use = cboxMeetingUse->isChecked() ? 1 : 0;
        const std::string url = MemoUrl->toPlainText().toStdString();
        // A failed save keeps the dialog open with nothing saved.
        if (!SaveMeetingSettings(Dm(), use, url, cboxMailSousin->isChecked() ? 1 : 0,
                                 ReplaceAll(DelAllSpace(txtConID->text().toStdString()), "-", ""),
                                 txtConPasswd->text().toStdString()))
            return;
        Settings.MeetingUse = use;
        Settings.MeetingUrl = url;
    } else if (SyoriType == 1) {
        int mode = 0;
        DateTime date;
        if (btnContactHizuke->isChecked()) {
            mode = 1;
            date = txtContactHizuke->GetDate();
        } else if (btnContactLater->isChecked()) {
            mode = 2;
        }
        try {
            SaveMeetingDate(Dm(), mode, date);
        } catch (const FbError& e) {
            ShowIBError(e, "TMeetingToolSettingBox.btnOKClick", "設定情報の更新に失敗しました。");
            return;
        }
        Settings.MeetingDateMode = mode;
        Settings.MeetingDate = date;
    }
    done(mrOk);
}

void TMeetingToolSettingBox::OpenMeetingUrl()
{
    const std::string url = Settings.MeetingUse != 0 ? Settings.MeetingUrl : std::string();
    if (url.empty()) {
        Information("Web会議が設定されていません。");
        return;
    }
    if (!IsOpenableUrl(url)) {
        Information("Web会議のURLが \"https://\" 又は \"http://\" で始まっていません。");
        return;
    }
    UrlOpener()(url);
}

void TMeetingToolSettingBox::btnMailAddressClick()
{
    const std::string id = DelAllSpace(txtConID->text().toStdString());
    if (id.size() != 14) {
        Information(kMeetingIdMessage);
        txtConID->setFocus();
        return;
    }
    UrlOpener()(MailAddressUrl(AppInfo.WebAzimobanServer, ReplaceAll(id, "-", "")));
}

bool TMeetingToolSettingBox::eventFilter(QObject* o, QEvent* e)
{
    if (o == lblLinkUrl && e->type() == QEvent::MouseButtonRelease) lblLinkUrlClick();
    return TBSDI::eventFilter(o, e);
}

void TMeetingToolSettingBox::lblLinkUrlClick()
{
    const std::string url = GuidePageUrl();
    if (!url.empty() && IsOpenableUrl(url)) UrlOpener()(url);
    lblLinkUrl->setStyleSheet(QStringLiteral("color: purple;"));
}

int TMeetingToolSettingBox::AskMeetingDate()
{
    if (!MeetingDateAsked(Settings)) return 0;
    SyoriType = 1;
    Setup(1);
    return Execute(1);
}

int TMeetingToolSettingBox::ResetMeetingDate()
{
    return kb::ResetMeetingDate(Dm());
}

void TMeetingToolSettingBox::ShowingChanged()
{
    if (!isVisible()) return;
    if (!Initialised) {
        Information("Web会議設定画面の初期化に失敗しました。\r処理を終了します。");
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    if (SyoriType == 0) cboxMeetingUse->setFocus();
    else if (Settings.MeetingDateMode == 1) btnContactHizuke->setFocus();
    else if (Settings.MeetingDateMode == 2) btnContactLater->setFocus();
    else btnContactNone->setFocus();
}

void RegisterExchangeForms()
{
    RegisterFormClass<TMeetingToolSettingBox>("SzMeetingToolSetting", "TMeetingToolSettingBox");
}

} // namespace kb
