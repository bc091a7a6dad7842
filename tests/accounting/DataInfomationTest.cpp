// TDataInfomation: the folder information file (layout, defaults, single keys, modes), the summary
// read from a data set's database, the write-back of the list name and locks, the shared-server
// copy, and the two access checks before a data set is opened.

#include "DataInfomationTestEnv.h"

#include "accounting/DataInfomation.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "core/DataModulePassword.h"
#include "core/z5EasyEncode.h"
#include "Isql.h"
#include "platform/IniFile.h"


using namespace kb;
using namespace kbtest;

namespace {

TDataInfomationRec SampleRec()
{
    TDataInfomationRec r;
    r.STATUS = 4;
    r.UPDATE_LOCK = 1;
    r.DATALISTNAME = "見本①㈱";
    r.CODE = "A01";
    r.DATAKBN = 2;
    r.CODEKBN = 4;
    r.SHOUGOU = "見本農園";
    r.KANA = "ﾐﾎﾝ";
    r.NENDO = 7;
    r.KISHU = "2025/01/01";
    r.KIMATU = "2025/12/31";
    r.SIWAKE = 11;
    r.TOTALSIWAKE = 13;
    r.MAJOR = 15;
    r.MINOR1 = 2;
    r.MINOR2 = 1;
    r.VERSION2 = "15.2";
    r.CLOUD_SHARE = 1;
    return r;
}

void WriteRaw(const std::filesystem::path& file, const std::string& utf8)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << Utf8ToCp932(utf8);
}

} // namespace

TEST(DataInfomation, WritesBothSectionsInTheSharedLayout)
{
    AccEnv env;
    TDataInfomation info(*env.dm);
    const auto folder = env.dir / "d1";
    TDataInfomationRec rec = SampleRec();
    info.WriteIniFile(folder.string(), "", rec);
    const std::string expected =
        "[DATASTS]\r\nSTATUS=4\r\nSHARE_STATUS=1\r\nUPDATE_LOCK=1\r\nREAD_ONLY=0\r\n"
        "[DATAINFO]\r\nDATALISTNAME=見本①㈱\r\nCODE=A01\r\nDATAKBN=2\r\nCODEKBN=4\r\nSHOUGOU=見本農園\r\nKANA=ﾐﾎﾝ\r\n"
        "NENDO=7\r\nKISHU=2025/01/01\r\nKIMATU=2025/12/31\r\nTANTO=0\r\nSITEN=0\r\nSITENCNT=0\r\nBUMON=0\r\nBUMONCNT=0\r\n"
        "SIWAKE=11\r\nTOTALSIWAKE=13\r\nVERSION1=15.2.1\r\nVERSION2=15.2\r\nGASSANKBN=0\r\nUSEMYNUMBER=0\r\nCLOUD_SHARE=1\r\n";
    EXPECT_EQ(FileBytes(folder / "vqacc.ini"), Utf8ToCp932(expected));
    EXPECT_EQ(info.Rec, rec);

    TDataInfomationRec back;
    ASSERT_TRUE(info.ReadIniFile("", folder.string(), back));
    EXPECT_EQ(back, rec);

    // With operators both pairs appear after their status; rewriting one section keeps the other.
    rec.STATUS = 2;
    rec.OPCODE = 100000010;
    rec.OPERATOR = "山田太郎";
    rec.SHARE_STATUS = 2;
    rec.SHARE_OPCODE = 100000011;
    rec.SHARE_OPERATOR = "佐藤花子";
    info.WriteIniFile(folder.string(), "DATASTS", rec);
    const std::string bytes = Cp932ToUtf8(FileBytes(folder / "vqacc.ini"));
    EXPECT_NE(bytes.find("[DATASTS]\r\nSTATUS=2\r\nOPCODE=100000010\r\nOPERATOR=山田太郎\r\nSHARE_STATUS=2\r\n"
                         "SHARE_OPCODE=100000011\r\nSHARE_OPERATOR=佐藤花子\r\nUPDATE_LOCK=1\r\nREAD_ONLY=0\r\n"),
              std::string::npos)
        << bytes;
    EXPECT_NE(bytes.find("VERSION1=15.2.1\r\n"), std::string::npos);
    ASSERT_TRUE(info.ReadIniFile("", folder.string(), back));
    EXPECT_EQ(back, rec);
}

