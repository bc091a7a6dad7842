#include "ui/z5MessageDlg.h"

#include "ui/xCheckBox.h"
#include "ui/xPlButton.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>

namespace kb {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
constexpr int kClientW = 504, kClientH = 293, kBottomH = 41, kAreaTop = 72, kAreaH = 156;
} // namespace

void InitMessageBoxRec(TMessageInfoRec& rec) { rec = TMessageInfoRec{}; }

TMessageBoxButtons MessageBoxButtons(std::int32_t msgType)
{
    TMessageBoxButtons b;
    if (msgType == 1) {
        b.OkVisible = false;
        b.CancelCaption = "OK";
        b.CancelResult = mrOk;
    }
    b.AgreeVisible = msgType == 2 || msgType == 3;
    b.OkEnabled = msgType != 2;
    return b;
}

TMessageBox::TMessageBox(QWidget* parent) : TBSDI(parent, true)
{
    setObjectName("MessageBox");
    pnlClient_ = new QWidget(this);
    pnlClient_->setObjectName("pnlClient");
    lblMain = new QLabel("メッセージ", pnlClient_);
    lblMain->setObjectName("lblMain");
    lblMain->setWordWrap(true);
    lblMain->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMain->setGeometry(24, 16, 445, 49);
    MessageArea = new QPlainTextEdit(pnlClient_);
    MessageArea->setObjectName("MessageArea");
    MessageArea->setReadOnly(true);
    MessageArea->setFocusPolicy(Qt::ClickFocus);
    MessageArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    cboxAgree = new TxCheckBox(pnlClient_);
    cboxAgree->setText("同意する。");
    cboxAgree->setObjectName("cboxAgree");
    connect(cboxAgree, &QCheckBox::clicked, this, [this] { cboxAgreeClick(); });
    pnlBottom_ = new QWidget(this);
    pnlBottom_->setObjectName("pnlBottom");
    btnOK = new TxPlButton(pnlBottom_);
    btnOK->setObjectName("btnOK");
    btnOK->CaptionA().SetCaption("OK");
    btnOK->SetModalResult(mrOk);
    btnCancel = new TxPlButton(pnlBottom_);
    btnCancel->setObjectName("btnCancel");
    btnCancel->CaptionA().SetCaption("キャンセル");
    btnCancel->SetModalResult(mrCancel);
    // Cancel closes through its modal result; OK also runs its handler.
    connect(btnOK, &TxPlButton::Clicked, this, [this] { done(btnOK->ModalResult()); });

    HostMenuNotify = false;
    NoBusyCheck = false;
    UseFormSize = false;
    ActivateParamFlag = 0;
    F12Button = btnOK;
    MainColor = 0;
    resize(kClientW, kClientH);
    designWidth_ = kClientW;
    designHeight_ = kClientH;
    Initialized = true;
}

void TMessageBox::SetLines(const std::vector<std::string>& lines) { lines_ = lines; }

void TMessageBox::resizeEvent(QResizeEvent* e)
{
    TBSDI::resizeEvent(e);
    const int w = width(), h = height();
    pnlBottom_->setGeometry(0, h - kBottomH, w, kBottomH);
    pnlClient_->setGeometry(0, 0, w, h - kBottomH);
    const int clientH = h - kBottomH;
    // The memo keeps its margins to the right and bottom edges; the agree box keeps its distance
    // to the bottom; the buttons keep theirs to the right edge.
    const int rightMargin = kClientW - 24 - 465;
    const int bottomMargin = kClientH - kBottomH - kAreaTop - kAreaH;
    MessageArea->setGeometry(24, kAreaTop, w - 24 - rightMargin, clientH - kAreaTop - bottomMargin);
    cboxAgree->setGeometry(24, clientH - (kClientH - kBottomH - 234), 441, 20);
    btnOK->setGeometry(w - (kClientW - 295), 6, 90, 26);
    btnCancel->setGeometry(w - (kClientW - 399), 6, 90, 26);
}

void TMessageBox::Setup()
{
    agreeShown_ = Kind == 2 || Kind == 3;
    resize(designWidth_, designHeight_);
    ApplyInfo();
    PositionPending = false;
}

void TMessageBox::ApplyInfo()
{
    btnOK->setVisible(true);
    btnOK->CaptionA().SetCaption("OK");
    btnOK->SetModalResult(mrOk);
    btnCancel->setVisible(true);
    const TMessageBoxButtons b = MessageBoxButtons(Kind);
    btnOK->setVisible(b.OkVisible);
    btnCancel->CaptionA().SetCaption(Q(b.CancelCaption));
    btnCancel->SetModalResult(b.CancelResult);
    setWindowTitle(Q(MsgCaption));
    lblMain->setText(Q(MainText));
    lblMain->setStyleSheet(QString("color: %1").arg(ToQColor(MainColor).name()));
    QStringList l;
    for (const auto& s : lines_)
        l << Q(s);
    MessageArea->setPlainText(l.join('\n'));
    if (lines_.empty()) {
        MessageArea->hide();
        resize(width(), height() - kAreaH);
    } else {
        MessageArea->show();
    }
    cboxAgree->setVisible(agreeShown_);
    cboxAgree->setText(Q(AgreeCaption));
    cboxAgree->setChecked(AgreeTick);
    btnOK->setEnabled(true);
    if (Kind == 2)
        btnOK->setEnabled(!agreeShown_);
}

void TMessageBox::cboxAgreeClick()
{
    if (Kind == 2)
        btnOK->setEnabled(cboxAgree->isChecked());
}

void TMessageBox::ShowingChanged()
{
    if (!Initialized) {
        std::string text = "%s画面の初期化に失敗しました。\r処理を終了します。";
        text.replace(text.find("%s"), 2, Caption());
        ShowMessage2(1, text, Btn(TMsgDlgBtn::mbYes));
        close();
        return;
    }
    if (isVisible())
        btnCancel->setFocus();
}

void PlaceByPosition(QWidget* form, std::uint8_t position)
{
    QScreen* sc = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    const QRect work = sc->availableGeometry();
    QRect area;
    switch (position) {
    case poScreenCenter:
    case poDesktopCenter: area = work; break;
    case poMainFormCenter:
        area = BSDIMainForm() ? BSDIMainForm()->frameGeometry() : work;
        break;
    case poOwnerFormCenter:
        area = form->parentWidget() ? form->parentWidget()->window()->frameGeometry() : work;
        break;
    default: return;
    }
    form->move(area.x() + (area.width() - form->width()) / 2, area.y() + (area.height() - form->height()) / 2);
}

int ShowMessageBox(const TMessageInfoRec& rec)
{
    TMessageBox box(QApplication::activeWindow());
    box.Kind = rec.MsgType;
    box.MsgCaption = rec.Caption;
    box.MainText = rec.MainText;
    box.MainColor = rec.MainColor;
    box.SetLines(rec.Lines);
    box.AgreeCaption = rec.AgreeCaption;
    box.Setup();
    PlaceByPosition(&box, rec.Position);
    return box.exec();
}

} // namespace kb
