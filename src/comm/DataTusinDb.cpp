#include "comm/DataTusinDb.h"

#include "accounting/DataInfomation.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc2.h"
#include "core/z5DateVersion.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"

#include <cstdio>

namespace kb {

namespace {

const char* const kConnectText = "ユーザーデータベースの接続処理に失敗しました。\rDBファイルが削除、破損 または 使用中の可能性がありますので接続パスを確認して下さい。";

// One job's connection: opened here, closed (rolling back what was not committed) on the way out.
struct Job {
    fb::Connection db;
    fb::Transaction tr{&db};
    bool Open(const std::string& name)
    {
        db.SetDatabaseName(name);
        db.Params() = {"user_name=" + SystemDef.DbUser, "password=" + SystemDef.DbPassword, "lc_ctype=SJIS_0208"};
        db.SetSQLDialect(3);
        try {
            db.Open();
            tr.StartTransaction();
            return true;
        } catch (const FbError& e) {
            ShowIBError(e, "Bunsan DatConnected", kConnectText);
        } catch (const std::exception& e) {
            ShowErrorDetail(kConnectText, e.what());
        }
        return false;
    }
};

std::string DateText(const std::string& stored, bool eraForm)
{
    if (!eraForm) return stored;
    const auto d = Date::Parse(stored);
    return d ? DateToStrFmtW("yy/mm/dd", 2, *d, true) : stored;
}

// Runs body in the job's transaction and commits; a failure is reported with the context and text
// and ends the transaction (rolled back, or committed where the jobs keep what was done).
template <class F>
bool Guarded(Job& job, const char* context, const char* text, bool commitOnFailure, F&& body)
{
    auto end = [&] {
        try {
            if (!job.tr.InTransaction()) return;
            if (commitOnFailure) job.tr.Commit();
            else job.tr.Rollback();
        } catch (const FbError&) {
        }
    };
    try {
        body();
        job.tr.Commit();
        return true;
    } catch (const FbError& e) {
        end();
        ShowIBError(e, context, text);
    } catch (const std::exception& e) {
        end();
        ShowErrorDetail(text, e.what());
    }
    return false;
}

} // namespace

std::string TDataTusinDb::DatabaseName() const
{
    if (ConnectMode == 0) return folder_ + "/vqacc.fdb";
    return SystemDef.HostName + ":" + folder_ + "/vqacc.fdb";
}

bool TDataTusinDb::CloudColumnsExist(int major, int minor1, int minor2)
{
    return major > 11 || (major > 10 && minor1 > 0) || (major > 10 && minor1 == 0 && minor2 > 0);
}

bool TDataTusinDb::GetDataVersion(int flag, int& major, int& minor1, int& minor2)
{
    Job job;
    if (!job.Open(DatabaseName())) return false;
    return Guarded(job, "Cloud_Crear", "クラウドシェア", false, [&] {
        fb::Statement q(job.db, &job.tr);
        q.SetSQL("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION WHERE REC=1");
        q.ExecQuery();
        int ma = 0, mi1 = 0, mi2 = 0;
        if (!q.Eof()) {
            ma = q.FieldByName("MAJOR").AsInteger();
            mi1 = q.FieldByName("MINOR1").AsInteger();
            mi2 = q.FieldByName("MINOR2").AsInteger();
        }
        q.Close();
        if (flag == 1) {
            major = ma;
            minor1 = mi1;
            minor2 = mi2;
        } else if (CloudColumnsExist(ma, mi1, mi2)) {
            fb::Statement u(job.db, &job.tr);
            u.SetSQL("UPDATE ACCDEF1 SET CLOUD_LINE=:CLOUD_LINE WHERE (REC=:REC) and (CLOUD_LINE<>:CLOUD_LINE) ");
            u.ParamByName("CLOUD_LINE").SetInteger(0);
            u.ParamByName("REC").SetInteger(1);
            u.ExecQuery();
        }
    });
}

bool TDataTusinDb::SetCloudTime(const DateTime& time)
{
    int ma = 0, mi1 = 0, mi2 = 0;
    if (!GetDataVersion(1, ma, mi1, mi2)) return false;
    if (!CloudColumnsExist(ma, mi1, mi2)) return true;
    Job job;
    if (!job.Open(DatabaseName())) return false;
    return Guarded(job, "Cloud_Time", "クラウドシェア", false, [&] {
        fb::Statement u(job.db, &job.tr);
        u.SetSQL("UPDATE ACCDEF1 SET CLOUD_TIME=:CLOUD_TIME WHERE REC=:REC ");
        u.ParamByName("CLOUD_TIME").SetDateTime(time);
        u.ParamByName("REC").SetInteger(1);
        u.ExecQuery();
    });
}

bool TDataTusinDb::HasApprovedSiwake()
{
    Job job;
    if (!job.Open(DatabaseName())) return false;
    bool any = false;
    const bool ok = Guarded(job, "SIWAKE_VIEW", "基本情報の取得に失敗しました。\r", true, [&] {
        fb::Statement q(job.db, &job.tr);
        q.SetSQL(std::string("SELECT COUNT(*) AS CNT ") + "\nFROM SIWAKE_VIEW WHERE (SHONIN_OPCODE <> 0) ");
        q.ExecQuery();
        any = !q.Eof() && q.FieldByName("CNT").AsInteger() > 0;
    });
    return ok && any;
}

bool TDataTusinDb::ReadGassanSettings(std::string& kubun, std::string& count)
{
    Job job;
    if (!job.Open(DatabaseName())) return false;
    return Guarded(job, "ACCREG", "基本情報の取得に失敗しました。\r", true, [&] {
        auto read = [&](const char* code) {
            fb::Statement q(job.db, &job.tr);
            q.SetSQL(std::string("SELECT * FROM ACCREG") + "\nWHERE AGROUP=:AGROUP and ACODE=:ACODE");
            q.ParamByName("AGROUP").SetString("基本設定");
            q.ParamByName("ACODE").SetString(code);
            q.ExecQuery();
            return q.Eof() ? std::string() : q.FieldByName("ATEXT").AsString();
        };
        kubun = read("合算データ区分");
        count = read("合算データ数");
    });
}

bool TDataTusinDb::WriteGassanSettings(const std::string& kubun, const std::string& count)
{
    Job job;
    if (!job.Open(DatabaseName())) return false;
    return Guarded(job, "ACCREG", "基本情報の取得に失敗しました。\r", true, [&] {
        for (const auto& [code, value] : {std::pair<const char*, std::string>{"合算データ区分", kubun}, {"合算データ数", count}}) {
            fb::Statement u(job.db, &job.tr);
            u.SetSQL(std::string("UPDATE ACCREG SET ATEXT=:ATEXT") + "\nWHERE (AGROUP=:AGROUP) AND (ACODE=:ACODE)");
            u.ParamByName("ATEXT").SetString(value);
            u.ParamByName("AGROUP").SetString("基本設定");
            u.ParamByName("ACODE").SetString(code);
            u.ExecQuery();
        }
    });
}

std::string TDataTusinDb::GetVersionText(int major, int minor)
{
    if (major == 11 && minor == 1) return "19消改版";
    if (major == 6 && minor == 1) return "14消改版";
    if (minor != 0) return std::to_string(major) + "." + std::to_string(minor);
    if (major == 1) return "09版";
    if (major == 2) return "10版";
    return std::to_string(major + 8) + "版";
}

std::vector<std::string> CompareDataInfoLines(const std::string& label, const TDataInfomationRec& in,
                                              const TDataInfomationRec& local, bool eraForm, std::string& invalid)
{
    std::vector<std::string> lines;
    invalid.clear();
    if (in.SHOUGOU.empty() && in.KISHU.empty() && in.KIMATU.empty()) {
        invalid = label + "処理元のデータ情報が不正です。";
        return lines;
    }
    if (local.SHOUGOU.empty() && local.KISHU.empty() && local.KIMATU.empty()) {
        invalid = label + "処理先のデータ情報が不正です。";
        return lines;
    }
    auto pair = [&](const std::string& head, const std::string& a, const std::string& b) {
        lines.push_back(head);
        lines.push_back("　【" + label + "元】：" + a);
        lines.push_back("　【" + label + "先】：" + b);
        lines.emplace_back();
    };
    if (in.SHOUGOU != local.SHOUGOU) pair("会社名に違いがありました。", in.SHOUGOU, local.SHOUGOU);
    if (in.KISHU != local.KISHU) pair("期首に違いがありました。", DateText(in.KISHU, eraForm), DateText(local.KISHU, eraForm));
    if (in.KIMATU != local.KIMATU) pair("期末に違いがありました。", DateText(in.KIMATU, eraForm), DateText(local.KIMATU, eraForm));
    if (in.TOTALSIWAKE < local.TOTALSIWAKE)
        pair("仕訳件数(修正・削除仕訳含む)が減っています。", FormatNumber(in.TOTALSIWAKE) + " 件", FormatNumber(local.TOTALSIWAKE) + " 件");
    return lines;
}

} // namespace kb