TEST(DataInfomation, ReadsMissingKeysAsTheirDefaults)
{
    AccEnv env;
    TDataInfomation info(*env.dm);
    struct Case {
        std::string file;
        std::uint8_t status, shareStatus;
        int major, minor1, minor2;
        std::string listName;
    };
    const Case cases[] = {
        {"[DATAINFO]\r\nSHOUGOU=青色商店\r\nVERSION1=12.1\r\n", 1, 1, 12, 1, 0, "青色商店"},
        {"[DATASTS]\r\nSTATUS=10\r\n[DATAINFO]\r\nDATALISTNAME=名前\r\nSHOUGOU=商号\r\nVERSION1=14.x.3\r\n", 10, 1, 14, 0, 3, "名前"},
        {"[DATASTS]\r\nSHARE_STATUS=2\r\n[DATAINFO]\r\nVERSION1=\r\n", 1, 2, 0, 0, 0, ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        const auto folder = env.dir / ("c" + std::to_string(n++));
        WriteRaw(folder / "vqacc.ini", c.file);
        TDataInfomationRec rec;
        ASSERT_TRUE(info.ReadIniFile("", folder.string(), rec)) << c.file;
        EXPECT_EQ(rec.STATUS, c.status) << c.file;
        EXPECT_EQ(rec.SHARE_STATUS, c.shareStatus) << c.file;
        EXPECT_EQ(std::tie(rec.MAJOR, rec.MINOR1, rec.MINOR2), std::tie(c.major, c.minor1, c.minor2)) << c.file;
        EXPECT_EQ(rec.DATALISTNAME, c.listName) << c.file;
    }
    // Neither database nor file: nothing to read.
    TDataInfomationRec rec;
    EXPECT_FALSE(info.ReadIniFile("", (env.dir / "none").string(), rec));
    EXPECT_TRUE(info.ReadIniFile("", "", rec));
}

TEST(DataInfomation, StatusKeysAndServerModesLeaveNoTrace)
{
    AccEnv env;
    TDataInfomation info(*env.dm);
    const auto folder = env.dir / "d2";
    info.WriteIniFile(folder.string(), "", SampleRec());

    info.SetDataStatus(folder.string(), dsCopying);
    const IniFile ini(folder / "vqacc.ini");
    EXPECT_EQ(ini.ReadString("DATASTS", "STATUS"), "6");
    EXPECT_EQ(ini.ReadString("DATASTS", "OPCODE"), "100000010");
    EXPECT_EQ(ini.ReadString("DATASTS", "OPERATOR"), "山田太郎");
    info.SetDataStatus(folder.string(), dsFree);
    EXPECT_EQ(ini.ReadString("DATASTS", "STATUS"), "1");
    EXPECT_FALSE(ini.ValueExists("DATASTS", "OPCODE"));
    EXPECT_FALSE(ini.ValueExists("DATASTS", "OPERATOR"));
    info.SetShareStatus(folder.string(), 2);
    EXPECT_EQ(ini.ReadString("DATASTS", "SHARE_OPERATOR"), "山田太郎");
    EXPECT_TRUE(info.ChangeShareStatus(folder.string(), 1));
    EXPECT_FALSE(ini.ValueExists("DATASTS", "SHARE_OPCODE"));
    EXPECT_FALSE(info.ChangeShareStatus(folder.string(), 1));
    EXPECT_FALSE(info.ChangeShareStatus(folder.string(), 5));

    const std::string before = FileBytes(folder / "vqacc.ini");
    for (std::uint8_t mode : {1, 2}) {
        info.Mode = mode;
        info.SetDataStatus(folder.string(), dsDeleting);
        info.SetShareStatus(folder.string(), 2);
        info.WriteIniFile(folder.string(), "", TDataInfomationRec{});
        info.UpdateIniFile(folder.string(), "DATASTS");
        EXPECT_EQ(FileBytes(folder / "vqacc.ini"), before);
    }
    info.Mode = 0;
    info.UpdateIniFile(folder.string(), "DATASTS");  // back to the cleared status keys
    EXPECT_EQ(ini.ReadString("DATASTS", "STATUS"), "1");
    EXPECT_EQ(ini.ReadString("DATASTS", "UPDATE_LOCK"), "0");
    EXPECT_EQ(ini.ReadString("DATAINFO", "SHOUGOU"), "見本農園");
    EXPECT_EQ(DataStatusName(7), "貼り付け中");
    EXPECT_EQ(DataStatusName(11), "状態不明");
}

TEST(DataInfomation, SummaryOfABranchDataSet)
{
    AccEnv env;
    const auto folder = env.MakeDataSet("b1", BranchDataSetSql() +
        "INSERT INTO SIWAKE (REC, SWKREC, DELFLG, TAISHAKU, SCODE) VALUES (1, 1, 1, 1, '01');\n"
        "INSERT INTO SIWAKE (REC, SWKREC, DELFLG, TAISHAKU, SCODE) VALUES (2, 1, 1, 2, '01');\n"
        "INSERT INTO SIWAKE (REC, SWKREC, DELFLG, TAISHAKU, SCODE) VALUES (3, 2, 2, 1, '02');\n");
    TDataInfomation info(*env.dm);
    TDataInfomationRec rec;
    ASSERT_TRUE(info.ReadDataInfoFromFolder(folder.string(), rec));
    EXPECT_FALSE(env.dm->IBDatabaseDAT.Connected());
    EXPECT_EQ(rec.DATALISTNAME, "支店テスト");
    EXPECT_EQ(rec.CODE, "B001");
    EXPECT_EQ(rec.SHOUGOU, "支店商事");
    EXPECT_EQ(rec.KANA, "ｼﾃﾝﾃｽﾄ");
    EXPECT_EQ(rec.TANTO, 3);
    EXPECT_EQ(rec.KISHU, "2025/01/01");
    EXPECT_EQ(rec.SITENCNT, 2);          // 01 and 02; the blank main row does not count
    EXPECT_EQ(rec.BUMONCNT, 3);          // the blank department does not count
    EXPECT_EQ(rec.SIWAKE, 5);            // 3 + 2 kept by the branch master
    EXPECT_EQ(rec.TOTALSIWAKE, 7);       // plus one deleted and one replaced entry (debit lines)
    EXPECT_EQ(rec.USEMYNUMBER, 1);
    EXPECT_EQ(rec.READ_ONLY, 1);         // version 15 has the column
    EXPECT_EQ(rec.CLOUD_SHARE, 1);       // CLOUD_LINE 2, stand-alone
    EXPECT_EQ(rec.VERSION2, "15.0");     // no installed edition names it
    EXPECT_EQ(rec.STATUS, 1);

    ConnectMode = 2;  // server-based computing: no cloud sharing
    ASSERT_TRUE(info.ReadDataInfoFromFolder(folder.string(), rec));
    EXPECT_EQ(rec.CLOUD_SHARE, 0);
    EXPECT_TRUE(env.ui.shown.empty());
}

// Counting the updated and deleted entries scans the journal: with a cache it runs once while the
// journal's stamp (live count, record generator) stays, and again as soon as either moves.
TEST(DataInfomation, JournalCountsAreTakenOnceWhileTheJournalIsUnchanged)
{
    AccEnv env;
    const auto folder = env.MakeDataSet("j1", BranchDataSetSql() +
        "INSERT INTO SIWAKE (REC, SWKREC, DELFLG, TAISHAKU, SCODE) VALUES (1, 1, 1, 1, '01');\n"
        "INSERT INTO SIWAKE (REC, SWKREC, DELFLG, TAISHAKU, SCODE) VALUES (3, 2, 2, 1, '02');\n");
    ASSERT_TRUE(env.dm->fnAccDatConnected("", folder.string(), false));
    auto exec = [&](const std::string& sql) {
        fb::TransactionGuard g(env.dm->IBTransactionDAT);
        fb::Statement q(env.dm->IBDatabaseDAT, &env.dm->IBTransactionDAT);
        q.SetSQL(sql);
        q.ExecQuery();
        g.Commit();
    };
    TSiwakeCountCache cache;
    TDataInfomation info(*env.dm);
    info.SiwakeCounts = &cache;
    TDataInfomationRec rec;
    ASSERT_TRUE(info.GetDataInfoRec(rec));
    EXPECT_EQ(rec.SIWAKE, 5);
    EXPECT_EQ(rec.TOTALSIWAKE, 7);
    EXPECT_EQ(cache.Total, 7);

    // nothing changed: the cached count is taken as it is (a stand-in value shows it was not recounted)
    cache.Total = 99;
    ASSERT_TRUE(info.GetDataInfoRec(rec));
    EXPECT_EQ(rec.TOTALSIWAKE, 99);

    // a new journal line takes a number from the generator: counted again
    exec("INSERT INTO SIWAKE (REC, SWKREC, DELFLG, TAISHAKU, SCODE) VALUES (2 * GEN_ID(SIWAKE_REC_GEN, 1) + 100, 9, 1, 1, '01')");
    ASSERT_TRUE(info.GetDataInfoRec(rec));
    EXPECT_EQ(rec.TOTALSIWAKE, 8);

    // a deleted entry leaves the live count the triggers keep: counted again
    cache.Total = 99;
    exec("UPDATE SISETUMST SET SIWAKECOUNT = 2 WHERE SCODE = '01'");
    exec("INSERT INTO SIWAKE (REC, SWKREC, DELFLG, TAISHAKU, SCODE) VALUES (51, 51, 1, 1, '01')");
    ASSERT_TRUE(info.GetDataInfoRec(rec));
    EXPECT_EQ(rec.SIWAKE, 4);
    EXPECT_EQ(rec.TOTALSIWAKE, 4 + 4);

    // without a cache every read counts
    TDataInfomation plain(*env.dm);
    ASSERT_TRUE(plain.GetDataInfoRec(rec));
    EXPECT_EQ(rec.TOTALSIWAKE, 8);
    env.dm->fnAccDatDisConnected(folder.string(), false, false);
    EXPECT_TRUE(env.ui.shown.empty());
}

TEST(DataInfomation, UpdateWritesNameAndLocksBack)
{
    AccEnv env;
    const auto folder = env.MakeDataSet("u1", BranchDataSetSql());
    TDataInfomation info(*env.dm);
    TDataInfomationRec rec;
    rec.DATALISTNAME = "\u3000新しい名前 ";
    rec.UPDATE_LOCK = 1;
    rec.READ_ONLY = 0;
    info.UpdateDataInfomation("", folder.string(), rec);
    EXPECT_FALSE(env.dm->IBDatabaseDAT.Connected());
    auto rows = kbtest::fixture::Query(folder / "vqacc.fdb", "SELECT ENTTEXT, DATALOCK, READ_ONLY FROM ACCDEF1 WHERE REC = 1");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at("ENTTEXT"), "新しい名前");
    EXPECT_EQ(rows[0].at("DATALOCK"), "1");
    EXPECT_EQ(rows[0].at("READ_ONLY"), "0");

    // A blank name keeps the stored one.
    rec.DATALISTNAME = "  ";
    rec.UPDATE_LOCK = 0;
    info.UpdateDataInfomation("", folder.string(), rec);
    rows = kbtest::fixture::Query(folder / "vqacc.fdb", "SELECT ENTTEXT, DATALOCK FROM ACCDEF1 WHERE REC = 1");
    EXPECT_EQ(rows[0].at("ENTTEXT"), "新しい名前");
    EXPECT_EQ(rows[0].at("DATALOCK"), "0");
    EXPECT_TRUE(env.ui.shown.empty());
}

