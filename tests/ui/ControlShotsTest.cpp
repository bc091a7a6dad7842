// Screenshots of the controls for docs/ui-controls.md. They are written only when KB_WRITE_SHOTS is
// set (to 1, or to a folder), so an ordinary test run never rewrites the documentation:
//   KB_WRITE_SHOTS=1 build/tests/kb_test_ui --gtest_filter='ControlShots.*'

#include "platform/Date.h"
#include "ui/PavonaEdit.h"
#include "ui/PavonaExDateEdit.h"
#include "ui/PavonaExDateEditLib.h"
#include "ui/xCheckBox.h"
#include "ui/xComboBox.h"
#include "ui/xEdit.h"
#include "ui/xKikanPanel12.h"
#include "ui/xKikanPanel16.h"
#include "ui/xKikanPanel4.h"
#include "ui/xMaskEdit.h"
#include "ui/xPFbtn.h"
#include "ui/xPlButton.h"
#include "ui/xRadioButton.h"
#include "ui/xWizard.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace kb;

namespace {

QString ShotDir()
{
    const char* v = std::getenv("KB_WRITE_SHOTS");
    if (!v || !*v) return {};
    if (QString(v) != "1") return QString::fromLocal8Bit(v);
    const char* src = std::getenv("KB_SOURCE_DIR");
    return QString::fromLocal8Bit(src ? src : KB_SOURCE_DIR_DEFAULT) + "/docs/images";
}

void Save(QWidget& w, const QString& name)
{
    w.setFont(QFont("Noto Sans CJK JP", 10));
    w.setAutoFillBackground(true);
    w.show();
    w.adjustSize();
    QApplication::processEvents();
    const QString dir = ShotDir();
    QDir().mkpath(dir);
    ASSERT_TRUE(w.grab().save(dir + "/" + name)) << (dir + "/" + name).toStdString();
}

class ControlShots : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (ShotDir().isEmpty()) GTEST_SKIP() << "set KB_WRITE_SHOTS to write the screenshots";
    }
};

} // namespace

TEST_F(ControlShots, EntryControls)
{
    QWidget w;
    auto* form = new QFormLayout(&w);
    auto* name = new TxEdit;
    name->setText("山田 太郎");
    form->addRow("氏名", name);
    auto* check = new TxCheckBox;
    check->setText("前年の残高を繰り越す");
    check->setChecked(true);
    form->addRow("繰越", check);
    auto* radio = new TxRadioButton;
    radio->setText("一般用");
    radio->setChecked(true);
    form->addRow("様式", radio);
    auto* combo = new TxComboBox;
    combo->setEditable(true);
    combo->addItems({"001:現金", "002:普通預金", "003:売掛金"});
    combo->SetKeyLen(3);
    combo->setCurrentIndex(1);
    form->addRow("科目", combo);
    auto* mask = new TxMaskEdit;
    mask->setInputMask("999-9999");
    mask->setText("1000001");
    form->addRow("郵便番号", mask);
    auto* keys = new QWidget;
    auto* row = new QHBoxLayout(keys);
    row->setContentsMargins(0, 0, 0, 0);
    for (const char* k : {"ESC", "F1", "F5", "F10"}) {
        auto* b = new TxPFbtn;
        b->setObjectName(k);
        auto* l = new QHBoxLayout(b);
        l->setContentsMargins(4, 1, 4, 1);
        l->addWidget(new QLabel(QString(k) + (QString(k) == "ESC" ? " 終了" : QString(k) == "F10" ? " 実行" : " 選択")));
        row->addWidget(b);
    }
    form->addRow("機能キー", keys);
    Save(w, "entry-controls.png");
}

TEST_F(ControlShots, NumericEdit)
{
    QWidget w;
    auto* form = new QFormLayout(&w);
    auto* amount = new TPavonaEdit;
    amount->SetEditStyle(TEditStyle::esNumericMinus);
    amount->SetOutputFormat("#,##0");
    amount->SetComma(true);
    amount->setAlignment(Qt::AlignRight);
    amount->SetMaxLength(11);
    amount->setText("1234567");
    amount->FormatText();
    form->addRow("金額", amount);
    auto* minus = new TPavonaEdit;
    minus->SetEditStyle(TEditStyle::esNumericMinus);
    minus->SetOutputFormat("#,##0");
    minus->setAlignment(Qt::AlignRight);
    minus->setText("-1500");
    minus->FormatText();
    form->addRow("差額", minus);
    auto* code = new TPavonaEdit;
    code->SetEditStyle(TEditStyle::esNumeric);
    code->setText("0042");
    form->addRow("コード", code);
    Save(w, "numeric-edit.png");
}

