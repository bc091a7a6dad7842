#include "dataselect/registry/DataPlace.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ServerFile.h"
#include "dataselect/registry/z5ComDataSentaku.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "platform/Text.h"

#include <cstdio>

namespace kb {

namespace {
// DATAPLACEMAN.NAME: VARCHAR(20) in SJIS_0208, 40 bytes.
constexpr std::size_t kPlaceNameBytes = 40;
} // namespace

std::string SeedPlaceName(const std::string& sysDir)
{
    return sjis::ByteLength(sysDir) > kPlaceNameBytes ? std::string(kStandardPlaceName) : sysDir;
}

std::string SeedPlacePath(const std::string& sysDir, int i)
{
    char b[8];
    std::snprintf(b, sizeof b, "%.2d", i);
    return sysDir + b;
}

TDataPlaceIO::TDataPlaceIO(TDM& dm) : ConnectMode(kb::ConnectMode), dm_(dm) {}

void TDataPlaceIO::SeedWhenEmpty()
{
    fb::Statement q(dm_.IBDatabaseDEF, &dm_.IBTransactionDEF);
    q.SetSQL("SELECT COUNT(REC) AS RECCNT FROM DATAPLACEMAN");
    q.ExecQuery();
    const int count = q.Eof() ? 0 : q.FieldByName("RECCNT").AsInteger();
    q.Close();
    if (count > 0) return;
    const std::string sysDir = NormalizeDataPath(SystemDef.SysDir);
    fb::Statement ins(dm_.IBDatabaseDEF, &dm_.IBTransactionDEF);
    ins.SetSQL("INSERT INTO DATAPLACEMAN(REC,ORDERKBN,NAME,PATH) VALUES(:REC,:ORDERKBN,:NAME,:PATH)");
    for (int i = 0; i < kDataPlaceCount; ++i) {
        ins.ParamByName("REC").SetInteger(i);
        ins.ParamByName("ORDERKBN").SetInteger(i + 1);
        ins.ParamByName("NAME").SetString(i == 0 ? SeedPlaceName(sysDir) : std::string());
        ins.ParamByName("PATH").SetString(i == 0 ? sysDir : SeedPlacePath(sysDir, i));
        ins.ExecQuery();
    }
}

bool TDataPlaceIO::LoadPlaceList(bool namedOnly)
{
    Places.clear();
    try {
        if (!dm_.IBDatabaseDEF.Connected()) return false;
        fb::TransactionGuard t(dm_.IBTransactionDEF);
        SeedWhenEmpty();
        fb::Statement q(dm_.IBDatabaseDEF, &dm_.IBTransactionDEF);
        q.SetSQL(std::string("SELECT REC,ORDERKBN,NAME,PATH FROM DATAPLACEMAN") + (namedOnly ? " WHERE NAME<>''" : "") +
                 " ORDER BY ORDERKBN,REC");
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            TDataPlaceRec p;
            p.REC = q.FieldByName("REC").AsInteger();
            p.ORDERKBN = q.FieldByName("ORDERKBN").AsInteger();
            p.NAME = q.FieldByName("NAME").AsString();
            p.PATH = NormalizeDataPath(q.FieldByName("PATH").AsString());
            Places.push_back(std::move(p));
        }
        q.Close();
        t.Commit();
        return true;
    } catch (const FbError& e) {
        Places.clear();
        ShowIBError(e, "TDataPlaceBox.LoadPlaceList", "データの場所の取得に失敗しました。");
        return false;
    }
}

std::string TDataPlaceIO::GetPlaceNames()
{
    std::string out;
    if (!LoadPlaceList(true)) return out;
    for (const TDataPlaceRec& p : Places) out += p.NAME + "\r";
    return out;
}

int TDataPlaceIO::GetPlaceRec(int index) const
{
    return index >= 0 && index < static_cast<int>(Places.size()) ? Places[static_cast<std::size_t>(index)].REC : -1;
}

