#include "UiTestHelp.h"
#include "core/uAccRecord.h"
#include "ui/PavonaExDateEdit.h"
#include "ui/PavonaExDateEditLib.h"
#include "ui/SDI.h"
#include "ui/xKikanPanel12.h"
#include "ui/xKikanPanel16.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

using namespace kb;

namespace {

// The process side of the base form kept in memory: FORMRSIZE rows by (operator, form), the
// operation-log calls and the hosting menu's answers.
struct FakeEnvironment : TBSDIEnvironment {
    int Op = 10001;
    std::map<std::pair<int, std::string>, std::pair<TFormRect, TFormRect>> FormSizes; // current, default
    std::vector<std::string> OpLog;
    std::vector<std::pair<int, std::string>> HostCalls;
    std::optional<int> BusyAnswer;  // nullopt: no hook
    int Code11Answer = 0x1234;
    int HostAnswer = -1;
    std::vector<std::string> Errors;
    bool FailOpLog = false;
    TScreenSettings Settings;
    std::map<std::string, std::string> Gamen;

    int OpCode() const override { return Op; }
    std::string PCName() const override { return "PC01"; }
    std::optional<int> HostMenu(int code, const std::string& text) override
    {
        if (!BusyAnswer)
            return std::nullopt;
        HostCalls.push_back({code, text});
        if (code == 10) return *BusyAnswer;
        if (code == 11) return Code11Answer;
        return 0;
    }
    void SetHostMenuAnswer(std::uint8_t a) override { HostAnswer = a; }
    std::optional<TFormRect> LoadFormSize(int op, const std::string& name) override
    {
        auto it = FormSizes.find({op, name});
        if (it == FormSizes.end())
            return std::nullopt;
        return it->second.first;
    }
    void InsertFormSize(int op, const std::string& name, const TFormRect& r) override { FormSizes[{op, name}] = {r, r}; }
    void UpdateFormSize(int op, const std::string& name, const TFormRect& r) override
    {
        FormSizes.at({op, name}).first = r;
    }
    void WriteOpLog(fb::Transaction&, int op, const std::string& job, const std::string& pc, int mode) override
    {
        if (FailOpLog)
            throw std::runtime_error("lock conflict");
        OpLog.push_back(std::to_string(op) + "|" + job + "|" + pc + "|" + std::to_string(mode));
    }
    std::string LoadGamenValue(const std::string& name) override { return Gamen[name]; }
    void SaveGamenValue(const std::string& name, const std::string& v) override { Gamen[name] = v; }
    void ReportError(const std::string& context, std::exception_ptr) override { Errors.push_back(context); }
    TScreenSettings Screen() const override { return Settings; }
    void ReloadAccInfo() override {}
};

struct EnvScope {
    FakeEnvironment Env;
    EnvScope() { SetBSDIEnvironment(&Env); }
    ~EnvScope() { SetBSDIEnvironment(nullptr); }
};

// A sizeable form as the data-management screens are: sizes and the operation log stored.
TBSDI* NewSizeable()
{
    auto* f = new TBSDI(nullptr, false);
    f->setObjectName("DataKanriForm");
    f->setWindowTitle("データ管理");
    f->resize(800, 500); // its design size
    f->Initialized = true;
    return f;
}

} // namespace

TEST(BaseForm, LongHintTable)
{
    EXPECT_EQ(LongHint("短い|長い説明"), "長い説明");
    EXPECT_EQ(LongHint("a|b|c"), "b|c");
    EXPECT_EQ(LongHint("区切りなし"), "区切りなし");
    EXPECT_EQ(LongHint("短い|"), "");
}

