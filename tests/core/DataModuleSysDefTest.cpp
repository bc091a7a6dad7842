// The operator's settings in the system database (SYSDEF, SYSREG, SYSTEMINI, STYLECOLOR,
// JOBCONTROL2, LOGONUSERLIST, VERSION) on a real embedded database made from db/system.sql.

#include "DataModuleTestSupport.h"

#include "core/DataModuleSysDef.h"

#include <gtest/gtest.h>

#include <optional>

namespace kb {
namespace {

using kbtest::StoreEnvironment;

constexpr int kOpCode = 10000 * 10000 + 10; // group 10000, operator 10

class SysDefStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = env.dir / "vqaccdef.fdb";
        kbtest::CreateDatabase(file, kbtest::SchemaText("system.sql") +
                                         "INSERT INTO VERSION (REC, MAJOR, MINOR1, MINOR2) VALUES (1, 11, 0, 1);\n"
                                         "INSERT INTO VERSION (REC, MAJOR, MINOR1, MINOR2) VALUES (2, 12, 0, 0);\n"
                                         "INSERT INTO VERSION (REC, MAJOR, MINOR1, MINOR2) VALUES (3, 9, 9, 9);\n"
                                         "COMMIT;\n");
        env.OpenSystem(file);
        SystemDef.GroupId = 10000;
        SystemDef.OpCode = kOpCode;
    }

    // Runs a statement on a connection of its own and commits.
    void Exec(const std::string& sql)
    {
        fb::Connection c;
        c.SetDatabaseName(file.string());
        TDM::SetLoginParams(c);
        c.Open();
        fb::Transaction tr(&c);
        tr.StartTransaction();
        fb::Statement q(c, &tr);
        q.SetSQL(sql);
        q.ExecQuery();
        tr.Commit();
    }
    // The first column of the first row as another connection sees it; nullopt when no row.
    std::optional<std::string> Value(const std::string& sql)
    {
        fb::Connection c;
        c.SetDatabaseName(file.string());
        TDM::SetLoginParams(c);
        c.Open();
        fb::Transaction tr(&c);
        tr.StartTransaction();
        fb::Statement q(c, &tr);
        q.SetSQL(sql);
        q.ExecQuery();
        std::optional<std::string> v;
        if (!q.Eof()) v = q.FieldAt(0).IsNull() ? std::string("<null>") : q.FieldAt(0).AsString();
        q.Close();
        tr.Commit();
        return v;
    }
    std::optional<std::string> SysReg(int opcode, const std::string& key)
    {
        return Value("SELECT STEXT FROM SYSREG WHERE OPCODE=" + std::to_string(opcode) + " AND SCODE='" + key + "'");
    }

    StoreEnvironment env;
    std::filesystem::path file;
};

