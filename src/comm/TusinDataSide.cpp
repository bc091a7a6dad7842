#include "comm/TusinDataSide.h"

#include "accounting/BackupRestoreThread.h"
#include "accounting/DataInfomation.h"
#include "accounting/DataListTable.h"
#include "comm/DataTusinDb.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/DataModuleBackup.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5ComFunc2.h"
#include "core/z5ServerFile.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "platform/Text.h"

#include <charconv>
#include <stdexcept>

namespace kb {

namespace fs = std::filesystem;

namespace {

using Unfinished = fb::TransactionGuard::Unfinished;

const char* const kListSetLines = "\nSET ENTTEXT=:ENTTEXT,\nNENDO=:NENDO,\nKISHU=:KISHU,\nKIMATU=:KIMATU,"
                                  "\nVER_MAJOR=:VER_MAJOR,\nVER_MINOR1=:VER_MINOR1,\nVER_MINOR2=:VER_MINOR2,"
                                  "\nVER_TEXT=:VER_TEXT,\nUPDATE_LOCK=:UPDATE_LOCK,\nREAD_ONLY=:READ_ONLY";

// The whole text as a number, else def.
int ToIntDef(const std::string& s, int def)
{
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && end == s.data() + s.size() && !s.empty() ? v : def;
}

std::string DbFile(const std::string& folder) { return folder + "/" + DataFileName; }

std::string VersionOf(int major, int minor1, int minor2)
{
    return std::to_string(major) + "." + std::to_string(minor1) + "." + std::to_string(minor2);
}

// "a.b.c" of the trailer into the record's three numbers (what does not parse reads 0).
void SetVersion(TDataInfomationRec& rec, const std::string& text)
{
    int part[3] = {0, 0, 0};
    std::size_t pos = 0;
    for (int i = 0; i < 3 && pos <= text.size(); ++i) {
        const auto dot = text.find('.', pos);
        part[i] = ToIntDef(text.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos), 0);
        if (dot == std::string::npos) break;
        pos = dot + 1;
    }
    rec.MAJOR = part[0];
    rec.MINOR1 = part[1];
    rec.MINOR2 = part[2];
}

const char* GassanName(int kind)
{
    switch (kind) {
    case 0: return "通常データ";
    case 1: return "合算データ";
    case 2: return "合算本支店データ";
    case 10: return "分散データ";
    default: return nullptr;
    }
}

std::string WithoutBlanks(const std::string& s)
{
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\t') out += c;
    return TrimZen(out);
}

void BindListValues(fb::Statement& q, const TDataListRec& r)
{
    q.ParamByName("ENTTEXT").SetString(r.ENTTEXT);
    q.ParamByName("NENDO").SetInteger(r.NENDO);
    q.ParamByName("KISHU").SetDate(r.KISHU);
    q.ParamByName("KIMATU").SetDate(r.KIMATU);
    q.ParamByName("VER_MAJOR").SetInteger(r.VER_MAJOR);
    q.ParamByName("VER_MINOR1").SetInteger(r.VER_MINOR1);
    q.ParamByName("VER_MINOR2").SetInteger(r.VER_MINOR2);
    q.ParamByName("VER_TEXT").SetString(r.VER_TEXT);
    q.ParamByName("UPDATE_LOCK").SetInteger(r.UPDATE_LOCK);
    q.ParamByName("READ_ONLY").SetInteger(r.READ_ONLY);
}

} // namespace

std::string GassanRefusal(int localKind, int receivedKind)
{
    if (localKind != 1 && localKind != 2) return {};
    if (receivedKind == localKind) return {};
    const char* received = GassanName(receivedKind);
    if (received == nullptr) return {};
    return std::string("現在の処理データは、") + GassanName(localKind) + "ですが、受信したデータは、" + received
           + "なので、復元出来ません。";
}

int TTusinDataSide::Type() const { return Engine ? Engine->SyoriType : 1; }

std::string TTusinDataSide::Folder() const
{
    return Type() < 20 || Engine == nullptr ? SystemDef.DataDir : Engine->DataFolder;
}

