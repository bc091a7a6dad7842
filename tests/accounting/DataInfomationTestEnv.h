#pragma once
// Shared by the tests of the data-set information units: a data module on real embedded
// databases, the records back to their load state, the error box caught, and small data sets
// made from db/accounting.sql with the rows a test needs.

#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "core/z5ComFunc.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kbtest {

inline std::string ReadSchema(const std::string& file)
{
    std::ifstream in(SourceDir() / "db" / file, std::ios::binary);
    if (!in) throw std::runtime_error("missing schema script db/" + file);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::string FileBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The logged-in operator is 山田太郎 (group 10000, code 10) unless a test changes it.
struct AccEnv {
    TempDir dir;
    ScopedEnv env;
    RecordingErrorUi ui;
    std::unique_ptr<kb::TDM> dm;

    AccEnv()
    {
        PrepareFirebird();
        kb::ResetAccRecord();
        kb::ResetErrorReporter();
        kb::SetErrorUi(&ui);
        kb::SetMessageLinesHook([this](const std::string& text, kb::TMessageLinesKind) { ui.shown.push_back(text); });
        std::filesystem::create_directories(dir / "log");
        auto& d = kb::SystemDef;
        d.LogDir = (dir / "log").string();
        d.TempDir = (dir / "temp").string();
        d.DbUser = "SYSDBA";
        d.DbPassword = "masterkey";
        d.GroupId = 10000;
        d.OpCode = 100000010;
        d.OpNo = 10;
        d.OpName = "山田太郎";
        d.JobLevel = 9;
        kb::SetDefaultAppInfo(kb::AppInfo);
        // Registry reads go to this test's own (empty) store unless a test fills it.
        env.Set("KB_CONFIG_ROOT", (dir / "config").string());
        dm = std::make_unique<kb::TDM>();
    }
    ~AccEnv()
    {
        kb::SetDataSetUseRecorder(nullptr);
        dm.reset();
        kb::SetMessageLinesHook(nullptr);
        kb::SetErrorUi(nullptr);
        kb::ResetErrorReporter();
        kb::ResetAccRecord();
        kb::SetSafeRoots({});
    }

    // A data set folder with the whole schema and the rows of sqlUtf8.
    std::filesystem::path MakeDataSet(const std::string& name, const std::string& sqlUtf8)
    {
        const auto folder = dir / name;
        std::filesystem::create_directories(folder);
        CreateDatabase(folder / "vqacc.fdb", ReadSchema("accounting.sql") + "\n" + sqlUtf8 + "\nCOMMIT;\n");
        return folder;
    }
};

// A data set with branch accounting: branches 01 本店 and 02 "大阪"支店 (3 and 2 entries), three
// departments, one entry deleted and one replaced; operator 11 is licensed for branch 01 only.
inline std::string BranchDataSetSql()
{
    return "INSERT INTO ACCDEF1 (REC, ENTTEXT, DATATYPE, CODETYPE, SCODE1, SKANA, SHOUGOU, TANTOU, NENDO, KISHU, KIMATU,"
           " SITEN, BUMON, DATALOCK, READ_ONLY, CLOUD_LINE) VALUES (1, '支店テスト', 2, 1, 'B001', 'ｼﾃﾝﾃｽﾄ', '支店商事', 3, 7,"
           " '2025-01-01', '2025-12-31', 1, 1, 0, 1, 2);\n"
           "INSERT INTO ACCVERSION (REC, MAJOR, MINOR1, MINOR2) VALUES (1, 15, 0, 0);\n"
           "INSERT INTO SISETUMST (SCODE, SNAME, SIWAKECOUNT) VALUES ('', '', 0);\n"
           "INSERT INTO SISETUMST (SCODE, SNAME, BUMEX, SIWAKECOUNT, XSTR) VALUES ('01', '本店', 0, 3, 'COLOR=255');\n"
           "INSERT INTO SISETUMST (SCODE, SNAME, BUMEX, SIWAKECOUNT, XSTR) VALUES ('02', '\"大阪\"支店', 1, 2, '');\n"
           "INSERT INTO BUMONMST (BCODE, BNAME) VALUES (' ', '');\n"
           "INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('1', '営業');\n"
           "INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('2', '製造');\n"
           "INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('3', '総務');\n"
           "INSERT INTO SISETUGROUP (GCODE, GNAME) VALUES ('G1', '関西');\n"
           "INSERT INTO SISETUGROUPLIST (GCODE, SCODE) VALUES ('G1', '02');\n"
           "INSERT INTO SISETUGROUP (GCODE, GNAME) VALUES ('G2', '全店');\n"
           "INSERT INTO SISETUGROUPLIST (GCODE, SCODE) VALUES ('G2', '01');\n"
           "INSERT INTO SISETUGROUPLIST (GCODE, SCODE) VALUES ('G2', '02');\n"
           "INSERT INTO OPLICENSE (OPCODE, SCODE) VALUES (100000011, '01');\n"
           "INSERT INTO OPDEFSISETU (OPCODE, SCODE) VALUES (100000011, '01');\n"
           "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', '合算データ区分', '整数', '0');\n"
           "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', '＃USE', '整数', '1');\n";
}

// AccInf as the data module's loader would fill it for the branch data set.
inline void SetBranchAccInf()
{
    kb::AccInf.SITEN = 1;
    kb::AccInf.BUMON = 1;
    kb::AccInf.DATATYPE = 2;
    kb::AccInf.SHOUGOU = "支店商事";
    kb::AccInf.IryouHoujin = false;
}

// The logged-in operator is 佐藤花子 (code 11, level 1): not allowed every branch.
inline void LogOnRestricted()
{
    kb::SystemDef.OpCode = 100000011;
    kb::SystemDef.OpNo = 11;
    kb::SystemDef.OpName = "佐藤花子";
    kb::SystemDef.JobLevel = 1;
    kb::SystemDef.AllSisetu = false;
    kb::SystemDef.AllSisetuSwitch = 0;
}

} // namespace kbtest