// The summary joins a caller's transaction and leaves it open; what the calls started is over
// after their failures, which pass on (dynamic SQL) or are reported (the write-back).
TEST(DataInfomation, CallersTransactionStaysOpenAndFailuresLeaveNoneBehind)
{
    AccEnv env;
    const auto folder = env.MakeDataSet("t1", BranchDataSetSql());
    TDataInfomation info(*env.dm);
    TDataInfomationRec rec;
    fb::Transaction& tr = env.dm->IBTransactionDAT;
    ASSERT_TRUE(env.dm->fnAccDatConnected("", folder.string(), false));
    tr.StartTransaction();
    ASSERT_TRUE(info.GetDataInfoRec(rec));
    EXPECT_TRUE(tr.InTransaction());
    EXPECT_EQ(rec.SITENCNT, 2);
    tr.Commit();
    env.dm->fnAccDatDisConnected(folder.string(), false, false);

    // version 15 promises the read-only column; without it both calls fail
    kbtest::fixture::RunIsql(folder / "vqacc.fdb", "ALTER TABLE ACCDEF1 DROP READ_ONLY;\nCOMMIT;\n");
    ASSERT_TRUE(env.dm->fnAccDatConnected("", folder.string(), false));
    EXPECT_THROW(info.GetDataInfoRec(rec), FbError);
    EXPECT_FALSE(tr.InTransaction());
    env.dm->fnAccDatDisConnected(folder.string(), false, false);
    EXPECT_TRUE(env.ui.shown.empty());

    rec.DATALISTNAME = "新しい名前";
    info.UpdateDataInfomation("", folder.string(), rec);
    ASSERT_EQ(env.ui.shown.size(), 1u);
    EXPECT_NE(env.ui.shown[0].find("データ情報の更新に失敗しました。"), std::string::npos);
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_FALSE(env.dm->IBDatabaseDAT.Connected());
    const auto rows = kbtest::fixture::Query(folder / "vqacc.fdb", "SELECT ENTTEXT FROM ACCDEF1 WHERE REC = 1");
    EXPECT_EQ(rows.at(0).at("ENTTEXT"), "支店テスト");
}