// ---- connection of the data set around a run

bool TTusinDataSide::ConnectData()
{
    auto endSysTransaction = [&] {
        try {
            if (dm_.IBTransactionDEF.InTransaction()) dm_.IBTransactionDEF.Commit();
        } catch (const FbError&) {
        }
    };
    NoFacilityRight = false;
    if (dm_.IBDatabaseDAT.Connected()) {
        endSysTransaction();
        return true;
    }
    bool ok = false;
    try {
        ok = dm_.fnAccDatConnected(SystemDef.HostName, Folder(), true) && fnGetAccInfo(dm_);
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok) {
        endSysTransaction();
        view_.Warning("　\r\nデータの接続に失敗したため、データ選択画面を開きます。\r\n ");
        return false;
    }
    if (!fnGetExistsOpeDefSisetu(dm_)) {
        NoFacilityRight = true;
        endSysTransaction();
        return false;
    }
    endSysTransaction();
    return true;
}

bool TTusinDataSide::DisconnectData()
{
    bool ok = true;
    try {
        if (dm_.IBDatabaseDAT.Connected()) dm_.fnAccDatDisConnected(Folder(), true, false);
    } catch (const std::exception&) {
        ok = false;
    }
    try {
        if (dm_.IBTransactionDEF.InTransaction()) dm_.IBTransactionDEF.Commit();
    } catch (const FbError&) {
        ok = false;
    }
    return ok;
}

// ---- the local data-set list

int TTusinDataSide::GetDataListRecord()
{
    const char* context = "TDataSentakuBox.GetDataListRecord";
    DataListRows.clear();
    if (!dm_.IBDatabaseDEF.Connected()) dm_.fnAccDefConnected(SystemDef.HostName, true);
    fb::TransactionGuard guard(dm_.IBTransactionDEF, Unfinished::Commit);
    try {
        fb::Statement q(dm_.IBDatabaseDEF, &dm_.IBTransactionDEF);
        q.SetSQL(std::string("SELECT COUNT(REC) AS RECCNT FROM DATALIST") + "\nWHERE (GROUPID=:GROUPID)");
        q.ParamByName("GROUPID").SetInteger(SystemDef.GroupId);
        q.ExecQuery();
        const int count = q.Eof() ? 0 : q.FieldByName("RECCNT").AsInteger();
        q.Close();
        DataListRows.reserve(static_cast<std::size_t>(count));
        q.SetSQL(std::string("SELECT REC,ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,"
                             "KYOYULOCK,TANTOU,VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT FROM DATALIST")
                 + "\nWHERE (GROUPID=:GROUPID)" + "\nORDER BY REC");
        q.ParamByName("GROUPID").SetInteger(SystemDef.GroupId);
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            TDataSentakuRec row;
            TDataListRec& r = row.DataRec;
            r.REC = q.FieldByName("REC").AsInteger();
            r.GROUPID = SystemDef.GroupId;
            r.ENTTEXT = q.FieldByName("ENTTEXT").AsString();
            r.SHOUGOU = q.FieldByName("SHOUGOU").AsString();
            r.PASNAME = NormalizeDataPath(q.FieldByName("PASNAME").AsString());
            r.LOCALPATH = r.PASNAME;
            r.NETDRIVE = q.FieldByName("NETDRIVE").AsInteger();
            r.DATATYPE = q.FieldByName("DATATYPE").AsInteger();
            r.CODETYPE = q.FieldByName("CODETYPE").AsInteger();
            r.NENDO = q.FieldByName("NENDO").AsInteger();
            r.KISHU = q.FieldByName("KISHU").AsDate();
            r.KIMATU = q.FieldByName("KIMATU").AsDate();
            r.KIKANTEXT = r.KISHU.IsNull() || r.KIMATU.IsNull() ? std::string()
                                                                 : r.KISHU.ToString() + " ～ " + r.KIMATU.ToString();
            r.DATALOCK = q.FieldByName("DATALOCK").AsInteger();
            r.KYOYULOCK = q.FieldByName("KYOYULOCK").AsInteger();
            r.TANTOU = q.FieldByName("TANTOU").AsInteger();
            r.VER_MAJOR = q.FieldByName("VER_MAJOR").AsInteger();
            r.VER_MINOR1 = q.FieldByName("VER_MINOR1").AsInteger();
            r.VER_MINOR2 = q.FieldByName("VER_MINOR2").AsInteger();
            r.VER_TEXT = q.FieldByName("VER_TEXT").AsString();
            DataListRows.push_back(std::move(row));
        }
        guard.Commit();
    } catch (const FbError& e) {
        guard.EndUnfinished();
        ShowIBError(e, context, TListCtlMessages::GetRecord);
        throw;
    }
    return static_cast<int>(DataListRows.size());
}

