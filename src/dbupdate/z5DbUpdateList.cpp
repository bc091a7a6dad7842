#include "dbupdate/z5DbUpdateList.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/TMojiBunkatu.h"
#include "dbupdate/z5SystemDbUpdate.h"
#include "dbupdate/z5UserDbUpdate.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "platform/Text.h"

#include <cstdio>

namespace kb {
namespace {

std::optional<TVersionRec>& ListEnd(int kind)
{
    static std::optional<TVersionRec> ends[2];
    return ends[kind == 0 ? 0 : 1];
}

TVersionRec VersionOf(const TDbUpdateListRec& s)
{
    TVersionRec v;
    v.Major = s.Major;
    v.Minor1 = s.Minor1;
    v.Minor2 = s.Minor2;
    return v;
}

void CutAtEnd(int kind, TArrayDbUpdateListRec& list)
{
    const auto& end = ListEnd(kind);
    if (!end) return;
    while (!list.empty() && IsVersionRecNewer(VersionOf(list.back()), *end)) list.pop_back();
}

// A decimal number with optional surrounding blanks, else 0.
int NumberOr0(const std::string& s)
{
    const std::string t = Trim(s);
    if (t.empty()) return 0;
    int v = 0;
    char extra = 0;
    if (std::sscanf(t.c_str(), "%d%c", &v, &extra) != 1) return 0;
    return v;
}

constexpr const char* kVersionReadFailed = "データベースバージョンの取得に失敗しました。";

} // namespace

std::string VersionText(int major, int minor1, int minor2)
{
    return std::to_string(major) + "." + std::to_string(minor1) + "." + std::to_string(minor2);
}
std::string VersionText(const TDbUpdateListRec& s) { return VersionText(s.Major, s.Minor1, s.Minor2); }
std::string VersionText(const TVersionRec& v) { return VersionText(v.Major, v.Minor1, v.Minor2); }

void FillDbUpdateListRec(TDbUpdateListRec& r, int major, int minor1, int minor2, std::function<int()> proc, int backup,
                         std::string title, std::string memo)
{
    r.Major = major;
    r.Minor1 = minor1;
    r.Minor2 = minor2;
    r.ExecProc = std::move(proc);
    r.NeedBackup = backup;
    r.Title = std::move(title);
    r.Memo = std::move(memo);
}

void SetDbUpdateListEnd(int kind, std::optional<TVersionRec> last) { ListEnd(kind) = std::move(last); }
std::optional<TVersionRec> GetDbUpdateListEnd(int kind) { return ListEnd(kind); }

TArrayDbUpdateListRec BuildSystemDbUpdateList()
{
    TArrayDbUpdateListRec list(18);
    void (*const reg[18])(TDbUpdateListRec&) = {
        RegisterSystemDbUpdate031,  RegisterSystemDbUpdate032, RegisterSystemDbUpdate033, RegisterSystemDbUpdate101,
        RegisterSystemDbUpdate300,  RegisterSystemDbUpdate305, RegisterSystemDbUpdate307, RegisterSystemDbUpdate400,
        RegisterSystemDbUpdate402,  RegisterSystemDbUpdate500, RegisterSystemDbUpdate700, RegisterSystemDbUpdate704,
        RegisterSystemDbUpdate800,  RegisterSystemDbUpdate802, RegisterSystemDbUpdate904, RegisterSystemDbUpdate1004,
        RegisterSystemDbUpdate1101, RegisterSystemDbUpdate1200};
    for (int i = 0; i < 18; ++i) reg[i](list[i]);
    CutAtEnd(0, list);
    return list;
}

TArrayDbUpdateListRec BuildUserDbUpdateList()
{
    TArrayDbUpdateListRec list = RegisterUserDbUpdates();
    CutAtEnd(1, list);
    return list;
}

TDbUpdatePlan::TDbUpdatePlan() : SystemList(BuildSystemDbUpdateList()), UserList(BuildUserDbUpdateList()) {}

void TDbUpdatePlan::PrepareUpdate(int kind, const std::string& versionText, TDM* dm)
{
    Kind = kind == 0 ? 0 : 1;
    NeedUpdate = false;
    FirstPending = LastPending = -1;
    TargetVersion = TVersionRec{};
    BackupCount = 0;
    const auto& list = CurrentList();
    if (!list.empty()) TargetVersion = VersionOf(list.back());
    if (!versionText.empty() || !dm)
        SetDbVersionFromText(versionText);
    else
        SetDbVersion(*dm);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (IsVersionRecNewer(VersionOf(list[i]), DbVersion)) {
            FirstPending = static_cast<int>(i);
            LastPending = static_cast<int>(list.size()) - 1;
            NeedUpdate = true;
            break;
        }
    }
    if (NeedUpdate)
        for (int i = FirstPending; i <= LastPending; ++i) BackupCount += list[i].NeedBackup;
}

void TDbUpdatePlan::SetDbVersionFromText(const std::string& text)
{
    DbVersion = TVersionRec{};
    TMojiBunkatu split;
    split.Delimiter = '.';
    split.Mode = 1;
    split.Bunkatu(text);
    if (split.Count != 3) return;
    DbVersion.Major = NumberOr0(split.GetMoji(0));
    DbVersion.Minor1 = NumberOr0(split.GetMoji(1));
    DbVersion.Minor2 = NumberOr0(split.GetMoji(2));
}

void TDbUpdatePlan::SetDbVersion(TDM& dm)
{
    DbVersion = TVersionRec{};
    fb::Connection& db = Kind == 0 ? dm.IBDatabaseDEF : dm.IBDatabaseDAT;
    fb::Transaction tr(&db, fb::Transaction::ReadCommitted());
    try {
        fb::TransactionGuard guard(tr, fb::TransactionGuard::Unfinished::Commit);
        fb::Statement q(db, &tr);
        q.SetSQL(std::string("SELECT MAJOR,MINOR1 AS MINOR,MINOR2 AS REV FROM ") + (Kind == 0 ? "VERSION" : "ACCVERSION") +
                 "\nORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC");
        q.ExecQuery();
        if (!q.Eof()) {
            DbVersion.Major = q.FieldByName("MAJOR").AsInteger();
            DbVersion.Minor1 = q.FieldByName("MINOR").AsInteger();
            DbVersion.Minor2 = q.FieldByName("REV").AsInteger();
        }
        q.Close();
        guard.Commit();
    } catch (const FbError& e) {
        DbVersion = TVersionRec{};
        ShowIBError(e, "TDbUpdateBox.SetDbVersion", kVersionReadFailed);
    } catch (const std::exception& e) {
        DbVersion = TVersionRec{};
        ShowErrorDetail(kVersionReadFailed, e.what());
    }
}

bool AccountingDataNeedsUpdate(const std::string& versionText)
{
    TDbUpdatePlan plan;
    plan.PrepareUpdate(1, versionText.empty() ? std::string(" ") : versionText, nullptr);
    return plan.NeedUpdate;
}

} // namespace kb