TEST(DataInfomation, SharedCopyMarksTakenOnlyWhenTheCopyArrived)
{
    AccEnv env;
    const auto share = env.dir / "share" / "sv0001";
    const auto local = env.dir / "local" / "0001";
    TDataInfomation info(*env.dm);
    WriteRaw(share / "vqacc.fdb", "not a database, only bytes to copy");
    info.WriteIniFile(share.string(), "", SampleRec());
    info.SetDataStatus(share.string(), dsFree);

    // The copy is refused (the shared folder lies outside every data root): nothing is taken.
    SetSafeRoots({std::filesystem::path(env.dir / "local")});
    EXPECT_EQ(info.GetShareData(share.string(), local.string(), 1), 0);
    const IniFile shareIni(share / "vqacc.ini");
    EXPECT_EQ(shareIni.ReadString("DATASTS", "SHARE_STATUS"), "1");
    EXPECT_FALSE(shareIni.ValueExists("DATASTS", "SHARE_OPCODE"));
    EXPECT_EQ(shareIni.ReadString("DATASTS", "STATUS"), "1");
    EXPECT_FALSE(std::filesystem::exists(local / "vqacc.ini") &&
                 IniFile(local / "vqacc.ini").ReadString("DATASTS", "SHARE_STATUS") == "2");

    // Allowed: copied, both marked as taken out by the operator, the statuses free again.
    SetSafeRoots({env.dir.path()});
    EXPECT_EQ(info.GetShareData(share.string(), local.string(), 1), 1);
    EXPECT_EQ(FileBytes(local / "vqacc.fdb"), FileBytes(share / "vqacc.fdb"));
    EXPECT_EQ(shareIni.ReadString("DATASTS", "SHARE_STATUS"), "2");
    EXPECT_EQ(shareIni.ReadString("DATASTS", "SHARE_OPERATOR"), "山田太郎");
    EXPECT_EQ(IniFile(local / "vqacc.ini").ReadString("DATASTS", "SHARE_STATUS"), "2");
    EXPECT_EQ(shareIni.ReadString("DATASTS", "STATUS"), "1");

    // Taken out already: refused with -1, and newer work in the local folder stays as it is ...
    WriteRaw(local / "vqacc.fdb", "newer local work");
    EXPECT_EQ(info.GetShareData(share.string(), local.string(), 1), -1);
    EXPECT_EQ(FileBytes(local / "vqacc.fdb"), "newer local work");
    // ... while a folder without data still gets the shared copy.
    const auto empty = env.dir / "local" / "0002";
    EXPECT_EQ(info.GetShareData(share.string(), empty.string(), 1), -1);
    EXPECT_EQ(FileBytes(empty / "vqacc.fdb"), FileBytes(share / "vqacc.fdb"));

    // Broken: -1, and only a loud call raises the message.
    info.SetDataStatus(share.string(), dsBroken);
    EXPECT_EQ(info.GetShareData(share.string(), local.string(), 1), -1);
    try {
        info.GetShareData(share.string(), local.string(), 0);
        ADD_FAILURE() << "no refusal";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "共有サーバー上のデータが破損しているため、共有データの取得を中止します。\rデータのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。");
    }
    EXPECT_EQ(info.GetShareData("", local.string(), 0), 0);
}

