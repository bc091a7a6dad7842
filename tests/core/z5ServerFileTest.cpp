// File and folder operations by connection mode: on this computer in stand-alone mode, and on a
// loopback Firebird server with our UDR module installed in client mode, where a path outside the
// module's data roots is refused.

#include "DataModuleTestSupport.h"
#include "common/FirebirdServer.h"
#include "common/TestEnv.h"
#include "core/DataModule.h"
#include "core/DataModuleBackup.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5ServerFile.h"
#include "fb/Database.h"
#include "fb/Statement.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <fstream>

namespace fs = std::filesystem;
using namespace kb;

namespace {

std::string ReadAll(const fs::path& f)
{
    std::ifstream in(f, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& f, const std::string& text) { std::ofstream(f, std::ios::binary) << text; }

} // namespace

namespace {

fs::path ModulePath() { return kbtest::FileOperationModule(); }

} // namespace

TEST(ServerFileLocal, StandAloneModeWorksOnThisComputer)
{
    kbtest::StoreEnvironment env;
    const fs::path root = env.dir / "data";
    fs::create_directories(root);
    SetSafeRoots({root});
    TDM& dm = *env.dm;
    const std::string a = (root / "a.txt").string(), b = (root / "sub" / "b.txt").string();
    Write(a, "content");

    EXPECT_TRUE(FExist(dm, a, 0));
    EXPECT_FALSE(FExist(dm, (root / "none").string(), 0));
    EXPECT_FALSE(FExist(dm, root.string(), 0)); // a folder is no file
    EXPECT_TRUE(MkDir(dm, (root / "sub").string(), 0));
    EXPECT_TRUE(DExist(dm, (root / "sub").string(), 0));
    EXPECT_TRUE(FCopy(dm, a, b, 0));
    EXPECT_EQ(ReadAll(b), "content");
    EXPECT_FALSE(FCopy(dm, a, " ", 0));
    EXPECT_TRUE(FDel(dm, b, 0, false));
    EXPECT_FALSE(fs::exists(b));

    // A move replaces the old target.
    const std::string c = (root / "c.txt").string();
    Write(c, "old");
    EXPECT_TRUE(FMove(dm, a, c, 0));
    EXPECT_EQ(ReadAll(c), "content");
    EXPECT_FALSE(fs::exists(a));

    EXPECT_TRUE(RmDir(dm, (root / "sub").string(), 0, false));
    EXPECT_FALSE(DExist(dm, (root / "sub").string(), 0));

    std::string shortName = "unchanged";
    GetShortFileName(dm, (root / "none").string(), 0, shortName);
    EXPECT_EQ(shortName, (root / "none").string());

    // A mode outside 0..2 does nothing.
    for (int mode : {3, -1}) {
        EXPECT_FALSE(FExist(dm, c, mode));
        EXPECT_FALSE(FDel(dm, c, mode, false));
        EXPECT_FALSE(MkDir(dm, (root / "x").string(), mode));
    }
    EXPECT_TRUE(fs::exists(c));
    EXPECT_FALSE(fs::exists(root / "x"));
    SetSafeRoots({});
}

namespace {

class ServerFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (auto why = kbtest::FirebirdServer::MissingReason(); !why.empty()) GTEST_SKIP() << why;
        ASSERT_TRUE(fs::exists(ModulePath())) << ModulePath();
        server = std::make_unique<kbtest::FirebirdServer>(std::vector<fs::path>{ModulePath()});
        files = server->DataDir() / "files";
        fs::create_directories(files);
        fs::create_directories(server->DataDir() / "sys");
        {
            std::ofstream conf(server->UdrDir() / "kbfileop.conf");
            conf << "# test server\nDataRoot = " << files.string() << "\nDataRoot = " << (server->DataDir() / "sys").string() << "\n";
        }
        const fs::path sysDb = server->DataDir() / "sys" / "vqaccdef.fdb";
        kbtest::RunIsqlOn("", "CREATE DATABASE '" + server->Address(sysDb) + "' PAGE_SIZE 8192 DEFAULT CHARACTER SET SJIS_0208;\nCOMMIT;\n",
                          server->Login());
        kbtest::RunIsqlOn(server->Address(sysDb), kbtest::ReadFile(kbtest::SourceDir() / "src/fb/udr/kbfileop.sql"), server->Login());

