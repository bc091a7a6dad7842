#include "accounting/DataSetUseRecorder.h"

#include "accounting/DataSetHolder.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "platform/Date.h"
#include "platform/Text.h"

#include <algorithm>
#include <cctype>

namespace kb {
namespace {

// The system database has the column CLOUD from 11.0.1 on.
bool HasCloudColumn()
{
    const auto& d = SystemDef;
    if (d.SysDbMajor == 0 && d.SysDbMinor1 == 0 && d.SysDbMinor2 == 0) return true;  // not read: the current shape
    return std::tie(d.SysDbMajor, d.SysDbMinor1, d.SysDbMinor2) >= std::make_tuple(11, 0, 1);
}

void SetDateParam(fb::Statement& q, const char* name, const std::string& text)
{
    // A date the record does not hold leaves the list's date empty.
    const auto d = Date::Parse(text);
    q.ParamByName(name).SetDate(d ? *d : Date());
}

} // namespace

void TDataListTableUpdater::UpdateDataListRow(TDM& dm, const std::string& folder, const TDataInfomationRec& info)
{
    const int place = (ConnectMode == 1 || ConnectMode == 2) ? SystemDef.DataPlaceRec : 0;
    const bool child = info.GASSANKBN == 10;
    std::string context = "TDataSentakuListCtl.GetDataListRecord";
    std::string message = "データリストの取得に失敗しました。";
    try {
        if (!dm.IBDatabaseDEF.Connected() && !dm.fnAccDefConnected(SystemDef.HostName, true)) return;
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        fb::Statement q(dm.IBDatabaseDEF, &dm.IBTransactionDEF);
        // The table is one of three fixed names, never data.
        const std::string table = child ? "CHILD_DATALIST" : (place > 0 ? "DATALIST_EX" : "DATALIST");
        std::string where = "WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)";
        if (!child && place > 0) where += " AND (DATAPLACEREC=:DATAPLACEREC)";
        q.SetSQL("SELECT REC" + std::string(child ? ",ROWNO" : "") + " FROM " + table + "\n" + where);
        q.ParamByName("GROUPID").SetInteger(SystemDef.GroupId);
        q.ParamByName("PASNAME").SetString(AsciiUpper(folder));
        if (!child && place > 0) q.ParamByName("DATAPLACEREC").SetInteger(place);
        q.ExecQuery();
        if (q.Eof()) {
            // A folder the list does not know has no row to refresh.
            q.Close();
            guard.Commit();
            return;
        }
        const int rec = q.FieldByName("REC").AsInteger();
        const int rowNo = child ? q.FieldByName("ROWNO").AsInteger() : 0;
        q.Close();

        context = "TDataSentakuListCtl.UpdateDataListRecord";
        message = "データリストの更新に失敗しました。";
        const bool cloud = HasCloudColumn();
        std::string sql = "UPDATE " + table +
                          "\nSET GROUPID=:GROUPID,DATACODE=:DATACODE,SHOUGOU=:SHOUGOU,NENDO=:NENDO,KISHU=:KISHU,"
                          "KIMATU=:KIMATU,\nDATATYPE=:DATATYPE,CODETYPE=:CODETYPE,TANTOU=:TANTOU,\n"
                          "VER_MAJOR=:VER_MAJOR,VER_MINOR1=:VER_MINOR1,VER_MINOR2=:VER_MINOR2,VER_TEXT=:VER_TEXT,"
                          "GASSAN=:GASSAN";
        if (cloud) sql += ",CLOUD=:CLOUD";
        sql += "\nWHERE REC=:REC";
        if (child) sql += " AND ROWNO=:ROWNO";
        if (!child && place > 0) sql += " AND DATAPLACEREC=:DATAPLACEREC";
        q.SetSQL(sql);
        q.ParamByName("GROUPID").SetInteger(SystemDef.GroupId);
        q.ParamByName("DATACODE").SetString(info.CODE);
        q.ParamByName("SHOUGOU").SetString(info.SHOUGOU);
        q.ParamByName("NENDO").SetInteger(info.NENDO);
        SetDateParam(q, "KISHU", info.KISHU);
        SetDateParam(q, "KIMATU", info.KIMATU);
        q.ParamByName("DATATYPE").SetInteger(info.DATAKBN);
        q.ParamByName("CODETYPE").SetInteger(info.CODEKBN);
        q.ParamByName("TANTOU").SetInteger(info.TANTO);
        q.ParamByName("VER_MAJOR").SetInteger(info.MAJOR);
        q.ParamByName("VER_MINOR1").SetInteger(info.MINOR1);
        q.ParamByName("VER_MINOR2").SetInteger(info.MINOR2);
        q.ParamByName("VER_TEXT").SetString(info.VERSION2);
        q.ParamByName("GASSAN").SetInteger(info.GASSANKBN);
        if (cloud) q.ParamByName("CLOUD").SetInteger(info.CLOUD_SHARE);
        q.ParamByName("REC").SetInteger(rec);
        if (child) q.ParamByName("ROWNO").SetInteger(rowNo);
        if (!child && place > 0) q.ParamByName("DATAPLACEREC").SetInteger(place);
        q.ExecQuery();
        guard.Commit();
    } catch (const FbError& e) {
        ShowIBError(e, context, message);
    } catch (const std::exception& e) {
        ShowErrorDetail(message, e.what());
    }
}

TDataSetUseRecorder::TDataSetUseRecorder(TDM& dm, IDataListRowUpdater* updater)
    : dm_(dm), updater_(updater ? updater : &ownUpdater_)
{
}

void TDataSetUseRecorder::RecordUseStart(const std::string& folder)
{
    TDataInfomation info(dm_);
    info.SiwakeCounts = &siwakeCounts_;
    TDataInfomationRec rec;
    const bool read = info.GetDataInfoRec(rec);
    rec.STATUS = dsInUse;
    rec.OPCODE = SystemDef.OpCode;
    rec.OPERATOR = SystemDef.OpName;
    // A header that could not be read must not blank the facts the file holds for the other
    // programs: then only the status keys are written.
    if (ConnectMode == 0) {
        DataSetHolder::Take(folder);  // first: a mark never exists without its holder
        info.WriteIniFile(folder, read ? "" : kSectionDataSts, rec);
    }
}

void TDataSetUseRecorder::RecordUseEnd(const std::string& folder, bool recordUseEnd, bool listUpdate)
{
    TDataInfomation info(dm_);
    info.SiwakeCounts = &siwakeCounts_;
    TDataInfomationRec rec;
    const bool read = info.GetDataInfoRec(rec);
    rec.STATUS = dsFree;
    if (recordUseEnd && ConnectMode == 0) {
        info.WriteIniFile(folder, read ? "" : kSectionDataSts, rec);
        DataSetHolder::Release(folder);
    }
    if (listUpdate && read) updater_->UpdateDataListRow(dm_, folder, rec);
}

} // namespace kb
