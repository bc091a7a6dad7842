#include "dataselect/registry/z5GassanDataCtl.h"

#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/DataModuleAccReg.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "platform/Text.h"

#include <QCoreApplication>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace kb {

namespace fs = std::filesystem;

namespace {

constexpr const char* kBasic = "基本設定";
constexpr const char* kInitFailed = "分散入力用データの初期化に失敗しました。";

std::string Fmt(const char* f, int n)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, f, n);
    return buf;
}

// The whole name as a decimal integer, else nothing.
std::optional<int> NameNumber(const std::string& name)
{
    int v = 0;
    const char* end = name.data() + name.size();
    const auto r = std::from_chars(name.data(), end, v);
    if (name.empty() || r.ec != std::errc() || r.ptr != end) return std::nullopt;
    return v;
}

std::vector<std::string> SubFolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.is_directory(ec)) names.push_back(e.path().filename().string());
    // Name order, so that the running numbers are stable.
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

bool HasDamagedMember(const TDataSentakuRec& row)
{
    if (row.DataRec.GASSAN != 1 && row.DataRec.GASSAN != 2) return false;
    for (const auto& c : row.ChildList)
        if (c.DATA_STATUS == 1) return true;
    return false;
}

std::vector<std::string> ChildResetStatements()
{
    std::vector<std::string> s;
    std::string kakozan = "UPDATE KAKOZAN SET KISHU=0,";
    for (int n = 1; n <= 16; ++n) {
        const std::string i = std::to_string(n);
        kakozan += "KOMIZAN_" + i + "=0,NUKIZAN_" + i + "=0,IKKATSU_" + i + "=0,HAIBUN_" + i + "=0,";
    }
    s.push_back(kakozan + "TRIGGER_SWITCH=1");
    std::string sz = "UPDATE KAMOKU_SZ SET KAISIZAN=0,";
    for (int n = 1; n <= 16; ++n) sz += Fmt("HAIBUN%.2d=0,", n);
    s.push_back(sz + "KAKOZAN=0,KISHU_KOMI=0,KISHU_NUKI=0");
    s.push_back("UPDATE KAMOKU_MS SET KAR_NUK=0,KAR_TAX=0,KAS_NUK=0,KAS_TAX=0,"
                "BYOSAN=0,BYOSOKU=0,RYOSAN=0,KAR_IKKATSU=0,KAS_IKKATSU=0");
    s.push_back("UPDATE KAMOKU_TAX SET KAR=0,KAS=0");
    s.push_back("UPDATE SISETUMST SET SIWAKECOUNT=0");
    s.push_back("DELETE FROM SIWAKE");
    s.push_back("DELETE FROM KAKOSIWAKE1");
    s.push_back("DELETE FROM KAKOSIWAKE2");
    s.push_back("DELETE FROM KS_SISAN");
    s.push_back("SET GENERATOR SIWAKE_REC_GEN TO 0");
    for (int i = 0; i <= 99; ++i) s.push_back(Fmt("SET GENERATOR SIWAKE%.2d_GEN TO 0", i));
    s.push_back("SET GENERATOR KSSISAN_GEN TO 0");
    return s;
}

TGassanDataCtl::TGassanDataCtl() { ListCtl.Mode = ConnectMode; }

void TGassanDataCtl::SetDataPath(const std::string& folder)
{
    const std::string path = NormalizeDataPath(folder);
    if (path != dataPath_) active_ = false;
    dataPath_ = path;
}

void TGassanDataCtl::SetDataRec(int rec)
{
    if (rec != dataRec_) active_ = false;
    dataRec_ = rec;
}

void TGassanDataCtl::SetActive(bool active)
{
    active_ = active;
    if (active) LoadChildList();
}

int TGassanDataCtl::IndexOfChild(const std::string& folder) const
{
    for (std::size_t i = 0; i < ChildList.size(); ++i)
        if (ChildList[i].DataFolder == folder) return static_cast<int>(i);
    return -1;
}

int TGassanDataCtl::NextChildRowNo(int step) const
{
    int high = 0;
    for (const auto& c : ChildList) high = std::max(high, c.ROWNO);
    return ChildList.empty() ? step - 1 : high + step;
}

std::string TGassanDataCtl::GetNewChildFolderName(const std::string& folder, int step) const
{
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return {};
    int high = 0;
    for (const auto& name : SubFolderNames(folder)) high = std::max(high, NameNumber(name).value_or(0));
    if (high + step > 999) throw std::runtime_error("作成できるフォルダ名は[999]までです。");
    return Fmt("%.3d", high + step);
}

