#include "ui/z5InputDlg.h"

#include "core/z5ComFunc.h"

#include "core/uAccDateCmp.h"
#include "ui/PavonaEdit.h"
#include "ui/PavonaExDateEdit.h"
#include "ui/PavonaExDateEditLib.h"
#include "ui/xCheckBox.h"
#include "ui/xComboBox.h"
#include "ui/xEdit.h"
#include "ui/xPlButton.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include <algorithm>

namespace kb {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kPanelLeft = 16, kPanelTop = 72;

DateTime ToDateTime(const Date& d) { return d.IsNull() ? DateTime() : DateTime(d); }

// The process era list as the date edits take it (newest first).
std::vector<TPavonaExGengo> EraTable()
{
    std::vector<TPavonaExGengo> t;
    for (const TGengoRec& g : GengoList)
        t.push_back({g.Name, g.Sign, g.StartDate, g.StartYear});
    return t;
}

} // namespace

bool InputDlgKeyPasses(int filter, char32_t ch)
{
    if (ch == U'\r')
        return true;
    const bool digit = ch >= U'0' && ch <= U'9';
    const bool letter = (ch >= U'A' && ch <= U'Z') || (ch >= U'a' && ch <= U'z');
    const bool bs = ch == 8;
    switch (filter) {
    case 10: return bs || ch == U'-' || ch == U'.' || digit;
    case 20: return bs || letter;
    case 30: return bs || digit || letter;
    case 40: return std::u32string_view(U"\"*,/:;<>?\\|").find(ch) == std::u32string_view::npos;
    default: return true;
    }
}

std::optional<std::string> InputDlgTextRefusal(const std::string& text, bool required, const std::vector<std::string>& ngList,
                                const std::string& ngMessage)
{
    const std::string t = TrimZen(text);
    if (required && t.empty())
        return "入力してから[OK]ボタンを押して下さい。";
    if (std::find(ngList.begin(), ngList.end(), t) != ngList.end())
        return ngMessage;
    return std::nullopt;
}

