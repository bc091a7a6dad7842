#include "dataselect/z5DataSentakuPrintDlg.h"

#include "dataselect/z5DataSentaku.h"
#include "dataselect/z5PrDataList.h"
#include "core/ErrorReporter.h"
#include "platform/Text.h"
#include "ui/z5MessageDlg2.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <memory>

namespace kb {

TDataSentakuPrintDlg::TDataSentakuPrintDlg(QWidget* parent) : TPrintDlgBox(parent)
{
    setObjectName("DataSentakuPrintDlg");
    auto* row = new QHBoxLayout;
    Label2 = new QLabel("用紙向き:", pnlClient);
    GroupBox1 = new QGroupBox(pnlClient);
    auto* grp = new QHBoxLayout(GroupBox1);
    btnYousiTate = new QRadioButton("縦", GroupBox1);
    btnYousiYoko = new QRadioButton("横", GroupBox1);
    btnYousiTate->setChecked(true);
    grp->addWidget(btnYousiTate);
    grp->addWidget(btnYousiYoko);
    row->addWidget(Label2);
    row->addWidget(GroupBox1);
    row->addStretch();
    static_cast<QVBoxLayout*>(pnlClient->layout())->insertLayout(1, row);
    HintMemo = HintArea;
    F12Button = btnOK;
}

void TDataSentakuPrintDlg::Setup(std::uint8_t mode)
{
    ShowColor = false;
    ShowStartPage = false;
    ShowBothSides = false;
    TPrintDlgBox::Setup(mode);
}

void TDataSentakuPrintDlg::ArrangeControls()
{
    UseStyleColor = true;
    TPrintDlgBox::ArrangeControls();
    Orientation = 0;
    btnYousiTate->setChecked(true);
    OrientationIO("Fukugen");
}

void TDataSentakuPrintDlg::LoadHints()
{
    TPrintDlgBox::LoadHints();
    const char* orientation = "印刷帳票の用紙の向きを選択します。|印刷帳票の用紙の向きを選択します。\r\n"
                              "[横]を選択したときに限り、帳票上にコード情報を出力します。";
    SetHint(btnYousiTate, orientation);
    SetHint(btnYousiYoko, orientation);
    for (QWidget* b : {btnPreview, btnOK, btnCancel}) SetHint(b, "|[ﾌﾟﾚﾋﾞｭｰ]ﾎﾞﾀﾝを押すと画面上に印刷ｲﾒｰｼﾞを出力します。");
}

void TDataSentakuPrintDlg::btnOKClick(QPushButton* sender)
{
    Orientation = btnYousiYoko->isChecked() ? 1 : 0;
    TPrintDlgBox::btnOKClick(sender);
    OrientationIO("Hozon");
}

void TDataSentakuPrintDlg::OrientationIO(const std::string& direction)
{
    const std::string d = AsciiUpper(direction);
    if (d == "HOZON") {
        GamenKeyText.clear();
        OptionList << QString("P010=%1").arg(Orientation);
        if (PrintRec) PrintRec->Options = OptionList.join("\r\n").toStdString();
        PutGamenKeyValue();
    } else if (d == "FUKUGEN") {
        GetGamenKeyValue();
        bool ok = false;
        const int v = QString::fromStdString(OptionValue("P010")).trimmed().toInt(&ok);
        Orientation = ok ? v : 0;
        btnYousiTate->setChecked(true);
        if (Orientation == 1) btnYousiYoko->setChecked(true);
    }
}

void TDataSentakuBox::PrintDataList()
{
    if (DispIndex.empty()) {
        ShowMessage2(2, "データリストが絞り込みにより表示されていません。\r", Btn(TMsgDlgBtn::mbYes));
        return;
    }
    TDataSentakuPrintDlg dlg(this);
    TDefaultPrintRec rec;
    InitDefaultPrintRec(rec);
    rec.StyleName = "DataSentakuList";
    dlg.PrintRec = &rec;
    dlg.UseStyleColor = false;
    dlg.DlgCaption = "データリストの印刷";
    dlg.Message = "データリストを印刷します。";
    dlg.MessageColor = dlg.palette().color(QPalette::WindowText);
    dlg.ShowPreviewButton = true;
    dlg.ShowCopyButton = false;
    dlg.Setup(1);
    if (dlg.exec() != mrOk) return;
    auto printer = std::make_unique<TPrDataList>();
    printer->PrintRec = rec;
    printer->ServerList = 0;
    printer->Rows = Rows;
    printer->DispIndex = DispIndex;
    printer->Orientation = dlg.Orientation;
    try {
        if (dlg.PrintResult == 1) printer->Print(true);
        else if (dlg.PrintResult == 2) printer->Print(false);
    } catch (const std::exception& e) {
        ShowErrorDetail("データリストの印刷に失敗しました。", e.what());
    }
}

} // namespace kb
