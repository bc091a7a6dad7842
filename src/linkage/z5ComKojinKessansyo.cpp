#include "linkage/z5ComKojinKessansyo.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "accounting/uAccZanSisanhyo.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/uAccTaxCmp.h"
#include "fb/Database.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "linkage/EDataExportError.h"

namespace kb {

namespace {

constexpr const char* kReadFailed = "青色申告決算書レコードの取得に失敗しました。";

// Periods of each fiscal month: the settlement period of a quarter belongs to its last month.
constexpr int kMonthPeriods[12][2] = {{1, 0}, {2, 0}, {3, 4}, {5, 0}, {6, 0}, {7, 8},
                                      {9, 0}, {10, 0}, {11, 12}, {13, 0}, {14, 0}, {15, 16}};

Currency MonthAmount(const TBALANCE& b, int month)
{
    Currency sum = b.ZOUGEN[static_cast<std::size_t>(32 + kMonthPeriods[month][0])];
    if (kMonthPeriods[month][1] != 0) sum += b.ZOUGEN[static_cast<std::size_t>(32 + kMonthPeriods[month][1])];
    return sum;
}

Currency Smaller(Currency a, Currency b) { return a < b ? a : b; }

TDM& TheDM()
{
    if (!DM) throw std::logic_error("TKojinKessansyoIO: the data module is not created");
    return *DM;
}

} // namespace

Currency SideSign(int mode, Currency amount, int side)
{
    if (mode == 0 && (side == 2 || side == 4)) return -amount;
    if (mode == 1 && (side == 1 || side == 3)) return -amount;
    return amount;
}

void LedgerKessansyoBalance(std::vector<TBALANCE>& Balances, std::vector<TQSORT>& Sorts, int TaxMode, int DefJigyoKbn)
{
    const int last = static_cast<int>(std::min(Balances.size(), Sorts.size())) - 1;
    AccZanSisanhyoReadAll(Balances, last, Sorts, last, 1, TaxMode, DefJigyoKbn, 0);
    AccZanSisanhyoCalc(Balances, last, 0, -1, 1, 16, DefJigyoKbn);
}

// ---- TKojinKessansyoIO

TKojinKessansyoIO::TKojinKessansyoIO() : TKojinKessansyoIO(TheDM().IBDatabaseDAT, TheDM().IBTransactionDAT) {}

TKojinKessansyoIO::TKojinKessansyoIO(fb::Connection& db, fb::Transaction& tr)
    : Sql(std::make_unique<fb::Statement>(db, &tr)), db_(&db), tr_(&tr)
{
    DefJigyoKbn = SystemDef.DefJigyoKbn;
    TaxMode = AccInf.TAXDEFUH;
    BalanceMaker = KessansyoBalanceMaker;
}

TKojinKessansyoIO::~TKojinKessansyoIO() = default;

void TKojinKessansyoIO::SetTransaction(fb::Transaction& tr)
{
    tr_ = &tr;
    Sql->SetTransaction(&tr);
}

void TKojinKessansyoIO::MakeBalance()
{
    MaxKamoku = AccZanMaxKamoku();
    AccZanPrepareArrays(Balances, Sorts);
    if (!BalanceMaker)
        throw EDataExportError("残高の計算処理が組み込まれていないため、決算書の金額を集計できません。",
                               "MakeBalance(残高を計算)", -1);
    BalanceMaker(Balances, Sorts, TaxMode, DefJigyoKbn);
    // The arrays hold MaxKamoku accounts and no more: a step that needed more room must not leave
    // the statement to be made from a cut trial balance.
    if (Balances.size() > static_cast<std::size_t>(MaxKamoku) || Sorts.size() > static_cast<std::size_t>(MaxKamoku))
        throw EDataExportError("勘定科目の数が集計できる上限（" + std::to_string(MaxKamoku) +
                                   "）を超えているため、決算書を作成できません。",
                               "MakeBalance(残高を計算)", -1);
}

void TKojinKessansyoIO::RunQuery(const std::string& text, const std::function<void(fb::Statement&)>& bind,
                                 const std::function<void(fb::Statement&)>& row)
{
    fb::Statement& q = *Sql;
    q.Close();
    q.SetSQL(text);
    if (!q.Prepared()) q.Prepare();
    if (bind) bind(q);
    for (q.ExecQuery(); !q.Eof(); q.Next()) row(q);
    q.Close();
}

int TKojinKessansyoIO::ReadInTransaction(const char* context, const std::function<void()>& body,
                                         const std::function<void()>& after)
{
    // A failed read ends what it started with a commit (nothing to undo).
    fb::TransactionGuard guard(*tr_, fb::TransactionGuard::Unfinished::Commit);
    const bool started = guard.Started();
    auto endFailed = [&] {
        try {
            Sql->Close(); // a cursor the failure left open
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: closing after a failed read: %s\n", context, e.what());
        }
        guard.EndUnfinished();
    };
    try {
        body();
        Sql->Close();
        guard.Commit();
    } catch (const FbError& e) {
        LastError = std::string(kReadFailed) + "\r" + e.what();
        if (started) ShowIBError(e, context, kReadFailed);
        endFailed();
        // A damaged page met while reading: the data set is checked and marked as a failed attach
        // does (only with our own transaction ended: the check reopens the connection).
        if (started && isc::IsCorruption(e.IBErrorCode()))
            TDM::CheckDataDamage(SystemDef.HostName, SystemDef.DataDir, false, 1);
        return 0;
    } catch (const std::exception& e) {
        LastError = std::string(kReadFailed) + "\r" + e.what();
        if (started) ShowErrorDetail(kReadFailed, e.what());
        endFailed();
        return 0;
    }
    LastError.clear();
    if (after) after();
    return 1;
}

void TKojinKessansyoIO::InitHeader(TKessansyoHeaderRec& h)
{
    h = TKessansyoHeaderRec{};
    h.Tegaki = 0;
    h.KikanFrom = DateTime(AccInf.KISHU);
    h.KikanTo = DateTime(AccInf.KIMATU);
    h.HizukeUmu = 0;
    h.Hizuke = DateTime::Now();
    h.DataKimatu = DateTime(AccInf.KIMATU);
    h.Skana = AccInf.SKANA;
    h.Shougou = AccInf.SHOUGOU;
    h.Post = AccInf.POST;
    h.Add1 = AccInf.ADD1;
    h.Add2 = AccInf.ADD2;
    h.Tel = AccInf.TEL;
    h.AoAdd1 = AccInf.AO_ADD1;
    h.AoAdd2 = AccInf.AO_ADD2;
    h.AoKana = AccInf.AO_KANA;
    h.AoSimei = AccInf.AO_SIMEI;
    h.AoGyoushu = AccInf.AO_GYOUSHU;
    h.AoYago = AccInf.AO_YAGO;
    h.AoKanyu = AccInf.AO_KANYU;
    h.AoTel = AccInf.AO_TEL;
    h.AoShokugyo1 = AccInf.AO_SHOKUGYO1;
    h.AoShokugyo2 = AccInf.AO_SHOKUGYO2;
    h.Scode2 = AccInf.SCODE2;
}

// ---- TIppanKessansyoIO

TIppanKessansyoIO::TIppanKessansyoIO() : TKojinKessansyoIO() { InitData(Data); }

TIppanKessansyoIO::TIppanKessansyoIO(fb::Connection& db, fb::Transaction& tr) : TKojinKessansyoIO(db, tr)
{
    InitData(Data);
}

void TIppanKessansyoIO::InitData(TKojinKessansyoRec& rec)
{
    rec = TKojinKessansyoRec{};
    InitHeader(rec);
}

int TIppanKessansyoIO::Select(int flag)
{
    InitData(Data);
    GenkaRows.clear();
    TokureiRows.clear();
    MakeBalance();
    return SelectIppan(flag);
}

int TIppanKessansyoIO::SelectIppan(int flag)
{
    return ReadInTransaction(
        "TKojinKessansyoIO.SelectIppan",
        [&] {
            ReadSinkoku();
            Data.KikanFrom = DateTime(AccInf.KISHU);
            Data.KikanTo = DateTime(AccInf.KIMATU);
            if (AccInf.PrintKikanUse > 0) {
                Data.KikanFrom = DateTime(AccInf.PrintKikanFrom);
                Data.KikanTo = DateTime(AccInf.PrintKikanTo);
            }
            ReadKyuyo(0);
            ReadKyuyo(1);
            SelectGenkaSyokyaku();
            ReadBreakdowns();
            PlaceBalances();
            Data.Sisan[24].Kisyu = Currency();
            Data.Fusai[22].Kisyu = Currency();
            Data.Fusai[24].Kisyu = Currency();
            Data.UriageKeigen = Currency();
            Data.SiireKeigen = Currency();
            ReadKeigen();
            ReadExterks(flag == 0 && Data.Tegaki == 1);
        },
        [&] { Syukei(); });
}

void TIppanKessansyoIO::ReadSinkoku()
{
    RunQuery("SELECT REC,TEGAKI,ZEIRISI_ADD1,ZEIRISI_ADD2,ZEIRISI_SIMEI1,ZEIRISI_SIMEI2,ZEIRISI_TEL,\n"
             "GYOUSHUKUBUN,KURIIRE1,KURIIRE2,KURIIRE3,KURIIRE4,KURIIRE5,HASUU,\n"
             "KOUJOKUBUN,KOUJO6,KOUJO7,KOUJO8,KOUJO9,FUSAIRISI,\n"
             "HIZUKE,KISHU,KIMATU,YOUSI,COLOR,WAKU\n"
             ",K8_KISAI\n"
             "FROM AO_SINKOKU\n"
             "ORDER BY REC",
             nullptr, [&](fb::Statement& q) {
                 Data.Tegaki = q.FieldByName("TEGAKI").AsInteger();
                 Data.ZeirisiAdd1 = q.FieldByName("ZEIRISI_ADD1").AsString();
                 Data.ZeirisiAdd2 = q.FieldByName("ZEIRISI_ADD2").AsString();
                 Data.ZeirisiSimei1 = q.FieldByName("ZEIRISI_SIMEI1").AsString();
                 Data.ZeirisiSimei2 = q.FieldByName("ZEIRISI_SIMEI2").AsString();
                 Data.ZeirisiTel = q.FieldByName("ZEIRISI_TEL").AsString();
                 for (int i = 1; i <= 5; ++i)
                     Data.Kuriire[i] = q.FieldByName("KURIIRE" + std::to_string(i)).AsCurrency();
                 Data.GyoushuKubun = q.FieldByName("GYOUSHUKUBUN").AsInteger();
                 Data.Hasuu = q.FieldByName("HASUU").AsInteger();
                 Data.KoujoKubun = q.FieldByName("KOUJOKUBUN").AsInteger();
                 Data.Koujo6 = q.FieldByName("KOUJO6").AsCurrency();
                 Data.Koujo7 = q.FieldByName("KOUJO7").AsCurrency();
                 Data.HizukeUmu = 0;
                 Data.Hizuke = DateTime::Now();
                 const DateTime hizuke = q.FieldByName("HIZUKE").AsDateTime();
                 // "above 0": a stored day after the day-zero date 1899-12-30
                 if (!hizuke.IsNull() && hizuke.GetDate() > Date(1899, 12, 30)) {
                     Data.HizukeUmu = 1;
                     Data.Hizuke = hizuke;
                 }
                 Data.K8Kisai = q.FieldByName("K8_KISAI").AsInteger();
             });
}

void TIppanKessansyoIO::ReadKyuyo(int senjyu)
{
    RunQuery(std::string("SELECT REC,NUMBER,SENJYU,SIMEI,TUZUKIGARA,NENREI,TUKISUU,KYUUYO,SHOUYO,GOUKEI,GENSEN FROM "
                         "AO_KYUUYO\n") +
                 (senjyu == 0 ? "WHERE SENJYU=0\n" : "WHERE SENJYU=1\n") + "ORDER BY NUMBER",
             nullptr, [&](fb::Statement& q) {
                 const int n = q.FieldByName("NUMBER").AsInteger();
                 if (senjyu == 0) {
                     if (!Data.Kyuyo.Has(n)) return;
                     TKyuyoChinginRec& r = Data.Kyuyo[n];
                     r.Simei = q.FieldByName("SIMEI").AsString();
                     r.Nenrei = q.FieldByName("NENREI").AsInteger();
                     r.Tukisuu = q.FieldByName("TUKISUU").AsInteger();
                     r.Kyuyo = q.FieldByName("KYUUYO").AsCurrency();
                     r.Shouyo = q.FieldByName("SHOUYO").AsCurrency();
                     r.Goukei = q.FieldByName("GOUKEI").AsCurrency();
                     r.Gensen = q.FieldByName("GENSEN").AsCurrency();
                 } else {
                     if (!Data.Senjyusya.Has(n)) return;
                     TSenjyusyaKyuyoRec& r = Data.Senjyusya[n];
                     r.Simei = q.FieldByName("SIMEI").AsString();
                     r.Tuzukigara = q.FieldByName("TUZUKIGARA").AsString();
                     r.Nenrei = q.FieldByName("NENREI").AsInteger();
                     r.Tukisuu = q.FieldByName("TUKISUU").AsInteger();
                     r.Kyuyo = q.FieldByName("KYUUYO").AsCurrency();
                     r.Shouyo = q.FieldByName("SHOUYO").AsCurrency();
                     r.Goukei = q.FieldByName("GOUKEI").AsCurrency();
                     r.Gensen = q.FieldByName("GENSEN").AsCurrency();
                 }
             });
}

void TIppanKessansyoIO::SelectGenkaSyokyaku()
{
    // The general statement lists the register by its own query and shows the register's stored
    // total depreciation in place of the calculated one. The rate tables refuse lives they do not
    // hold; that failure ends the read like any other.
    const TGenkaSettei settei = TGenkaSettei::FromAccInf(AccInf);
    TGenkaSyokyakuSisanCalc calc(settei, *db_, *tr_);
    std::vector<std::pair<std::int32_t, Currency>> keys;
    RunQuery("SELECT REC,MEISYOU,SURYO,SYOUKINKEI,TEKIYO FROM KS_SISAN\nORDER BY KANRI,REC", nullptr,
             [&](fb::Statement& q) {
                 keys.emplace_back(q.FieldByName("REC").AsInteger(), q.FieldByName("SYOUKINKEI").AsCurrency());
             });
    std::vector<TGenkaComputed> assets;
    for (const auto& [rec, stored] : keys) {
        TGenkaComputed a;
        if (!calc.ReadKsSisan(rec, a.Row)) continue;
        calc.CalcRow(a.Row, a.Result);
        a.Result.SyoukinKei = stored;
        assets.push_back(std::move(a));
    }
    const TGenkaRowsLayout layout =
        LayoutGenkaRows(assets, TLines<TGenkaSyokyakuRec, 12>::Count - 1, true, settei.KIMATU);
    PlaceGenkaLayout(layout, Data);
}

void TIppanKessansyoIO::ReadBreakdowns()
{
    ReadRisiRows(SlotOf(Data.Risi));
    ReadTidaiRows(SlotOf(Data.Tidai));
    ReadHousyuRows(SlotOf(Data.Zeirisi));
    ReadNoteRows(5, SlotOf(Data.Tokusyu));
}

void TIppanKessansyoIO::PlaceBalances()
{
    TKojinKessansyoRec& d = Data;
    const std::size_t nSorts = std::min(Sorts.size(), static_cast<std::size_t>(std::max(MaxKamoku, 0)));
    for (std::size_t i = 0; i < nSorts; ++i) {
        const TQSORT& s = Sorts[i];
        if (s.QKEY == kAccZanEmptyKey) continue;
        if (s.QINDEX < 0 || static_cast<std::size_t>(s.QINDEX) >= Balances.size()) continue;
        const TBALANCE& b = Balances[static_cast<std::size_t>(s.QINDEX)];
        const std::string& code = b.KAMOKU.GROUPM1;
        const int q = b.SUBREC;
        const int side = b.KAMOKU.TAISHAKU;
        auto A = [&](Currency x) { return SideSign(0, x, side); };
        auto B = [&](Currency x) { return SideSign(1, x, side); };
        const Currency opening = b.ZENZAN;
        const Currency closing = b.TOUZAN;
        auto soneki = [&](int line, Currency v) {
            if (!d.Soneki.Has(line)) return;
            d.Soneki[line].Name = b.KAMOKU.KNAME;
            d.Soneki[line].Kingaku = v;
        };
        auto seizou = [&](int line, Currency v) {
            if (!d.Seizou.Has(line)) return;
            d.Seizou[line].Name = b.KAMOKU.KNAME;
            d.Seizou[line].Kingaku = v;
        };

        if (code >= "1100" && code <= "1900" && q > 0) {
            if (!d.Sisan.Has(q)) continue;
            d.Sisan[q].Name = b.KAMOKU.KNAME;
            d.Sisan[q].Kisyu = A(opening);
            d.Sisan[q].Kimatu = A(closing);
        } else if (code >= "2100" && code < "4100" && q > 0) {
            if (!d.Fusai.Has(q)) continue;
            d.Fusai[q].Name = b.KAMOKU.KNAME;
            d.Fusai[q].Kisyu = A(opening);
            d.Fusai[q].Kimatu = A(closing);
        } else if (code >= "4100" && code <= "8400" && code >= "5510" && code <= "5880" && q > 0) {
            if (code == "5510" && q == 1) seizou(1, A(closing));
            else if (code == "5520" && q == 1) {
                seizou(2, A(closing));
                for (int m = 0; m < 12; ++m) d.Tukibetu[m + 1].Siire += A(MonthAmount(b, m));
            } else if (code == "5530" && q == 1) seizou(4, B(closing));
            else if (code == "5600" && q == 1) seizou(6, A(closing));
            else if (code == "5700") seizou(q + 6, A(closing));
            else if (code == "5810" && q == 1) seizou(23, A(closing));
            else if (code == "5820" && q == 1) seizou(25, B(closing));
        } else if (code >= "4100" && code <= "8400") {
            if (code == "4100" && q == 1) {
                for (int m = 0; m < 12; ++m) d.Tukibetu[m + 1].Uriage = A(MonthAmount(b, m));
            } else if (code == "4100" && q == 2) d.Tukibetu[13].Uriage = A(closing);
            else if (code == "4100" && q == 3) d.Tukibetu[14].Uriage = A(closing);
            else if (code == "5200" && q == 1) {
                for (int m = 0; m < 12; ++m) d.Tukibetu[m + 1].Siire += A(MonthAmount(b, m));
            } else if (code == "5100") soneki(2, A(closing));
            else if (code == "5210") soneki(3, A(closing));
            else if (code == "5300") soneki(5, B(closing));
            else if (code == "6100") soneki(q + 7, A(closing));
            else if (code == "7100") soneki(q + 33, A(closing));
            else if (code == "7200") soneki(q + 37, A(closing));
            else if (code == "8400") soneki(44, A(closing));
        }
    }
}

void TIppanKessansyoIO::ReadKeigen()
{
    // The sales accounts (statement group 4100) and the purchase accounts (first line of 5200 and of
    // 5520) with their sides. The journal has no index the account can use, so it is read once for
    // both sums: only its reduced-rate lines, each given to the sum its account belongs to.
    struct Account {
        int dac = 0;
        bool uriage = false;
        bool siire = false;
    };
    // Firebird compares codes without their trailing blanks; so do the look-ups.
    auto key = [](std::string code) {
        code.erase(code.find_last_not_of(' ') + 1);
        return code;
    };
    std::map<std::string, Account> accounts;
    RunQuery("SELECT KM.KCODE,KM.DAC,\n"
             "CASE WHEN KS.KGROUP='4100' THEN 1 ELSE 0 END AS URIAGE,\n"
             "CASE WHEN (KS.KGROUP='5200' AND KS.SUBREC=1) OR (KS.KGROUP='5520' AND KS.SUBREC=1) THEN 1 ELSE 0 END AS SIIRE\n"
             "FROM KAMOKUMST KM INNER JOIN EXTERKS KS ON (KM.EXT1_KS=KS.REC)\n"
             "WHERE KS.KGROUP IN ('4100','5200','5520')",
             nullptr, [&](fb::Statement& q) {
                 Account& a = accounts[key(q.FieldByName("KCODE").AsString())];
                 a.dac = q.FieldByName("DAC").AsInteger();
                 a.uriage = q.FieldByName("URIAGE").AsInteger() == 1;
                 a.siire = q.FieldByName("SIIRE").AsInteger() == 1;
             });
    if (accounts.empty()) return;
    auto add = [](Currency& total, int side, int dac, Currency v) {
        const bool debitAcc = dac == 1 || dac == 2;
        const bool creditAcc = dac == 3 || dac == 4;
        if (side == 1 && debitAcc) total += v;
        else if (side == 1 && creditAcc) total -= v;
        else if (side == 2 && debitAcc) total -= v;
        else if (side == 2 && creditAcc) total += v;
    };
    RunQuery(std::string(AccInf.TAXDEFUH == 1 ? "SELECT S.KCODE,S.TAISHAKU,S.NUK AS KINGAKU\n"
                                              : "SELECT S.KCODE,S.TAISHAKU,S.NUK+S.ZEI AS KINGAKU\n") +
                 "FROM SIWAKE S\nWHERE S.DELFLG=0 AND S.OLDRATE=:OLDRATE",
             [](fb::Statement& q) { q.ParamByName("OLDRATE").SetInteger(4); },
             [&](fb::Statement& q) {
                 if (q.FieldByName("KCODE").IsNull()) return;
                 const auto it = accounts.find(key(q.FieldByName("KCODE").AsString()));
                 if (it == accounts.end()) return;
                 const int side = q.FieldByName("TAISHAKU").AsInteger();
                 const Currency v = q.FieldByName("KINGAKU").AsCurrency();
                 if (it->second.uriage) add(Data.UriageKeigen, side, it->second.dac, v);
                 if (it->second.siire) add(Data.SiireKeigen, side, it->second.dac, v);
             });
}

void TIppanKessansyoIO::ReadExterks(bool tegaki)
{
    TKojinKessansyoRec& d = Data;
    if (tegaki) {
        RunQuery("SELECT REC,URIAGE,SIIRE FROM AO_URIAGE\nORDER BY REC", nullptr, [&](fb::Statement& q) {
            const int n = q.FieldByName("REC").AsInteger();
            const Currency u = q.FieldByName("URIAGE").AsCurrency();
            const Currency s = q.FieldByName("SIIRE").AsCurrency();
            if (n >= 1 && n <= 14) {
                d.Tukibetu[n].Uriage = u;
                d.Tukibetu[n].Siire = s;
            } else if (n == 16) {
                d.UriageKeigen = u;
                d.SiireKeigen = s;
            }
        });
    }
    RunQuery("SELECT REC,KGROUP,SUBREC,KNAME1,KNAMELOCK,AO_KISHUZAN,AO_KIMATUZAN FROM EXTERKS\nORDER BY KGROUP,SUBREC",
             nullptr, [&](fb::Statement& q) {
                 const std::string g = q.FieldByName("KGROUP").AsString();
                 const int s = q.FieldByName("SUBREC").AsInteger();
                 const int rec = q.FieldByName("REC").AsInteger();
                 const Currency kisyu = q.FieldByName("AO_KISHUZAN").AsCurrency();
                 const Currency kimatu = q.FieldByName("AO_KIMATUZAN").AsCurrency();
                 auto bs = [&](TLines<TTaisyakuTaisyouhyoRec, 25>& rows, int n) {
                     if (!rows.Has(n)) return;
                     rows[n].Rec = rec;
                     if (tegaki) {
                         rows[n].Kisyu = kisyu;
                         rows[n].Kimatu = kimatu;
                     }
                 };
                 auto pl = [&](int n) {
                     if (!d.Soneki.Has(n)) return;
                     d.Soneki[n].Rec = rec;
                     if (tegaki) d.Soneki[n].Kingaku = kimatu;
                 };
                 auto mf = [&](int n) {
                     if (!d.Seizou.Has(n)) return;
                     d.Seizou[n].Rec = rec;
                     if (tegaki) d.Seizou[n].Kingaku = kimatu;
                 };
                 if (g == "1100") bs(d.Sisan, s);
                 else if (g == "2100") bs(d.Fusai, s);
                 else if (g == "5100") pl(2);
                 else if (g == "5200") pl(3);
                 else if (g == "5300") pl(5);
                 else if (g == "6100") pl(s + 7);
                 else if (g == "7100") pl(s + 33);
                 else if (g == "7200") pl(s + 37);
                 else if (g == "5510") mf(1);
                 else if (g == "5520") mf(2);
                 else if (g == "5530") mf(4);
                 else if (g == "5600") mf(6);
                 else if (g == "5700") mf(s + 6);
                 else if (g == "5810") mf(23);
                 else if (g == "5820") mf(25);
             });
}

void TIppanKessansyoIO::Syukei()
{
    TKojinKessansyoRec& d = Data;
    // 1. monthly totals
    d.Tukibetu[15] = TTukibetuRec{};
    for (int r = 1; r <= 14; ++r) {
        d.Tukibetu[15].Uriage += d.Tukibetu[r].Uriage;
        d.Tukibetu[15].Siire += d.Tukibetu[r].Siire;
    }
    // 2. employees
    {
        TKyuyoChinginRec t;
        for (int r = 1; r <= 6; ++r) {
            TKyuyoChinginRec& k = d.Kyuyo[r];
            k.Goukei = k.Kyuyo + k.Shouyo;
            t.Tukisuu += k.Tukisuu;
            t.Kyuyo += k.Kyuyo;
            t.Shouyo += k.Shouyo;
            t.Goukei += k.Goukei;
            t.Gensen += k.Gensen;
        }
        d.Kyuyo[7] = t;
    }
    // 3. family employees
    {
        TSenjyusyaKyuyoRec t;
        for (int r = 1; r <= 5; ++r) {
            TSenjyusyaKyuyoRec& k = d.Senjyusya[r];
            k.Goukei = k.Kyuyo + k.Shouyo;
            t.Tukisuu += k.Tukisuu;
            t.Kyuyo += k.Kyuyo;
            t.Shouyo += k.Shouyo;
            t.Goukei += k.Goukei;
            t.Gensen += k.Gensen;
        }
        d.Senjyusya[6] = t;
    }
    // 4. bad-debt allowance: the product held to four decimals first, then to yen
    if (d.GyoushuKubun == 0)
        d.Kuriire[3] = HasuSyori(d.Hasuu, d.Kuriire[2].MulDiv(55, 1000, RoundMode::HalfAwayFromZero));
    else if (d.GyoushuKubun == 1)
        d.Kuriire[3] = HasuSyori(d.Hasuu, d.Kuriire[2].MulDiv(33, 1000, RoundMode::HalfAwayFromZero));
    d.Kuriire[5] = d.Kuriire[1] + d.Kuriire[4];
    // 5. depreciation totals
    {
        TGenkaRowsLayout l;
        l.GenkaRows = GenkaRows;
        l.TokureiRows = TokureiRows;
        const TGenkaSyokyakuRec t = GenkaTotalsRow(l);
        TGenkaSyokyakuRec& row = d.GenkaSyokyaku[12];
        row.FutuSyoukin = t.FutuSyoukin;
        row.WariSyoukin = t.WariSyoukin;
        row.SyoukinKei = t.SyoukinKei;
        row.JigyouKin = t.JigyouKin;
        row.MatumiSyoukin = t.MatumiSyoukin;
    }
    // 6. manufacturing
    auto& m = d.Seizou;
    m[3].Kingaku = m[1].Kingaku + m[2].Kingaku;
    m[5].Kingaku = m[3].Kingaku - m[4].Kingaku;
    m[21].Kingaku = Currency();
    for (int r = 7; r <= 20; ++r) m[21].Kingaku += m[r].Kingaku;
    m[22].Kingaku = m[5].Kingaku + m[6].Kingaku + m[21].Kingaku;
    m[24].Kingaku = m[22].Kingaku + m[23].Kingaku;
    m[26].Kingaku = m[24].Kingaku - m[25].Kingaku;
    // 7. profit and loss
    auto& s = d.Soneki;
    s[1].Kingaku = d.Tukibetu[15].Uriage;
    s[3].Kingaku = d.Tukibetu[15].Siire + m[26].Kingaku - m[2].Kingaku;
    s[4].Kingaku = s[2].Kingaku + s[3].Kingaku;
    s[6].Kingaku = s[4].Kingaku - s[5].Kingaku;
    s[7].Kingaku = s[1].Kingaku - s[6].Kingaku;
    s[32].Kingaku = Currency();
    for (int l = 8; l <= 31; ++l) s[32].Kingaku += s[l].Kingaku;
    s[33].Kingaku = s[7].Kingaku - s[32].Kingaku;
    s[37].Kingaku = s[34].Kingaku + s[35].Kingaku + s[36].Kingaku;
    s[42].Kingaku = s[38].Kingaku + s[39].Kingaku + s[40].Kingaku + s[41].Kingaku;
    s[43].Kingaku = s[33].Kingaku + s[37].Kingaku - s[42].Kingaku;
    // 8. special deduction
    d.Koujo7 = s[43].Kingaku < Currency() ? Currency() : s[43].Kingaku;
    d.Koujo8 = d.Koujo9 = d.Koujo10 = d.Koujo11 = Currency();
    if (d.KoujoKubun == 0 || d.KoujoKubun == 2) {
        const Currency limit = Currency::FromYen(d.KoujoKubun == 0 ? 550000 : 650000);
        d.Koujo8 = Smaller(d.Koujo6, limit);
        d.Koujo9 = Smaller(limit - d.Koujo8, d.Koujo7);
        s[44].Kingaku = d.Koujo9;
    } else if (d.KoujoKubun == 1) {
        const Currency limit = Currency::FromYen(100000);
        d.Koujo10 = Smaller(d.Koujo6, limit);
        d.Koujo11 = Smaller(limit - d.Koujo10, d.Koujo7);
        s[44].Kingaku = d.Koujo11;
    }
    // 9., 10.
    s[45].Kingaku = s[43].Kingaku - s[44].Kingaku;
    d.Fusai[24].Kimatu = s[43].Kingaku;
    // 11. balance-sheet totals
    for (auto* side : {&d.Sisan, &d.Fusai}) {
        TTaisyakuTaisyouhyoRec& t = (*side)[25];
        t.Kisyu = t.Kimatu = Currency();
        for (int r = 1; r <= 24; ++r) {
            t.Kisyu += (*side)[r].Kisyu;
            t.Kimatu += (*side)[r].Kimatu;
        }
    }
    // 12. no manufacturing statement: its lines read 0 (line 3 has used them above)
    if (AccInf.GENKA_USE == 0)
        for (int r = 1; r <= 26; ++r) m[r].Kingaku = Currency();
}

} // namespace kb

