#include "exchange/z5CashBookLoader.h"

#include "accounting/uAccTaxCmpSiwake.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/z5ComFunc.h"
#include "core/z5ComFunc2.h"
#include "core/z5DateVersion.h"
#include "core/z5ServerFile.h"
#include "exchange/CashBookLog.h"
#include "fb/FbError.h"
#include "platform/TempFiles.h"
#include "platform/Text.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <filesystem>
#include <map>

namespace kb {
namespace {

const char* kInUse = "現在、他のユーザーがデータを使用中です。他のユーザーがデータを使用している間は現金出納帳の取り込みは行えません。";
const char* kConnectFailed = "会計データの接続に失敗しました。";
const char* kCopyFailed = "受信データの移行処理後のコピーに失敗しました。";

std::string Printf(const char* format, const std::string& a, const std::string& b = "", const std::string& c = "",
                   const std::string& d = "", const std::string& e = "", const std::string& f = "")
{
    // Formats of our own texts with %s only (never data as a format).
    std::string out;
    const std::string args[6] = {a, b, c, d, e, f};
    int n = 0;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += n < 6 ? args[n++] : std::string();
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

std::string VersionText(const std::array<int, 3>& v)
{
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]);
}

// On this computer's disk: a copy flushed to disk before it counts, and a rename whose folder is
// flushed too. In the server modes the server's file operations do the same on its disk.
bool CopyFile(const std::string& source, const std::string& target)
{
    if (ConnectMode != 0) return FCopy(*DM, source, target, ConnectMode);
    std::error_code ec;
    if (!std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, ec)) return false;
    const int fd = ::open(target.c_str(), O_RDONLY);
    const bool ok = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

bool RenameFile(const std::string& source, const std::string& target)
{
    if (ConnectMode != 0) return FMove(*DM, source, target, ConnectMode);
    if (std::rename(source.c_str(), target.c_str()) != 0) return false;
    const int fd = ::open(std::filesystem::path(target).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

void RemoveFile(const std::string& path)
{
    if (ConnectMode != 0) {
        if (FExist(*DM, path, ConnectMode)) FDel(*DM, path, ConnectMode, false);
        return;
    }
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

struct StopRun : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace

TCashBookLoader::TCashBookLoader()
{
    Info.Text = "CashBookLoader";
    RecvDb.SetSQLDialect(3);
    RecvTr.Params() = fb::Transaction::ReadCommitted();
    if (DM) {
        // One transaction over the open data set (its default database, where the journal writer
        // works) and the received database.
        RecvTr.SetDefaultDatabase(&DM->IBDatabaseDAT);
        RecvTr.AddDatabase(&RecvDb);
    }
    writer_.SetTransaction(RecvTr);
}

TCashBookLoader::~TCashBookLoader()
{
    try {
        RecvDb.Close();
    } catch (const std::exception&) {
    }
}

void TCashBookLoader::SetReceiveFile(const std::string& path)
{
    ReceivePath = path;
    if (!std::filesystem::exists(path)) return;
    RecvDb.SetDatabaseName(path);
    RecvDb.Params() = {"user_name=" + SystemDef.DbUser, "password=" + SystemDef.DbPassword, "lc_ctype=SJIS_0208"};
}

int TCashBookLoader::GetResultCode()
{
    Result = failedReplace_ ? -100 : LumoraResultCode(Log);
    return Result;
}

void TCashBookLoader::AddLog()
{
    Log.push_back(Info);
    if (OnLog) OnLog(Info);
    GetResultCode();
}

void TCashBookLoader::ClearLog()
{
    Result = 0;
    Info.Kind = 0;
    Info.Code = 0;
    Info.Message.clear();
    Log.clear();
    if (OnClear) OnClear();
}

void TCashBookLoader::Log3(int code, const std::string& message)
{
    Info.Kind = 3;
    Info.Code = code;
    Info.Message = message;
    AddLog();
}

std::string TCashBookLoader::ExportLog(bool csv) const
{
    const std::string q = csv ? "'" : "";
    const std::string sep = csv ? "," : "\t";
    std::string out;
    for (const auto& e : Log) {
        const char* kind = e.Kind == 1 ? "情報" : e.Kind == 2 ? "警告" : e.Kind == 3 ? "エラー" : "";
        out += q + kind + q + sep + q + std::to_string(e.Code) + q + sep + q + e.Message + q + sep + "\r\n\r\n";
    }
    return out;
}

fb::Statement& TCashBookLoader::Acc(int i)
{
    if (!acc_[i]) acc_[i] = std::make_unique<fb::Statement>(DM->IBDatabaseDAT, &RecvTr);
    acc_[i]->Close();
    return *acc_[i];
}

fb::Statement& TCashBookLoader::Recv(int i)
{
    if (!recv_[i]) recv_[i] = std::make_unique<fb::Statement>(RecvDb, &RecvTr);
    recv_[i]->Close();
    return *recv_[i];
}

void TCashBookLoader::Guarded(const std::string& failureText, const std::function<void()>& body)
{
    try {
        body();
    } catch (const StopRun&) {
        throw;
    } catch (const std::exception& e) {
        Log3(-100, failureText + "原因: " + ErrorCause(e));
        throw StopRun(e.what());
    }
}

void TCashBookLoader::Progress()
{
    ++progress_;
    if (OnProgress) OnProgress(progress_, 7);
}

void TCashBookLoader::Step(const std::string& label, const std::function<void()>& body)
{
    if (GetResultCode() < 0) return;
    if (OnLabel) OnLabel(label);
    if (body) body();
    Progress();
}

// ---- the run

void TCashBookLoader::Run()
{
    const std::string host = SystemDef.HostName;
    const std::string folder = SystemDef.DataDir;
    failedReplace_ = false;
    if (DM->AccDatInConnection(1, host, false, folder)) {
        ClearLog();
        Log3(-100, kInUse);
    } else {
        bool connected = false;
        try {
            if (RecvDb.DatabaseName().empty()) throw std::runtime_error("no received file");
            RecvDb.Open();
            connected = DM->IBDatabaseDAT.Connected() || DM->fnAccDatConnected(host, folder, false);
        } catch (const std::exception&) {
            connected = false;
        }
        if (!connected) {
            ClearLog();
            Log3(-100, kConnectFailed);
            try {
                RecvDb.Close();
            } catch (const std::exception&) {
            }
        } else {
            RunSteps();
        }
    }
    if (!DM->IBDatabaseDAT.Connected()) DM->fnAccDatConnected(host, folder, false);
    if (GetResultCode() > 0) {
        fnGetAccInfo(*DM);
        if (HostStatusTextHook) {
            HostStatusTextHook(0, AccInf.SHOUGOU + " " + std::to_string(AccInf.SITEN) + " " + KikanToStr(AccInf.KISHU, AccInf.KIMATU, false));
            std::string sisetu;
            GetOpeDefSisetu(*DM, sisetu);
            HostStatusTextHook(1, sisetu);
        }
        if (HostStatusFlagHook) {
            HostStatusFlagHook(0, 0);
            HostStatusFlagHook(1, 0);
        }
    }
}

void TCashBookLoader::RunSteps()
{
    ClearLog();
    progress_ = 0;
    if (OnLabel) OnLabel("準備中です…");
    if (OnProgress) OnProgress(0, 7);
    if (AutoFlag == 0 && MergeFlag == 0) return;
    writer_.SetTransaction(RecvTr);
    startedTr_ = false;
    try {
        if (!RecvTr.InTransaction()) {
            RecvTr.StartTransaction();
            startedTr_ = true;
        }
        siten_ = std::make_unique<TSitenList>(*DM);
        siten_->SetTransaction(RecvTr);
        Guarded("", [&] { siten_->Execute(-1); });
        Progress();
        CheckReceiveData();
        Progress();
        if (MergeFlag == 0) {
            Step("現金仕訳の整合中です…", {});
            Step("摘要／取引先辞書の移行中です…", [&] { MigrateJisyo(); });
            Step("データリスト名称の移行中です…", [&] { UpdateDataList(); });
        } else if (GetResultCode() >= 0) {
            if (OnLabel) OnLabel("科目体系の整合チェック中です…");
            if (!CheckKamokuTaikei()) {
                FinishTransaction(false);
                RecvDb.Close();
                DM->IBDatabaseDAT.Close();
                return;
            }
            Step("補助科目の移行中です…", [&] { MigrateHojo(); });
            Step("開始残高の移行中です…", [&] { MigrateKaisiZandaka(); });
            Step("現金仕訳の移行中です…", [&] { MigrateGenkinSiwake(); });
            if (AutoFlag == 0 && GetResultCode() >= 0) {
                if (OnLabel) OnLabel("現金残高の比較中です…");
                CompareGenkinZandaka();
            }
        }
        if (GetResultCode() < 0) {
            FinishTransaction(false);
            MakeSummary();
        } else {
            if (OnLabel) OnLabel("データ整合中です…");
            FinishImport();
            Progress();
            FinishTransaction(true);
            MakeSummary();
        }
    } catch (const std::exception& e) {
        // A step logs its own error; anything else that ends the steps is logged here, so that a
        // rolled-back run never reads as a success.
        if (GetResultCode() >= 0) Log3(-100, "取り込み処理を中止しました。 原因: " + ErrorCause(e));
        try {
            FinishTransaction(false);
        } catch (const std::exception&) {
        }
    }
    try {
        RecvDb.Close();
        DM->IBDatabaseDAT.Close();
    } catch (const std::exception&) {
    }
    if (GetResultCode() > 0) ReplaceDataFile();
}

void TCashBookLoader::FinishTransaction(bool commit)
{
    if (OnLabel) OnLabel(commit ? "データ確定中です…" : "データ廃棄中です…");
    if (startedTr_ && RecvTr.InTransaction()) {
        startedTr_ = false;
        if (commit) RecvTr.Commit();
        else RecvTr.Rollback();
    }
    Progress();
}

void TCashBookLoader::MakeSummary()
{
    if (GetResultCode() < 0) {
        Info.Kind = 3;
        Info.Code = -100;
        Info.Message = "取り込み処理を中止しました。";
    } else {
        bool master = false;
        for (const auto& e : Log) master = master || e.Code == 101;
        Info.Kind = 1;
        Info.Code = 1;
        Info.Message = std::string("取り込み処理が成功しました。") + (master ? " （次回の送信時は、マスター送信を行って下さい。）" : "");
    }
    AddLog();
}

// ---- checks

void TCashBookLoader::ReadRecvVersion()
{
    auto& q = Recv(0);
    q.SetSQL("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION ORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC");
    q.ExecQuery();
    if (!q.Eof())
        RecvVersion = {q.FieldByName("MAJOR").AsInteger(), q.FieldByName("MINOR1").AsInteger(), q.FieldByName("MINOR2").AsInteger()};
    q.Close();
}

bool TCashBookLoader::CheckReceiveData() { return CheckDataVersion(); }

bool TCashBookLoader::CheckDataVersion()
{
    bool ok = true;
    Guarded("「データバージョンの確認」に失敗しました。 ", [&] {
        ReadRecvVersion();
        if (MergeFlag == 1) ok = IsVersionAtLeast(VersionText(RecvVersion), VersionText(RequiredDataVersion));
    });
    if (!ok) {
        const std::string text = "受信したデータバージョンがVer" + VersionText(RequiredDataVersion) + "に達していません。";
        Log3(-100, text + (AutoFlag == 0 ? "顧問先へ「パヴォナ現金出納帳」のプログラム更新を行うように連絡して下さい。"
                                         : "送信元へ「パヴォナ財務」のプログラム更新を行うように連絡して下さい。"));
    }
    return ok;
}

std::string TCashBookLoader::RemapOldCodes(const std::string& group, const std::string& kcode) const
{
    if (RecvVersion[0] >= 6) return group;
    const auto& a = AccInf;
    if (OemFlag == 0) {
        if ((a.DATATYPE == 1 || (a.DATATYPE == 2 && (a.CODETYPE == 1 || a.CODETYPE == 3))) && kcode == "5601") return "5685";
    } else if (OemFlag == 1 || OemFlag == 2) {
        if ((a.DATATYPE == 1 || (a.DATATYPE == 2 && a.CODETYPE == 1)) && (kcode == "52100" || kcode == "52200" || kcode == "52300"))
            return "5685";
    }
    return group;
}

bool TCashBookLoader::CheckKamokuTaikei()
{
    Guarded("「科目体系の整合チェック」に失敗しました。 ", [&] {
        auto& q = Recv(0);
        q.SetSQL("SELECT SITEN,BUMON FROM ACCDEF1 WHERE REC=1");
        q.ExecQuery();
        const int siten = q.Eof() ? 0 : q.FieldByName("SITEN").AsInteger();
        const int bumon = q.Eof() ? 0 : q.FieldByName("BUMON").AsInteger();
        q.Close();
        const auto sitenName = [](int v) { return std::string(v == 1 ? "本・支店管理を行う" : "本・支店管理を行わない"); };
        const auto bumonName = [](int v) {
            return std::string(v == 1 ? "部門管理を行う[損益]" : v == 2 ? "部門管理を行う[全科目]" : "部門管理を行わない");
        };
        if (siten != AccInf.SITEN)
            Log3(-106, Printf("(使用データ:%s ≠ 受信データ:%s) 受信データの本・支店管理区分の設定内容に違いがありました。",
                              sitenName(AccInf.SITEN), sitenName(siten)));
        if (bumon != AccInf.BUMON)
            Log3(-107, Printf("(使用データ:%s ≠ 受信データ:%s) 受信データの部門管理区分の設定内容に違いがありました。",
                              bumonName(AccInf.BUMON), bumonName(bumon)));
        ReadRecvVersion();

        struct Account {
            std::string key, name;
            int use = 0;
        };
        const auto nameOf = [](fb::Statement& s) {
            const std::string n = TrimZen(s.FieldByName("KNAME").AsString());
            return n.empty() ? std::string("名称登録なし") : n;
        };
        const auto keyOf = [](const std::string& group, fb::Statement& s) {
            return group + "-" + std::to_string(s.FieldByName("USE").AsInteger()) + "-" + s.FieldByName("HOJOSW").AsString();
        };
        const std::string sql = "SELECT KCODE,USERCODE,GROUPM0,USE,HOJOSW,KNAME FROM KAMOKUMST ORDER BY KCODE";
        std::map<std::string, Account> received;
        q.SetSQL(sql);
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            const std::string user = q.FieldByName("USERCODE").AsString();
            if (received.count(user)) continue; // the first one counts
            received[user] = {keyOf(RemapOldCodes(q.FieldByName("GROUPM0").AsString(), q.FieldByName("KCODE").AsString()), q),
                              nameOf(q), q.FieldByName("USE").AsInteger()};
        }
        q.Close();
        auto& a = Acc(0);
        a.SetSQL(sql);
        for (a.ExecQuery(); !a.Eof(); a.Next()) {
            const std::string user = a.FieldByName("USERCODE").AsString();
            const std::string name = nameOf(a);
            const auto it = received.find(user);
            if (it == received.end()) {
                Log3(-104, Printf("(使用データ:%s %s) 科目コードが見つかりません。", user, name));
                continue;
            }
            if (it->second.key == keyOf(a.FieldByName("GROUPM0").AsString(), a)) continue;
            if (AutoFlag == 0 && MergeFlag == 1 && a.FieldByName("USE").AsInteger() > 0 && it->second.use == 0) {
                Info.Kind = 2;
                Info.Code = 101;
                Info.Message = Printf("(使用データ:%s %s) 受信データの当科目は[使用しない]に設定されています。", user, name);
                AddLog();
            } else {
                Log3(-105, Printf("(使用データ:%s %s ≠ 受信データ:%s %s) 受信データの科目の設定内容に違いがありました。", user, name,
                                  user, it->second.name));
            }
        }
        a.Close();
    });
    if (GetResultCode() < 0) {
        Log3(-103, AutoFlag == 0 ? "データの設定変更により科目体系に差異が発生しています。マスター送信を行って下さい。"
                                 : "データ送信元の設定変更により科目体系に差異が発生しています。データ送信元にご連絡して下さい。");
        return false;
    }
    return true;
}

// ---- merge steps

void TCashBookLoader::MigrateHojo()
{
    Guarded("「補助科目の取り込み」に失敗しました。 ", [&] {
        auto& a = Acc(0);
        a.SetSQL("SELECT HOJO_INS_MODE FROM ACCDEF1 WHERE REC=1");
        a.ExecQuery();
        const int mode = a.Eof() ? 0 : a.FieldByName("HOJO_INS_MODE").AsInteger();
        a.Close();
        auto& u = Acc(1);
        u.SetSQL("UPDATE ACCDEF1 SET HOJO_INS_MODE=:MODE WHERE REC=1");
        u.ParamByName("MODE").SetInteger(0);
        u.ExecQuery();

        std::map<std::string, bool> present;
        a.SetSQL("SELECT KCODE,HCODE FROM HOJOMST");
        for (a.ExecQuery(); !a.Eof(); a.Next()) present[a.FieldByName("KCODE").AsString() + "-" + a.FieldByName("HCODE").AsString()] = true;
        a.Close();
        const std::string scode = AccInf.SITEN == 1 && siten_ && siten_->Count > 0 ? siten_->GetCode(0) : " ";
        auto& r = Recv(0);
        r.SetSQL("SELECT KCODE,HCODE,HKANA,HNAME,TAX_LCODE,TAX_RCODE,BPFLG FROM HOJOMST ORDER BY KCODE,HCODE");
        for (r.ExecQuery(); !r.Eof(); r.Next()) {
            const std::string k = r.FieldByName("KCODE").AsString(), h = r.FieldByName("HCODE").AsString();
            const bool isNew = !present.count(k + "-" + h);
            u.SetSQL(isNew ? "INSERT INTO HOJOMST (KCODE,HCODE,HKANA,HNAME,TAX_LCODE,TAX_RCODE,BPFLG,OPCODE)\n"
                             "VALUES (:KCODE,:HCODE,:HKANA,:HNAME,:TAX_LCODE,:TAX_RCODE,:BPFLG,:OPCODE)"
                           : "UPDATE HOJOMST SET HKANA=:HKANA,HNAME=:HNAME,TAX_LCODE=:TAX_LCODE,TAX_RCODE=:TAX_RCODE,\n"
                             "RTIME=CURRENT_TIMESTAMP,OPCODE=:OPCODE WHERE KCODE=:KCODE AND HCODE=:HCODE");
            u.ParamByName("KCODE").SetString(k);
            u.ParamByName("HCODE").SetString(h);
            u.ParamByName("HKANA").SetString(r.FieldByName("HKANA").AsString());
            u.ParamByName("HNAME").SetString(r.FieldByName("HNAME").AsString());
            u.ParamByName("TAX_LCODE").SetInteger(r.FieldByName("TAX_LCODE").AsInteger());
            u.ParamByName("TAX_RCODE").SetInteger(r.FieldByName("TAX_RCODE").AsInteger());
            if (isNew) u.ParamByName("BPFLG").SetString(r.FieldByName("BPFLG").AsString());
            u.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
            u.ExecQuery();
            if (isNew) {
                auto& p = Acc(0);
                p.SetSQL("SELECT OUT_SCODE FROM SP_HOJO_KAMOKUSZ_INS(:SCODE,:KCODE,:HCODE)");
                p.ParamByName("SCODE").SetString(scode);
                p.ParamByName("KCODE").SetString(k);
                p.ParamByName("HCODE").SetString(h);
                p.ExecQuery();
                p.Close();
            }
        }
        r.Close();
        u.SetSQL("UPDATE ACCDEF1 SET HOJO_INS_MODE=:MODE WHERE REC=1");
        u.ParamByName("MODE").SetInteger(mode);
        u.ExecQuery();
    });
}

void TCashBookLoader::MigrateKaisiZandaka()
{
    if (AutoFlag == 0) return;
    Guarded("「現金科目の開始残高の取り込み」に失敗しました。 ", [&] {
        const bool old = RecvVersion[0] < 6;
        auto& r = Recv(0);
        r.SetSQL(std::string("SELECT SCODE,KCODE,HCODE,BCODE,KAISIZAN,") +
                 (old ? "KAISIZAN AS KISHU_KOMI,KAISIZAN AS KISHU_NUKI" : "KISHU_KOMI,KISHU_NUKI") +
                 " FROM KAMOKU_SZ WHERE KCODE=:KCODE ORDER BY SCODE,KCODE,HCODE,BCODE");
        r.ParamByName("KCODE").SetString(AccInf.SysKcode[0]);
        auto& u = Acc(0);
        u.SetSQL("UPDATE KAMOKU_SZ SET KAISIZAN=0,KISHU_KOMI=:KISHU_KOMI,KISHU_NUKI=:KISHU_NUKI\n"
                 "WHERE SCODE=:SCODE AND KCODE=:KCODE AND HCODE=:HCODE AND BCODE=:BCODE");
        for (r.ExecQuery(); !r.Eof(); r.Next()) {
            for (const char* k : {"SCODE", "KCODE", "HCODE", "BCODE"}) u.ParamByName(k).SetString(r.FieldByName(k).AsString());
            u.ParamByName("KISHU_KOMI").SetCurrency(r.FieldByName("KISHU_KOMI").AsCurrency());
            u.ParamByName("KISHU_NUKI").SetCurrency(r.FieldByName("KISHU_NUKI").AsCurrency());
            u.ExecQuery();
        }
        r.Close();
    });
}

Currency TCashBookLoader::CashBalance(fb::Statement& q, bool received, int dac)
{
    const bool old = received && RecvVersion[0] < 6;
    const int uh = AccInf.TAXDEFUH;
    const std::string open = old ? "KAISIZAN" : uh == 0 ? "KISHU_KOMI" : uh == 1 ? "KISHU_NUKI" : "";
    Currency total;
    if (!open.empty()) {
        q.SetSQL("SELECT SUM(" + open + ") AS S FROM KAMOKU_SZ WHERE KCODE=:KCODE");
        q.ParamByName("KCODE").SetString(AccInf.SysKcode[0]);
        q.ExecQuery();
        total = q.FieldByName("S").AsCurrency();
        q.Close();
    }
    const std::string dr = uh == 0 ? "SUM(KAR_NUK+KAR_TAX)" : "SUM(KAR_NUK-KAR_IKKATSU)";
    const std::string cr = uh == 0 ? "SUM(KAS_NUK+KAS_TAX)" : "SUM(KAS_NUK-KAS_IKKATSU)";
    std::string movement;
    if ((uh == 0 || uh == 1) && (dac == 1 || dac == 4)) movement = dr + "-" + cr;
    else if ((uh == 0 || uh == 1) && (dac == 2 || dac == 3)) movement = cr + "-" + dr;
    else throw std::runtime_error("現金科目の貸借区分または税処理区分が不明です。");
    q.SetSQL("SELECT " + movement + " AS S FROM KAMOKU_MS WHERE KCODE=:KCODE");
    q.ParamByName("KCODE").SetString(AccInf.SysKcode[0]);
    q.ExecQuery();
    total = total + q.FieldByName("S").AsCurrency();
    q.Close();
    return total;
}

void TCashBookLoader::CompareGenkinZandaka()
{
    Guarded("「科目残高の比較」に失敗しました。 ", [&] {
        auto& a = Acc(0);
        a.SetSQL("SELECT DAC FROM KAMOKUMST WHERE KCODE=:KCODE");
        a.ParamByName("KCODE").SetString(AccInf.SysKcode[0]);
        a.ExecQuery();
        const int dac = a.Eof() ? 0 : a.FieldByName("DAC").AsInteger();
        a.Close();
        if (CashBalance(Acc(0), false, dac) != CashBalance(Recv(0), true, dac)) {
            Info.Kind = 2;
            Info.Code = 201;
            Info.Message = "本データと出納帳データの間で現金残高の違いが発生しました。前回のデータ送信後に現金取引の追加・訂正を行っていると残高の違いは発生します。";
            AddLog();
        }
    });
}

// ---- replace steps

void TCashBookLoader::MigrateJisyo()
{
    int tek = 0, tor = 0;
    Guarded("「辞書分類件数の取得」に失敗しました。 ", [&] {
        auto& a = Acc(0);
        a.SetSQL("SELECT (SELECT COUNT(*) FROM TEKDIC) AS TEK,(SELECT COUNT(*) FROM TORDIC) AS TOR FROM RDB$DATABASE");
        a.ExecQuery();
        tek = a.FieldByName("TEK").AsInteger();
        tor = a.FieldByName("TOR").AsInteger();
        a.Close();
    });
    // Each dictionary that has entries is carried over; a data set without descriptions keeps its partners.
    if (tek == 0 && tor == 0) return;
    const int selector = tek > 0 && tor > 0 ? 0 : tek > 0 ? 1 : 2;
    const auto file = TempFiles::CreateTempFile("vqzjisyo", ".txt");
    struct Remove {
        std::filesystem::path p;
        ~Remove()
        {
            std::error_code ec;
            std::filesystem::remove(p, ec);
        }
    } remove{file};
    jisyo_.Selector = selector;
    jisyo_.AllBranches = 1;
    jisyo_.SetFileVersion("1.1");
    Guarded("「摘要・取引先辞書の移行(エクスポート)」に失敗しました。 ", [&] {
        jisyo_.SetDatabase(DM->IBDatabaseDAT);
        jisyo_.SetTransaction(RecvTr);
        if (!jisyo_.SaveToFile(file.string())) throw std::runtime_error(file.string());
    });
    Guarded("「摘要・取引先辞書の移行(インポート)」に失敗しました。 ", [&] {
        jisyo_.SetDatabase(RecvDb);
        jisyo_.SetTransaction(RecvTr);
        jisyo_.LoadFromFile(file.string());
    });
}

void TCashBookLoader::UpdateDataList()
{
    Guarded("「データリスト名称の更新」に失敗しました。 ", [&] {
        auto& a = Acc(0);
        a.SetSQL("SELECT ENTTEXT,DATALOCK FROM ACCDEF1 WHERE REC=1");
        a.ExecQuery();
        const std::string name = a.FieldByName("ENTTEXT").AsString();
        const int lock = a.FieldByName("DATALOCK").AsInteger();
        a.Close();
        auto& r = Recv(0);
        r.SetSQL("UPDATE ACCDEF1 SET ENTTEXT=:ENTTEXT,DATALOCK=:DATALOCK,PASWORD='',WEB_HOLDER=''\nWHERE REC=1");
        r.ParamByName("ENTTEXT").SetString(name);
        r.ParamByName("DATALOCK").SetInteger(lock);
        r.ExecQuery();
        if (IsVersionAtLeast(VersionText(RecvVersion), "12.0.0")) {
            r.SetSQL("UPDATE ACCDEF1 SET READ_ONLY=0\nWHERE REC=1");
            r.ExecQuery();
        }
    });
}

bool TCashBookLoader::FinishImport()
{
    if (MergeFlag == 1) return true;
    Guarded("取り込み後処理に失敗しました。 ", [&] {
        auto& r = Recv(0);
        for (const char* table : {"OPINF", "OPHIST", "OPLICENSE", "OPDEFSISETU"}) {
            r.SetSQL(std::string("DELETE FROM ") + table);
            r.ExecQuery();
        }
        r.SetSQL("DELETE FROM ACCREG WHERE AGROUP=:AGROUP AND ACODE=:ACODE");
        for (const char* key : {"合算データ区分", "合算データ数"}) {
            r.ParamByName("AGROUP").SetString("基本設定");
            r.ParamByName("ACODE").SetString(key);
            r.ExecQuery();
        }
    });
    return true;
}

void TCashBookLoader::ReplaceDataFile()
{
    if (MergeFlag != 0 || GetResultCode() <= 0) return;
    const std::string folder = SystemDef.DataDir;
    const std::string data = JoinPath(folder, DataFileName);
    const std::string safety = std::filesystem::path(data).replace_extension(".f00").string();
    const std::string fresh = JoinPath(folder, DataFileName + ".kbnew");
    const auto remove = [](const std::string& path) { RemoveFile(path); };
    const auto seam = [&](const char* step, const std::string& target) { return !SwapSeam || SwapSeam(step, target); };
    const auto fail = [&](const std::string& detail) {
        Log3(-100, std::string(kCopyFailed) + detail);
        failedReplace_ = true;
    };
    // Linux renames a file under its attachments, so a holder must be looked for now, with both
    // of our connections closed.
    if (DM->AccDatInConnection(1, SystemDef.HostName, true, folder)) {
        fail(std::string(" ") + kInUse);
        return;
    }
    // The new file is complete beside the data file before it takes the name by a rename, and the
    // old one is kept as ".f00" until then: a stop at any point leaves a whole data file.
    remove(fresh);
    if (!seam("copy", fresh) || !CopyFile(ReceivePath, fresh)) {
        remove(fresh);
        fail("");
        return;
    }
    if (!seam("safety", safety) || !CopyFile(data, safety)) {
        remove(fresh);
        remove(safety);
        fail("");
        return;
    }
    if (!seam("rename", data) || !RenameFile(fresh, data)) {
        remove(fresh);
        // A failed rename leaves the old file in place; should it not be whole, ".f00" is the copy to use.
        std::error_code ec;
        const bool whole = ConnectMode != 0 || std::filesystem::file_size(data, ec) == std::filesystem::file_size(safety, ec);
        if (whole) remove(safety);
        fail(whole ? std::string() : " 元のデータは " + safety + " に残っています。");
        return;
    }
    if (seam("cleanup", safety)) remove(safety);
}

} // namespace kb
