// The account-structure and setting checks of a merge, from a table of received-data changes on a
// copy of the general fixture (the open data set is the fixture itself).

#include "CashBookTestSupport.h"

#include "common/FakeUi.h"
#include "core/ErrorReporter.h"
#include "exchange/z5CashBookLoader.h"

namespace {

using namespace kbtest::exchange;

class CashBookCheck : public OpenDataSet {};

TEST_F(CashBookCheck, AccountStructureAndSettingsFromATable)
{
    const auto data = GeneralCopy(tmp.path() / "data");
    OpenData(data.parent_path());
    kbtest::RecordingErrorUi ui;
    kb::TScopedErrorUi scoped(&ui);
    const std::string sender = "-103 データ送信元の設定変更により科目体系に差異が発生しています。データ送信元にご連絡して下さい。";
    const struct {
        const char* name;
        std::string change; // on the received copy
        int autoFlag;
        std::vector<std::string> log; // code and message of every entry
    } cases[] = {
        // the received entries carry the keys of a master send, so the merge adds none of them again
        {"an account not used there (client)",
         "UPDATE KAMOKUMST SET USE = 0 WHERE KCODE = 'K749';\nUPDATE SIWAKE SET RESERVE1 = REC WHERE TAISHAKU = 1;", 0,
         {"101 (使用データ:749 雑費) 受信データの当科目は[使用しない]に設定されています。",
          "1 取り込み処理が成功しました。 （次回の送信時は、マスター送信を行って下さい。）"}},
        {"an account not used there (sender)", "UPDATE KAMOKUMST SET USE = 0 WHERE KCODE = 'K749';", 1,
         {"-105 (使用データ:749 雑費 ≠ 受信データ:749 雑費) 受信データの科目の設定内容に違いがありました。", sender,
          }},
        {"an account missing there", "UPDATE KAMOKUMST SET USERCODE = '750' WHERE KCODE = 'K749';", 1,
         {"-104 (使用データ:749 雑費) 科目コードが見つかりません。", sender}},
        {"branches and departments managed there", "UPDATE ACCDEF1 SET SITEN = 1, BUMON = 2;", 0,
         {"-106 (使用データ:本・支店管理を行わない ≠ 受信データ:本・支店管理を行う) 受信データの本・支店管理区分の設定内容に違いがありました。",
          "-107 (使用データ:部門管理を行わない ≠ 受信データ:部門管理を行う[全科目]) 受信データの部門管理区分の設定内容に違いがありました。",
          "-103 データの設定変更により科目体系に差異が発生しています。マスター送信を行って下さい。"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto received = GeneralCopy(tmp.path() / "recv", c.change);
        kb::TCashBookLoader l;
        l.AutoFlag = c.autoFlag;
        l.MergeFlag = 1;
        l.SetReceiveFile(received.string());
        l.Run();
        std::vector<std::string> log;
        for (const auto& e : l.Log) log.push_back(std::to_string(e.Code) + " " + e.Message);
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(l.GetResultCode(), std::stoi(c.log.front()) < 0 ? std::stoi(c.log.front()) : 1);
    }
}

} // namespace
