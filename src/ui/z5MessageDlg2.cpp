#include "ui/z5MessageDlg2.h"

#include "ui/xCheckBox.h"
#include "ui/z5WinFunc.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QUrl>

#include <algorithm>
#include <map>

namespace kb {

QColor ToQColor(TColor c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kDesignWidth = 500;
constexpr int kDesignClientHeight = 335;
constexpr int kBottomHeight = 38;
constexpr int kAgreeHeight = 32;
constexpr int kLabelLeft = 80;
constexpr int kLabelTop0 = 24;
constexpr int kLabelStep = 24;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

int LabelTop(int i) { return kLabelTop0 + kLabelStep * i; }

Message2Interceptor& Interceptor()
{
    static Message2Interceptor f;
    return f;
}

struct Preset {
    std::uint8_t type;
    bool okCancel;
    const char* caption;
    std::vector<std::pair<const char*, TColor>> lines;
};

const std::map<std::int32_t, Preset>& Presets()
{
    static const std::string kDelete0 = "選択行の内訳を削除します、よろしいですか？";
    static const std::string kDelete2 =
        "一時的に内訳書より削除したい場合は、残高を0円に訂正して印刷方法の[0円の明細を省略する]にチェックを";
    auto uchiwake = [](const char* line1) {
        return Preset{3, true, "内訳書の削除",
                      {{kDelete0.c_str(), 0}, {line1, clRed}, {kDelete2.c_str(), clRed}, {"入れてください。", clRed}}};
    };
    static const std::map<std::int32_t, Preset> presets = {
        {4112, {3, true, "確認",
                {{"このデータはお使いのプログラムより新しいプログラムでデータ更新が行われています。", 0},
                 {"データを使用するにはプログラムのバージョンアップが必要となります。", 0},
                 {"続行してもよろしいですか？", 0},
                 {"（ウィルス対策ソフトをご利用中の場合は、該当ソフトを終了してください。）", 0}}}},
        {4113, {2, false, "情報",
                {{"このデータは「データの更新」処理を行うことが禁止されています。", 0},
                 {"データを選択したい場合は、「データ選択」画面の[情報]ボタンを押し「データの詳細情報」画面を開き", 0},
                 {"[データの更新: 禁止する]項目のチェックを外してください。", 0},
                 {"または、過去バージョンのプログラムを起動し選択してください。", 0}}}},
        {4114, {2, false, "情報",
                {{"このデータは「仕訳の入力」が禁止されています。", 0},
                 {"仕訳を入力するには、「データ選択」画面の[情報]ボタンを押し「データの詳細情報」画面を開き", 0},
                 {"[仕訳の入力: 禁止する]項目のチェックを外してください。", 0}}}},
        {4128, {2, false, "情報",
                {{"このデータは現金出納帳システムと通信しています。マスター情報の変更は、事前に現金出納帳システムから", 0},
                 {"送られた最新のデータを受信し、現金出納帳システム側の処理をストップさせてから行ってください。", 0},
                 {"マスター情報の変更後には必ず「現金出納帳マスター送信」を実行してください。", 0}}}},
        {4144, {1, false, "エラー",
                {{"データ使用後検証の結果、このデータは破損している恐れがあります。", 0},
                 {"データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。", 0},
                 {"ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。", 0}}}},
        {8212, {2, false, "情報",
                {{"過年度明細の取り込みが行われていません。", 0},
                 {"このデータに対して過年度明細を取り込むには以下の方法があります。", 0},
                 {"１）「過年度残高登録」の[仕訳取込]より過年度明細を取り込みます。", 0},
                 {"２）「繰越残高調整」で過年度明細を繰り越します。（前期のみ）", 0}}}},
        {268439568, {2, false, "情報", {{"振替形式で作成された仕訳のため、訂正・削除を行うことはできません。", 0}}}},
        {268439569, {2, false, "情報",
                     {{"この仕訳は他処理で作成された自動仕訳のため、自科目訂正を行うことはできません。", 0}}}},
        {268439570, {2, false, "情報",
                     {{"振替形式で作成された仕訳が含まれているため、訂正・削除を行うことはできません。", 0}}}},
        {268443664, {3, true, "確認",
                     {{"会計データと連動する項目を「上書き入力」に切り替えます。", 0}, {"よろしいですか？", 0}}}},
        {268443665, {3, true, "確認",
                     {{"会計データと連動する項目を「自動取得」に切り替えます。", 0},
                      {"よろしいですか？", 0},
                      {"注意）上書き入力した項目は、会計データの集計値により書き換えられます。", clRed}}}},
        {268447760, uchiwake("注意）削除を行うと、内訳に記述してある名称などの情報は科目情報を取り込んでも記述されません。")},
        {268447761, uchiwake("注意）削除を行うと、内訳に記述してある金融機関名などの情報は科目情報を取り込んでも記述されません。")},
        {268447762, uchiwake("注意）削除を行うと、内訳に記述してある借入先などの情報は科目情報を取り込んでも記述されません。")},
        {268451856, {2, false, "情報",
                     {{"「基本設定」の「消費税＞一括税抜処理区分」に[処理する]が選択されているため、消費税処理区分を[税込]へは変更出来ません。", 0}}}},
    };
    return presets;
}

} // namespace

void InitMessage2Info(int kind, TMessage2InfoRec& rec)
{
    rec = TMessage2InfoRec{};
    switch (kind) {
    case 0: rec.MsgType = 0; rec.Buttons = Btn(TMsgDlgBtn::mbOK); rec.Caption = "警告"; break;
    case 1: rec.MsgType = 1; rec.Buttons = Btn(TMsgDlgBtn::mbOK); rec.Caption = "エラー"; break;
    case 2: rec.MsgType = 2; rec.Buttons = Btn(TMsgDlgBtn::mbOK); rec.Caption = "情報"; break;
    case 3:
        rec.MsgType = 3;
        rec.Buttons = Btn(TMsgDlgBtn::mbOK) | Btn(TMsgDlgBtn::mbCancel);
        rec.Caption = "確認";
        break;
    default: rec.MsgType = 4; rec.Buttons = Btn(TMsgDlgBtn::mbOK); rec.Caption.clear(); break;
    }
}

bool ApplyMessage2Preset(std::int32_t id, TMessage2InfoRec& rec)
{
    InitMessage2Info(2, rec);
    rec.ID = id;
    auto it = Presets().find(id);
    if (it == Presets().end())
        return false;
    const Preset& p = it->second;
    rec.MsgType = p.type;
    rec.Buttons = p.okCancel ? TMsgDlgButtons(Btn(TMsgDlgBtn::mbOK) | Btn(TMsgDlgBtn::mbCancel))
                             : Btn(TMsgDlgBtn::mbOK);
    rec.Caption = p.caption;
    for (std::size_t i = 0; i < p.lines.size() && i < rec.Lines.size(); ++i) {
        rec.Lines[i].Text = p.lines[i].first;
        rec.Lines[i].Color = p.lines[i].second;
    }
    return true;
}

std::string Message2StandardCaption(TMsgDlgBtn b)
{
    switch (b) {
    case TMsgDlgBtn::mbYes: return "はい(&Y)";
    case TMsgDlgBtn::mbNo: return "いいえ(&N)";
    case TMsgDlgBtn::mbOK: return "OK(&O)";
    case TMsgDlgBtn::mbCancel: return "ｷｬﾝｾﾙ(&C)";
    case TMsgDlgBtn::mbAbort: return "中断(&A)";
    case TMsgDlgBtn::mbRetry: return "再試行(&R)";
    case TMsgDlgBtn::mbIgnore: return "無視(&I)";
    case TMsgDlgBtn::mbAll: return "すべて(&A)";
    case TMsgDlgBtn::mbNoToAll: return "すべていいえ";
    case TMsgDlgBtn::mbYesToAll: return "すべてはい";
    case TMsgDlgBtn::mbHelp: return "ヘルプ(&H)";
    }
    return {};
}

int Message2ModalResult(TMsgDlgBtn b)
{
    switch (b) {
    case TMsgDlgBtn::mbYes: return mrYes;
    case TMsgDlgBtn::mbNo: return mrNo;
    case TMsgDlgBtn::mbOK: return mrOk;
    case TMsgDlgBtn::mbCancel: return mrCancel;
    case TMsgDlgBtn::mbAbort: return mrAbort;
    case TMsgDlgBtn::mbRetry: return mrRetry;
    case TMsgDlgBtn::mbIgnore: return mrIgnore;
    case TMsgDlgBtn::mbAll: return mrAll;
    case TMsgDlgBtn::mbNoToAll: return mrNoToAll;
    case TMsgDlgBtn::mbYesToAll: return mrYesToAll;
    case TMsgDlgBtn::mbHelp: return mrNone;
    }
    return mrNone;
}

std::vector<Message2Button> Message2Buttons(const TMessage2InfoRec& rec)
{
    std::vector<Message2Button> out;
    for (int i = 0; i <= static_cast<int>(TMsgDlgBtn::mbHelp) && out.size() < 3; ++i) {
        auto b = static_cast<TMsgDlgBtn>(i);
        if (!(rec.Buttons & Btn(b)))
            continue;
        std::string caption = rec.ButtonCaptions[out.size()];
        if (caption.empty())
            caption = Message2StandardCaption(b);
        out.push_back({b, caption, Message2ModalResult(b)});
    }
    return out;
}

int Message2ClientHeight(int n, int bottomHeight, int clientPanelHeight)
{
    if (n >= 10)
        return bottomHeight + clientPanelHeight;
    if (n <= 1)
        return bottomHeight + LabelTop(2);
    return bottomHeight + LabelTop(n + 1);
}

std::vector<int> Message2ButtonLefts(int formWidth, const std::vector<int>& w, int g)
{
    const int mid = formWidth / 2;
    switch (w.size()) {
    case 1: return {(formWidth - w[0]) / 2};
    case 2: return {mid - g - w[0], mid + g};
    case 3: {
        int second = (formWidth - w[1]) / 2;
        return {second - g - w[0], second, second + w[1] + g};
    }
    default: return {};
    }
}

std::string Message2ClipboardText(const TMessage2InfoRec& rec)
{
    const std::string rule(27, '-');
    std::string t = rule + "\r\n" + rec.Caption + "\r\n" + rule + "\r\n";
    for (const auto& l : rec.Lines)
        t += l.Text + "\r\n";
    return t;
}

std::function<void(const std::string&)>& TMessageBox2::UrlOpener()
{
    static std::function<void(const std::string&)> f = [](const std::string& url) {
        QDesktopServices::openUrl(QUrl(Q(url)));
    };
    return f;
}

TMessageBox2::TMessageBox2(QWidget* parent) : QDialog(parent)
{
    setObjectName("MessageBox2");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(QApplication::font("QMessageBox")); // the platform's message font
    pnlClient_ = new QWidget(this);
    pnlClient_->setObjectName("pnlClient");
    image1_ = new QLabel(pnlClient_);
    image1_->setObjectName("Image1");
    image1_->setGeometry(24, 16, 41, 41);
    for (int i = 0; i < 10; ++i) {
        auto* l = new QLabel(pnlClient_);
        l->setObjectName(QString("Label%1").arg(i + 1));
        l->setProperty("Tag", i);
        l->move(kLabelLeft, LabelTop(i));
        l->installEventFilter(this);
        labels_[i] = l;
    }
    pnlAgree_ = new QWidget(this);
    pnlAgree_->setObjectName("pnlAgree");
    btnAgree_ = new TxCheckBox(pnlAgree_);
    btnAgree_->setText("同意する");
    btnAgree_->setObjectName("btnAgree");
    btnAgree_->setGeometry(82, 3, 375, 24);
    connect(btnAgree_, &QCheckBox::clicked, this, [this] { btnAgreeClick(); });
    pnlBottom_ = new QWidget(this);
    pnlBottom_->setObjectName("pnlBottom");
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(pnlBottom_);
        b->setObjectName(QString("btnButton%1").arg(i + 1));
        b->setGeometry(0, 3, kButtonWidth, kButtonHeight);
        connect(b, &QPushButton::clicked, this, [this, i] {
            // Help has result 0 and therefore leaves the box open.
            if (results_[i] != mrNone)
                done(results_[i]);
        });
        buttons_[i] = b;
    }
    resize(kDesignWidth, kDesignClientHeight);
}

