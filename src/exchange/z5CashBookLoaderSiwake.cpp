// The merge of the received cash journal entries (TCashBookLoader.MigrateGenkinSiwake).
#include "exchange/z5CashBookLoader.h"

#include "accounting/uAccTaxCmpSiwake.h"
#include "core/DataModule.h"
#include "core/z5ComFunc.h"
#include "core/z5ComFunc2.h"
#include "exchange/CashBookLog.h"

#include <vector>

namespace kb {
namespace {

struct Counterpart {
    bool found = false;
    int rec = 0, swkno = 0, linkrec = 0, delflg = 0, reserve1 = 0, reserve2 = 0;
};

// The first row of the counterpart query (ordered by REC: the first-side line).
Counterpart ReadCounterpart(fb::Statement& q)
{
    Counterpart c;
    q.ExecQuery();
    if (!q.Eof()) {
        c.found = true;
        c.rec = q.FieldByName("REC").AsInteger();
        c.swkno = q.FieldByName("SWKNO").AsInteger();
        c.linkrec = q.FieldByName("LINKREC").AsInteger();
        c.delflg = q.FieldByName("DELFLG").AsInteger();
        c.reserve1 = q.FieldByName("RESERVE1").AsInteger();
        c.reserve2 = q.FieldByName("RESERVE2").AsInteger();
    }
    q.Close();
    return c;
}

const std::string kCounterpart =
    "SELECT COUNT(REC) AS RECCNT,REC,SWKNO,LINKREC,RESERVE1,RESERVE2,DELFLG FROM SIWAKE\n";
const std::string kGroup = "\nGROUP BY REC,SWKNO,LINKREC,RESERVE1,RESERVE2,DELFLG\nORDER BY REC";

} // namespace

bool TCashBookLoader::MigrateGenkinSiwake()
{
    const std::string cash = AccInf.SysKcode[0];
    try {
        writer_.MessageMode = 1;
        writer_.AutoCommit = 0;
        writer_.SetTransaction(RecvTr);
        writer_.SetScode(SystemDef.DefSisetuCode);

        auto& r = Recv(1);
        // A line without its SIWAKE2 row still counts (link kind 0).
        r.SetSQL("SELECT SWK.*,K1.USERCODE AS USERCODE,K2.USERCODE AS R_USERCODE,\n"
                 "SWK2.LINKKEY AS LINKKEY2,SWK2.LINKKUB AS LINKKUB2,SWK2.LINKREC AS LINKREC2\n"
                 "FROM SIWAKE SWK\n"
                 "INNER JOIN KAMOKUMST K1 ON(SWK.KCODE=K1.KCODE)\n"
                 "INNER JOIN KAMOKUMST K2 ON(SWK.R_KCODE=K2.KCODE)\n"
                 "LEFT JOIN SIWAKE2 SWK2 ON(SWK.REC=SWK2.REC)\n"
                 "WHERE (SWK.DELFLG IN (0,1)) AND (SWK.TAISHAKU=1) AND ((SWK.KCODE=:KCODE OR SWK.R_KCODE=:R_KCODE) OR (SWK.LINKREC>0))\n"
                 "ORDER BY SWK.HIZUKE,SWK.KESSAN,SWK.SWKNO");
        r.ParamByName("KCODE").SetString(cash);
        r.ParamByName("R_KCODE").SetString(cash);

        for (r.ExecQuery(); !r.Eof(); r.Next()) {
            auto s = [&](const char* n) { return r.FieldByName(n).AsString(); };
            auto i = [&](const char* n) { return r.FieldByName(n).AsInteger(); };
            const int recvRec = i("REC"), recvDel = i("DELFLG"), recvR1 = i("RESERVE1"), recvLinkrec = i("LINKREC");
            if (s("SCODE") != writer_.Scode) writer_.SetScode(s("SCODE"));
            int cls = 0;
            if (recvDel == 0 && recvR1 == 0) cls = 1;
            else if (recvDel == 1 && recvR1 == 0) cls = 2;
            else if (recvDel == 0 && recvR1 > 0) cls = 3;
            else if (recvDel == 1 && recvR1 > 0) cls = 4;
            if (cls == 0) continue;

            // Counterpart in the open data set.
            auto& q = Acc(0);
            Counterpart cp;
            if (cls <= 2) {
                q.SetSQL(kCounterpart + "WHERE (DELFLG IN (0,1)) AND (RESERVE1=:RESERVE1)" + kGroup);
                q.ParamByName("RESERVE1").SetInteger(recvRec);
                cp = ReadCounterpart(q);
                if (!cp.found) {
                    std::vector<int> recs;
                    auto& v = Recv(0);
                    v.SetSQL("SELECT REC FROM SIWAKE WHERE TAISHAKU=1 AND SWKNO=:SWKNO ORDER BY REC");
                    v.ParamByName("SWKNO").SetInteger(i("SWKNO"));
                    for (v.ExecQuery(); !v.Eof(); v.Next()) recs.push_back(v.FieldByName("REC").AsInteger());
                    v.Close();
                    if (recs.empty()) recs.push_back(-1);
                    std::string marks;
                    for (std::size_t k = 0; k < recs.size(); ++k) marks += (k ? ",:R" : ":R") + std::to_string(k);
                    q.SetSQL(kCounterpart + "WHERE (DELFLG IN (0,1)) AND (RESERVE1 IN (" + marks + "))" + kGroup);
                    for (std::size_t k = 0; k < recs.size(); ++k) q.ParamByName("R" + std::to_string(k)).SetInteger(recs[k]);
                    cp = ReadCounterpart(q);
                }
            } else {
                q.SetSQL(kCounterpart + "WHERE (DELFLG IN (0,1)) AND (LINKKEY=:LINKKEY AND LINKKUB=:LINKKUB)" + kGroup);
                q.ParamByName("LINKKEY").SetString(std::to_string(recvR1));
                q.ParamByName("LINKKUB").SetInteger(10);
                cp = ReadCounterpart(q);
                if (!cp.found) {
                    q.SetSQL(kCounterpart +
                             "WHERE (DELFLG IN (0,1)) AND (TAISHAKU=1) AND (SWKNO=(SELECT SWKNO FROM SIWAKE WHERE REC=:REC))" + kGroup);
                    q.ParamByName("REC").SetInteger(recvR1);
                    cp = ReadCounterpart(q);
                }
            }

            TSWKREC rec;
            const Date hizuke = r.FieldByName("HIZUKE").AsDate();
            // Log texts of the received line.
            const std::string logDate = hizuke.ToString();
            const std::string other = s("KCODE") != cash ? s("KNAME") : s("R_KNAME");
            std::string tek = TrimZen(s("TEKTEXT"));
            if (tek.empty()) tek = "－";
            const std::string amount = FormatNumber(r.FieldByName("KINGAKU").AsCurrency().ToYen());

            const auto markLink = [&]() {
                auto& u = Acc(1);
                u.SetSQL("UPDATE SIWAKE SET RESERVE1=:RESERVE1,RESERVE2=:RESERVE2\nWHERE (SWKREC=:SWKREC)");
                u.ParamByName("RESERVE1").SetInteger(cp.found && rec.RESERVE1 > 0 ? rec.RESERVE1 : recvRec);
                u.ParamByName("RESERVE2").SetInteger(recvLinkrec);
                u.ParamByName("SWKREC").SetInteger(rec.SWKREC);
                u.ExecQuery();
            };
            const auto copyReceived = [&]() {
                rec.HIZUKE = hizuke;
                rec.KESSAN = i("KESSAN");
                rec.DNUM = i("DNUM");
                rec.SNUM = i("SNUM");
                rec.SCODE = s("SCODE");
                rec.MNUM = 0;
                const auto side = [&](TSwkBalance& b, const char* prefix, const char* user) {
                    const std::string p(prefix);
                    b.KGROUP = s((p + "KGROUP").c_str());
                    b.KCODE = s(user);
                    b.HCODE = s((p + "HCODE").c_str());
                    b.BCODE = s((p + "BCODE").c_str());
                    b.KNAME.clear();
                    b.HNAME.clear();
                    b.BNAME.clear();
                    b.TAXCODE = i((p + "TAXCODE").c_str());
                    b.NUK = b.ZEI = b.RIT = Currency();
                    b.SIKIN = 0;
                    b.RITUNO = i("OLDRATE");
                };
                side(rec.L, "", "USERCODE");
                side(rec.R, "R_", "R_USERCODE");
                rec.KINGAKU = r.FieldByName("KINGAKU").AsCurrency();
                rec.ZEIGAKU = r.FieldByName("ZEIGAKU").AsCurrency();
                rec.ZEIRITUNO = i("ZEIRITUNO");
                rec.AUTCALCU = i("AUTCALCU");
                rec.TAXCALCU = i("TAXCALCU");
                rec.OLDRATE = i("OLDRATE");
                rec.TEKCODE = 0;
                rec.TEKTEXT = s("TEKTEXT");
                rec.TORCODE = 0;
                rec.TORTEXT = s("TORTEXT");
                rec.FUSEN1 = i("FUSEN1");
                rec.FUSEN2 = i("FUSEN2");
                rec.COMMENT = s("COMMENT");
                rec.AO_COMMENT = s("AO_COMMENT");
                const int kub2 = i("LINKKUB2");
                if (kub2 == 12 || kub2 == 13 || kub2 == 14) {
                    rec.LINKKEY = s("LINKKEY2");
                    rec.LINKKUB = kub2;
                    rec.LINKREC = i("LINKREC2");
                }
            };

            if (cls == 1 || cls == 3) {
                writer_.InitSiwakeRec(rec, i("KESSAN"), hizuke);
                bool cpDeleted = false;
                if (cp.found) {
                    const bool wins = recvLinkrec > 0 && (cp.reserve1 == 0 || recvR1 == 0 || cp.reserve2 < recvLinkrec);
                    if (!wins) {
                        if (cp.reserve1 == 0) {
                            writer_.GetSiwake(rec, cp.rec, false);
                            markLink();
                        }
                        continue;
                    }
                    writer_.GetSiwake(rec, cp.rec, false);
                    if (cp.delflg == 1) {
                        cpDeleted = true;
                        writer_.RestoreSiwake(rec.SWKREC);
                        auto& u = Acc(1);
                        u.SetSQL("UPDATE SIWAKE SET LINKKEY=:LINKKEY,LINKKUB=:LINKKUB\nWHERE (SWKREC=:SWKREC)");
                        u.ParamByName("LINKKEY").SetString(std::to_string(recvR1));
                        u.ParamByName("LINKKUB").SetInteger(10);
                        u.ParamByName("SWKREC").SetInteger(rec.SWKREC);
                        u.ExecQuery();
                        writer_.GetSiwake(rec, cp.rec, false);
                    }
                }
                copyReceived();
                int result = -1;
                int code = 0;
                std::string message;
                if (writer_.TestSiwake(rec, code, message)) {
                    CalcSiwakeZeigaku(rec);
                    if (rec.L.RIT == Currency() && rec.R.RIT == Currency()) rec.TAXCALCU = 2;
                    rec.LOCALFLG = 10;
                    result = writer_.PutSiwake(rec);
                    markLink();
                    message.clear();
                }
                if (result == 0 && (cpDeleted || rec.REC != cp.rec)) {
                    Info.Kind = 2;
                    Info.Code = 11;
                    Info.Message = "(仕訳番号:" + std::to_string(rec.SWKREC) + " 日付:" + logDate + " 相手科目:" + other + " 摘要:" + tek +
                                   " 金額:" + amount + ") 受信データの訂正仕訳が優先されました。";
                    AddLog();
                } else if (result < 0) {
                    Info.Kind = 3;
                    Info.Code = -111;
                    Info.Message = "(仕訳番号:-  日付:" + logDate + " 相手科目:" + other + " 摘要:" + tek + " 金額:" + amount + ") " + message;
                    AddLog();
                }
            } else if (cp.found && cp.delflg == 0) {
                writer_.GetSiwake(rec, cp.rec, false);
                copyReceived();
                writer_.DeleteSiwake(rec.SWKREC);
                markLink();
                Info.Kind = 2;
                Info.Code = 12;
                Info.Message = "(仕訳番号:" + std::to_string(rec.SWKREC) + " 日付:" + logDate + " 相手科目:" + other + " 摘要:" + tek +
                               " 金額:" + amount + ") 受信データの削除仕訳が優先されました。";
                AddLog();
            }
        }
        r.Close();
    } catch (const std::exception& e) {
        Log3(-100, "「現金仕訳の取り込み」に失敗しました。 原因: " + ErrorCause(e));
        throw;
    }
    return GetResultCode() >= 0;
}

} // namespace kb