TEST(BaseForm, PlacementTable)
{
    TPlacementInput base;
    base.Width = 400;
    base.Height = 300;
    base.WorkRight = 1920;
    base.WorkBottom = 1040;
    base.MainShowing = true;
    base.MainLeft = 100;
    base.MainTop = 50;
    base.MainWidth = 1000;
    base.MainHeight = 700;
    base.FrameHeight = 4;
    base.CaptionHeight = 23;
    base.MenuHeight = 20;

    auto in = base;
    in.Kind = 2;
    auto p = ComputeFormPosition(in);
    EXPECT_FALSE(p.ScreenCenter);
    EXPECT_EQ(p.X, 100 + 300);
    EXPECT_EQ(p.Y, 50 + 200);

    in = base;
    in.Kind = 1;
    in.Dx = 10;
    in.Dy = 5;
    in.AreaWidth = 801; // (801 - 400) / 2 = 200 (truncated)
    in.AreaHeight = 500;
    p = ComputeFormPosition(in);
    EXPECT_EQ(p.X, 100 + 4 + 10 + 200);
    EXPECT_EQ(p.Y, 50 + 4 + 23 + 20 + 0 + 5 + 100);

    in = base;
    in.Kind = 3;
    EXPECT_TRUE(ComputeFormPosition(in).ScreenCenter);
    in.Kind = 2;
    in.MainShowing = false;
    EXPECT_TRUE(ComputeFormPosition(in).ScreenCenter);

    in = base; // kept where it is once placed
    in.PositionPending = false;
    in.Left = 30;
    in.Top = 40;
    EXPECT_TRUE(ComputeFormPosition(in).Keep);
    in.Left = 0; // on the edge: placed anew
    EXPECT_FALSE(ComputeFormPosition(in).Keep);

    in = base; // clamped into the work area
    in.Kind = 2;
    in.MainLeft = 1800;
    in.MainTop = -500;
    p = ComputeFormPosition(in);
    EXPECT_EQ(p.X, 1920 - 400);
    EXPECT_EQ(p.Y, 0);
}

TEST(BaseForm, SizeToStoreTable)
{
    const TFormRect f{30, 40, 500, 700};
    EXPECT_EQ(FormSizeToStore(f, false, 1200, 800, 4, 0), f);
    EXPECT_EQ(FormSizeToStore(f, true, 1200, 800, 4, 0), (TFormRect{0, 0, 796, 1196}));
    EXPECT_EQ(FormSizeToStore({900, -20, 500, 700}, false, 1200, 800, 4, 0), (TFormRect{0, 0, 500, 700}));
    EXPECT_EQ(FormSizeToStore({10, 1300, 500, 700}, false, 1200, 800, 4, 0), (TFormRect{10, 0, 500, 700}));
}

TEST(BaseForm, SizeIsKeptPerOperator)
{
    EnvScope scope;
    FakeEnvironment& env = scope.Env;

    QPointer<TBSDI> f = NewSizeable();
    f->show();
    EXPECT_EQ(f->size(), QSize(1012, 648)); // first use: the default at 96 dpi, 4-pixel frame
    EXPECT_EQ(f->pos(), QPoint(0, 0));
    const auto row = env.FormSizes.at({10001, "DataKanriForm"});
    EXPECT_EQ(row.first, (TFormRect{0, 0, 648, 1012}));
    EXPECT_EQ(row.second, (TFormRect{0, 0, 648, 1012}));
    EXPECT_EQ(f->MinWidth, 480); // 60 % of the design size
    EXPECT_EQ(f->MinHeight, 300);
    EXPECT_EQ(f->minimumSize(), QSize(480, 300));

    f->move(120, 80);
    f->resize(900, 600);
    f->close();
    QApplication::processEvents(); // frees the form (caFree)
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.isNull());
    EXPECT_EQ(env.FormSizes.at({10001, "DataKanriForm"}).first, (TFormRect{80, 120, 600, 900}));

    TBSDI* again = NewSizeable();
    again->show();
    EXPECT_EQ(again->pos(), QPoint(120, 80));
    EXPECT_EQ(again->size(), QSize(900, 600));
    again->KeepOnClose = true;
    again->close();
    delete again;

    env.Op = 10002; // another operator starts from the default
    TBSDI* other = NewSizeable();
    other->show();
    EXPECT_EQ(other->size(), QSize(1012, 648));
    EXPECT_EQ(env.FormSizes.size(), 2u);
    delete other;
}