void TMessageBox2::ApplyPreset(std::int32_t id)
{
    id_ = id;
    if (id == 0)
        return;
    ApplyMessage2Preset(id, info_);
}

void TMessageBox2::SetInfo(const TMessage2InfoRec& rec)
{
    info_ = rec;
    ApplyPreset(rec.ID);
    Layout();
}

void TMessageBox2::Layout()
{
    for (auto* l : labels_) {
        l->clear();
        l->setCursor(Qt::ArrowCursor);
        QFont f = font();
        l->setFont(f);
        l->setStyleSheet(QString());
        l->setProperty("isLink", false);
    }
    setWindowTitle(Q(info_.Caption));
    QStyle::StandardPixmap icon{};
    bool hasIcon = true;
    switch (info_.MsgType) {
    case 0: icon = QStyle::SP_MessageBoxWarning; break;
    case 1: icon = QStyle::SP_MessageBoxCritical; break;
    case 2: icon = QStyle::SP_MessageBoxInformation; break;
    case 3: icon = QStyle::SP_MessageBoxQuestion; break;
    default: hasIcon = false; break;
    }
    if (hasIcon)
        image1_->setPixmap(style()->standardIcon(icon).pixmap(41, 41));

    int width = kDesignWidth;
    int n = 0;
    for (int i = 0; i < 10; ++i) {
        const auto& line = info_.Lines[i];
        QLabel* l = labels_[i];
        l->setText(Q(line.Text));
        QColor c = ToQColor(line.Color);
        if (!line.Text.empty())
            ++n;
        if (!line.URL.empty()) {
            l->setProperty("isLink", true);
            l->setCursor(Qt::PointingHandCursor);
            c = ToQColor(clBlue);
            QFont f = l->font();
            f.setUnderline(true);
            l->setFont(f);
        }
        l->setStyleSheet(QString("color: %1").arg(c.name()));
        l->adjustSize();
        width = std::max(width, l->x() + l->width());
    }
    const int clientWidth = width + 30;
    const int clientHeight = Message2ClientHeight(n, kBottomHeight, kDesignClientHeight - kBottomHeight);

    for (auto* b : buttons_)
        b->hide();
    const auto shown = Message2Buttons(info_);
    std::vector<int> widths;
    for (std::size_t k = 0; k < shown.size(); ++k) {
        QPushButton* b = buttons_[k];
        b->setText(Q(shown[k].Caption));
        results_[k] = shown[k].ModalResult;
        int w = kButtonWidth;
        if (!info_.ButtonCaptions[k].empty())
            w = std::max(w, TextWidthByFont(shown[k].Caption, font(), 1.3));
        b->resize(w, kButtonHeight);
        b->show();
        widths.push_back(w);
    }
    const auto lefts = Message2ButtonLefts(clientWidth, widths, 10);
    for (std::size_t k = 0; k < lefts.size(); ++k)
        buttons_[k]->move(lefts[k], 3);

    setFixedSize(clientWidth, clientHeight);
    agreeMode_ = info_.AgreeMode;
    agreeCaption_ = info_.AgreeCaption;
    agreeResult_ = info_.AgreeResult;
}