void TTusinDataSide::UpdateDataListRecord(int row)
{
    const char* context = "TDataSentakuBox.UpdateDataListRecord";
    if (row < 0 || row >= static_cast<int>(DataListRows.size())) throw std::out_of_range("data list row");
    const TDataListRec& r = DataListRows[static_cast<std::size_t>(row)].DataRec;
    const std::string folder = NormalizeDataPath(r.PASNAME);
    if (WithoutBlanks(folder).empty()) throw std::runtime_error("データフォルダパスが不正です。\r処理を中止します。");
    if (!dm_.IBDatabaseDEF.Connected()) dm_.fnAccDefConnected(SystemDef.HostName, true);
    fb::Connection& sys = dm_.IBDatabaseDEF;
    fb::Transaction& tr = dm_.IBTransactionDEF;
    fb::TransactionGuard guard(tr);
    try {
        fb::Statement q(sys, &tr);
        if (ConnectMode != 0) {
            // The table is one of two fixed names, never data.
            q.SetSQL("UPDATE " + DataListTableOf(sys, tr, folder) + kListSetLines + "\nWHERE PASNAME=:PASNAME");
            BindListValues(q, r);
            q.ParamByName("PASNAME").SetString(folder);
        } else if (!Engine || Engine->GassanKubun != "10") {
            // The slot number is the folder's name.
            const std::string last = folder.size() >= 4 ? folder.substr(folder.size() - 4) : folder;
            q.SetSQL(std::string("UPDATE DATALIST") + kListSetLines + "\nWHERE REC=:REC");
            BindListValues(q, r);
            q.ParamByName("REC").SetInteger(ToIntDef(last, 0));
        } else {
            // A distributed-input child lies in a folder of two or three characters inside its
            // parent's numbered folder.
            std::string child, recText;
            const std::size_t n = folder.size();
            if (n >= 7 && folder[n - 3] == '/') {
                child = folder.substr(n - 2);
                recText = folder.substr(n - 7, 4);
            } else if (n >= 8 && folder[n - 4] == '/') {
                child = folder.substr(n - 3);
                recText = folder.substr(n - 8, 4);
            } else {
                guard.EndUnfinished();
                view_.Error("C_DATALISTが更新出来ません。(1)");
                return;
            }
            q.SetSQL(std::string("SELECT * FROM Child_DATALIST") + "\nWHERE (REC=:REC) and (PASNAME LIKE :PASNAME)");
            q.ParamByName("REC").SetInteger(ToIntDef(recText, 0));
            q.ParamByName("PASNAME").SetString("%" + child);
            q.ExecQuery();
            if (q.Eof()) {
                q.Close();
                guard.EndUnfinished();
                view_.Error("C_DATALISTが更新出来ません。(2)");
                return;
            }
            const int rowNo = q.FieldByName("ROWNO").AsInteger();
            q.Close();
            q.SetSQL(std::string("UPDATE Child_DATALIST") + kListSetLines
                     + "\nWHERE (REC=:REC) and (ROWNO=:ROWNO) and (GROUPID=:GROUPID)");
            BindListValues(q, r);
            q.ParamByName("REC").SetInteger(ToIntDef(recText, 0));
            q.ParamByName("ROWNO").SetInteger(rowNo);
            q.ParamByName("GROUPID").SetInteger(SystemDef.GroupId);
        }
        q.ExecQuery();
        guard.Commit();
    } catch (const FbError& e) {
        guard.EndUnfinished();
        ShowIBError(e, context, TListCtlMessages::Update);
        throw;
    }
}