void TGassanDataCtl::LoadChildList()
{
    if (ConnectMode != 0 || dataPath_.empty() || !DM) return;
    ListCtl.Mode = ConnectMode;
    TDataSentakuRec parent;
    ListCtl.InitDataListRec(parent, dataPath_);
    parent.DataRec.REC = ListCtl.GetDataRecNo(dataPath_);
    ListCtl.GetDataListRecord(0, parent, true);
    ParentNetDrive = parent.DataRec.NETDRIVE;
    ParentSharePath = ParentNetDrive == 1 ? parent.DataRec.PASNAME : std::string();
    Parent = TGassanParentHeader{parent.DataRec.REC, dataPath_, 0};
    ChildList.clear();

    TDM& dm = *DM;
    const bool wasConnected = dm.IBDatabaseDAT.Connected() &&
                              NormalizeDataPath(fs::path(dm.IBDatabaseDAT.DatabaseName()).parent_path().string()) == dataPath_;
    if (!wasConnected && !dm.fnAccDatConnected(SystemDef.HostName, dataPath_, false)) return;
    fnGetAccInfo(dm);
    const int kind = AccInf.GassanKubun;
    if (kind == 1 || kind == 2) {
        Parent.PerFacility = AccInf.SITEN;
        int running = 0;
        for (const auto& name : SubFolderNames(dataPath_)) {
            const bool medicalZero = AccInf.IryouHoujin && name == "00";
            const int k = medicalZero ? 0 : NameNumber(name).value_or(0);
            if (!medicalZero && k <= 0) continue;
            TGassanChildDataRec c;
            c.REC = Parent.REC;
            c.ROWNO = ++running;
            if (Parent.PerFacility != 0) {
                c.SCODE = Fmt("%.2d", k);
                c.DataFolder = JoinPath(dataPath_, c.SCODE);
            } else {
                c.DataFolder = JoinPath(dataPath_, Fmt("%.3d", k));
            }
            ChildList.push_back(std::move(c));
        }
        parent.DataRec.GASSAN = static_cast<std::uint8_t>(kind);
        ListCtl.GetDataListChildRecord(parent, true);
        for (auto& c : ChildList)
            for (const auto& row : parent.ChildList)
                if (c.DataFolder == NormalizeDataPath(row.PASNAME) || c.DataFolder == NormalizeDataPath(row.LOCALPATH))
                    c.ROWNO = row.ROWNO;
    } else {
        parent.DataRec.GASSAN = 1;
        ListCtl.GetDataListChildRecord(parent, true);
        for (const auto& row : parent.ChildList)
            ChildList.push_back({row.REC, row.ROWNO, "", NormalizeDataPath(row.LOCALPATH)});
    }
    if (!wasConnected) dm.fnAccDatDisConnected(dataPath_, true, false);
}

void TGassanDataCtl::AccDataSyokika()
{
    if (!DM) throw std::runtime_error("データモジュールがありません。");
    TDM& dm = *DM;
    try {
        if (!dm.fnAccDatConnected(SystemDef.HostName, NewChildFolder, true))
            throw std::runtime_error(NewChildFolder + " に接続できません。");
        // A failure rolls back what was started here; the caller removes the child folder.
        fb::TransactionGuard g(dm.IBTransactionDAT);
        fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDAT);
        q.SetSQL("UPDATE ACCDEF1 SET KANSA_FIXDATE=:KANSA_FIXDATE,KANSA_DATE=:KANSA_DATE,KANSA_LOCK=:KANSA_LOCK WHERE REC=1");
        const DateTime zero(Date::FromSerial(0));
        q.ParamByName("KANSA_FIXDATE").SetDateTime(zero);
        q.ParamByName("KANSA_DATE").SetDateTime(zero);
        q.ParamByName("KANSA_LOCK").SetInteger(0);
        q.ExecQuery();
        QCoreApplication::processEvents();
        for (const auto& sql : ChildResetStatements()) {
            q.SetSQL(sql);
            q.ExecQuery();
        }
        QCoreApplication::processEvents();
        PutAccReg(dm, kBasic, "合算データ区分", kRegInteger, TRegValue{std::string("10")});
        PutAccReg(dm, kBasic, "合算データ数", kRegInteger, TRegValue{std::string("0")});
        if (AccInf.IryouHoujin) {
            // Only the blank facility and the child's own stay; every value is bound.
            q.SetSQL("DELETE FROM SISETUMST WHERE (SCODE NOT IN (:BLANK, :SCODE))");
            q.ParamByName("BLANK").SetString(" ");
            q.ParamByName("SCODE").SetString(FacilityCode);
            q.ExecQuery();
            if (FacilityCode == "00") {
                fb::Statement rows(dm.IBDatabaseDAT, &dm.IBTransactionDAT);
                rows.SetSQL("SELECT ' ' AS SCODE,KCODE,HCODE,BCODE FROM KAMOKU_SZ GROUP BY KCODE,HCODE,BCODE HAVING COUNT(SCODE)=1");
                struct Key {
                    std::string s, k, h, b;
                };
                std::vector<Key> keys;
                for (rows.ExecQuery(); !rows.Eof(); rows.Next())
                    keys.push_back({rows.FieldByName("SCODE").AsString(), rows.FieldByName("KCODE").AsString(),
                                    rows.FieldByName("HCODE").AsString(), rows.FieldByName("BCODE").AsString()});
                rows.Close();
                q.SetSQL("DELETE FROM KAMOKU_SZ WHERE SCODE=:SCODE AND KCODE=:KCODE AND HCODE=:HCODE AND BCODE=:BCODE");
                for (const auto& key : keys) {
                    q.ParamByName("SCODE").SetString(key.s);
                    q.ParamByName("KCODE").SetString(key.k);
                    q.ParamByName("HCODE").SetString(key.h);
                    q.ParamByName("BCODE").SetString(key.b);
                    q.ExecQuery();
                }
            }
        }
        q.Close();
        g.Commit();
        TDataInfomation info(dm);
        info.Mode = static_cast<std::uint8_t>(ConnectMode);
        TDataInfomation::ClearDataInfoRec(WorkInfo);
        info.ReadDataIni(NewChildFolder, WorkInfo);
        dm.fnAccDatDisConnected(NewChildFolder, true, false);
    } catch (const FbError& e) {
        ShowIBError(e, "TGassanDataCtl.AccDataSyokika", kInitFailed);
        throw;
    } catch (const std::exception& e) {
        ShowErrorDetail(kInitFailed, e.what());
        throw;
    }
}