void TMessageBox2::Rebuild()
{
    ApplyPreset(id_);
    Layout();
    pnlAgree_->hide();
    QString trimmed = Q(agreeCaption_).trimmed();
    if (trimmed.isEmpty())
        agreeMode_ = 0;
    int clientHeight = height();
    if (agreeMode_ != 0) {
        pnlAgree_->show();
        btnAgree_->setText(Q(agreeCaption_));
        btnAgree_->setChecked(agreeResult_);
        if (agreeMode_ == 1)
            buttons_[0]->setEnabled(btnAgree_->isChecked());
        clientHeight += kAgreeHeight;
    } else {
        buttons_[0]->setEnabled(true);
    }
    setFixedSize(width(), clientHeight);
    const int agreeH = agreeMode_ != 0 ? kAgreeHeight : 0;
    pnlBottom_->setGeometry(0, clientHeight - kBottomHeight, width(), kBottomHeight);
    pnlAgree_->setGeometry(0, clientHeight - kBottomHeight - agreeH, width(), kAgreeHeight);
    pnlClient_->setGeometry(0, 0, width(), clientHeight - kBottomHeight - agreeH);
    setResult(mrNone);
}

bool TMessageBox2::GetAgreeResult()
{
    agreeResult_ = btnAgree_->isChecked();
    return agreeResult_;
}

