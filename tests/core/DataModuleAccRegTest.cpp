// The typed settings stores of a data set (ACCREG, ACCREG_BLOB_BINARY, MSD_HOUKOKU) on a real
// embedded database with the schema's own table definitions.

#include "DataModuleTestSupport.h"

#include "core/DataModuleAccReg.h"
#include "fb/FbError.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

namespace kb {
namespace {

using kbtest::StoreEnvironment;

// ACCREG_BLOB_BINARY is not in db/accounting.sql yet; the tests make it with the columns the
// store uses.
const char* kBlobTable =
    "CREATE TABLE ACCREG_BLOB_BINARY (FGROUP VARCHAR(40) CHARACTER SET SJIS_0208 NOT NULL,"
    " FKEY VARCHAR(40) CHARACTER SET SJIS_0208 NOT NULL, FTYPE VARCHAR(10) CHARACTER SET SJIS_0208 DEFAULT '',"
    " FVALUE BLOB SUB_TYPE 0, CONSTRAINT PK_ACCREG_BLOB_BINARY PRIMARY KEY (FGROUP, FKEY));\nCOMMIT;\n";

class AccRegStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = env.dir / "vqacc.fdb";
        kbtest::CreateDatabase(file, kbtest::SchemaTables("accounting.sql", {"ACCREG", "MSD_HOUKOKU"}) + kBlobTable);
        env.OpenData(file);
    }

    struct Row {
        std::string type;
        std::optional<std::string> text;
    };
    // The row as another connection sees it (committed data only).
    std::optional<Row> StoredRow(const std::string& group, const std::string& code)
    {
        fb::Connection c;
        c.SetDatabaseName(file.string());
        TDM::SetLoginParams(c);
        c.Open();
        fb::Transaction tr(&c);
        tr.StartTransaction();
        fb::Statement q(c, &tr);
        q.SetSQL("SELECT ATYPE, ATEXT FROM ACCREG WHERE AGROUP=:G AND ACODE=:C");
        q.ParamByName("G").SetString(group);
        q.ParamByName("C").SetString(code);
        q.ExecQuery();
        std::optional<Row> r;
        if (!q.Eof()) {
            const auto t = q.FieldByName("ATEXT");
            r = Row{q.FieldByName("ATYPE").AsString(), t.IsNull() ? std::nullopt : std::optional<std::string>(t.AsString())};
        }
        q.Close();
        tr.Commit();
        return r;
    }
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

    StoreEnvironment env;
    std::filesystem::path file;
};

TEST_F(AccRegStore, MissingSettingInsertsTheDefaultAndASecondReadFindsTheRow)
{
    EXPECT_FALSE(RegAsBool(GetAccReg(*env.dm, "基本設定", "監査処理＿決算仕訳含む", kRegBool, "FALSE")));
    auto row = StoredRow("基本設定", "監査処理＿決算仕訳含む");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->type, "論理");
    EXPECT_EQ(row->text, "FALSE");
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());

    Exec("UPDATE ACCREG SET ATEXT='true' WHERE ACODE='監査処理＿決算仕訳含む'");
    // the stored row wins over the default, and "論理" ignores the letter case
    EXPECT_TRUE(RegAsBool(GetAccReg(*env.dm, "基本設定", "監査処理＿決算仕訳含む", kRegBool, "FALSE")));
}

TEST_F(AccRegStore, EmptyTextsReadAsOneBlankAndTheCallersTypeDecides)
{
    const TRegValue text = GetAccReg(*env.dm, "基本設定", "＃KEY", kRegText, "");
    EXPECT_EQ(RegAsString(text), " ");
    EXPECT_EQ(StoredRow("基本設定", "＃KEY")->text, "");
    EXPECT_EQ(std::get<std::int32_t>(GetAccReg(*env.dm, "基本設定", "＃KEY", kRegInteger, "5")), 0);
    EXPECT_TRUE(std::get<Date>(GetAccReg(*env.dm, "基本設定", "＃KEY", kRegDate, "")).IsNull());

    PutAccReg(*env.dm, "基本設定", "科目コード桁数", kRegInteger, std::int32_t{4});
    EXPECT_EQ(std::get<std::string>(GetAccReg(*env.dm, "基本設定", "科目コード桁数", kRegText, "")), "4");
}

