#include "print/z5PrintDlg.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "platform/Text.h"
#include "print/z5PrnColorSet.h"
#include "ui/xEdit.h"
#include "ui/z5MessageDlg2.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace kb {

namespace {
constexpr const char* kGetLabel = "TPrintDlgBox.GetStyleColorRec";
constexpr const char* kPutLabel = "TPrintDlgBox.PutStyleColorRec";
constexpr const char* kGetMessage = "ユーザー別帳票色情報の取得に失敗しました。";
constexpr const char* kPutMessage = "ユーザー別帳票色情報の更新に失敗しました。";
} // namespace

TPrintDlgBox::TPrintDlgBox(QWidget* parent) : TBSDI(parent)
{
    setObjectName("PrintDlgBox");
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* root = new QVBoxLayout(this);
    pnlClient = new QWidget(this);
    auto* client = new QVBoxLayout(pnlClient);
    lblMain = new QLabel(pnlClient);
    lblMain->setWordWrap(true);
    lblMain->setFixedWidth(405);
    client->addWidget(lblMain);

    auto* colorRow = new QHBoxLayout;
    lblColor = new QLabel("色指定:", pnlClient);
    grpColor = new QGroupBox(pnlClient);
    auto* grp = new QHBoxLayout(grpColor);
    btnMono = new QRadioButton("白黒印刷", grpColor);
    btnColor = new QRadioButton("カラー印刷", grpColor);
    btnMono->setChecked(true);
    grp->addWidget(btnMono);
    grp->addWidget(btnColor);
    btnColorSelect = new QPushButton("色選択", pnlClient);
    colorRow->addWidget(lblColor);
    colorRow->addWidget(grpColor);
    colorRow->addWidget(btnColorSelect);
    client->addLayout(colorRow);

    auto* pageRow = new QHBoxLayout;
    lblStartPage = new QLabel("開始ﾍﾟｰｼﾞ:", pnlClient);
    txtStartPage = new TxEdit(pnlClient);
    txtStartPage->setText("1");
    txtStartPage->setAlignment(Qt::AlignRight);
    txtStartPage->setAttribute(Qt::WA_InputMethodEnabled, false);
    pageRow->addWidget(lblStartPage);
    pageRow->addWidget(txtStartPage);
    pageRow->addStretch();
    client->addLayout(pageRow);
    chkBoth = new QCheckBox("両面印刷用に余白を調整する", pnlClient);
    client->addWidget(chkBoth);
    client->addStretch();
    root->addWidget(pnlClient, 1);

    pnlBottom = new QWidget(this);
    auto* bottom = new QVBoxLayout(pnlBottom);
    PanelHint = new QWidget(pnlBottom);
    auto* hint = new QVBoxLayout(PanelHint);
    hint->setContentsMargins(0, 0, 0, 0);
    HintArea = new QPlainTextEdit(PanelHint);
    HintArea->setReadOnly(true);
    HintArea->setFocusPolicy(Qt::NoFocus);
    HintArea->setMaximumHeight(60);
    hint->addWidget(HintArea);
    bottom->addWidget(PanelHint);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnPreview = new QPushButton("プレビュー", pnlBottom);
    btnCopy = new QPushButton("コピー", pnlBottom);
    btnOK = new QPushButton("OK", pnlBottom);
    btnCancel = new QPushButton("キャンセル", pnlBottom);
    for (QPushButton* b : {btnPreview, btnCopy, btnOK, btnCancel}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    bottom->addLayout(buttons);
    root->addWidget(pnlBottom);

    // The dialog closes once the whole handler, a descendant's share included, has run: the close
    // writes the options the descendant has just added.
    for (QPushButton* b : {btnPreview, btnCopy, btnOK})
        connect(b, &QPushButton::clicked, this, [this, b] {
            btnOKClick(b);
            if (PrintResult != 0) done(mrOk);
        });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(btnColorSelect, &QPushButton::clicked, this, [this] { btnColorSelectClick(); });

    HostMenuNotify = false;
    NoBusyCheck = false;
    UseFormSize = false;
    HintMemo = HintArea;
    MessageColor = palette().color(QPalette::WindowText);
    Initialized = true;
}

TPrintDlgBox::~TPrintDlgBox() = default;

void TPrintDlgBox::Setup(std::uint8_t mode)
{
    Mode = mode;
    LoadHints();
    ArrangeControls();
    PositionPending = false;
}

void TPrintDlgBox::ArrangeControls()
{
    PrintResult = 0;
    setWindowTitle(QString::fromStdString(DlgCaption));
    lblMain->setText(QString::fromStdString(Message));
    QPalette pal = lblMain->palette();
    pal.setColor(QPalette::WindowText, MessageColor);
    lblMain->setPalette(pal);
    for (QWidget* w : {static_cast<QWidget*>(lblColor), static_cast<QWidget*>(grpColor), static_cast<QWidget*>(btnColorSelect)})
        w->setVisible(ShowColor);
    lblStartPage->setVisible(ShowStartPage);
    txtStartPage->setVisible(ShowStartPage);
    chkBoth->setVisible(ShowBothSides);
    btnPreview->setVisible(ShowPreviewButton);
    btnCopy->setVisible(ShowCopyButton);
    if (PositionPending) {
        int h = height();
        if (ShowColor) h = 250;
        if (ShowStartPage) h = 300;
        if (ShowBothSides) h = 300;
        resize(width(), h);
    }
    GetStyleColorRec();
    OptionsIO("Fukugen");
}

void TPrintDlgBox::LoadHints()
{
    SetHint(btnMono, "白黒で印刷する場合に選択します。|白黒で印刷する場合に選択します。");
    SetHint(btnColor, "色付きで印刷する場合に選択します。|色付きで印刷する場合に選択します。\r\n「色選択」ﾎﾞﾀﾝを押すと好みの色に変更できます。");
    SetHint(btnColorSelect, "「色選択」画面を開きます。|「色選択」画面を開きます。\r\n「ｶﾗｰ印刷」を行う場合の色を指定します。");
    SetHint(txtStartPage, "1ﾍﾟｰｼﾞ目のﾍﾟｰｼﾞ番号を指定します。|1ﾍﾟｰｼﾞ目のﾍﾟｰｼﾞ番号を指定します。");
    SetHint(chkBoth, "偶数ﾍﾟｰｼﾞの余白を右側に取る場合にﾁｪｯｸします。|偶数ﾍﾟｰｼﾞの余白を右側に取る場合にﾁｪｯｸします。\r\n"
                     "両面への印刷は「印刷」ﾎﾞﾀﾝ押下後に表示する「印刷」画面で「ﾌﾟﾛﾊﾟﾃｨ」ﾎﾞﾀﾝを押して設定します。");
    SetHint(btnPreview, "帳票の印刷ｲﾒｰｼﾞを画面に表示します。|帳票の印刷ｲﾒｰｼﾞを画面に表示します。");
    SetHint(btnCopy, "帳票の情報をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします。|帳票の情報をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします。\r\n"
                     "ｺﾋﾟｰした情報はﾜｰﾌﾟﾛｿﾌﾄ、表計算ｿﾌﾄで貼り付けられます。");
    SetHint(btnOK, "帳票を印刷します。|帳票を印刷します。");
    SetHint(btnCancel, "印刷を取り止めます。|印刷を取り止めます。");
}

std::string TPrintDlgBox::OptionValue(const std::string& name) const
{
    const QString prefix = QString::fromStdString(name) + "=";
    for (const QString& line : OptionList)
        if (line.startsWith(prefix)) return line.mid(prefix.size()).toStdString();
    return {};
}

void TPrintDlgBox::OptionsIO(const std::string& mode)
{
    const std::string m = AsciiUpper(mode);
    if (!PrintRec) return;
    if (m == "HOZON") {
        OptionList.clear();
        if (ShowColor && PrintRec->ColorMode == 1) OptionList << "C010=1";
        if (ShowBothSides && PrintRec->BothSides) OptionList << "C020=1";
        PrintRec->Options = OptionList.join("\r\n").toStdString();
    } else if (m == "FUKUGEN") {
        OptionList = QString::fromStdString(PrintRec->Options).split(QRegularExpression("\r\n|\r|\n"), Qt::SkipEmptyParts);
        if (ShowColor && OptionValue("C010") == "1") {
            PrintRec->ColorMode = 1;
            btnColor->setChecked(true);
        }
        if (ShowBothSides && OptionValue("C020") == "1") {
            PrintRec->BothSides = true;
            chkBoth->setChecked(true);
        }
    }
}

void TPrintDlgBox::MakeStyleName(const std::string& name)
{
    const std::string padded = sjis::PadRight(AsciiUpper(StylePrefix + name), 40);
    StyleKey = QString::fromStdString(padded).trimmed().toStdString();
}

void TPrintDlgBox::GetStyleColorRec()
{
    if (!UseStyleColor || !PrintRec || PrintRec->StyleName.empty() || !DM) return;
    MakeStyleName(PrintRec->StyleName);
    try {
        fb::TransactionGuard guard(DM->IBTransactionDEF, fb::TransactionGuard::Unfinished::Commit);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL("SELECT LINECOLOR1,LINECOLOR2,NETCOLOR1,NETCOLOR2,SSTR FROM STYLECOLOR\n"
                 "WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        q.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        q.ParamByName("STYLENAME").SetString(StyleKey);
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            auto take = [&](const char* column, TColor& colour) {
                const int v = q.FieldByName(column).AsInteger();
                if (v != -1) colour = static_cast<TColor>(v);
            };
            take("LINECOLOR1", PrintRec->LineColor1);
            take("LINECOLOR2", PrintRec->LineColor2);
            take("NETCOLOR1", PrintRec->NetColor1);
            take("NETCOLOR2", PrintRec->NetColor2);
            PrintRec->Options = q.FieldByName("SSTR").AsString();
        }
        q.Close();
        guard.Commit();
    } catch (const FbError& e) {
        ShowIBError(e, kGetLabel, kGetMessage);
    } catch (const std::exception& e) {
        ShowErrorDetail(kGetMessage, e.what());
    }
}

void TPrintDlgBox::PutStyleColorRec()
{
    if (!UseStyleColor || !PrintRec || PrintRec->StyleName.empty() || !DM) return;
    MakeStyleName(PrintRec->StyleName);
    try {
        fb::TransactionGuard guard(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL("SELECT COUNT(OPCODE) AS RECCNT FROM STYLECOLOR\nWHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        q.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        q.ParamByName("STYLENAME").SetString(StyleKey);
        q.ExecQuery();
        const bool exists = q.FieldByName("RECCNT").AsInteger() != 0;
        q.Close();
        fb::Statement w(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        if (exists)
            w.SetSQL("UPDATE STYLECOLOR SET OPCODE=:OPCODE,STYLENAME=:STYLENAME,LINECOLOR1=:LINECOLOR1,LINECOLOR2=:LINECOLOR2,"
                     "LINECOLOR3=:LINECOLOR3,LINECOLOR4=:LINECOLOR4,LINECOLOR5=:LINECOLOR5,NETCOLOR1=:NETCOLOR1,NETCOLOR2=:NETCOLOR2,SSTR=:SSTR\n"
                     "WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        else
            w.SetSQL("INSERT INTO STYLECOLOR(OPCODE,STYLENAME,LINECOLOR1,LINECOLOR2,LINECOLOR3,LINECOLOR4,LINECOLOR5,NETCOLOR1,NETCOLOR2,SSTR)\n"
                     "VALUES(:OPCODE,:STYLENAME,:LINECOLOR1,:LINECOLOR2,:LINECOLOR3,:LINECOLOR4,:LINECOLOR5,:NETCOLOR1,:NETCOLOR2,:SSTR)");
        w.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        w.ParamByName("STYLENAME").SetString(StyleKey);
        for (const char* c : {"LINECOLOR1", "LINECOLOR2", "LINECOLOR3", "LINECOLOR4", "LINECOLOR5", "NETCOLOR1", "NETCOLOR2"})
            w.ParamByName(c).SetInteger(-1);
        // Only a colour of the form's own is stored; -1 follows the environment colour.
        auto own = [&](const char* column, TColor colour, int environment) {
            if (colour != static_cast<TColor>(environment)) w.ParamByName(column).SetInteger(static_cast<int>(colour));
        };
        own("LINECOLOR1", PrintRec->LineColor1, SystemDef.PLineColor1);
        own("LINECOLOR2", PrintRec->LineColor2, SystemDef.PLineColor2);
        own("NETCOLOR1", PrintRec->NetColor1, SystemDef.NetColor1);
        own("NETCOLOR2", PrintRec->NetColor2, SystemDef.NetColor2);
        w.ParamByName("SSTR").SetString(PrintRec->Options);
        w.ExecQuery();
        guard.Commit();
    } catch (const FbError& e) {
        ShowIBError(e, kPutLabel, kPutMessage);
    } catch (const std::exception& e) {
        ShowErrorDetail(kPutMessage, e.what());
    }
}

void TPrintDlgBox::btnOKClick(QPushButton* sender)
{
    if (PrintRec) {
        PrintRec->ColorMode = btnColor->isChecked() ? 1 : 0;
        bool ok = false;
        const int page = txtStartPage->text().trimmed().toInt(&ok);
        PrintRec->StartPage = ok && page != 0 ? page : 1;
        PrintRec->BothSides = chkBoth->isChecked();
    }
    OptionsIO("Hozon");
    PrintResult = sender == btnPreview ? 2 : sender == btnCopy ? 3 : 1;
}

void TPrintDlgBox::btnColorSelectClick()
{
    if (!PrintRec) return;
    TPrnColorSetBox box(this);
    box.PerForm = UseStyleColor ? 1 : 0;
    box.SetLineColor1(PrintRec->LineColor1);
    box.SetLineColor2(PrintRec->LineColor2);
    box.SetNetColor1(PrintRec->NetColor1);
    box.SetNetColor2(PrintRec->NetColor2);
    box.Setup(1);
    if (box.exec() == mrOk) {
        PrintRec->LineColor1 = box.LineColor1;
        PrintRec->LineColor2 = box.LineColor2;
        PrintRec->NetColor1 = box.NetColor1;
        PrintRec->NetColor2 = box.NetColor2;
        PutStyleColorRec();
    }
}

bool TPrintDlgBox::FormCloseHide()
{
    // Written on every close, cancel included.
    PutStyleColorRec();
    return true;
}

void TPrintDlgBox::showEvent(QShowEvent* e)
{
    TBSDI::showEvent(e);
    if (isVisible()) btnOK->setFocus();
}

} // namespace kb