TEST(DataInfomation, OperatorWithoutTheBranchIsRefusedWithTheMessage)
{
    AccEnv env;
    const auto folder = env.MakeDataSet("k1", BranchDataSetSql());
    TDataInfomation info(*env.dm);

    // An administrator is never asked.
    EXPECT_TRUE(info.IsDataSiyouKengen(folder.string()));
    EXPECT_FALSE(env.dm->IBDatabaseDAT.Connected());

    LogOnRestricted();  // licensed for 01, not for 02
    EXPECT_FALSE(info.IsDataSiyouKengen(folder.string()));
    ASSERT_EQ(env.ui.shown.size(), 1u);
    EXPECT_EQ(env.ui.shown[0],
              "このデータを扱う権限がありません、他のデータを選択して下さい。\r"
              "権限を付与するには管理者でログインし、「オペレータ登録」より[選択中のデータを処理します]にチェックを入れて下さい。");
    EXPECT_EQ(env.ui.types[0], TMsgDlgType::mtInformation);
    EXPECT_FALSE(env.dm->IBDatabaseDAT.Connected());

    kbtest::fixture::RunIsql(folder / "vqacc.fdb", "INSERT INTO OPLICENSE (OPCODE, SCODE) VALUES (100000011, '02');\nCOMMIT;\n");
    EXPECT_TRUE(info.IsDataSiyouKengen(folder.string()));
    EXPECT_EQ(env.ui.shown.size(), 1u);

    // Without a default facility the operator is refused as well.
    kbtest::fixture::RunIsql(folder / "vqacc.fdb", "DELETE FROM OPDEFSISETU;\nCOMMIT;\n");
    EXPECT_FALSE(info.IsDataSiyouKengen(folder.string()));
    EXPECT_EQ(env.ui.shown.size(), 2u);
}

