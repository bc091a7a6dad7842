#pragma once
// A data set for the ledger tests, opened on the data module as the wizard opens it, with the
// open-data facts the readers use and an error box that records what would be shown.

#include "DataSetWriter.h"
#include "FixtureBuilder.h"
#include "Isql.h"
#include "common/FakeUi.h"
#include "common/TestDb.h"

#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/uAccZanTable.h"

#include <gtest/gtest.h>

#include <memory>

namespace kbtest::ledger {

enum class DataSetKind { General, Loss, NoProcedures, Departments, Medical };

// An individual's small data set that ends the year with a loss: sales 100,000, expenses 300,000.
inline void BuildLossDataSet(const std::filesystem::path& folder)
{
    namespace fx = kbtest::fixture;
    fx::DataSetSpec s;
    s.folder = folder;
    s.rec = 1;
    s.listName = "赤字五郎";
    s.shougou = "赤字商店";
    s.kana = "ｱｶｼﾞ";
    s.dataCode = "0009";
    s.layout = {{1, "1100", 1, "現金"}, {2, "2100", 23, "元入金"}, {3, "4100", 1, "売上(収入)金額"}, {4, "6100", 10, "消耗品費"}};
    s.accounts = {
        {"111", "現金", "1100", "1100", 1, 1, 500000, {}},
        {"411", "元入金", "2100", "2100", 3, 2, 500000, {}},
        {"511", "売上高", "4100", "4100", 3, 3, 0, {}},
        {"720", "消耗品費", "6100", "6100", 1, 4, 0, {}},
    };
    fx::Entry sale;
    sale.date = "2025-03-10";
    sale.debit.code = "111";
    sale.credit.code = "511";
    sale.amount = 100000;
    fx::Entry cost;
    cost.date = "2025-04-10";
    cost.debit.code = "720";
    cost.credit.code = "111";
    cost.amount = 300000;
    s.entries = {sale, cost};
    s.extraSql = "UPDATE ACCTOTALNAME SET MODIFY = 1, MINUSNAME = '売上総損失' WHERE KGROUP = '5900';\n"
                 "UPDATE ACCTOTALNAME SET MODIFY = 1, MINUSNAME = '営業損失' WHERE KGROUP = '6200';\n"
                 "UPDATE ACCTOTALNAME SET MODIFY = 1, PLUSNAME = '経常利益', MINUSNAME = '経常損失' WHERE KGROUP = '7300';\n";
    fx::WriteDataSet(s);
}

// One facility "S1" with departments: "00" the common department, "01" and "02" (group "G1"),
// "0'1" (group "G2"; a quote inside a code must reach the database as a value). Start month 4.
//   現金 K111 (line 1): opening 00: 1,000 (HAIBUN05 20 %), 01: 200 (HAIBUN04 10 %, HAIBUN05 50 %)
//   地代家賃 K726 and 通信費 K715 share line 2; period 1 debits:
//     K726  00: 50,001 (HAIBUN01 10 %)  01: 100,000 (33.3333 %)  02: 40,000 (66.6667 %)  0'1: 7
//     K715  00: 9,999                   01: 3,000 (no ratios)
//   普通預金 K131 (line 3): opening 100 without a sub-account, 1,000 on sub-account 1 Ａ銀行
//   仮受消費税 K335 (line 4, ACCDEF2): no movements of its own; tax sums of period 1 (class 1, credit)
//     00: 1,000 (HAIBUN01 25 %)  01: 300
inline void BuildDepartmentDataSet(const std::filesystem::path& folder)
{
    namespace fx = kbtest::fixture;
    const auto db = folder / "vqacc.fdb";
    fx::CreateDatabase(db, fx::SchemaDir() / "accounting.sql");
    std::string sql =
        "INSERT INTO ACCDEF1 (REC, DATATYPE, CODETYPE, KAISINO, BUMON, SITEN, TAXDEFUH) VALUES (1, 2, 1, 4, 1, 0, 0);\n"
        "INSERT INTO BUMONMST (BCODE, BNAME) VALUES (' ', '');\n"
        "INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('00', '共通');\n"
        "INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('01', '第一');\n"
        "INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('02', '第二');\n"
        "INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('0''1', '引用符');\n"
        "INSERT INTO GROUPLIST (GCODE, BCODE) VALUES ('G1', '01');\n"
        "INSERT INTO GROUPLIST (GCODE, BCODE) VALUES ('G1', '02');\n"
        "INSERT INTO GROUPLIST (GCODE, BCODE) VALUES ('G2', '0''1');\n"
        "INSERT INTO EXTERKS (REC, KGROUP, SUBREC, KNAME1) VALUES (1, '1100', 1, '現金');\n"
        "INSERT INTO EXTERKS (REC, KGROUP, SUBREC, KNAME1) VALUES (2, '6100', 16, '');\n"
        "INSERT INTO EXTERKS (REC, KGROUP, SUBREC, KNAME1) VALUES (3, '1100', 4, '');\n"
        "INSERT INTO KAMOKUMST (KCODE, USERCODE, REC, GROUPM1, GROUPM2, KNAME, USE, DAC, BLDAC, BPFLG, EXT1_KS) VALUES "
        "('K111', '111', 1, '1100', '1100', '現金', 1, 1, 1, 'B', 1);\n"
        "INSERT INTO KAMOKUMST (KCODE, USERCODE, REC, GROUPM1, GROUPM2, KNAME, USE, DAC, BLDAC, BPFLG, EXT1_KS) VALUES "
        "('K726', '726', 2, '6100', '6100', '地代家賃', 1, 1, 1, 'P', 2);\n"
        "INSERT INTO KAMOKUMST (KCODE, USERCODE, REC, GROUPM1, GROUPM2, KNAME, USE, DAC, BLDAC, BPFLG, EXT1_KS) VALUES "
        "('K715', '715', 3, '6100', '6100', '通信費', 1, 1, 1, 'P', 2);\n"
        "INSERT INTO KAMOKUMST (KCODE, USERCODE, REC, GROUPM1, GROUPM2, KNAME, USE, DAC, BLDAC, BPFLG, EXT1_KS) VALUES "
        "('K131', '131', 4, '1100', '1100', '普通預金', 1, 1, 1, 'B', 3);\n"
        "INSERT INTO EXTERKS (REC, KGROUP, SUBREC, KNAME1) VALUES (4, '2100', 5, '');\n"
        "INSERT INTO KAMOKUMST (KCODE, USERCODE, REC, GROUPM1, GROUPM2, KNAME, USE, DAC, BLDAC, BPFLG, EXT1_KS) VALUES "
        "('K335', '335', 5, '2100', '2100', '仮受消費税', 1, 3, 3, 'B', 4);\n"
        "INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('K335', '仮受消費税');\n"
        "INSERT INTO SISETUMST (SCODE, SNAME, ADDUP, BUMEX) VALUES ('S1', '本店', 0, 1);\n"
        "INSERT INTO HOJOMST (KCODE, HCODE, HNAME, REC) VALUES ('K131', '1', 'Ａ銀行', 401);\n"
        "UPDATE KAMOKU_SZ SET KISHU_KOMI = 100, KISHU_NUKI = 100 WHERE KCODE = 'K131' AND HCODE = ' ';\n"
        "UPDATE KAMOKU_SZ SET KISHU_KOMI = 1000, KISHU_NUKI = 1000 WHERE KCODE = 'K131' AND HCODE = '1';\n";
    auto sz = [&](const char* k, const char* b, int opening, const char* ratios) {
        sql += std::string("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE, KISHU_KOMI, KISHU_NUKI, HAIBUN01, HAIBUN04, HAIBUN05) "
                           "VALUES ('S1', '") + k + "', ' ', '" + b + "', " + std::to_string(opening) + ", " + std::to_string(opening) +
               ", " + ratios + ");\n";
    };
    auto ms = [&](const char* k, const char* b, int debit) {
        sql += std::string("UPDATE KAMOKU_MS SET KAR_NUK = ") + std::to_string(debit) + " WHERE SCODE = 'S1' AND KCODE = '" + k +
               "' AND HCODE = ' ' AND BCODE = '" + b + "' AND MNUM = 1;\n";
    };
    sz("K111", "00", 1000, "0, 0, 20");
    sz("K111", "01", 200, "0, 10, 50");
    sz("K726", "00", 0, "10, 0, 0");
    sz("K726", "01", 0, "33.3333, 0, 0");
    sz("K726", "02", 0, "66.6667, 0, 0");
    sz("K726", "0''1", 0, "0, 0, 0");
    sz("K715", "00", 0, "0, 0, 0");
    sz("K715", "01", 0, "0, 0, 0");
    ms("K726", "00", 50001);
    ms("K726", "01", 100000);
    ms("K726", "02", 40000);
    ms("K726", "0''1", 7);
    ms("K715", "00", 9999);
    ms("K715", "01", 3000);
    sz("K335", "01", 0, "25, 0, 0");
    sql += "UPDATE OR INSERT INTO KAMOKU_TAX (SCODE, BCODE, KKUBUN, MNUM, KAR, KAS) VALUES ('S1', '00', 1, 1, 0, 1000) "
           "MATCHING (SCODE, BCODE, KKUBUN, MNUM);\n"
           "UPDATE OR INSERT INTO KAMOKU_TAX (SCODE, BCODE, KKUBUN, MNUM, KAR, KAS) VALUES ('S1', '01', 1, 1, 0, 300) "
           "MATCHING (SCODE, BCODE, KKUBUN, MNUM);\n";
    sql += "COMMIT;\n";
    fx::RunIsql(db, sql);
}

class LedgerDb : public ::testing::Test {
protected:
    static void BuildSuite(DataSetKind kind)
    {
        kbtest::PrepareFirebird();
        kind_ = kind;
        dir_ = new kbtest::TempDir;
        const auto folder = dir_->path() / "0001";
        switch (kind) {
        case DataSetKind::General: kbtest::fixture::BuildGeneralDataSet(folder, 1); break;
        case DataSetKind::Loss: BuildLossDataSet(folder); break;
        case DataSetKind::NoProcedures:
            std::filesystem::create_directories(folder);
            kbtest::CreateDatabase(folder / "vqacc.fdb", "CREATE TABLE ACCDEF1 (REC INTEGER, BUMON INTEGER);\nCOMMIT;\n");
            break;
        case DataSetKind::Departments: BuildDepartmentDataSet(folder); break;
        case DataSetKind::Medical: kbtest::fixture::BuildMedicalDataSet(folder, 6); break;
        }
    }
    static void FreeSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }

    void SetUp() override
    {
        kb::ResetAccRecord();
        kb::ResetAccZanTables();
        kb::AccZanSetTables(false);
        kb::ResetErrorReporter();
        kb::SetErrorUi(&ui);
        kb::AccInf.DATATYPE = 2;
        kb::AccInf.CODETYPE = 1;
        kb::AccInf.KAISINO = 1;
        kb::AccInf.TAXDEFUH = 0;
        kb::SystemDef.LogDir = (dir_->path() / "log").string();
        std::filesystem::create_directories(kb::SystemDef.LogDir);
        kb::CreateDM();
        auto& db = kb::DM->IBDatabaseDAT;
        db.SetDatabaseName((dir_->path() / "0001" / "vqacc.fdb").string());
        db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        db.Open();
        // the fixtures' data sets carry full headers: their facts come from the data module's load
        if (kind_ == DataSetKind::General || kind_ == DataSetKind::Loss) {
            ASSERT_TRUE(kb::fnGetAccInfo(*kb::DM));
            ASSERT_EQ(kb::AccInf.DATATYPE, 2);
            ASSERT_EQ(kb::AccInf.KAISINO, 1);
        }
        if (kind_ == DataSetKind::Medical) {
            ASSERT_TRUE(kb::fnGetAccInfo(*kb::DM));
            ASSERT_TRUE(kb::AccInf.IryouHoujin);
        }
    }
    void TearDown() override
    {
        kb::DM->IBDatabaseDAT.Close();
        kb::FreeDM();
        kb::SetErrorUi(nullptr);
        kb::ResetErrorReporter();
        kb::ResetAccRecord();
    }

    RecordingErrorUi ui;
    static inline kbtest::TempDir* dir_ = nullptr;
    static inline DataSetKind kind_ = DataSetKind::General;
};

} // namespace kbtest::ledger
