#pragma once
// Shared by the tests of the data set around a transfer and of the cloud-share calls: data roots
// with the general fixture data set in slot 1 (its registry row and communication ID), and a test
// fixture with a data module, the loopback peers and the data side pointed at one office.

#include "TusinTestSupport.h"

#include "FixtureBuilder.h"
#include "Isql.h"
#include "accounting/DataSetUseRecorder.h"
#include "comm/TusinDataSide.h"
#include "core/DataModuleTestSupport.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <memory>

namespace kbtest {

namespace fs = std::filesystem;
namespace fx = kbtest::fixture;
using namespace kb;

inline const std::string kDataSetId = "ABCD1234EFGH";

// A data root with the general data set in slot 1 and its communication ID, built once; every
// office copies it.
struct Master {
    TempDir dir;
    fx::DataRoot root = fx::LayoutFor(dir.path());
    Master()
    {
        PrepareFirebird();
        fs::create_directories(root.sysDir);
        const fx::DataSetInfo info = fx::BuildGeneralDataSet(root.sysDir / "0001", 1);
        fx::RunIsql(root.sysDir / "0001" / "vqacc.fdb",
                    "UPDATE ACCDEF1 SET WEB_HOLDER='" + kDataSetId + "', PASWORD='abc123' WHERE REC=1;\nCOMMIT;\n");
        fx::BuildSystemDatabase(root, {info});
    }
};
inline Master& TheMaster()
{
    static Master m;
    return m;
}

// One office: a data root whose slot 1 holds a copy of the general data set.
struct Office {
    TempDir dir;
    fx::DataRoot root = fx::LayoutFor(dir.path());
    fs::path folder = root.sysDir / "0001";
    fs::path db = folder / "vqacc.fdb";
    Office()
    {
        fs::create_directories(folder);
        fs::create_directories(root.tempDir);
        const fs::path from = TheMaster().root.sysDir;
        fs::copy_file(from / "vqaccdef.fdb", root.sysDir / "vqaccdef.fdb");
        for (const char* f : {"vqacc.fdb", "vqacc.ini"}) fs::copy_file(from / "0001" / f, folder / f);
        fx::RunIsql(root.sysDir / "vqaccdef.fdb",
                    "UPDATE DATALIST SET PASNAME='" + folder.string() + "' WHERE REC=1;\nCOMMIT;\n");
    }
    // Makes it an older copy: the two newest entries are not there yet (nor in the facility's count,
    // which the posting procedure keeps).
    void DropNewestEntries()
    {
        fx::RunIsql(db, "DELETE FROM SIWAKE WHERE SWKREC = (SELECT MAX(SWKREC) FROM SIWAKE);\n"
                        "DELETE FROM SIWAKE WHERE SWKREC = (SELECT MAX(SWKREC) FROM SIWAKE);\n"
                        "UPDATE SISETUMST SET SIWAKECOUNT = SIWAKECOUNT - 2;\nCOMMIT;\n");
    }
    int Entries() const
    {
        return std::stoi(fx::Query(db, "SELECT COUNT(DISTINCT SWKREC) AS N FROM SIWAKE WHERE DELFLG=0").at(0).begin()->second);
    }
    std::string ListName() const
    {
        return fx::Query(root.sysDir / "vqaccdef.fdb", "SELECT ENTTEXT FROM DATALIST WHERE REC=1").at(0).begin()->second;
    }
    int FolderState() const { return IniFile((folder / "vqacc.ini").string()).ReadInteger("DATASTS", "STATUS", -1); }
    bool WorkClean() const
    {
        for (const char* sub : {"ComS", "ComR", "work"}) {
            const fs::path p = root.tempDir / sub;
            if (fs::exists(p) && !fs::is_empty(p)) return false;
        }
        return true;
    }
};

class OfficeTest : public ::testing::Test {
protected:
    StoreEnvironment env;
    TDM* savedDm = DM;
    CommPeer peer{kDataSetId, "ftp-pw"};
    ScopedTusinRecords records{peer, env.dir.path()};
    RecordingView view;
    TDataSetUseRecorder recorder{*env.dm};
    TScopedDataSetUseRecorder useRecorder{&recorder};
    TTusinDataSide side{*env.dm, view};

    OfficeTest()
    {
        DM = env.dm.get();
        ConnectMode = 0;
        SystemDef.GroupId = fx::kGroupId;
        SystemDef.OpCode = fx::kOperatorWithPassword;
        SystemDef.AllSisetuSwitch = 1;
        SystemDef.HostName = "";
    }
    ~OfficeTest() override
    {
        side.DisconnectData();
        if (env.dm->IBDatabaseDEF.Connected()) env.dm->IBDatabaseDEF.Close();
        DM = savedDm;
    }

    // Points the process at an office and connects its data set, as the selection would.
    void Use(Office& o)
    {
        side.DisconnectData();
        if (env.dm->IBDatabaseDEF.Connected()) env.dm->IBDatabaseDEF.Close();
        SystemDef.SysDir = o.root.sysDir.string();
        SystemDef.DataDir = o.folder.string();
        SystemDef.TempDir = o.root.tempDir.string();
        SystemDef.WorkDir = (o.root.tempDir / "work").string();
        ASSERT_TRUE(env.dm->fnAccDefConnected("", true)) << Shown();
        ASSERT_TRUE(side.ConnectData()) << view.Last() << Shown();
    }
    // An engine of the type on the office's data set, bound to the data side.
    std::unique_ptr<TDataTusinEngine> EngineFor(int type, const Office& o, int row = 0)
    {
        auto e = std::make_unique<TDataTusinEngine>(view, side);
        side.Engine = e.get();
        e->PauseSeconds = 0;
        e->SyoriType = type;
        e->SelectedRow = row;
        e->FileName = type < 20 ? "vqacc.fbk" : "xqacc.fbk";
        if (type >= 20) e->DataFolder = o.folder.string();
        return e;
    }
    std::string Shown() const { return env.ui.shown.empty() ? std::string() : env.ui.shown.front(); }
};

} // namespace kbtest