TEST(DataInfomation, PasswordAuthAsksThroughTheDataModule)
{
    AccEnv env;
    // The data set keeps its password coded, as the accounting application writes it.
    TEasyEncodeInfo code;
    code.PadLength = 8;
    code.TextLength = 8;
    code.Key = kEasyEncodeKey;
    code.PlainText = "pw12";
    ASSERT_TRUE(EasyEncode(code));
    const auto folder = env.MakeDataSet("p1", BranchDataSetSql() +
        "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', 'データパスワードV2', '文字', '" +
        code.CodedText + "');\n");
    ScriptedPasswordPrompt prompt;
    SetDataPasswordPrompt(&prompt);
    TDataInfomation info(*env.dm);

    prompt.answers = {"x", "pw12"};
    EXPECT_TRUE(info.IsDataPasswordAuth(folder.string()));
    EXPECT_EQ(prompt.asked.size(), 2u);
    EXPECT_TRUE(env.ui.shown.empty());

    prompt.asked.clear();
    prompt.answers = {"a", "b", "c"};
    EXPECT_FALSE(info.IsDataPasswordAuth(folder.string()));
    ASSERT_EQ(env.ui.shown.size(), 1u);
    EXPECT_EQ(env.ui.shown[0], "このデータに設定されている「パスワード」と一致しませんでした。\r他のデータを選択して下さい。");
    EXPECT_FALSE(env.dm->IBDatabaseDAT.Connected());

    // No database file: nothing to protect.
    EXPECT_TRUE(info.IsDataPasswordAuth((env.dir / "empty").string()));
    EXPECT_FALSE(info.IsDataPasswordAuth(""));
    SetDataPasswordPrompt(nullptr);
}

