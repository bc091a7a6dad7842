#include "core/z5ServerFile.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5FileFunc.h"
#include "platform/Text.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace kb {
namespace {

bool Blank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

bool ServerMode(int mode) { return mode == 1 || mode == 2; }

// Connects the system database for one call when it is not connected, and disconnects it again
// when the call leaves, also by an exception.
class SystemConnection {
public:
    explicit SystemConnection(TDM& dm) : dm_(dm)
    {
        if (!dm_.IBDatabaseDEF.Connected()) {
            connectedHere_ = true;
            dm_.fnAccDefConnected(SystemDef.HostName, false);
        }
    }
    ~SystemConnection()
    {
        if (connectedHere_) {
            try {
                dm_.IBDatabaseDEF.Close();
            } catch (const std::exception& e) {
                ShowErrorDetail("", e.what());
            }
        }
    }

private:
    TDM& dm_;
    bool connectedHere_ = false;
};

} // namespace

bool ServerFileOperation(TDM& dm, const std::string& operation, const std::string& path1, const std::string& path2)
{
    const std::string op = AsciiUpper(operation);
    const bool fileOp = op == "FEXIST" || op == "FCOPY" || op == "FDEL";
    const bool dirOp = op == "DEXIST" || op == "MKDIR" || op == "RMDIR";
    if (!fileOp && !dirOp) return false;
    if (Blank(path1)) return false;
    if (op == "FCOPY" && Blank(path2)) return false;

    const std::string message = "サーバーへのファイル操作(" + op + ")に失敗しました。";
    try {
        SystemConnection connection(dm);
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        try {
            fb::Statement& q = dm.IBSQLDEF;
            if (fileOp) {
                q.SetSQL("SELECT WBOOL FROM FILEOPERATION(:MODE,:FILEPATH1,:FILEPATH2)");
                q.ParamByName("FILEPATH2").SetString(path2);
            } else {
                q.SetSQL("SELECT WBOOL FROM DIRECTORYTEST(:MODE,:FILEPATH1)");
            }
            q.ParamByName("MODE").SetString(op);
            q.ParamByName("FILEPATH1").SetString(path1);
            q.ExecQuery();
            const bool result = !q.Eof() && q.FieldByName("WBOOL").AsInteger() == 1;
            q.Close();
            guard.Commit();
            return result;
        } catch (...) {
            dm.IBSQLDEF.Close();
            guard.Rollback();
            throw;
        }
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.ServerFileOperation", message);
    } catch (const std::exception& e) {
        ShowErrorDetail(message, e.what());
    }
    return false;
}

void ServerLongToShortFileName(TDM& dm, const std::string& path, std::string& shortName)
{
    if (Blank(path)) return;
    const std::string message = "サーバーからのファイル名の変換(LongToShort)に失敗しました。";
    try {
        SystemConnection connection(dm);
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        try {
            fb::Statement& q = dm.IBSQLDEF;
            q.SetSQL("SELECT SHORTNAME FROM LONGTOSHORTFILENAME(:LONGNAME)");
            q.ParamByName("LONGNAME").SetString(path);
            q.ExecQuery();
            if (!q.Eof()) shortName = q.FieldByName("SHORTNAME").AsString();
            q.Close();
            guard.Commit();
        } catch (...) {
            dm.IBSQLDEF.Close();
            guard.Rollback();
            throw;
        }
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.ServerLongToShortFileName", message);
    } catch (const std::exception& e) {
        ShowErrorDetail(message, e.what());
    }
}

bool DExist(TDM& dm, const std::string& path, int mode)
{
    if (mode == 0) {
        std::error_code ec;
        return !Blank(path) && fs::is_directory(path, ec);
    }
    return ServerMode(mode) && ServerFileOperation(dm, "DExist", path, "");
}

bool MkDir(TDM& dm, const std::string& path, int mode)
{
    if (mode == 0) return ForceDirs(path);
    return ServerMode(mode) && ServerFileOperation(dm, "MkDir", path, "");
}

bool RmDir(TDM& dm, const std::string& path, int mode, bool allowUndo)
{
    if (mode == 0) return !Blank(path) && DeleteDirectory(path, allowUndo, true);
    return ServerMode(mode) && ServerFileOperation(dm, "RmDir", path, "");
}

bool FExist(TDM& dm, const std::string& path, int mode)
{
    if (mode == 0) {
        std::error_code ec;
        return !Blank(path) && fs::is_regular_file(path, ec);
    }
    return ServerMode(mode) && ServerFileOperation(dm, "FExist", path, "");
}

bool FDel(TDM& dm, const std::string& path, int mode, bool allowUndo)
{
    if (mode == 0) return !Blank(path) && DeleteDirectory(path, allowUndo, true);
    return ServerMode(mode) && ServerFileOperation(dm, "FDel", path, "");
}

bool FCopy(TDM& dm, const std::string& source, const std::string& target, int mode)
{
    if (mode == 0) return !Blank(source) && !Blank(target) && CopyMoveDirectory(source, target, 2);
    return ServerMode(mode) && ServerFileOperation(dm, "FCopy", source, target);
}

bool FMove(TDM& dm, const std::string& source, const std::string& target, int mode)
{
    if (mode == 0) return !Blank(source) && !Blank(target) && MoveFileOver(source, target);
    if (!ServerMode(mode)) return false;
    // The server copies over the target (completing the copy before replacing it); the source
    // goes only once the copy is there.
    if (!ServerFileOperation(dm, "FCopy", source, target)) return false;
    return ServerFileOperation(dm, "FDel", source, "");
}

void GetShortFileName(TDM& dm, const std::string& path, int mode, std::string& shortName)
{
    if (mode == 0) {
        try {
            GetShortPath(path, shortName);
        } catch (const std::exception&) {
            shortName = path;
        }
    } else if (ServerMode(mode)) {
        ServerLongToShortFileName(dm, path, shortName);
    }
}

} // namespace kb