TEST_F(AccRegStore, EveryTypeReadsBackWhatWasWritten)
{
    const struct {
        const char* type;
        TRegValue value;
        const char* stored;
    } cases[] = {
        {kRegText, std::string("㈱山田①～"), "㈱山田①～"},
        {kRegBool, true, "TRUE"},
        {kRegBool, false, "FALSE"},
        {kRegDate, Date(2025, 3, 31), "2025/03/31"},
        {kRegDate, Date(), ""},
        {kRegInteger, std::int32_t{-42}, "-42"},
        {kRegCurrency, Currency::FromRaw(12345678), "1234.5678"},
        {kRegCurrency, Currency::FromYen(-7), "-7"},
        {kRegFloat, 0.1, "0.1"},
        {kRegDateTime, DateTime(Date(2025, 1, 2), 3, 4, 5), "2025/01/02 03:04:05"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string code = "key" + std::to_string(++n);
        PutAccReg(*env.dm, "テスト", code, c.type, c.value);
        EXPECT_EQ(StoredRow("テスト", code)->text, c.stored) << c.type;
        EXPECT_EQ(GetAccReg(*env.dm, "テスト", code, c.type, "x"), c.value) << c.type;
    }
}

TEST_F(AccRegStore, RewritingKeepsTheStoredTypeAndDeleteRemoves)
{
    PutAccReg(*env.dm, "基本設定", "合算データ数", kRegInteger, std::int32_t{3});
    PutAccReg(*env.dm, "基本設定", "合算データ数", kRegText, std::string("abc"));
    auto row = StoredRow("基本設定", "合算データ数");
    EXPECT_EQ(row->type, "整数");
    EXPECT_EQ(row->text, "abc");
    DeleteAccReg(*env.dm, "基本設定", "合算データ数");
    EXPECT_FALSE(StoredRow("基本設定", "合算データ数"));
}

TEST_F(AccRegStore, UnknownTypeReadsAsDataTypeErrorAndWritesNull)
{
    EXPECT_EQ(std::get<std::string>(GetAccReg(*env.dm, "g", "k", "謎型", "1")), "Data Type Error");
    EXPECT_EQ(StoredRow("g", "k")->type, "謎型"); // the row is still inserted
    PutAccReg(*env.dm, "g", "k2", "謎型", std::string("x"));
    auto row = StoredRow("g", "k2");
    ASSERT_TRUE(row);
    EXPECT_FALSE(row->text);
    EXPECT_THROW(PutAccReg(*env.dm, "g", "k3", kRegInteger, std::string("twelve")), std::invalid_argument);
}

TEST_F(AccRegStore, InsideACallersTransactionNothingIsCommittedUntilTheCallerCommits)
{
    env.dm->IBTransactionDAT.StartTransaction();
    GetAccReg(*env.dm, "基本設定", "過去明細取り込み", kRegInteger, "0");
    PutAccReg(*env.dm, "基本設定", "合算データ区分", kRegInteger, std::int32_t{1});
    EXPECT_TRUE(env.dm->IBTransactionDAT.InTransaction());
    EXPECT_FALSE(StoredRow("基本設定", "過去明細取り込み"));
    EXPECT_FALSE(StoredRow("基本設定", "合算データ区分"));
    env.dm->IBTransactionDAT.Commit();
    EXPECT_TRUE(StoredRow("基本設定", "過去明細取り込み"));
    EXPECT_EQ(StoredRow("基本設定", "合算データ区分")->text, "1");
}

TEST_F(AccRegStore, AFailureRollsBackOnlyWhatTheStoreStartedAndIsThrownOn)
{
    const std::string tooLong(600, 'x'); // ATEXT holds 254 characters
    EXPECT_THROW(PutAccReg(*env.dm, "g", "long", kRegText, tooLong), FbError);
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());

    env.dm->IBTransactionDAT.StartTransaction();
    PutAccReg(*env.dm, "g", "kept", kRegText, std::string("v"));
    EXPECT_THROW(PutAccReg(*env.dm, "g", "long", kRegText, tooLong), FbError);
    ASSERT_TRUE(env.dm->IBTransactionDAT.InTransaction()); // the caller's, left to the caller
    env.dm->IBTransactionDAT.Commit();
    EXPECT_EQ(StoredRow("g", "kept")->text, "v");
}