TEST(DataInfomation, PutShareDataStoresAndReleasesOrKeepsTheTakenMark)
{
    AccEnv env;
    const auto share = env.dir / "share" / "sv0001";
    const auto local = env.dir / "local" / "0001";
    TDataInfomation info(*env.dm);
    WriteRaw(local / "vqacc.fdb", "local bytes");
    info.WriteIniFile(local.string(), "", SampleRec());
    info.WriteIniFile(share.string(), "", SampleRec());
    info.SetShareStatus(local.string(), 2);
    info.SetShareStatus(share.string(), 2);
    const IniFile shareIni(share / "vqacc.ini");
    const IniFile localIni(local / "vqacc.ini");

    // Refused copy: the data set stays taken out on both sides, nothing is busy.
    SetSafeRoots({std::filesystem::path(env.dir / "local")});
    EXPECT_EQ(info.PutShareData(share.string(), local.string(), 1), 0);
    EXPECT_EQ(shareIni.ReadString("DATASTS", "SHARE_STATUS"), "2");
    EXPECT_EQ(localIni.ReadString("DATASTS", "SHARE_STATUS"), "2");
    EXPECT_EQ(shareIni.ReadString("DATASTS", "STATUS"), "1");
    EXPECT_FALSE(std::filesystem::exists(share / "vqacc.fdb"));

    SetSafeRoots({env.dir.path()});
    EXPECT_EQ(info.PutShareData(share.string(), local.string(), 1), 1);
    EXPECT_EQ(FileBytes(share / "vqacc.fdb"), "local bytes");
    EXPECT_EQ(shareIni.ReadString("DATASTS", "SHARE_STATUS"), "1");
    EXPECT_FALSE(shareIni.ValueExists("DATASTS", "SHARE_OPCODE"));
    EXPECT_EQ(localIni.ReadString("DATASTS", "SHARE_STATUS"), "1");
    EXPECT_EQ(shareIni.ReadString("DATASTS", "STATUS"), "1");
    EXPECT_FALSE(shareIni.ValueExists("DATASTS", "OPERATOR"));
    EXPECT_EQ(info.PutShareData("", local.string(), 1), 0);
}
