// The cash-book import window, offscreen: mode 0 starts by itself and stays open until closed;
// modes 1 and 2 run unseen and show the log only after an abort; the log export's bytes.

#include "CashBookTestSupport.h"

#include "common/FakeUi.h"
#include "common/TestEnv.h"
#include "core/ErrorReporter.h"
#include "core/uAccTaxCmp.h"
#include "exchange/CashBookSender.h"
#include "exchange/z5CashBookLoaderBox.h"
#include "platform/Text.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

using namespace kbtest::exchange;

class CashBookLoaderBox : public OpenDataSet {
protected:
    void SetUp() override
    {
        data = GeneralCopy(tmp.path() / "data");
        OpenData(data.parent_path());
        kb::InitZeiRituList(kb::Date(2025, 1, 1));
        kb::SetErrorUi(&ui);
    }
    void TearDown() override
    {
        kb::SetErrorUi(nullptr);
        OpenDataSet::TearDown();
    }
    // The client's copy of the data as sent with master marks.
    std::filesystem::path SendToClient()
    {
        kb::TCashBookSender sender;
        sender.Mode = 0;
        sender.Execute();
        kb::DM->IBDatabaseDAT.Close();
        std::filesystem::create_directories(tmp.path() / "recv");
        const auto received = tmp.path() / "recv" / "vqacc.fdb";
        std::filesystem::copy_file(data, received);
        kb::DM->IBDatabaseDAT.Open();
        return received;
    }
    // Calls f once a shown modal box has finished its run (or after 60 s).
    static void WhenIdle(kb::TCashBookLoaderBox& box, std::function<void()> f)
    {
        auto* t = new QTimer(&box);
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        QObject::connect(t, &QTimer::timeout, &box, [&box, t, f, started] {
            if ((box.isVisible() && box.StartPending == 0 && box.btnCancel->isEnabled()) || started->elapsed() > 60000) {
                t->stop();
                f();
            }
        });
        t->start(50);
    }
    std::vector<std::string> Titles(const kb::TCashBookLoaderBox& box)
    {
        return {box.Title[0]->text().toStdString(), box.Title[1]->text().toStdString()};
    }

    std::filesystem::path data;
    kbtest::RecordingErrorUi ui;
};

TEST_F(CashBookLoaderBox, InteractiveMergeStartsItselfWarnsOfOtherCashAndClosesWithOk)
{
    const auto received = SendToClient();
    // The office posts cash of its own after the send: the cash balances now differ.
    PostCashEntry(kb::DM->IBTransactionDAT, kb::Date(2025, 5, 1), 1000, "事務所の現金");
    kb::TCashBookLoaderBox box;
    box.SetReceiveFile(received.string());
    EXPECT_TRUE(box.Timer1.isSingleShot());
    EXPECT_EQ(box.Timer1.interval(), 1500);
    EXPECT_FALSE(box.btnOk->isVisible());
    EXPECT_EQ(box.btnCancel->text().toStdString(), "閉じる");
    std::vector<std::string> shownTitles, logTexts;
    WhenIdle(box, [&] {
        shownTitles = Titles(box);
        for (int i = 0; i < box.ListView1->topLevelItemCount(); ++i)
            logTexts.push_back(box.ListView1->topLevelItem(i)->text(0).toStdString() + " " +
                               box.ListView1->topLevelItem(i)->text(1).toStdString().substr(0, 30));
        box.btnCancel->click();
    });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_EQ(box.GetResultCode(), 1);
    EXPECT_EQ(shownTitles, (std::vector<std::string>{"現金出納帳データの取り込みを行いました。", "下記の情報を確認して下さい。"}));
    ASSERT_EQ(box.Loader.Log.size(), 2u);
    EXPECT_EQ(box.Loader.Log[0].Code, 201);
    EXPECT_EQ(box.Loader.Log[0].Message,
              "本データと出納帳データの間で現金残高の違いが発生しました。前回のデータ送信後に現金取引の追加・訂正を行っていると残高の違いは発生します。");
    EXPECT_EQ(box.Loader.Log[1].Message, "取り込み処理が成功しました。");
    ASSERT_EQ(logTexts.size(), 2u);
    EXPECT_EQ(logTexts[0].rfind("警告 ", 0), 0u);
    EXPECT_EQ(logTexts[1].rfind("情報 ", 0), 0u);
    EXPECT_TRUE(box.btnOutput->isEnabled());
}

TEST_F(CashBookLoaderBox, AutomaticRunsStayHiddenOnSuccessAndShowTheLogAfterAnAbort)
{
    const auto received = SendToClient();
    {
        kb::TCashBookLoaderBox box;
        box.Loader.AutoFlag = 1;
        box.Loader.MergeFlag = 1;
        box.SetReceiveFile(received.string());
        bool shown = false;
        QTimer guard; // a box shown by mistake would block: note it and close it
        QObject::connect(&guard, &QTimer::timeout, [&] {
            if (box.isVisible()) {
                shown = true;
                box.btnCancel->click();
            }
        });
        guard.start(100);
        box.StartLoad();
        EXPECT_FALSE(shown);
        EXPECT_EQ(box.GetResultCode(), 1);
    }
    for (int merge : {1, 0}) {
        SCOPED_TRACE(merge);
        kb::TCashBookLoaderBox box;
        box.Loader.AutoFlag = 1;
        box.Loader.MergeFlag = merge;
        box.SetReceiveFile((tmp.path() / "missing.fdb").string());
        std::vector<std::string> titles;
        std::string detail;
        WhenIdle(box, [&] {
            titles = Titles(box);
            detail = box.Detail->toPlainText().toStdString();
            box.btnCancel->click();
        });
        box.StartLoad();
        EXPECT_EQ(box.ShownAfterAbort, 1);
        EXPECT_EQ(titles, (std::vector<std::string>{"データの取り込みが中止されました。", "下記の情報より、中止された理由を確認して下さい。"}));
        EXPECT_EQ(detail, "会計データの接続に失敗しました。");
        EXPECT_EQ(box.GetResultCode(), -100);

        const auto csv = tmp.path() / "log.csv";
        const auto txt = tmp.path() / "log.txt";
        ASSERT_TRUE(box.SaveLog(csv.string(), true));
        ASSERT_TRUE(box.SaveLog(txt.string(), false));
        EXPECT_EQ(kbtest::ReadFile(csv), kb::Utf8ToCp932("'エラー','-100','会計データの接続に失敗しました。',\r\n\r\n"));
        EXPECT_EQ(kbtest::ReadFile(txt), kb::Utf8ToCp932("エラー\t-100\t会計データの接続に失敗しました。\t\r\n\r\n"));
    }
}

TEST(CashBookLog, ExportOfASuccessWithWarnings)
{
    kb::TCashBookLoader l; // without a data module: only the log
    for (auto [kind, code, text] : {std::tuple{2, 101, "(使用データ:111 現金) 受信データの当科目は[使用しない]に設定されています。"},
                                    std::tuple{1, 1, "取り込み処理が成功しました。 （次回の送信時は、マスター送信を行って下さい。）"}}) {
        l.Info.Kind = static_cast<std::uint8_t>(kind);
        l.Info.Code = code;
        l.Info.Message = text;
        l.AddLog();
    }
    EXPECT_EQ(l.GetResultCode(), 1);
    EXPECT_EQ(l.ExportLog(true), "'警告','101','(使用データ:111 現金) 受信データの当科目は[使用しない]に設定されています。',\r\n\r\n"
                                 "'情報','1','取り込み処理が成功しました。 （次回の送信時は、マスター送信を行って下さい。）',\r\n\r\n");
}

} // namespace