TEST(BaseForm, EscAndF12ByBorderStyle)
{
    TBSDI dialog;
    auto* edit = new QLineEdit(&dialog);
    auto* ok = new QPushButton("OK", &dialog);
    int clicks = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++clicks; });
    dialog.F12Button = ok;
    dialog.KeepOnClose = true;
    dialog.show();
    edit->setFocus();

    QTest::keyClick(edit, Qt::Key_F12, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Escape, Qt::ShiftModifier);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(dialog.isVisible());

    QTest::keyClick(edit, Qt::Key_F12);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(dialog.focusWidget(), ok); // focused before the click

    ok->setEnabled(false);
    QTest::keyClick(&dialog, Qt::Key_F12);
    ok->setEnabled(true);
    ok->hide();
    QTest::keyClick(&dialog, Qt::Key_F12);
    ok->show();
    EXPECT_EQ(clicks, 1);
    QPushButton noHandler("なし", &dialog);
    dialog.F12Button = &noHandler;
    QTest::keyClick(&dialog, Qt::Key_F12);
    EXPECT_TRUE(dialog.isVisible());

    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), mrCancel);

    TBSDI sizeable(nullptr, false);
    sizeable.KeepOnClose = true;
    sizeable.show();
    QTest::keyClick(&sizeable, Qt::Key_Escape);
    EXPECT_TRUE(sizeable.isVisible());
    QTest::keyClick(&sizeable, Qt::Key_F12);
    EXPECT_FALSE(sizeable.isVisible());
}

TEST(BaseForm, HintMemoShowsTheLongHint)
{
    TBSDI form;
    form.KeepOnClose = true;
    auto* memo = new QPlainTextEdit(&form);
    auto* a = new QLineEdit(&form);
    auto* b = new QLineEdit(&form);
    auto* c = new QLineEdit(&form);
    TBSDI::SetHint(a, "コード|科目コードを入力します。");
    TBSDI::SetHint(b, "説明だけ");
    form.HintMemo = memo;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    a->setFocus();
    EXPECT_EQ(memo->toPlainText().toStdString(), "科目コードを入力します。");
    EXPECT_EQ(a->toolTip().toStdString(), "コード");
    b->setFocus();
    EXPECT_EQ(memo->toPlainText().toStdString(), "説明だけ");
    c->setFocus();
    EXPECT_TRUE(memo->toPlainText().isEmpty());
}

TEST(BaseForm, HostMenuNotificationOnShow)
{
    EnvScope scope;
    scope.Env.BusyAnswer = 0;
    TBSDI form;
    form.KeepOnClose = true;
    form.HostMenuNotify = true;
    form.show();
    EXPECT_EQ(scope.Env.HostCalls,
              (std::vector<std::pair<int, std::string>>{{10, ""}, {11, "LumoraMenu"}, {4, ""}}));
    EXPECT_EQ(scope.Env.HostAnswer, 0x34); // low byte of the answer to code 11
    form.hide();

    scope.Env.HostCalls.clear();
    scope.Env.BusyAnswer = 1; // the menu is busy: no notification, and no more asking
    form.show();
    EXPECT_EQ(scope.Env.HostCalls, (std::vector<std::pair<int, std::string>>{{10, ""}}));
    EXPECT_FALSE(form.HostMenuNotify);
    EXPECT_EQ(scope.Env.HostAnswer, 0);
}

