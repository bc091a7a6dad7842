#pragma once
// Shared by the tests of the data module's stores: real embedded databases made from the
// project's schema scripts (whole, or only the tables a test needs), and a data module whose
// connections point at them.

#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kbtest {

inline std::string SchemaText(const std::string& file)
{
    std::ifstream in(SourceDir() / "db" / file, std::ios::binary);
    if (!in) throw std::runtime_error("missing schema script db/" + file);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The CREATE TABLE statements of the named tables, as the schema script writes them.
inline std::string SchemaTables(const std::string& file, const std::vector<std::string>& tables)
{
    const std::string text = SchemaText(file);
    std::string out = "SET NAMES SJIS_0208;\n";
    for (const auto& t : tables) {
        const auto b = text.find("CREATE TABLE " + t + " (");
        if (b == std::string::npos) throw std::runtime_error("db/" + file + " has no table " + t);
        const auto e = text.find("\n);", b);
        out += text.substr(b, e + 3 - b) + "\n";
    }
    return out + "COMMIT;\n";
}

// Records back to their load state, no error box, the reporter's log in the test's folder.
using ErrorUiSpy = RecordingErrorUi;

struct StoreEnvironment {
    TempDir dir;
    ErrorUiSpy ui;
    std::unique_ptr<kb::TDM> dm;

    StoreEnvironment()
    {
        PrepareFirebird();
        kb::ResetAccRecord();
        kb::ResetErrorReporter();
        kb::SetErrorUi(&ui);
        kb::SystemDef.LogDir = (dir / "log").string();
        kb::SystemDef.TempDir = (dir / "temp").string();
        kb::SystemDef.DbUser = "SYSDBA";
        kb::SystemDef.DbPassword = "masterkey";
        std::filesystem::create_directories(dir / "log");
        dm = std::make_unique<kb::TDM>();
    }
    ~StoreEnvironment()
    {
        dm.reset();
        kb::SetErrorUi(nullptr);
        kb::ResetErrorReporter();
        kb::ResetAccRecord();
    }

    void OpenData(const std::filesystem::path& file)
    {
        dm->IBDatabaseDAT.SetDatabaseName(file.string());
        kb::TDM::SetLoginParams(dm->IBDatabaseDAT);
        dm->IBDatabaseDAT.Open();
    }
    void OpenSystem(const std::filesystem::path& file)
    {
        dm->IBDatabaseDEF.SetDatabaseName(file.string());
        kb::TDM::SetLoginParams(dm->IBDatabaseDEF);
        dm->IBDatabaseDEF.Open();
    }
};

} // namespace kbtest