TEST_F(AccRegStore, PicturesComeBackAsFilesOfTheirOwnAndMemosAsCrLfLines)
{
    const auto picture = env.dir / "logo.jpg";
    const std::string bytes("\xFF\xD8\xFF\x00\x01\x02 jpeg\r\n", 13);
    std::ofstream(picture, std::ios::binary) << bytes;
    PutAccRegBlob(*env.dm, "画像", "ロゴ", kBlobJpg, picture.string());

    std::string first, second;
    ASSERT_TRUE(GetAccRegBlob(*env.dm, "画像", "ロゴ", first));
    ASSERT_TRUE(GetAccRegBlob(*env.dm, "画像", "ロゴ", second));
    EXPECT_NE(first, second); // two reads in the same second no longer share one file
    for (const auto& p : {first, second}) {
        EXPECT_EQ(std::filesystem::path(p).parent_path(), env.dir / "temp");
        EXPECT_EQ(std::filesystem::path(p).extension(), ".jpg");
        std::ifstream in(p, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
    }

    PutAccRegBlob(*env.dm, "メモ", "備考", kBlobMemo, "一行目\n二行目\r\n③");
    std::string memo;
    ASSERT_TRUE(GetAccRegBlob(*env.dm, "メモ", "備考", memo));
    EXPECT_EQ(memo, "一行目\r\n二行目\r\n③\r\n");

    // an unknown kind stores no value and reads as nothing
    PutAccRegBlob(*env.dm, "メモ", "謎", "WAV", "x");
    std::string unchanged = "before";
    EXPECT_FALSE(GetAccRegBlob(*env.dm, "メモ", "謎", unchanged));
    EXPECT_FALSE(GetAccRegBlob(*env.dm, "メモ", "ない", unchanged));
    EXPECT_EQ(unchanged, "before");

    EXPECT_THROW(PutAccRegBlob(*env.dm, "画像", "ない", kBlobBmp, (env.dir / "missing.bmp").string()), std::runtime_error);
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());
}

TEST_F(AccRegStore, MsdHoukokuEndsEvenTheCallersTransaction)
{
    env.dm->IBTransactionDAT.StartTransaction();
    PutAccReg(*env.dm, "基本設定", "前の作業", kRegText, std::string("1"));
    EXPECT_EQ(std::get<Currency>(GetMsdHoukoku(*env.dm, "報告", "基金", kRegCurrency, "100.5")), Currency::FromRaw(1005000));
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());
    EXPECT_TRUE(StoredRow("基本設定", "前の作業")); // committed with it
    // the five basic types only
    EXPECT_EQ(std::get<std::string>(GetMsdHoukoku(*env.dm, "報告", "率", kRegFloat, "0.5")), "Data Type Error");
    EXPECT_EQ(std::get<std::string>(GetMsdHoukoku(*env.dm, "報告", "名", kRegText, "")), " ");
}

TEST_F(AccRegStore, MsdHoukokuFailureRollsBackTheCallersTransactionAndPassesTheErrorOn)
{
    env.dm->IBTransactionDAT.StartTransaction();
    PutAccReg(*env.dm, "基本設定", "前の作業", kRegText, std::string("1"));
    // MDTEXT1 holds 254 characters: the insert of the missing row fails
    EXPECT_THROW(GetMsdHoukoku(*env.dm, "報告", "基金", kRegText, std::string(600, 'x')), FbError);
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());
    EXPECT_FALSE(StoredRow("基本設定", "前の作業"));
}

TEST_F(AccRegStore, CorporationOutlineQuestions)
{
    const struct {
        const char* zaidan;
        const char* iryou;
        const char* kikin;
        bool isZaidan;
        bool hasKikin;
    } cases[] = {
        {"財団", "", "無", true, false}, {"社団", "社会", "有", true, true}, {"社団", "特定", "無", true, false},
        {"社団", "一般", "有", false, true}, {nullptr, nullptr, nullptr, false, false},
    };
    for (const auto& c : cases) {
        DeleteAccReg(*env.dm, "法人概要", "財団社団");
        DeleteAccReg(*env.dm, "法人概要", "医療法人");
        DeleteAccReg(*env.dm, "法人概要", "基金");
        if (c.zaidan) {
            PutAccReg(*env.dm, "法人概要", "財団社団", kRegText, std::string(c.zaidan));
            PutAccReg(*env.dm, "法人概要", "医療法人", kRegText, std::string(c.iryou));
            PutAccReg(*env.dm, "法人概要", "基金", kRegText, std::string(c.kikin));
        }
        EXPECT_EQ(GetHoujinGaiyouZaidan(*env.dm), c.isZaidan) << (c.zaidan ? c.iryou : "none");
        EXPECT_EQ(GetHoujinGaiyouKikin(*env.dm), c.hasKikin) << (c.kikin ? c.kikin : "none");
    }
    EXPECT_EQ(StoredRow("法人概要", "基金")->text, "無"); // the default was stored
}

TEST(AccRegFactories, BindToTheRightConnectionAndTransaction)
{
    TDM dm;
    auto def = CreateIBQuery(dm, "ACCDEF", true);
    auto dat = CreateIBQuery(dm, "ACCDAT", false);
    auto ss = CreateIBSQL(dm, "ACCDAT", true);
    ASSERT_TRUE(def && dat && ss);
    EXPECT_EQ(def->GetTransaction(), &dm.IBTransactionDEF);
    EXPECT_EQ(dat->GetTransaction(), &dm.IBTransactionDAT);
    EXPECT_EQ(ss->GetTransaction(), &dm.IBTransactionDATSS);
    EXPECT_TRUE(def->SQL().empty());
}

} // namespace
} // namespace kb