void TGassanDataCtl::SetGassanSetting(int kind, int countArg)
{
    if (dataPath_.empty() || !DM) return;
    TDM& dm = *DM;
    const int count = (kind == 0 || kind == 10) ? 0 : countArg;
    if (!dm.fnAccDatConnected(SystemDef.HostName, dataPath_, false))
        throw std::runtime_error(dataPath_ + " に接続できません。");
    try {
        PutAccReg(dm, kBasic, "合算データ区分", kRegInteger, TRegValue{std::to_string(kind)});
        PutAccReg(dm, kBasic, "合算データ数", kRegInteger, TRegValue{std::to_string(count)});
    } catch (...) {
        dm.fnAccDatDisConnected(dataPath_, true, true);
        throw;
    }
    dm.fnAccDatDisConnected(dataPath_, true, true);
}

int TGassanDataCtl::AddChildData(const std::string& nameArg)
{
    std::string name = nameArg;
    if (Parent.PerFacility != 0) {
        FacilityCode = name;
    } else {
        if (name.empty()) name = GetNewChildFolderName(dataPath_, 1);
        FacilityCode.clear();
    }
    if (name.empty()) return 0;
    NewChildFolder = JoinPath(dataPath_, name);
    std::error_code ec;
    fs::create_directories(NewChildFolder, ec);
    if (ec || !fs::is_directory(NewChildFolder, ec)) {
        NewChildFolder.clear();
        return 0;
    }
    if (!CopyFileOver(JoinPath(dataPath_, DataFileName), JoinPath(NewChildFolder, DataFileName))) {
        DeleteDirectory(NewChildFolder, false, false);
        NewChildFolder.clear();
        return 0;
    }
    try {
        AccDataSyokika();
    } catch (const std::exception&) {
        if (DM && DM->IBDatabaseDAT.Connected()) DM->fnAccDatDisConnected(NewChildFolder, true, false);
        DeleteDirectory(NewChildFolder, false, false);
        NewChildFolder.clear();
        FacilityCode.clear();
        return 0;
    }
    int at = IndexOfChild(NewChildFolder);
    if (at < 0) {
        ChildList.push_back({});
        at = static_cast<int>(ChildList.size()) - 1;
    }
    TGassanChildDataRec& c = ChildList[static_cast<std::size_t>(at)];
    c.REC = Parent.REC;
    c.ROWNO = NextChildRowNo(1);
    c.SCODE = FacilityCode;
    c.DataFolder = NewChildFolder;

    if (ParentNetDrive == 1) {
        ListCtl.InitDataListRec(WorkRow, JoinPath(NormalizeDataPath(ParentSharePath), name));
        WorkRow.NETDRIVE = 1;
        WorkRow.KYOYULOCK = 1;
    } else {
        ListCtl.InitDataListRec(WorkRow, NewChildFolder);
    }
    WorkRow.REC = c.REC;
    WorkRow.ROWNO = c.ROWNO;
    WorkRow.GASSAN = 10;
    ListCtl.SetDataListRecFromInfo(FolderInfoFrom(WorkInfo), WorkRow);
    ListCtl.UpdateDataListChildRecord(WorkRow, 0, true);
    return 1;
}

} // namespace kb