void TTusinDataSide::SetFolderState(const std::string& folder, int state)
{
    TDataInfomation info(dm_);
    info.Mode = ConnectMode;
    info.SetDataStatus(folder, state);
}

// ---- backup and restore

bool TTusinDataSide::RunJob(TBackupRestoreThread& job)
{
    job.Resume();
    while (!job.GetTerminated()) WaitMSec(300);
    job.wait();
    if (job.Success == 1) return true;
    view_.Warning(job.ErrInfo.Message + "\r" + job.ErrInfo.Detail);
    return false;
}

bool TTusinDataSide::SaveSendData(const fs::path& backupFile)
{
    const std::string folder = Folder();
    // The trailer's counts come from the data set itself.
    if (!ConnectData()) return false;
    TBackupRestoreThread job(dm_);
    job.Mode = 0;
    job.Route = ConnectMode != 0 ? 1 : 0;
    job.HostName = SystemDef.HostName;
    job.DatabaseFile = DbFile(folder);
    job.BackupFile = backupFile.string();
    job.WriteZone = 1;
    job.SHOUGOU = AccInf.SHOUGOU;
    job.KISHU = AccInf.KISHU.ToString();
    job.KIMATU = AccInf.KIMATU.ToString();
    try {
        job.SIWAKE = GetYukouSiwakeCount(dm_, " ");
        job.TOTALSIWAKE = GetSiwakeCountOf(dm_, " ");
    } catch (const std::exception&) {
        view_.Error("データの保存に失敗しました。\r保存処理を中止しました。");
        return false;
    }
    job.DATAVARSION = Type() == 20 && Engine
                          ? VersionOf(Engine->DataVerMajor, Engine->DataVerMinor1, Engine->DataVerMinor2)
                          : VersionOf(AccInf.DataVerMajor, AccInf.DataVerMinor1, AccInf.DataVerMinor2);
    job.GASSAN = AccInf.GassanKubun;
    job.USEMYNUMBER = AccInf.MyNumberUse;
    job.ProcessName = Type() == 20 ? "クラウドシェア送信" : "データ送信";
    SetFolderState(folder, dsSaving);
    const bool ok = RunJob(job);
    SetFolderState(folder, dsFree);
    if (!ok) view_.Error("データの保存に失敗しました。\r保存処理を中止しました。");
    return ok;
}

bool TTusinDataSide::CompareDataInfo(const std::string& label, const TDataInfomationRec& incoming,
                                     const TDataInfomationRec& local)
{
    std::string invalid;
    const auto lines = CompareDataInfoLines(label, incoming, local, SystemDef.Reserve4Bits[10] != 0, invalid);
    if (!invalid.empty()) {
        view_.Warning(invalid);
        return false;
    }
    return lines.empty() || view_.AgreeDifferences(label, lines);
}

bool TTusinDataSide::CompareWithFolder(const std::string& label, const TDataInfomationRec& incoming,
                                       const std::string& folder)
{
    if (WithoutBlanks(folder).empty()) {
        view_.Warning(label + "処理先のデータパスが不正です。");
        return false;
    }
    if (!DExist(dm_, folder, ConnectMode)) {
        MkDir(dm_, folder, ConnectMode);
        return true;
    }
    if (!FExist(dm_, DbFile(folder), ConnectMode)) return true;
    TDataInfomation info(dm_);
    info.Mode = ConnectMode;
    info.UpdateIniFile(folder, kSectionDataInfo);
    TDataInfomationRec local;
    info.ReadDataIni(folder, local);
    if (dm_.IBDatabaseDAT.Connected()) dm_.fnAccDatDisConnected(folder, false, false);
    return CompareDataInfo(label, incoming, local);
}