TEST(BaseForm, ExecuteRefusesWhenBusyOrNotInitialised)
{
    EnvScope scope;
    kbtest::MessageCatcher catcher;
    scope.Env.BusyAnswer = 2;
    TBSDI form;
    form.KeepOnClose = true;
    form.setWindowTitle("データ選択");
    form.Initialized = true;
    EXPECT_EQ(form.ExecuteForm(true), -1);
    ASSERT_EQ(catcher.Shown.size(), 1u);
    EXPECT_EQ(catcher.Shown[0].MsgType, 0);
    EXPECT_EQ(catcher.Shown[0].Lines[0].Text, "メニュー以外の処理が開いています。");
    EXPECT_EQ(catcher.Shown[0].Lines[1].Text, "全ての処理を閉じてから処理を実行してください。");
    EXPECT_EQ(catcher.Shown[0].Buttons, Btn(TMsgDlgBtn::mbYes));
    EXPECT_FALSE(form.isVisible());

    scope.Env.BusyAnswer = 0;
    form.Initialized = false;
    EXPECT_EQ(form.ExecuteForm(true), -1);
    ASSERT_EQ(catcher.Shown.size(), 2u);
    EXPECT_EQ(catcher.Shown[1].MsgType, 1);
    EXPECT_EQ(catcher.Shown[1].Lines[0].Text, "データ選択画面の初期化に失敗しました。");
    EXPECT_EQ(catcher.Shown[1].Lines[1].Text, "処理を終了します。");

    form.Initialized = true;
    bool setupRan = false;
    kbtest::WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->done(mrOk); });
    EXPECT_EQ(form.ExecuteForm(true, [&] { setupRan = true; }), mrOk);
    EXPECT_TRUE(setupRan);
}