        kbtest::PrepareFirebird();
        ResetAccRecord();
        ResetErrorReporter();
        SetErrorUi(&ui);
        ConnectMode = 1;
        SystemDef.HostName = "127.0.0.1/" + std::to_string(server->Port());
        SystemDef.SysDir = (server->DataDir() / "sys").string();
        SystemDef.LogDir = (server->DataDir() / "log").string();
        fs::create_directories(SystemDef.LogDir);
        SystemDef.DbUser = kbtest::FirebirdServer::kUser;
        SystemDef.DbPassword = kbtest::FirebirdServer::kPassword;
        dm = std::make_unique<TDM>();
    }
    void TearDown() override
    {
        dm.reset();
        SetErrorUi(nullptr);
        ResetErrorReporter();
        ResetAccRecord();
        server.reset();
    }

    std::string In(const std::string& name) const { return (files / name).string(); }
    std::string Shown() const { return ui.shown.empty() ? std::string() : ui.shown.front(); }

    std::unique_ptr<kbtest::FirebirdServer> server;
    fs::path files;
    kbtest::ErrorUiSpy ui;
    std::unique_ptr<TDM> dm;
};

} // namespace

TEST_F(ServerFile, ClientModeWorksOnTheServersFiles)
{
    // A Japanese name travels as CP932 and becomes the server's UTF-8 file name.
    const std::string a = In("売上①.txt");
    Write(a, "content");
    EXPECT_TRUE(FExist(*dm, a, 1)) << Shown();
    EXPECT_FALSE(dm->IBDatabaseDEF.Connected()); // connected for the call only
    EXPECT_FALSE(FExist(*dm, In("none.txt"), 1));
    EXPECT_TRUE(ServerFileOperation(*dm, "fexist", a, "")); // any letter case

    EXPECT_TRUE(MkDir(*dm, In("sub/deeper"), 2));
    EXPECT_TRUE(fs::is_directory(files / "sub" / "deeper"));
    EXPECT_TRUE(DExist(*dm, In("sub"), 1));
    EXPECT_FALSE(DExist(*dm, In("nosuch"), 1));

    EXPECT_FALSE(FCopy(*dm, a, " ", 1)); // no target: the server is not asked
    EXPECT_FALSE(ServerFileOperation(*dm, "FMOVE", a, In("x"))); // not an operation of the server
    EXPECT_TRUE(ui.shown.empty()) << Shown();
    EXPECT_TRUE(FCopy(*dm, a, In("sub/copy.txt"), 1)) << Shown();
    EXPECT_EQ(ReadAll(files / "sub" / "copy.txt"), "content");
    // A move replaces the old target and removes the source.
    Write(files / "old.txt", "old");
    EXPECT_TRUE(FMove(*dm, In("sub/copy.txt"), In("old.txt"), 1));
    EXPECT_EQ(ReadAll(files / "old.txt"), "content");
    EXPECT_FALSE(fs::exists(files / "sub" / "copy.txt"));
    // A move whose copy fails keeps the source.
    EXPECT_FALSE(FMove(*dm, In("nosuch.txt"), In("old.txt"), 1));
    EXPECT_EQ(ReadAll(files / "old.txt"), "content");

    EXPECT_TRUE(FDel(*dm, In("old.txt"), 1, false));
    EXPECT_FALSE(fs::exists(files / "old.txt"));
    EXPECT_TRUE(RmDir(*dm, In("sub"), 1, false));
    EXPECT_FALSE(fs::exists(files / "sub"));

    std::string shortName;
    GetShortFileName(*dm, a, 1, shortName);
    EXPECT_EQ(shortName, a);
    EXPECT_TRUE(ui.shown.empty()) << Shown();

    // A caller's connection and transaction are left as they were.
    ASSERT_TRUE(dm->fnAccDefConnected("", true));
    dm->IBTransactionDEF.StartTransaction();
    EXPECT_TRUE(FExist(*dm, a, 1));
    EXPECT_TRUE(dm->IBTransactionDEF.InTransaction());
    dm->IBTransactionDEF.Commit();
    EXPECT_TRUE(dm->IBDatabaseDEF.Connected());
}