void TMessageBox2::btnAgreeClick()
{
    if (agreeMode_ == 1)
        buttons_[0]->setEnabled(btnAgree_->isChecked());
}

void TMessageBox2::LinkClick(int index)
{
    const std::string url = info_.Lines[index].URL;
    if (auto& open = UrlOpener())
        open(url);
    labels_[index]->setStyleSheet(QString("color: %1").arg(ToQColor(clPurple).name()));
}

bool TMessageBox2::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonRelease) {
        auto* l = qobject_cast<QLabel*>(o);
        if (l && l->property("isLink").toBool()) {
            LinkClick(l->property("Tag").toInt());
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}

void TMessageBox2::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (agreeMode_ == 1) {
        btnAgree_->setFocus();
    } else if (info_.DefaultButton >= 0 && info_.DefaultButton < 3) {
        QPushButton* b = buttons_[info_.DefaultButton];
        if (b->isVisibleTo(this) && b->isEnabled())
            b->setFocus();
    }
}

void TMessageBox2::keyPressEvent(QKeyEvent* e)
{
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    if (ctrl && (e->key() == Qt::Key_C || (e->key() == Qt::Key_3 && (e->modifiers() & Qt::KeypadModifier)))) {
        QApplication::clipboard()->setText(Q(Message2ClipboardText(info_)));
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        // Closing happens on the key's release, as the box always did.
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TMessageBox2::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        reject();
        return;
    }
    QDialog::keyReleaseEvent(e);
}