TInputDlgBox::TInputDlgBox(QWidget* parent) : TBSDI(parent, true)
{
    setObjectName("InputDlgBox");
    resize(427, 251);
    auto* pnlClient = new QWidget(this);
    pnlClient->setObjectName("pnlClient");
    pnlClient->setGeometry(0, 0, 427, 251 - 128);
    lblMain = new QLabel("メッセージ", pnlClient);
    lblMain->setObjectName("lblMain");
    lblMain->setWordWrap(true);
    lblMain->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMain->setGeometry(16, 16, 393, 49);

    pnlText = new QWidget(pnlClient);
    pnlText->setObjectName("pnlText");
    pnlText->setGeometry(kPanelLeft, kPanelTop, 393, 28);
    txtInput = new TxEdit(pnlText);
    txtInput->setObjectName("txtInput");
    txtInput->setGeometry(0, 0, 250, 24);
    txtInput->installEventFilter(this);
    txtInput->setStyleSheet("lineedit-password-character: 42;"); // masked with "*"
    btnFuseji = new TxCheckBox(pnlText);
    btnFuseji->setText("伏字にせず入力");
    btnFuseji->setObjectName("btnFuseji");
    btnFuseji->setGeometry(256, 2, 137, 20);
    btnFuseji->setFocusPolicy(Qt::ClickFocus);
    connect(btnFuseji, &QCheckBox::clicked, this, [this] { btnFusejiClick(); });

    pnlCombo = new QWidget(pnlClient);
    pnlCombo->setObjectName("pnlCombo");
    pnlCombo->resize(393, 28);
    cmbInput = new TxComboBox(pnlCombo);
    cmbInput->setObjectName("cmbInput");
    cmbInput->setEditable(true);
    cmbInput->setMaxVisibleItems(16);
    cmbInput->setAttribute(Qt::WA_InputMethodEnabled, false);
    cmbInput->setGeometry(0, 0, 265, 24);

    pnlKingaku = new QWidget(pnlClient);
    pnlKingaku->setObjectName("pnlKingaku");
    pnlKingaku->resize(393, 28);
    txtKingaku = new TPavonaEdit(pnlKingaku);
    txtKingaku->setObjectName("txtKingaku");
    txtKingaku->setGeometry(0, 0, 120, 24);
    txtKingaku->setAlignment(Qt::AlignRight);
    txtKingaku->SetEditStyle(TEditStyle::esNumericMinus);
    txtKingaku->SetMaxLength(11);
    txtKingaku->SetOutputFormat("#,##0");
    txtKingaku->SetComma(true);
    txtKingaku->SetZero3Key(TZeroKey::zkDot);
    txtKingaku->SetKeyStyles(TKeyStyles{TKeyStyle::ksEnter, TKeyStyle::ksUp});
    txtKingaku->setAttribute(Qt::WA_InputMethodEnabled, false);
    auto* yen = new QLabel("円", pnlKingaku);
    yen->setGeometry(126, 4, 20, 18);

    pnlDate = new QWidget(pnlClient);
    pnlDate->setObjectName("pnlDate");
    pnlDate->resize(393, 28);
    auto* from = new QLabel("(自)", pnlDate);
    from->setGeometry(0, 4, 30, 18);
    txtHizuke1 = new TPavonaExDateEdit(pnlDate);
    txtHizuke1->setObjectName("txtHizuke1");
    auto* to = new QLabel("(至)", pnlDate);
    txtHizuke2 = new TPavonaExDateEdit(pnlDate);
    txtHizuke2->setObjectName("txtHizuke2");
    for (TPavonaExDateEdit* d : {txtHizuke1, txtHizuke2}) {
        d->SetEditStyle(TPavonaExDateEditStyle::desYearMonthDay);
        d->SetYeardigit(TPavonaExYeardigitSet::yddigit4);
        d->SetEditGengo(true);
        d->SetGengo(TPavonaExRekiSet::rsWareki);
        d->SetCanEmpty(true);
        d->SetDialogCaption("日付時刻入力");
    }
    txtHizuke1->move(32, 0);
    to->setGeometry(txtHizuke1->x() + txtHizuke1->sizeHint().width() + 6, 4, 30, 18);
    txtHizuke2->move(to->x() + 32, 0);
    pnlDate->resize(std::max(393, txtHizuke2->x() + txtHizuke2->sizeHint().width()), 28);

    auto* pnlBottom = new QWidget(this);
    pnlBottom->setObjectName("pnlBottom");
    pnlBottom->setGeometry(0, 251 - 128, 427, 128);
    HintArea = new QPlainTextEdit(pnlBottom);
    HintArea->setObjectName("HintArea");
    HintArea->setReadOnly(true);
    HintArea->setFocusPolicy(Qt::NoFocus);
    HintArea->setGeometry(16, 8, 395, 72);
    btnOK = new TxPlButton(pnlBottom);
    btnOK->setObjectName("btnOK");
    btnOK->CaptionA().SetCaption("OK");
    btnOK->setGeometry(225, 92, 90, 26);
    btnCancel = new TxPlButton(pnlBottom);
    btnCancel->setObjectName("btnCancel");
    btnCancel->CaptionA().SetCaption("キャンセル");
    btnCancel->SetModalResult(mrCancel);
    btnCancel->setGeometry(321, 92, 90, 26);
    connect(btnOK, &TxPlButton::Clicked, this, [this] { btnOKClick(); });
    setFixedSize(427, 251);

    HostMenuNotify = false;
    NoBusyCheck = false;
    UseFormSize = false;
    ActivateParamFlag = 0;
    HintMemo = HintArea;
    F12Button = btnOK;
    MainColor = 0;
    Initialized = true;
}

int TInputDlgBox::EffectiveKind() const
{
    return (InputKind >= 0 && InputKind <= 4) ? InputKind : 0;
}

void TInputDlgBox::ShowPanel(QWidget* panel)
{
    for (QWidget* p : {pnlText, pnlCombo, pnlKingaku, pnlDate})
        p->setVisible(p == panel);
    panel->move(kPanelLeft, kPanelTop);
}

void TInputDlgBox::Setup(int)
{
    setWindowTitle(Q(InputCaption));
    lblMain->setText(Q(MainText));
    lblMain->setStyleSheet(QString("color: %1").arg(ToQColor(MainColor).name()));
    const bool imeOff = InputImeMode == TImeMode::imDisable;
    switch (EffectiveKind()) {
    case 2:
        ShowPanel(pnlCombo);
        cmbInput->clear();
        for (const auto& s : ComboItems)
            cmbInput->addItem(Q(s));
        cmbInput->setEditText(Q(InputText));
        SetHint(cmbInput, InputHint);
        cmbInput->lineEdit()->setMaxLength(InputMaxLength > 0 ? InputMaxLength : 32767);
        cmbInput->setAttribute(Qt::WA_InputMethodEnabled, !imeOff);
        break;
    case 3:
        ShowPanel(pnlKingaku);
        txtKingaku->setText(Q(InputText));
        SetHint(txtKingaku, InputHint);
        txtKingaku->SetMaxLength(InputMaxLength);
        break;
    case 4:
        ShowPanel(pnlDate);
        for (auto [edit, value, lo, hi] : {std::tuple{txtHizuke1, Date1, Date1Min, Date1Max},
                                           std::tuple{txtHizuke2, Date2, Date2Min, Date2Max}}) {
            edit->SetEditGengo(true);
            edit->SetGengo(TPavonaExRekiSet::rsWareki);
            if (!GengoList.empty())
                edit->SetWarekiTable(EraTable());
            edit->SetMinDate(ToDateTime(lo)); // an empty limit is no limit
            edit->SetMaxDate(ToDateTime(hi));
            edit->SetDate(ToDateTime(value));
            SetHint(edit, InputHint);
        }
        break;
    default:
        ShowPanel(pnlText);
        txtInput->setText(Q(InputText));
        SetHint(txtInput, InputHint);
        txtInput->setMaxLength(InputMaxLength > 0 ? InputMaxLength : 32767);
        txtInput->setEchoMode(QLineEdit::Normal);
        btnFuseji->hide();
        if (InputKind == 1) {
            Required = true;
            btnFuseji->show();
            btnFusejiClick();
        }
        break;
    }
    txtInput->setAttribute(Qt::WA_InputMethodEnabled, !imeOff && (CharFilter == 0 || CharFilter == 40));
    txtInput->setContextMenuPolicy(imeOff ? Qt::NoContextMenu : Qt::DefaultContextMenu);
    SetCharFilter(CharFilter);
    SetHint(btnFuseji, "パスワードを伏字にせず入力します。|チェックを入れるとパスワードを伏字にしないで入力が行えます。");
    SetHint(btnOK, "内容を確定します。|内容を確定します。");
    SetHint(btnCancel, "画面を閉じます。|画面を閉じます。");
    PositionPending = false;
}