TEST_F(ControlShots, Wizard)
{
    QWidget w;
    auto* v = new QVBoxLayout(&w);
    auto* header = new QLabel;
    header->setStyleSheet("font-weight: bold");
    auto* info = new QLabel;
    auto* wiz = new TxWizard;
    wiz->addWidget(new QLabel("データ選択のページ"));
    wiz->addWidget(new QLabel("出力先のページ"));
    wiz->addWidget(new QLabel("確認のページ"));
    wiz->setMinimumSize(360, 80);
    auto* buttons = new QHBoxLayout;
    auto* back = new QPushButton;
    auto* next = new QPushButton;
    buttons->addStretch();
    buttons->addWidget(back);
    buttons->addWidget(next);
    v->addWidget(header);
    v->addWidget(info);
    v->addWidget(wiz);
    v->addLayout(buttons);
    wiz->SetHeaderCaption({"データの選択", "出力先の指定", "内容の確認"});
    wiz->SetInfoCaption({"連動するデータを選んでください。", "出力先のフォルダを指定してください。",
                         "「完了」を押すと連動ファイルを作成します。"});
    wiz->SetLblHeader(header);
    wiz->SetLblInfo(info);
    wiz->SetBackButton(back);
    wiz->SetNextButton(next);
    wiz->NextStep();
    wiz->NextStep();
    Save(w, "wizard.png");
}

TEST_F(ControlShots, GradientButtons)
{
    QWidget w;
    auto* grid = new QHBoxLayout(&w);
    struct B { const char* a; const char* b; TxPlButtonStyle style; TxPlBtnAlignment al; bool enabled; };
    const B specs[] = {
        {"OK", "", TxPlButtonStyle::bsNormal, TxPlBtnAlignment::taCenter, true},
        {"取消", "", TxPlButtonStyle::bsFlat, TxPlBtnAlignment::taEven, true},
        {"F12", "終了", TxPlButtonStyle::bsRoundRect, TxPlBtnAlignment::taCenter, true},
        {"ヘルプ", "", TxPlButtonStyle::bsRoundRectNoFrame, TxPlBtnAlignment::taCenter, true},
        {"実行", "", TxPlButtonStyle::bsNormal, TxPlBtnAlignment::taCenter, false},
    };
    TxPlButton* first = nullptr;
    for (const B& s : specs) {
        auto* b = new TxPlButton;
        b->setFixedSize(90, QString(s.b).isEmpty() ? 30 : 44);
        b->SetGradEndColor(QColor(0xB6, 0xB6, 0xB6));
        b->SetButtonStyle(s.style);
        b->CaptionA().SetCaption(s.a);
        b->CaptionA().SetAlignment(s.al);
        b->CaptionB().SetCaption(s.b);
        b->setEnabled(s.enabled);
        grid->addWidget(b);
        if (!first) first = b;
    }
    w.show();
    first->setFocus();
    Save(w, "gradient-buttons.png");
}

TEST_F(ControlShots, PeriodPanels)
{
    QWidget w;
    auto* form = new QFormLayout(&w);
    auto* p16 = new TxKikanPanel16;
    p16->setFixedSize(16 * 20 + 8, 24);
    p16->SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1));
    p16->SetStno(4);
    p16->SetEdno(7);
    form->addRow("16期間", p16);
    auto* kakutei = new TxKikanPanel16;
    kakutei->setFixedSize(16 * 20 + 8, 24);
    kakutei->SetKikan(99, Date(2024, 1, 1), Date(2024, 12, 31), Date(2024, 1, 1));
    kakutei->SetKakuteiMode(true);
    kakutei->SetKakuteiMNo(4);
    kakutei->SetStno(8);
    kakutei->SetEdno(8);
    form->addRow("締め済み", kakutei);
    auto* p12 = new TxKikanPanel12;
    p12->setFixedSize(12 * 24 + 8, 24);
    p12->SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1));
    p12->SetStno(0);
    p12->SetEdno(2);
    form->addRow("月", p12);
    auto* q = new TxKikanPanel4;
    q->setFixedSize(4 * 24 + 8, 24);
    q->SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1));
    form->addRow("四半期", q);
    auto* h = new TxKikanPanel4;
    h->setFixedSize(2 * 24 + 8, 24);
    h->SetBtnCnt(2);
    h->SetKikan(99, Date(2024, 4, 1), Date(2025, 3, 31), Date(2024, 4, 1));
    form->addRow("半期", h);
    Save(w, "period-panels.png");
}

TEST_F(ControlShots, EraDateEdit)
{
    QWidget w;
    auto* form = new QFormLayout(&w);
    auto* date = new TPavonaExDateEdit;
    date->SetDate(DateTime(Date(2024, 4, 1)));
    form->addRow("和暦", date);
    auto* both = new TPavonaExDateEdit;
    both->SetGengo(TPavonaExRekiSet::rsBoth);
    both->SetEditStyle(TPavonaExDateEditStyle::desYearMonthDayHM);
    both->SetDate(DateTime(Date(2019, 4, 30), 13, 5));
    form->addRow("和暦/西暦と時刻", both);
    auto* west = new TPavonaExDateEdit;
    west->SetGengo(TPavonaExRekiSet::rsSeireki);
    west->SetEditStyle(TPavonaExDateEditStyle::desYearMonthDayHMS);
    west->SetEditAmpm(true);
    west->SetDate(DateTime(Date(2024, 12, 31), 23, 59, 59));
    form->addRow("西暦と午前/午後", west);
    Save(w, "era-date-edit.png");
}