void TMessageBox2::reject() { done(mrCancel); }

void SetMessage2Interceptor(Message2Interceptor f) { Interceptor() = std::move(f); }
Message2Interceptor GetMessage2Interceptor() { return Interceptor(); }

int MessageDlg2(TMessage2InfoRec& rec)
{
    if (auto& f = Interceptor()) {
        // The interceptor sees the record the box would show, preset applied.
        TMessage2InfoRec shown = rec;
        if (shown.ID != 0)
            ApplyMessage2Preset(shown.ID, shown);
        const int r = f(shown);
        rec.AgreeResult = shown.AgreeResult;
        return r;
    }
    QWidget* owner = QApplication::activeWindow();
    TMessageBox2 box(owner);
    box.SetInfo(rec);
    box.Rebuild();
    const int r = box.exec();
    rec.AgreeResult = box.GetAgreeResult();
    return r;
}

int ShowMessage2(int kind, const std::string& text, TMsgDlgButtons buttons)
{
    TMessage2InfoRec rec;
    InitMessage2Info(kind, rec);
    if (buttons != 0)
        rec.Buttons = buttons;
    std::size_t start = 0;
    for (std::size_t i = 0; i < rec.Lines.size(); ++i) {
        const std::size_t cr = text.find('\r', start);
        rec.Lines[i].Text = text.substr(start, cr == std::string::npos ? std::string::npos : cr - start);
        if (cr == std::string::npos)
            break;
        start = cr + 1;
        if (start < text.size() && text[start] == '\n')
            ++start;
    }
    return MessageDlg2(rec);
}

void TMessage2ErrorUi::ShowMessageBox(const std::string& text, TMsgDlgType type)
{
    ShowMessage2(static_cast<int>(type), text);
}

void TMessage2ErrorUi::RequestTerminate()
{
    // exit, not quit: a quit is a request that a window may refuse (and that is ignored outside
    // the application's loop); the box has promised the end.
    QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
}

} // namespace kb