TEST(BaseForm, OperationLogOnOpenAndClose)
{
    EnvScope scope;
    TBSDI* f = NewSizeable();
    f->show();
    f->hide();
    f->show(); // the open record is written once
    f->close();
    EXPECT_EQ(scope.Env.OpLog, (std::vector<std::string>{"10001|データ管理|PC01|0", "10001|データ管理|PC01|1"}));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    scope.Env.FailOpLog = true;
    TBSDI* g = NewSizeable();
    g->show();
    EXPECT_EQ(scope.Env.Errors, (std::vector<std::string>{"TBSDI.PutProcRirekiInfo"}));
    EXPECT_FALSE(g->Shown); // the remaining first-show steps did not run
    g->close();
    EXPECT_EQ(scope.Env.Errors.size(), 2u);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(BaseForm, ScreenValuesGoThroughTheFormName)
{
    EnvScope scope;
    TBSDI form;
    form.KeepOnClose = true;
    form.setObjectName("KensakuForm");
    form.GamenKeyText = "2026/04/01,1";
    form.PutGamenKeyValue();
    form.GamenKeyText.clear();
    form.GetGamenKeyValue();
    EXPECT_EQ(form.GamenKeyText, "2026/04/01,1");
    EXPECT_EQ(scope.Env.Gamen.count("KensakuForm"), 1u);
}

TEST(BaseForm, PeriodPanelStartCells)
{
    struct Case { int month, cell16, cell12; };
    const Case cases[] = {{1, 0, 0}, {3, 2, 2}, {4, 4, 3}, {6, 6, 5}, {7, 8, 6}, {10, 12, 9}, {12, 14, 11}};
    for (const auto& c : cases) {
        EXPECT_EQ(KikanStno16(c.month), c.cell16) << c.month;
        EXPECT_EQ(KikanStno12(c.month), c.cell12) << c.month;
    }
    EXPECT_EQ(KikanStno16(0), 0);
    EXPECT_EQ(KikanStno16(13), 0);
}

TEST(BaseForm, PeriodPanelRanges)
{
    struct Case { int month; bool move; int mode; int st16, ed16; bool kessan; int st12, ed12; };
    const Case cases[] = {
        {4, false, 0, 4, 4, true, 3, 3},
        {4, true, 0, 4, 15, true, 3, 11},
        {12, true, 0, 14, 15, true, 11, 11},
        {1, false, 1, 0, 0, false, 0, 0},
        {7, true, 1, 0, 2, false, 0, 2},
    };
    for (const auto& c : cases) {
        const auto r16 = KikanRange16(c.month, c.move, c.mode);
        const auto r12 = KikanRange12(c.month, c.move, c.mode);
        EXPECT_EQ(r16.Stno, c.st16) << c.month << c.move << c.mode;
        EXPECT_EQ(r16.Edno, c.ed16) << c.month << c.move << c.mode;
        EXPECT_EQ(r16.Kessan, c.kessan) << c.month << c.move << c.mode;
        EXPECT_EQ(r12.Stno, c.st12) << c.month << c.move << c.mode;
        EXPECT_EQ(r12.Edno, c.ed12) << c.month << c.move << c.mode;
    }
    EXPECT_FALSE(KikanRange4(0).has_value());
    ASSERT_TRUE(KikanRange4(1).has_value());
    EXPECT_FALSE(KikanRange4(1)->Enabled);
}

TEST(BaseForm, PeriodControlsAreSetUpOnceBeforeTheFirstLayout)
{
    int calls = 0;
    SetKikanControlsInitializer([&](QWidget& form) {
        ++calls;
        EXPECT_NE(form.findChild<QLineEdit*>("KikanPanel16"), nullptr); // the derived form's controls exist
    });
    TBSDI form;
    form.KeepOnClose = true;
    auto* panel = new QLineEdit(&form);
    panel->setObjectName("KikanPanel16");
    form.show();
    form.hide();
    form.show();
    EXPECT_EQ(calls, 1);
    SetKikanControlsInitializer({});
}

TEST(BaseForm, PeriodPanelsAndEraEditsFromTheOpenDataSet)
{
    ResetAccRecord();
    AccInf.KAISINO = 4;
    AccInf.SIME = 31;
    AccInf.KISHU = Date(2026, 4, 1);
    AccInf.KIMATU = Date(2027, 3, 31);
    AccInf.KAISI = Date(2026, 4, 1);
    TBSDI form;
    form.KeepOnClose = true;
    auto* p16 = new TxKikanPanel16(&form);
    p16->setObjectName("KikanPanel16");
    p16->SetKikanMove(false);
    auto* p12 = new TxKikanPanel12(&form);
    p12->setObjectName("KikanPanel12");
    p12->SetKikanMove(true);
    auto* date = new TPavonaExDateEdit(&form);
    date->SetGengo(TPavonaExRekiSet::rsWareki);
    form.show();
    EXPECT_EQ(p16->Stno(), 4);
    EXPECT_EQ(p16->Edno(), 4);
    EXPECT_EQ(p12->Stno(), 3);
    EXPECT_EQ(p12->Edno(), 11);
    EXPECT_FALSE(date->EditGengo()); // the operator shows western years
    EXPECT_EQ(date->Gengo(), TPavonaExRekiSet::rsSeireki);

    SystemDef.Reserve4Bits[10] = 1;
    TBSDI wareki;
    wareki.KeepOnClose = true;
    auto* d2 = new TPavonaExDateEdit(&wareki);
    wareki.show();
    EXPECT_TRUE(d2->EditGengo());
    EXPECT_EQ(d2->Gengo(), TPavonaExRekiSet::rsWareki);
    ResetAccRecord();
}

TEST(BaseForm, HintsOffSuppressesToolTips)
{
    EnvScope scope;
    scope.Env.Settings.ShowHint = false;
    TBSDI form;
    form.KeepOnClose = true;
    EXPECT_FALSE(form.ShowHint);
    auto* edit = new QLineEdit(&form);
    TBSDI::SetHint(edit, "短い|長い");
    form.show();
    QHelpEvent tip(QEvent::ToolTip, QPoint(1, 1), edit->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(edit, &tip);
    EXPECT_FALSE(QToolTip::isVisible());
    form.ShowHint = true;
    QApplication::sendEvent(edit, &tip);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text().toStdString(), "短い");
    QToolTip::hideText();
}