std::string TDataPlaceIO::GetPlacePath(int index) const
{
    return index >= 0 && index < static_cast<int>(Places.size()) ? Places[static_cast<std::size_t>(index)].PATH
                                                                  : std::string();
}

int TDataPlaceIO::IndexOfPlaceRec(int rec) const
{
    for (std::size_t i = 0; i < Places.size(); ++i)
        if (Places[i].REC == rec) return static_cast<int>(i);
    return -1;
}

std::string TDataPlaceIO::GetPlacePathByRec(int rec)
{
    if (const int i = IndexOfPlaceRec(rec); i >= 0) return GetPlacePath(i);
    try {
        fb::TransactionGuard t(dm_.IBTransactionDEF);
        fb::Statement q(dm_.IBDatabaseDEF, &dm_.IBTransactionDEF);
        q.SetSQL("SELECT PATH FROM DATAPLACEMAN WHERE REC=:REC");
        q.ParamByName("REC").SetInteger(rec);
        q.ExecQuery();
        const std::string path = q.Eof() ? std::string() : NormalizeDataPath(q.FieldByName("PATH").AsString());
        q.Close();
        t.Commit();
        return path;
    } catch (const FbError& e) {
        ShowIBError(e, "TDataPlaceBox.GetPlacePathByRec", "データの場所の取得に失敗しました。");
        return {};
    }
}

void TDataPlaceIO::SavePlaces()
{
    fb::TransactionGuard t(dm_.IBTransactionDEF);
    fb::Statement up(dm_.IBDatabaseDEF, &dm_.IBTransactionDEF);
    up.SetSQL("UPDATE DATAPLACEMAN SET ORDERKBN=:ORDERKBN,NAME=:NAME WHERE REC=:REC");
    for (const TDataPlaceRec& p : Places) {
        if (p.State <= 0) continue;
        up.ParamByName("ORDERKBN").SetInteger(p.ORDERKBN);
        up.ParamByName("NAME").SetString(p.NAME);
        up.ParamByName("REC").SetInteger(p.REC);
        up.ExecQuery();
        if (p.State == 1) {
            fb::Statement sp(dm_.IBDatabaseDEF, &dm_.IBTransactionDEF);
            sp.SetSQL("SELECT REC FROM SP_DATALIST_INSERT(:REC,:PATH,:MAXCNT)");
            sp.ParamByName("REC").SetInteger(p.REC);
            sp.ParamByName("PATH").SetString(p.PATH);
            sp.ParamByName("MAXCNT").SetInteger(DataListSlotMax);
            for (sp.ExecQuery(); !sp.Eof(); sp.Next()) {
            }
            sp.Close();
        } else if (p.State == 9) {
            fb::Statement del(dm_.IBDatabaseDEF, &dm_.IBTransactionDEF);
            del.SetSQL("DELETE FROM DATALIST_EX WHERE DATAPLACEREC=:REC");
            del.ParamByName("REC").SetInteger(p.REC);
            del.ExecQuery();
        }
    }
    t.Commit();
    for (TDataPlaceRec& p : Places) p.State = 0;
}

bool TDataPlaceIO::PlaceHasData(int rec)
{
    std::vector<std::string> folders;
    try {
        fb::TransactionGuard t(dm_.IBTransactionDEF);
        fb::Statement q(dm_.IBDatabaseDEF, &dm_.IBTransactionDEF);
        q.SetSQL("SELECT PASNAME FROM DATALIST_EX WHERE (DATAPLACEREC=:REC) ORDER BY REC");
        q.ParamByName("REC").SetInteger(rec);
        for (q.ExecQuery(); !q.Eof(); q.Next()) folders.push_back(NormalizeDataPath(q.FieldByName("PASNAME").AsString()));
        q.Close();
        t.Commit();
    } catch (const std::exception&) {
        return true;  // a place that cannot be read counts as holding data
    }
    for (const std::string& f : folders)
        if (!f.empty() && DExist(dm_, f, ConnectMode)) return true;
    return false;
}

} // namespace kb