void TInputDlgBox::SetCharFilter(int filter) { CharFilter = filter; }

void TInputDlgBox::btnFusejiClick()
{
    txtInput->setEchoMode(btnFuseji->isChecked() ? QLineEdit::Normal : QLineEdit::Password);
}

bool TInputDlgBox::eventFilter(QObject* o, QEvent* e)
{
    if (o == txtInput) {
        if (e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            // With the input method disabled nothing may be pasted in.
            if (InputImeMode == TImeMode::imDisable &&
                (k->matches(QKeySequence::Paste) ||
                 (k->key() == Qt::Key_Insert && (k->modifiers() & Qt::ShiftModifier))))
                return true;
            if (CharFilter != 0) {
                const QString t = k->text();
                if (!t.isEmpty() && t[0].unicode() >= 32) {
                    for (char32_t c : t.toUcs4())
                        if (!InputDlgKeyPasses(CharFilter, c))
                            return true;
                }
            }
        }
        if (InputImeMode == TImeMode::imDisable && e->type() == QEvent::MouseButtonPress) {
            auto* m = static_cast<QMouseEvent*>(e);
            if (m->button() == Qt::RightButton || m->button() == Qt::MiddleButton)
                return true;
        }
        if (e->type() == QEvent::InputMethod && CharFilter != 0 && CharFilter != 40)
            return true;
    }
    return TBSDI::eventFilter(o, e);
}

void TInputDlgBox::btnOKClick()
{
    setResult(mrNone);
    switch (EffectiveKind()) {
    case 2: {
        if (Required && TrimZen(cmbInput->currentText().toStdString()).empty()) {
            ShowMessage2(2, "入力または選択してから[OK]ボタンを押して下さい。");
            cmbInput->setFocus();
            return;
        }
        InputText = cmbInput->currentText().toStdString();
        done(mrOk);
        return;
    }
    case 3:
        if (txtKingaku->text().trimmed().isEmpty())
            txtKingaku->setText("0");
        InputText = txtKingaku->text().toStdString();
        done(mrOk);
        return;
    case 4: {
        DateTime d1, d2;
        try {
            d1 = txtHizuke1->GetDate();
            d2 = txtHizuke2->GetDate();
        } catch (const EAbort&) {
            return; // the edit has shown its message and holds the focus
        }
        Date1 = d1.IsNull() ? Date() : d1.GetDate();
        Date2 = d2.IsNull() ? Date() : d2.GetDate();
        done(mrOk);
        return;
    }
    default: {
        const std::string text = txtInput->text().toStdString();
        if (const auto refusal = InputDlgTextRefusal(text, Required, NgList, NgMessage)) {
            ShowMessage2(2, *refusal);
            txtInput->setFocus();
            return;
        }
        InputText = text;
        done(mrOk);
        return;
    }
    }
}

void TInputDlgBox::ShowingChanged()
{
    if (!Initialized) {
        std::string text = "%s画面の初期化に失敗しました。\r処理を終了します。";
        text.replace(text.find("%s"), 2, Caption());
        ShowMessage2(1, text, Btn(TMsgDlgBtn::mbYes));
        close();
        return;
    }
    if (!isVisible())
        return;
    switch (EffectiveKind()) {
    case 2: cmbInput->setFocus(); break;
    case 3: txtKingaku->setFocus(); break;
    case 4: txtHizuke1->setFocus(); break;
    default: txtInput->setFocus(); break;
    }
}

} // namespace kb