bool TTusinDataSide::CompareBeforeRestore(const std::string& label, const std::string& incomingFolder,
                                          const std::string& localFolder)
{
    if (WithoutBlanks(incomingFolder).empty()) {
        view_.Warning(label + "処理元のデータパスが不正です。");
        return false;
    }
    TDataInfomation info(dm_);
    TDataInfomationRec incoming;
    // The trial database lies in this computer's work folder.
    if (dm_.fnAccDatConnected("127.0.0.1", incomingFolder, false)) info.GetDataInfoRec(incoming);
    dm_.fnAccDatDisConnected(incomingFolder, false, false);
    return CompareWithFolder(label, incoming, localFolder);
}

// The checks of step 5: consolidation kinds and the comparison with the target (from the trailer),
// or a trial restore into the work folder compared with the target (without one).
bool TTusinDataSide::CheckReceived(TBackupRestoreThread& job, bool trailer, const std::string& workFolder,
                                   const std::string& folder)
{
    const int type = Type();
    if (trailer) {
        if (type != 2 && type != 21) return true;
        const std::string refusal = GassanRefusal(AccInf.GassanKubun, job.GASSAN);
        if (!refusal.empty()) {
            view_.Warning(refusal);
            return false;
        }
        TDataInfomationRec incoming;
        incoming.SHOUGOU = job.SHOUGOU;
        incoming.KISHU = job.KISHU;
        incoming.KIMATU = job.KIMATU;
        incoming.SIWAKE = job.SIWAKE;
        incoming.TOTALSIWAKE = job.TOTALSIWAKE;
        SetVersion(incoming, job.DATAVARSION);
        incoming.USEMYNUMBER = job.USEMYNUMBER;
        return CompareWithFolder("復元", incoming, folder);
    }
    TBackupRestoreThread trial(dm_);
    trial.Mode = 1;
    trial.Route = 0;
    trial.HostName = "127.0.0.1";
    trial.DatabaseFile = DbFile(workFolder);
    trial.BackupFile = job.BackupFile;
    trial.ProcessName = job.ProcessName;
    if (!RunJob(trial)) return false;
    return CompareBeforeRestore("復元", workFolder, folder);
}

bool TTusinDataSide::RestoreReceivedData(const fs::path& backupFile)
{
    const std::string folder = Folder();
    const int type = Type();
    try {
        if (type >= 20 || type == 2) {
            if (GetDataListRecord() < 1) return false;
        }
    } catch (const std::exception&) {
        return false;
    }
    if (type >= 20 && dm_.AccDatInConnection(1, SystemDef.HostName, false, folder)) {
        view_.Warning("このデータは他のオペレータが使用中です。 ");
        return false;
    }
    if (!fs::exists(backupFile)) {
        view_.Information("この場所には、バックアップファイル(" + backupFile.filename().string() + ")がありませんでした。\r");
        return false;
    }
    const bool ok = Restore(backupFile, folder);
    SetFolderState(type == 22 && Engine ? Engine->ReceiveFolder : folder, dsFree);
    return ok;
}

