#include "dataselect/registry/z5ComCloudShare.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5DateVersion.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "fb/FbError.h"
#include "fb/Statement.h"

#include <cstdio>
#include <stdexcept>

namespace kb {

TCloudShareIO::TCloudShareIO() = default;
TCloudShareIO::~TCloudShareIO() = default;

template <class F>
bool TCloudShareIO::Run(const std::string& host, const std::string& folder, bool set, F&& body)
{
    if (!DM) throw std::runtime_error("データモジュールがありません。");
    const bool connected = DM->IBDatabaseDAT.Connected();
    if (!connected && !DM->fnAccDatConnected(host, folder, false)) return false;
    if (!Transaction) Transaction = std::make_unique<fb::Transaction>(&DM->IBDatabaseDAT, fb::Transaction::ReadCommitted());
    Transaction->SetDefaultDatabase(&DM->IBDatabaseDAT);
    const bool started = !Transaction->InTransaction();
    bool ok = false;
    try {
        // Ends what it started when the body fails (before the message is shown).
        fb::TransactionGuard guard(*Transaction);
        fb::Statement q(DM->IBDatabaseDAT, Transaction.get());
        q.SetSQL("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION ORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC");
        q.ExecQuery();
        char v[64] = "0.0.0";
        if (!q.Eof())
            std::snprintf(v, sizeof v, "%d.%d.%d", q.FieldByName("MAJOR").AsInteger(), q.FieldByName("MINOR1").AsInteger(),
                          q.FieldByName("MINOR2").AsInteger());
        q.Close();
        if (IsVersionNewer(v, "11.0.0")) body(q);
        guard.Commit();
        ok = true;
    } catch (const FbError& e) {
        if (started) ShowIBError(e, "TComCloudShare.ClearSetting", set ? "クラウドシェアの設定に失敗しました。" : "クラウドシェアの参照に失敗しました。");
    } catch (const std::exception& e) {
        if (started) ShowErrorDetail(set ? "クラウドシェアの設定に失敗しました。" : "クラウドシェアの設定に参照しました。", e.what());
    }
    if (!connected) DM->fnAccDatDisConnected(folder, false, false);
    return ok;
}

bool TCloudShareIO::SetSetting(const std::string& host, const std::string& folder, int line)
{
    return Run(host, folder, true, [&](fb::Statement& q) {
        q.SetSQL("UPDATE ACCDEF1 SET CLOUD_LINE=:CLOUD_LINE WHERE REC=1");
        q.ParamByName("CLOUD_LINE").SetInteger(line);
        q.ExecQuery();
        WriteIniValue(folder, "DATAINFO", "CLOUD_SHARE", line > 0 ? 1 : 0);
    });
}

int TCloudShareIO::GetSetting(const std::string& host, const std::string& folder)
{
    int line = 0;
    const bool ok = Run(host, folder, false, [&](fb::Statement& q) {
        q.SetSQL("SELECT CLOUD_LINE FROM ACCDEF1 WHERE REC=1");
        for (q.ExecQuery(); !q.Eof(); q.Next()) line = q.FieldByName("CLOUD_LINE").AsInteger();
        q.Close();
    });
    return ok ? line : 0;
}

} // namespace kb