namespace kb {

void TKojinKessansyoIO::ReadRisiRows(const std::function<TRisiWaribikiRec*(int)>& slot)
{
    RunQuery("SELECT REC,SIHARAISAKI1,SIHARAISAKI2,KIMATU,RISI,KEIHI FROM AO_RISI\nORDER BY REC", nullptr,
             [&](fb::Statement& q) {
                 TRisiWaribikiRec* r = slot(q.FieldByName("REC").AsInteger());
                 if (!r) return;
                 r->Siharaisaki1 = q.FieldByName("SIHARAISAKI1").AsString();
                 r->Siharaisaki2 = q.FieldByName("SIHARAISAKI2").AsString();
                 r->Kimatu = q.FieldByName("KIMATU").AsCurrency();
                 r->Risi = q.FieldByName("RISI").AsCurrency();
                 r->Keihi = q.FieldByName("KEIHI").AsCurrency();
             });
}

void TKojinKessansyoIO::ReadTidaiRows(const std::function<TJidaiYachinRec*(int)>& slot)
{
    RunQuery("SELECT REC,SIHARAISAKI1,SIHARAISAKI2,BUKKEN1,BUKKEN2,KENRI,KOUSIN,TINRYOU,KEIHI FROM AO_TIDAI\nORDER BY REC",
             nullptr, [&](fb::Statement& q) {
                 TJidaiYachinRec* r = slot(q.FieldByName("REC").AsInteger());
                 if (!r) return;
                 r->Siharaisaki1 = q.FieldByName("SIHARAISAKI1").AsString();
                 r->Siharaisaki2 = q.FieldByName("SIHARAISAKI2").AsString();
                 r->Bukken1 = q.FieldByName("BUKKEN1").AsString();
                 r->Bukken2 = q.FieldByName("BUKKEN2").AsString();
                 r->Kenri = q.FieldByName("KENRI").AsCurrency();
                 r->Kousin = q.FieldByName("KOUSIN").AsCurrency();
                 r->Tinryou = q.FieldByName("TINRYOU").AsCurrency();
                 r->Keihi = q.FieldByName("KEIHI").AsCurrency();
             });
}

void TKojinKessansyoIO::ReadHousyuRows(const std::function<TZeirisiHousyuuRec*(int)>& slot)
{
    RunQuery("SELECT REC,SIHARAISAKI1,SIHARAISAKI2,HOUSHU,KEIHI,GENSEN FROM AO_HOUSHU\nORDER BY REC", nullptr,
             [&](fb::Statement& q) {
                 TZeirisiHousyuuRec* r = slot(q.FieldByName("REC").AsInteger());
                 if (!r) return;
                 r->Siharaisaki1 = q.FieldByName("SIHARAISAKI1").AsString();
                 r->Siharaisaki2 = q.FieldByName("SIHARAISAKI2").AsString();
                 r->Houshu = q.FieldByName("HOUSHU").AsCurrency();
                 r->Keihi = q.FieldByName("KEIHI").AsCurrency();
                 r->Gensen = q.FieldByName("GENSEN").AsCurrency();
             });
}

void TKojinKessansyoIO::ReadNoteRows(int last, const std::function<std::string*(int)>& slot)
{
    bool stopped = false;
    RunQuery("SELECT REC,NOTE FROM AO_NOTE\nORDER BY REC", nullptr, [&](fb::Statement& q) {
        if (stopped) return;
        const int n = q.FieldByName("REC").AsInteger();
        if (n > last) {
            stopped = true; // the notes end at the first row beyond the statement's last
            return;
        }
        if (std::string* note = slot(n)) *note = q.FieldByName("NOTE").AsString();
    });
}

} // namespace kb