bool TTusinDataSide::Restore(const fs::path& backupFile, const std::string& folder)
{
    const int type = Type();
    std::string work = SystemDef.WorkDir;
    while (work.size() > 1 && work.back() == '/') work.pop_back();
    const std::string copy = work + "/" + backupFile.filename().string();
    // The work folder is this program's own: plain file operations.
    std::error_code ec;
    for (const std::string& leftover : {copy, DbFile(work), work + "/vqacc.ini"}) fs::remove(leftover, ec);
    fs::create_directories(work, ec);
    if (!fs::copy_file(backupFile, copy, fs::copy_options::overwrite_existing, ec) || ec) {
        fs::remove(copy, ec);
        view_.Information("ワーク領域にファイルをコピー出来なかったため、復元処理は失敗しました。");
        return false;
    }
    TBackupRestoreThread job(dm_);
    job.ProcessName = type < 20 ? "データ受信" : "クラウドシェア受信";
    job.BackupFile = copy;
    const bool trailer = type != 22 && job.ReadZoneInfo(copy, true);

    // The data set is replaced below: nothing of this program may hold it open.
    if (type != 22) {
        if (dm_.IBDatabaseDAT.Connected()) dm_.fnAccDatDisConnected(folder, false, false);
        const bool passed = !FExist(dm_, DbFile(folder), ConnectMode) || CheckReceived(job, trailer, work, folder);
        fs::remove(DbFile(work), ec);
        if (!passed) {
            fs::remove(copy, ec);
            return false;
        }
    }

    std::string target = folder;
    std::string host = SystemDef.HostName;
    job.Route = ConnectMode != 0 ? 1 : 0;
    if (type == 22) {
        const std::string receive = work + "/receive";
        fs::remove_all(receive, ec);
        fs::create_directories(receive, ec);
        target = receive;
        host = "127.0.0.1";
        job.Route = 0;
    } else if (type == 4 || type == 6 || type == 10) {
        target = work;
        host = "127.0.0.1";
        job.Route = 0;
    }
    const std::string stateFolder = type == 22 && Engine ? Engine->ReceiveFolder : folder;
    if (!stateFolder.empty() && !DExist(dm_, stateFolder, ConnectMode)) MkDir(dm_, stateFolder, ConnectMode);
    SetFolderState(stateFolder, dsRestoring);
    job.Mode = 1;
    job.HostName = host;
    job.DatabaseFile = DbFile(target);
    const bool ok = RunJob(job);
    fs::remove(copy, ec);
    if (!ok) return false;
    if (type == 2 || type == 21) WriteBackListRow(folder);
    return true;
}

// The restored data set's facts into its own settings and its registry row.
void TTusinDataSide::WriteBackListRow(const std::string& folder)
{
    TDataInfomation info(dm_);
    info.Mode = ConnectMode;
    TDataInfomationRec rec;
    const bool read = dm_.fnAccDatConnected(SystemDef.HostName, folder, false) && info.GetDataInfoRec(rec);
    dm_.fnAccDatDisConnected(folder, false, false);
    if (!read) return;
    info.UpdateDataInfomation(SystemDef.HostName, folder, rec);
    try {
        if (DataListRows.empty()) DataListRows.emplace_back();
        TDataListRec& r = DataListRows.front().DataRec;
        r.ENTTEXT = rec.DATALISTNAME;
        r.PASNAME = folder;
        r.UPDATE_LOCK = rec.UPDATE_LOCK;
        r.NENDO = rec.NENDO;
        r.KISHU = Date::Parse(rec.KISHU).value_or(Date());
        r.KIMATU = Date::Parse(rec.KIMATU).value_or(Date());
        r.VER_MAJOR = rec.MAJOR;
        r.VER_MINOR1 = rec.MINOR1;
        r.VER_MINOR2 = rec.MINOR2;
        r.VER_TEXT = rec.VERSION2;
        r.READ_ONLY = rec.READ_ONLY;
        UpdateDataListRecord(0);
    } catch (const FbError&) {
        // reported by the list routine
    } catch (const std::exception& e) {
        view_.Error(std::string("受信処理中にエラーになりました。\r\n") + "error , with message : " + e.what());
    }
    if (Type() == 2) {
        int ma = 0, mi1 = 0, mi2 = 0;
        TDataTusinDb(folder).GetDataVersion(0, ma, mi1, mi2);
    }
}

bool TTusinDataSide::SetCloudTime(const DateTime& time) { return TDataTusinDb(Folder()).SetCloudTime(time); }

bool TTusinDataSide::ReadGassanSettings(std::string& kubun, std::string& count)
{
    return TDataTusinDb(Folder()).ReadGassanSettings(kubun, count);
}

void TTusinDataSide::WriteGassanSettings(const std::string& kubun, const std::string& count)
{
    TDataTusinDb(Folder()).WriteGassanSettings(kubun, count);
}

} // namespace kb
