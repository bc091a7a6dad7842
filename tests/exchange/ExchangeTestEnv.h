#pragma once
// What the cloud-upload tests share: a data module on a real embedded data set built by the
// fixture builder, the records back to their load state, error boxes recorded, and the service's
// installed files taken from tests/fixtures/webdb.

#include "FixtureBuilder.h"
#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace kbtest {

struct ExchangeEnv {
    TempDir dir;
    ScopedEnv env;
    RecordingErrorUi ui;
    std::unique_ptr<kb::TDM> dm;

    ExchangeEnv()
    {
        PrepareFirebird();
        kb::ResetAccRecord();
        kb::ResetErrorReporter();
        kb::SetErrorUi(&ui);
        std::filesystem::create_directories(dir / "log");
        auto& d = kb::SystemDef;
        d.LogDir = (dir / "log").string();
        d.TempDir = (dir / "temp").string();
        d.WorkDir = (dir / "work").string();
        d.BaseDir = (SourceDir() / "tests/fixtures/webdb").string();
        d.DbUser = "SYSDBA";
        d.DbPassword = "masterkey";
        d.GroupId = 10000;
        d.OpCode = 100000010;
        d.AppTitle = "パヴォナ財務";
        d.AppVersion = "15.0.0";
        kb::SetDefaultAppInfo(kb::AppInfo);
        env.Set("KB_CONFIG_ROOT", (dir / "config").string());
        env.Set("KB_TEMP_DIR", (dir / "tmp").string());
        dm = std::make_unique<kb::TDM>();
    }
    ~ExchangeEnv()
    {
        if (dm && dm->IBDatabaseDAT.Connected()) dm->fnAccDatDisConnected("", false, false);
        dm.reset();
        kb::SetErrorUi(nullptr);
        kb::ResetErrorReporter();
        kb::ResetAccRecord();
    }

    // Opens the data set in folder and loads AccInf as the data selection does.
    void Open(const std::filesystem::path& folder)
    {
        if (!dm->fnAccDatConnected("", folder.string(), false)) throw std::runtime_error("cannot open " + folder.string());
        if (!kb::fnGetAccInfo(*dm)) throw std::runtime_error("cannot load " + folder.string());
    }
};

} // namespace kbtest