TEST_F(SysDefStore, FirstLogonCreatesTheRowAndTheSeedKeysAndLoadsThemInTheSameCall)
{
    Exec("INSERT INTO SYSTEMINI (REC, RESERVE1, RESERVE2, RESERVE3, SSTR) VALUES (10, 1, 2, 3, "
         "'NAME=見本会計事務所' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'jyusho=東京都港区①' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'TEL=03-0000-0000')");
    Exec("INSERT INTO SYSTEMINI (REC, RESERVE1) VALUES (20, 1)");

    ASSERT_TRUE(fnGetSysDef(*env.dm));
    EXPECT_TRUE(env.ui.shown.empty());
    EXPECT_FALSE(env.dm->IBTransactionDEF.InTransaction());

    // the inserted row
    EXPECT_EQ(Value("SELECT ColHeaderColor FROM SYSDEF WHERE OPCODE=" + std::to_string(kOpCode)), std::to_string(0xDBDBDB));
    EXPECT_EQ(Value("SELECT ActiveColor FROM SYSDEF WHERE OPCODE=" + std::to_string(kOpCode)), std::to_string(0x246BFF));
    EXPECT_EQ(Value("SELECT DicTorAuto FROM SYSDEF WHERE OPCODE=" + std::to_string(kOpCode)), "1");
    // loaded from it
    EXPECT_EQ(SystemDef.ClientColor2, 0xE1F0FF);
    EXPECT_EQ(SystemDef.TotalColor, 0x8EC7FF);
    EXPECT_EQ(SystemDef.NetColor2, 0xD7FFD7);
    EXPECT_EQ(SystemDef.PLineColor1, 0x007900);
    EXPECT_EQ(SystemDef.ColHeaderGradColor2, 0xDBDBDB);
    EXPECT_EQ(SystemDef.SankakuPlus, 1);
    EXPECT_EQ(SystemDef.DicSwitch, 0);

    // seed keys were written and win over the reading defaults
    EXPECT_EQ(SysReg(kOpCode, "摘要＿自動開く区分"), "1");
    EXPECT_EQ(SysReg(kOpCode, "取引先＿連想開く区分"), "0");
    EXPECT_EQ(SystemDef.TekAutoOpen, 1);
    EXPECT_EQ(SystemDef.TorAutoOpen, 1);
    EXPECT_EQ(SystemDef.TekDicOpen, 1);
    // the others read their defaults and now exist
    EXPECT_EQ(SystemDef.SisanBSKaiPage, 1);
    EXPECT_EQ(SystemDef.SisanSeizouSyukeiOut, 1);
    EXPECT_EQ(SysReg(kOpCode, "試算表製造集計行出区"), "1");
    EXPECT_EQ(SystemDef.SisanTitle, "試　算　表");
    EXPECT_EQ(SystemDef.TitleTexts[0][0], "資産・負債・純資産");
    EXPECT_EQ(SystemDef.TitleTexts[0][1], "");
    EXPECT_EQ(SystemDef.TitleTexts[3][2], "損益");
    EXPECT_EQ(SystemDef.TitleTexts[4][0], "");
    EXPECT_EQ(SystemDef.TitleTexts[4][1], "販売費・一般管理費");
    EXPECT_EQ(SystemDef.SiwakeDateFocus, 2); // not an OEM edition
    EXPECT_EQ(SystemDef.TaxCodePrint, 1);
    EXPECT_FALSE(SysReg(kOpCode, "次項目移動区分")); // OEM-only keys are not read
    // the damage check switch is the group's, on by default
    EXPECT_EQ(SystemDef.DataCheckKbn, 1);
    EXPECT_EQ(SysReg(10000 * 10000 + 9999, "データ破損チェック区分"), "1");

    // the office texts and switches of SYSTEMINI, the system database's version
    EXPECT_EQ(SystemDef.HoujinName, "見本会計事務所");
    EXPECT_EQ(SystemDef.HoujinAddress, "東京都港区①");
    EXPECT_EQ(SystemDef.HoujinTel, "03-0000-0000");
    EXPECT_EQ(SystemDef.HoujinReserve, (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(SystemDef.AllSisetuSwitch, 1);
    EXPECT_EQ(SystemDef.SysDbMajor, 12);
    EXPECT_EQ(SystemDef.SysDbMinor1, 0);
    EXPECT_EQ(SystemDef.SysDbMinor2, 0);

    // a second log-on finds the row: no second insert
    ASSERT_TRUE(fnGetSysDef(*env.dm));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM SYSDEF"), "1");
}

TEST_F(SysDefStore, OemFirstLogonUsesTheOemDefaults)
{
    OemFlag = 2;
    ASSERT_TRUE(fnGetSysDef(*env.dm));
    EXPECT_EQ(SystemDef.DicSwitch, 2);
    EXPECT_EQ(SystemDef.DicTekAuto, 2);
    EXPECT_EQ(SystemDef.DicTorAuto, 0);
    EXPECT_EQ(SystemDef.AllSisetuSwitch, 1);
    EXPECT_EQ(SystemDef.SiwakeDateFocus, 1);
    EXPECT_EQ(SystemDef.BumonCodeKeta, 1);
    EXPECT_EQ(SystemDef.MotoLastZanOut, 1);
    EXPECT_EQ(SystemDef.MotoTitleOut, 1);
    EXPECT_EQ(SystemDef.TekDicOpen, 0); // the OEM seed overrides the plain seed
    EXPECT_EQ(SystemDef.TekRensouOpen, 1);
}

TEST_F(SysDefStore, ValuesWrittenReadBackUnchangedAndShouhyouIsLeftAlone)
{
    ASSERT_TRUE(fnGetSysDef(*env.dm));
    Exec("UPDATE SYSDEF SET Shouhyou=7 WHERE OPCODE=" + std::to_string(kOpCode));

    SystemDef.DataDir = "/data/0001";
    SystemDef.FontName = "ＭＳ ゴシック";
    SystemDef.MFLeft = 123;
    SystemDef.ClientColor3 = 0x123456;
    SystemDef.ZenkaiDrive = "Z:";
    SystemDef.SSTR = "A=1\r\nB=㈱";
    SystemDef.Reserve2Bit2 = 1;
    SystemDef.AutoShareFlag = 1;
    SystemDef.Reserve4Bits[5] = 2; // bit 6
    SystemDef.Reserve4Bits[7] = 1;
    SystemDef.MotoLastZanOut = 1;
    SystemDef.Reserve4Bits[11] = 1;
    SystemDef.TekDicOpen = 0;
    SystemDef.SisanTitle = "残高試算表";
    SystemDef.TitleTexts[3][2] = "損益計算書";
    SystemDef.SisanGyouChousei = 5; // never written back
    SystemDef.DataCheckKbn = 0;     // never written back
    const TSystemDef written = SystemDef;
    ASSERT_TRUE(fnPutSysDef(*env.dm));
    EXPECT_FALSE(env.dm->IBTransactionDEF.InTransaction());

    EXPECT_EQ(Value("SELECT Shouhyou FROM SYSDEF WHERE OPCODE=" + std::to_string(kOpCode)), "7");
    EXPECT_EQ(Value("SELECT Reserve2 FROM SYSDEF WHERE OPCODE=" + std::to_string(kOpCode)), "2");
    EXPECT_EQ(Value("SELECT Reserve4 FROM SYSDEF WHERE OPCODE=" + std::to_string(kOpCode)),
              std::to_string(1 | 1 << 5 | 1 << 6 | 1 << 10));
    EXPECT_EQ(SysReg(kOpCode, "試算表行数調整区分"), "0");
    EXPECT_EQ(SysReg(10000 * 10000 + 9999, "データ破損チェック区分"), "1");

    ResetAccRecord();
    SystemDef.GroupId = 10000;
    SystemDef.OpCode = kOpCode;
    ASSERT_TRUE(fnGetSysDef(*env.dm));
    EXPECT_EQ(SystemDef.DataDir, written.DataDir);
    EXPECT_EQ(SystemDef.FontName, written.FontName);
    EXPECT_EQ(SystemDef.MFLeft, 123);
    EXPECT_EQ(SystemDef.ClientColor3, 0x123456);
    EXPECT_EQ(SystemDef.ZenkaiDrive, "Z:");
    EXPECT_EQ(SystemDef.SSTR, written.SSTR);
    EXPECT_EQ(SystemDef.Shouhyou, 7);
    EXPECT_EQ(SystemDef.Reserve2Bit1, 0);
    EXPECT_EQ(SystemDef.Reserve2Bit2, 1);
    EXPECT_EQ(SystemDef.AutoShareFlag, 1);
    EXPECT_EQ(SystemDef.Reserve4Bits[5], 2);
    EXPECT_EQ(SystemDef.Reserve4Bits[11], 1);
    EXPECT_EQ(SystemDef.MotoLastZanOut, 1); // its key was written from the field
    EXPECT_EQ(SystemDef.TekDicOpen, 0);
    EXPECT_EQ(SystemDef.SisanTitle, "残高試算表");
    EXPECT_EQ(SystemDef.TitleTexts[3][2], "損益計算書");
    EXPECT_EQ(SystemDef.SisanGyouChousei, 0);
    EXPECT_EQ(SystemDef.DataCheckKbn, 1);
}

TEST_F(SysDefStore, StoredZeroGradientColoursShowAsTheirDefaults)
{
    ASSERT_TRUE(fnGetSysDef(*env.dm));
    Exec("UPDATE SYSDEF SET ColHeaderGradColor1=0, ColHeaderGradColor2=0");
    ASSERT_TRUE(fnGetSysDef(*env.dm));
    EXPECT_EQ(SystemDef.ColHeaderGradColor1, 0xFFFFFF);
    EXPECT_EQ(SystemDef.ColHeaderGradColor2, 0xBBBBBB);
}

TEST_F(SysDefStore, SysRegTypes)
{
    Exec("INSERT INTO SYSREG (OPCODE, SCODE, STYPE, STEXT) VALUES (" + std::to_string(kOpCode) + ", '空', '文字', '')");
    TRegValue v;
    ASSERT_TRUE(GetSysRegOp(*env.dm, "空", kRegText, v, "x"));
    EXPECT_EQ(v, TRegValue(std::string(" ")));
    ASSERT_TRUE(GetSysRegOp(*env.dm, "空", kRegInteger, v, "9"));
    EXPECT_EQ(v, TRegValue(std::int32_t{0}));

    ASSERT_TRUE(GetSysRegOp(*env.dm, "謎", "実数", v, "1.5"));
    EXPECT_EQ(v, TRegValue(std::string("Data Type Error")));
    EXPECT_EQ(SysReg(kOpCode, "謎"), "1.5"); // still inserted

    const struct {
        const char* type;
        TRegValue value;
        const char* stored;
        TRegValue readBack;
    } cases[] = {
        {kRegBool, true, "TRUE", true},
        {kRegDate, Date(2026, 12, 11), "2026/12/11", Date(2026, 12, 11)},
        {kRegInteger, std::int32_t{-3}, "-3", std::int32_t{-3}},
        {kRegCurrency, Currency::FromRaw(12345), "1", Currency::FromYen(1)}, // written rounded
        {kRegText, std::string("①②"), "①②", std::string("①②")},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string key = "k" + std::to_string(++n);
        ASSERT_TRUE(PutSysRegOp(*env.dm, key, c.type, c.value));
        EXPECT_EQ(SysReg(kOpCode, key), c.stored) << c.type;
        ASSERT_TRUE(GetSysRegOp(*env.dm, key, c.type, v, ""));
        EXPECT_EQ(v, c.readBack) << c.type;
    }
    // "論理" is true only for exactly "TRUE"
    Exec("INSERT INTO SYSREG (OPCODE, SCODE, STYPE, STEXT) VALUES (" + std::to_string(kOpCode) + ", '小文字', '論理', 'true')");
    ASSERT_TRUE(GetSysRegOp(*env.dm, "小文字", kRegBool, v, "TRUE"));
    EXPECT_EQ(v, TRegValue(false));
    // an unknown type writes no value
    ASSERT_TRUE(PutSysRegOp(*env.dm, "謎2", "実数", 1.5));
    EXPECT_EQ(SysReg(kOpCode, "謎2"), "<null>");
}

TEST_F(SysDefStore, JobControlAllowsEverythingToALevelWithoutRows)
{
    Exec("INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID, PROC_OPTION) VALUES (1, 'SzSiwake', 'INPUT;PRINT')");
    Exec("INSERT INTO JOBCONTROL2 (LEVELNO, PROC_ID, PROC_OPTION) VALUES (1001, 'SzIryou', '')");
    const struct {
        int level;
        bool medical;
        const char* proc;
        const char* option;
        bool allowed;
    } cases[] = {
        {9, false, "SzDataTusin", "", true}, {1, false, "SzSiwake", "", true},     {1, false, "SzSiwake", "PRINT", true},
        {1, false, "SzSiwake", "DELETE", false}, {1, false, "SzDataTusin", "", false}, {1, true, "SzIryou", " ", true},
        {1, true, "SzSiwake", "", false},
    };
    for (const auto& c : cases) {
        SystemDef.JobLevel = c.level;
        AccInf.IryouHoujin = c.medical;
        EXPECT_EQ(SetJobControl(*env.dm, c.proc, c.option), c.allowed) << c.level << c.proc << c.option;
    }
    EXPECT_FALSE(env.dm->IBTransactionDEF.InTransaction());
}

TEST_F(SysDefStore, DeleteLogonInfoRemovesOnlyTheOperatorsRow)
{
    Exec("INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (" + std::to_string(kOpCode) + ", 10000, 10, 'pc1')");
    Exec("INSERT INTO LOGONUSERLIST (OPCODE, GROUPID, OPERATORCODE, PCNAME) VALUES (100000011, 10000, 11, 'pc2')");
    ASSERT_TRUE(DeleteLogonInfo(*env.dm));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM LOGONUSERLIST"), "1");
    EXPECT_EQ(Value("SELECT OPCODE FROM LOGONUSERLIST"), "100000011");
}

TEST_F(SysDefStore, StyleColorsKeepTheFormsSettings)
{
    std::string sstr = "unchanged";
    GetStyleColor(*env.dm, kOpCode, "仕訳帳", sstr);
    EXPECT_EQ(sstr, "unchanged");
    PutStyleColor(*env.dm, kOpCode, "仕訳帳", "Width=100\r\nFont=ＭＳ 明朝");
    PutStyleColor(*env.dm, kOpCode, "仕訳帳", "Width=120");
    GetStyleColor(*env.dm, kOpCode, "仕訳帳", sstr);
    EXPECT_EQ(sstr, "Width=120");
    EXPECT_EQ(Value("SELECT LINECOLOR3 FROM STYLECOLOR"), "-1");
    EXPECT_EQ(Value("SELECT COUNT(*) FROM STYLECOLOR"), "1");
}

TEST_F(SysDefStore, SystemIniRowsAndTheirFailures)
{
    TSystemIniRec rec;
    rec.REC = 30;
    rec.RESERVE1 = 9;
    ASSERT_TRUE(GetSysIni(*env.dm, rec)); // no row: zeros, still true
    EXPECT_EQ(rec.RESERVE1, 0);
    rec = {30, 1, 2, 3, 4, 5, "X=1"};
    ASSERT_TRUE(SetSysIni(*env.dm, rec));
    rec.SSTR = "X=2";
    ASSERT_TRUE(SetSysIni(*env.dm, rec));
    TSystemIniRec back;
    back.REC = 30;
    ASSERT_TRUE(GetSysIni(*env.dm, back));
    EXPECT_EQ(back.RESERVE5, 5);
    EXPECT_EQ(back.SSTR, "X=2");

    env.dm->IBDatabaseDEF.Close(); // our attachment must not hold the table
    Exec("DROP TABLE SYSTEMINI");
    env.OpenSystem(file);
    EXPECT_FALSE(GetSysIni(*env.dm, back));
    ASSERT_EQ(env.ui.shown.size(), 1u);
    EXPECT_NE(env.ui.shown[0].find("システム情報の取得に失敗しました。"), std::string::npos);
    // inside a caller's transaction the error goes to the caller
    env.dm->IBTransactionDEF.StartTransaction();
    EXPECT_THROW(GetSysIni(*env.dm, back), FbError);
    EXPECT_TRUE(env.dm->IBTransactionDEF.InTransaction());
    env.dm->IBTransactionDEF.Rollback();
    // and the log-on load fails as a whole
    EXPECT_FALSE(fnGetSysDef(*env.dm));
    EXPECT_FALSE(env.dm->IBTransactionDEF.InTransaction());
    EXPECT_NE(env.ui.shown.back().find("アプリケーションを終了します。"), std::string::npos);
}

TEST(GetTextValue, FindsTheValueByNameWithoutRegardToCase)
{
    const struct {
        const char* lines;
        const char* name;
        const char* value;
    } cases[] = {
        {"NAME=a\r\nTEL=1", "TEL", "1"}, {"name=a\nX=", "NAME", "a"}, {"A=1=2", "A", "1=2"},
        {"AB=1", "A", ""},               {"", "A", ""},               {"\r\nA=3\r\n", "a", "3"},
    };
    for (const auto& c : cases) {
        std::string v = "old";
        GetTextValue(c.lines, c.name, v);
        EXPECT_EQ(v, c.value) << c.lines;
    }
}

} // namespace
} // namespace kb