TEST_F(ServerFile, PathsOutsideTheDataRootsAreRefused)
{
    const fs::path outside = server->DataDir() / "outside.txt";
    Write(outside, "keep");
    struct Case {
        const char* what;
        std::function<bool()> call;
        const char* op;
    };
    const std::string escape = In("../outside.txt");
    fs::create_symlink(outside, files / "link.txt");
    const std::vector<Case> cases = {
        {"FExist outside", [&] { return FExist(*dm, outside.string(), 1); }, "FEXIST"},
        {"FDel through ..", [&] { return FDel(*dm, escape, 1, false); }, "FDEL"},
        {"FDel through a link", [&] { return FDel(*dm, In("link.txt"), 1, false); }, "FDEL"},
        {"FCopy out of the roots", [&] { return FCopy(*dm, outside.string(), In("in.txt"), 1); }, "FCOPY"},
        {"FCopy into /tmp", [&] { return FCopy(*dm, In("link.txt"), "/tmp/kbfileop-escape.txt", 1); }, "FCOPY"},
        {"MkDir outside", [&] { return MkDir(*dm, (server->DataDir() / "made").string(), 1); }, "MKDIR"},
        {"RmDir of a data root", [&] { return RmDir(*dm, files.string(), 1, false); }, "RMDIR"},
        {"RmDir of /", [&] { return RmDir(*dm, "/", 1, false); }, "RMDIR"},
        {"a relative path", [&] { return DExist(*dm, "files", 1); }, "DEXIST"},
    };
    for (const auto& c : cases) {
        ui.shown.clear();
        EXPECT_FALSE(c.call()) << c.what;
        ASSERT_EQ(ui.shown.size(), 1u) << c.what;
        EXPECT_EQ(ui.shown[0].rfind(std::string("サーバーへのファイル操作(") + c.op + ")に失敗しました。", 0), 0u) << ui.shown[0];
        EXPECT_NE(ui.shown[0].find("kbfileop:"), std::string::npos) << ui.shown[0];
    }
    EXPECT_EQ(ReadAll(outside), "keep");
    EXPECT_TRUE(fs::is_directory(files));
    EXPECT_FALSE(fs::exists(server->DataDir() / "made"));
    EXPECT_FALSE(fs::exists(files / "in.txt"));
    EXPECT_FALSE(fs::exists("/tmp/kbfileop-escape.txt"));
}

TEST_F(ServerFile, FilesTravelAsBlobsThroughTheTransferDatabase)
{
    const fs::path fileman = server->DataDir() / "sys" / "vqfileman.fdb";
    kbtest::RunIsqlOn("", "CREATE DATABASE '" + server->Address(fileman) + "' PAGE_SIZE 8192 DEFAULT CHARACTER SET SJIS_0208;\nCOMMIT;\n",
                      server->Login());
    kbtest::RunIsqlOn(server->Address(fileman), kbtest::ReadFile(kbtest::SourceDir() / "db/fileman.sql"), server->Login());
    kbtest::RunIsqlOn(server->Address(fileman), kbtest::ReadFile(kbtest::SourceDir() / "src/fb/udr/kbfileop-fileman.sql"), server->Login());

    std::string payload;
    for (int i = 0; i < 100000; ++i) payload += static_cast<char>(i * 7 % 256);
    Write(files / "backup.1", payload);

    fb::Connection db;
    db.SetDatabaseName(server->Address(fileman));
    TDM::SetLoginParams(db);
    db.Open();
    fb::Transaction tr(&db);
    fb::TransactionGuard g(tr);
    fb::Statement q(db, &tr);
    q.SetSQL("INSERT INTO FILETRANS(CONTENT_ID,CONTENT) VALUES(:ID,SP_FILETOBLOB(:PATH))");
    q.ParamByName("ID").SetString("VQZ_1");
    q.ParamByName("PATH").SetString(In("backup.1"));
    q.ExecQuery();
    q.SetSQL("SELECT CONTENT FROM FILETRANS WHERE CONTENT_ID=:ID");
    q.ParamByName("ID").SetString("VQZ_1");
    q.ExecQuery();
    EXPECT_EQ(q.FieldByName("CONTENT").AsBytes(), payload);
    q.Close();

    Write(files / "restore.1", "old");
    q.SetSQL("SELECT SP_BLOBTOFILE(:PATH, CONTENT) AS R FROM FILETRANS WHERE CONTENT_ID=:ID");
    q.ParamByName("PATH").SetString(In("restore.1"));
    q.ParamByName("ID").SetString("VQZ_1");
    q.ExecQuery();
    EXPECT_EQ(q.FieldByName("R").AsInteger(), 1);
    q.Close();
    EXPECT_EQ(ReadAll(files / "restore.1"), payload);

    q.SetSQL("SELECT SP_BLOBTOFILE(:PATH, CONTENT) AS R FROM FILETRANS WHERE CONTENT_ID=:ID");
    q.ParamByName("PATH").SetString((server->DataDir() / "escaped.1").string());
    q.ParamByName("ID").SetString("VQZ_1");
    EXPECT_THROW(q.ExecQuery(), FbError);
    EXPECT_FALSE(fs::exists(server->DataDir() / "escaped.1"));
}
