#include "core/DataModuleSysDef.h"

#include "core/ErrorReporter.h"
#include "core/z5ComFunc.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <vector>

namespace kb {
namespace {

const char* const kMsgGetSysDef = "システム情報の取得に失敗しました。\rアプリケーションを終了します。";
const char* const kMsgPutSysDef = "システム情報の書き込みに失敗しました。\r現在のシステム設定は保存されません。";

bool IsOem() { return OemFlag == 1 || OemFlag == 2; }

fb::Statement DefStatement(TDM& dm) { return fb::Statement(dm.IBDatabaseDEF, &dm.IBTransactionDEF); }

// ---- SYSDEF columns, in the order of the UPDATE of fnPutSysDef

struct IntColumn {
    const char* name;
    int TSystemDef::*field;
};
struct TextColumn {
    const char* name;
    std::string TSystemDef::*field;
};

// The columns of the SET list; Shouhyou is deliberately missing (see fnPutSysDef).
struct SetItem {
    const char* name;
    int TSystemDef::*intField = nullptr;
    std::string TSystemDef::*textField = nullptr;
};

const std::vector<SetItem>& SetList()
{
    static const std::vector<SetItem> items = {
        {"DataDir", nullptr, &TSystemDef::DataDir},
        {"PrinterName", nullptr, &TSystemDef::PrinterName},
        {"MFTop", &TSystemDef::MFTop},
        {"MFLeft", &TSystemDef::MFLeft},
        {"MFWidth", &TSystemDef::MFWidth},
        {"MFHeight", &TSystemDef::MFHeight},
        {"LastMenu", &TSystemDef::LastMenu},
        {"FontName", nullptr, &TSystemDef::FontName},
        {"FontSize", &TSystemDef::FontSize},
        {"FontStyle", &TSystemDef::FontStyle},
        {"FontCharset", &TSystemDef::FontCharSet},
        {"FontHeight", &TSystemDef::FontHeight},
        {"GridResize", &TSystemDef::GridResize},
        {"ShowHint", &TSystemDef::ShowHint},
        {"GridMaxRow", &TSystemDef::GridMaxRow},
        {"GridRsiz", &TSystemDef::GridRsiz},
        {"ClientColor", &TSystemDef::ClientColor},
        {"ClientColor1", &TSystemDef::ClientColor1},
        {"ClientColor2", &TSystemDef::ClientColor2},
        {"ClientColor3", &TSystemDef::ClientColor3},
        {"ForeColor", &TSystemDef::ForeColor},
        {"BorderColor", &TSystemDef::BorderColor},
        {"ActiveColor", &TSystemDef::ActiveColor},
        {"ThruBorderColor", &TSystemDef::ThruBorderColor},
        {"ColHeaderColor", &TSystemDef::ColHeaderColor},
        {"FixedTopColor", &TSystemDef::FixedTopColor},
        {"RowHeaderColor", &TSystemDef::RowHeaderColor},
        {"FixedLeftColor", &TSystemDef::FixedLeftColor},
        {"TotalColor", &TSystemDef::TotalColor},
        {"NetColor1", &TSystemDef::NetColor1},
        {"NetColor2", &TSystemDef::NetColor2},
        {"PLineColor1", &TSystemDef::PLineColor1},
        {"PLineColor2", &TSystemDef::PLineColor2},
        {"PreviewZOOM", &TSystemDef::PreviewZOOM},
        {"PanelColor", &TSystemDef::PanelColor},
        {"PanelBackColor", &TSystemDef::PanelBackColor},
        {"MenuPrintSw", &TSystemDef::MenuPrintSw},
        {"HojWait", &TSystemDef::HojWait},
        {"DicSwitch", &TSystemDef::DicSwitch},
        {"DicTekAuto", &TSystemDef::DicTekAuto},
        {"DicTorAuto", &TSystemDef::DicTorAuto},
        {"DicUsednt", &TSystemDef::DicUsednt},
        {"DicType", &TSystemDef::DicType},
        {"DicNum1", &TSystemDef::DicNum1},
        {"DicNum2", &TSystemDef::DicNum2},
        {"DicSortType", &TSystemDef::DicSortType},
        {"ColHeaderGradColor1", &TSystemDef::ColHeaderGradColor1},
        {"ColHeaderGradColor2", &TSystemDef::ColHeaderGradColor2},
        {"ShowDataSentaku", &TSystemDef::ShowDataSentaku},
        {"ZenkaiDrive", nullptr, &TSystemDef::ZenkaiDrive},
        {"UserPrint", &TSystemDef::UserPrint},
        {"SwkTotal", &TSystemDef::SwkTotal},
        {"SwkLine", &TSystemDef::SwkLine},
        {"KingakuPlus", &TSystemDef::KingakuPlus},
        {"ZeroPrint", &TSystemDef::ZeroPrint},
        {"SankakuPlus", &TSystemDef::SankakuPlus},
        {"TEK_AUTOUP", &TSystemDef::TEK_AUTOUP},
        {"TOR_AUTOUP", &TSystemDef::TOR_AUTOUP},
        {"Reserve1", &TSystemDef::Reserve1},
        {"Reserve2", &TSystemDef::Reserve2},
        {"Reserve3", &TSystemDef::Reserve3},
        {"Reserve4", &TSystemDef::Reserve4},
        {"Reserve5", &TSystemDef::Reserve5},
        {"SSTR", nullptr, &TSystemDef::SSTR},
    };
    return items;
}

// ---- SYSREG keys held in SystemDef

enum class KeyKind {
    Common,        // read always with its default (OEM: the OEM default when given)
    OemOnly,       // read only for OEM editions, else the fixed value
    Current,       // the default is the field's current value
};

struct IntKey {
    const char* key;
    int TSystemDef::*field;
    KeyKind kind;
    const char* def;     // default (Common)
    const char* oemDef;  // OEM default; nullptr = the same as def
    int nonOemValue;     // OemOnly: the value when not OEM
    bool writeBack;      // written by fnPutSysDef (OemOnly keys: for OEM editions only)
};

// OEM-only keys (read first).
const std::vector<IntKey>& OemKeys()
{
    static const std::vector<IntKey> keys = {
        {"次項目移動区分", &TSystemDef::JiKoumokuIdou, KeyKind::OemOnly, nullptr, "1", 0, true},
        {"科目コード桁数", &TSystemDef::KamokuCodeKeta, KeyKind::OemOnly, nullptr, "0", 0, true},
        {"補助コード桁数", &TSystemDef::HojoCodeKeta, KeyKind::OemOnly, nullptr, "0", 0, true},
        {"部門コード桁数", &TSystemDef::BumonCodeKeta, KeyKind::OemOnly, nullptr, "1", 0, true},
        {"仕訳日付フォーカス", &TSystemDef::SiwakeDateFocus, KeyKind::OemOnly, nullptr, "1", 2, true},
        {"元帳１行出力区分", &TSystemDef::Moto1GyouOut, KeyKind::OemOnly, nullptr, "0", 0, true},
        {"連想辞書抽出条件区分", &TSystemDef::RensouChusyutu, KeyKind::OemOnly, nullptr, "1", 0, true},
    };
    return keys;
}

// Integer keys of the common part before the titles.
const std::vector<IntKey>& CommonKeysHead()
{
    static const std::vector<IntKey> keys = {
        {"元帳最終行残高出力区", &TSystemDef::MotoLastZanOut, KeyKind::Current, nullptr, nullptr, 0, true},
        {"試算表集計出力区分", &TSystemDef::SisanSyukeiOut, KeyKind::Current, nullptr, nullptr, 0, true},
        {"元帳タイトル出力区分", &TSystemDef::MotoTitleOut, KeyKind::Common, "0", "1", 0, true},
        {"試算表ＢＳ改ページ区", &TSystemDef::SisanBSKaiPage, KeyKind::Common, "1", "0", 0, true},
        {"試算表タイトル出力区", &TSystemDef::SisanTitleOut, KeyKind::Common, "0", "1", 0, true},
        {"試算表期間出力区分", &TSystemDef::SisanKikanOut, KeyKind::Common, "0", "1", 0, true},
    };
    return keys;
}

// Integer keys after データ破損チェック区分.
const std::vector<IntKey>& CommonKeysTail()
{
    static const std::vector<IntKey> keys = {
        {"サーバのデータの場所", &TSystemDef::DataPlaceRec, KeyKind::Common, "0", nullptr, 0, true},
        {"摘要項目の編集モード", &TSystemDef::TekiyouEditMode, KeyKind::Common, "0", nullptr, 0, true},
        {"摘要項目の入力区分", &TSystemDef::TekiyouInputKbn, KeyKind::Common, "0", nullptr, 0, true},
        {"取引先項目の入力区分", &TSystemDef::TorihikiInputKbn, KeyKind::Common, "0", nullptr, 0, true},
        {"裏面の罫線印刷区分", &TSystemDef::UramenKeisenPrint, KeyKind::Common, "0", nullptr, 0, true},
        {"消費税コード印刷区分", &TSystemDef::TaxCodePrint, KeyKind::Common, "1", nullptr, 0, true},
        {"決算書手形相殺区分", &TSystemDef::KessanTegataSousai, KeyKind::Common, "0", nullptr, 0, true},
        {"決算書販売費組入区分", &TSystemDef::KessanHanbaiKumiire, KeyKind::Common, "0", nullptr, 0, true},
        {"試算表行数調整区分", &TSystemDef::SisanGyouChousei, KeyKind::Common, "0", nullptr, 0, false},
        {"連想辞書コード入力区", &TSystemDef::RensouCodeInput, KeyKind::Common, "0", nullptr, 0, true},
        {"連想辞書リスト並び順", &TSystemDef::RensouListOrder, KeyKind::Common, "0", nullptr, 0, true},
        // written back for OEM editions only
        {"元帳付箋マーク出力区", &TSystemDef::MotoFusenOut, KeyKind::Current, nullptr, "0", 0, true},
        {"摘要＿辞書開く区分", &TSystemDef::TekDicOpen, KeyKind::Common, "1", nullptr, 0, true},
        {"取引先＿辞書開く区分", &TSystemDef::TorDicOpen, KeyKind::Common, "1", nullptr, 0, true},
        {"摘要＿連想開く区分", &TSystemDef::TekRensouOpen, KeyKind::Common, "0", nullptr, 0, true},
        {"取引先＿連想開く区分", &TSystemDef::TorRensouOpen, KeyKind::Common, "0", nullptr, 0, true},
        {"摘要＿自動開く区分", &TSystemDef::TekAutoOpen, KeyKind::Common, "0", nullptr, 0, true},
        {"取引先＿自動開く区分", &TSystemDef::TorAutoOpen, KeyKind::Common, "0", nullptr, 0, true},
        {"摘要＿入力なし区分", &TSystemDef::TekNoInput, KeyKind::Common, "0", nullptr, 0, true},
        {"取引先＿入力なし区分", &TSystemDef::TorNoInput, KeyKind::Common, "0", nullptr, 0, true},
        {"試算表製造集計行出区", &TSystemDef::SisanSeizouSyukeiOut, KeyKind::Common, "1", nullptr, 0, true},
    };
    return keys;
}

struct TitleKey {
    const char* key;
    const char* def;
    int kind;  // TitleTexts[kind][form]
    int form;
};

// Statement titles; the entries not named here are emptied.
const std::vector<TitleKey>& TitleKeys()
{
    static const std::vector<TitleKey> keys = {
        {"全科目ＢＳタイトル", "資産・負債・純資産", 0, 0}, {"定形A3ＢＳタイトル", "資産・負債・純資産", 0, 2},
        {"全科目資産タイトル", "資産の部", 1, 0},           {"定形A4資産タイトル", "資産の部", 1, 1},
        {"全科目負債タイトル", "負債・純資産の部", 2, 0},   {"定形A4負債タイトル", "負債・純資産の部", 2, 1},
        {"全科目ＰＬタイトル", "損益", 3, 0},               {"定形A4ＰＬタイトル", "損益", 3, 1},
        {"定形A3ＰＬタイトル", "損益", 3, 2},               {"定形A4販売費タイトル", "販売費・一般管理費", 4, 1},
    };
    return keys;
}

const char* const kDataCheckKey = "データ破損チェック区分";

// Seed keys of a new SYSDEF row (type 整数).
const std::vector<std::pair<const char*, int>>& SeedKeys()
{
    static const std::vector<std::pair<const char*, int>> keys = {
        {"摘要＿辞書開く区分", 1}, {"摘要＿連想開く区分", 0}, {"摘要＿自動開く区分", 1}, {"摘要＿入力なし区分", 0},
        {"取引先＿辞書開く区分", 1}, {"取引先＿連想開く区分", 0}, {"取引先＿自動開く区分", 1}, {"取引先＿入力なし区分", 0},
    };
    return keys;
}

const std::vector<std::pair<const char*, int>>& OemSeedKeys()
{
    static const std::vector<std::pair<const char*, int>> keys = {
        {"次項目移動区分", 1}, {"科目コード桁数", 0}, {"補助コード桁数", 0}, {"部門コード桁数", 1},
        {"仕訳日付フォーカス", 1}, {"元帳最終行残高出力区", 1}, {"試算表集計出力区分", 1}, {"元帳１行出力区分", 0},
        {"元帳付箋マーク出力区", 0}, {"連想辞書抽出条件区分", 1}, {"摘要＿辞書開く区分", 0}, {"摘要＿連想開く区分", 1},
        {"摘要＿自動開く区分", 1}, {"摘要＿入力なし区分", 0}, {"取引先＿辞書開く区分", 1}, {"取引先＿連想開く区分", 0},
        {"取引先＿自動開く区分", 0}, {"取引先＿入力なし区分", 0},
    };
    return keys;
}

void ReadIntKey(TDM& dm, const IntKey& k)
{
    int& field = SystemDef.*(k.field);
    std::string def;
    switch (k.kind) {
    case KeyKind::OemOnly:
        if (!IsOem()) {
            field = k.nonOemValue;
            return;
        }
        def = k.oemDef;
        break;
    case KeyKind::Current:
        def = IsOem() && k.oemDef ? k.oemDef : std::to_string(field);
        break;
    case KeyKind::Common:
        def = IsOem() && k.oemDef ? k.oemDef : k.def;
        break;
    }
    TRegValue v;
    if (GetSysRegOp(dm, k.key, kRegInteger, v, def)) field = RegAsInteger(v);
}

void InsertSysDefRow(TDM& dm)
{
    fb::Statement ins = DefStatement(dm);
    ins.SetSQL("INSERT INTO SYSDEF(OPCODE,SankakuPlus,ColHeaderColor,ColHeaderGradColor1,ColHeaderGradColor2,\n"
               "ClientColor,ClientColor1,ClientColor2,TotalColor,ActiveColor,NetColor1,NetColor2,PLineColor1,PLineColor2,DICSWITCH,DicTekAuto,DicTorAuto)\n"
               "VALUES(:OPCODE,1,:ColHeaderColor,:ColHeaderGradColor1,:ColHeaderGradColor2,\n"
               ":ClientColor,:ClientColor1,:ClientColor2,:TotalColor,:ActiveColor,:NetColor1,:NetColor2,:PLineColor1,:PLineColor2,:DICSWITCH,:DicTekAuto,:DicTorAuto)");
    ins.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
    const char* colourNames[8] = {"ColHeaderColor", "ColHeaderGradColor1", "ColHeaderGradColor2", "ClientColor",
                                  "ClientColor1",   "ClientColor2",        "TotalColor",          "ActiveColor"};
    for (int i = 0; i < 8; ++i) ins.ParamByName(colourNames[i]).SetInteger(DefaultScreenColors[i]);
    ins.ParamByName("NetColor1").SetInteger(0xD7FFD7);
    ins.ParamByName("NetColor2").SetInteger(0xD7FFD7);
    ins.ParamByName("PLineColor1").SetInteger(0x007900);
    ins.ParamByName("PLineColor2").SetInteger(0x007900);
    ins.ParamByName("DICSWITCH").SetInteger(IsOem() ? 2 : 0);
    ins.ParamByName("DicTekAuto").SetInteger(IsOem() ? 2 : 1);
    ins.ParamByName("DicTorAuto").SetInteger(IsOem() ? 0 : 1);
    ins.ExecQuery();
}

void SplitReserveBits()
{
    SystemDef.Reserve2Bit1 = SystemDef.Reserve2 & 1;
    SystemDef.Reserve2Bit2 = (SystemDef.Reserve2 >> 1) & 1;
    const auto bit = [](int n) { return (SystemDef.Reserve4 >> (n - 1)) & 1; };
    SystemDef.Reserve4Bits.fill(0);
    for (int n : {1, 2, 3, 4, 7, 8, 9, 10, 11}) SystemDef.Reserve4Bits[n] = bit(n);
    SystemDef.Reserve4Bits[5] = bit(5) ? 1 : (bit(6) ? 2 : 0);
    SystemDef.AutoShareFlag = SystemDef.Reserve4Bits[1];
}

void ComposeReserveBits()
{
    SystemDef.Reserve2 = (SystemDef.Reserve2Bit1 & 1) | ((SystemDef.Reserve2Bit2 & 1) << 1);
    SystemDef.Reserve4Bits[1] = SystemDef.AutoShareFlag;
    int v = 0;
    for (int n : {1, 2, 3, 4, 7, 8, 9, 10, 11})
        if (SystemDef.Reserve4Bits[n] & 1) v |= 1 << (n - 1);
    if (SystemDef.Reserve4Bits[5] == 1) v |= 1 << 4;
    else if (SystemDef.Reserve4Bits[5] == 2) v |= 1 << 5;
    SystemDef.Reserve4 = v;
}

} // namespace

// ---- fnGetSysDef

bool fnGetSysDef(TDM& dm)
{
    try {
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        fb::Statement q = DefStatement(dm);
        q.SetSQL("SELECT * FROM SYSDEF WHERE OPCODE=:OPCODE");
        q.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        q.ExecQuery();
        if (q.Eof()) {
            q.Close();
            InsertSysDefRow(dm);
            q.ExecQuery();
            for (const auto& [key, value] : SeedKeys()) PutSysRegOp(dm, key, kRegInteger, std::int32_t{value});
            if (IsOem())
                for (const auto& [key, value] : OemSeedKeys()) PutSysRegOp(dm, key, kRegInteger, std::int32_t{value});
        }
        SystemDef.HostMenuAnswer = 0;
        if (!q.Eof()) {
            for (const auto& c : SetList()) {
                if (c.intField) SystemDef.*(c.intField) = q.FieldByName(c.name).AsInteger();
                else SystemDef.*(c.textField) = q.FieldByName(c.name).AsString();
            }
            SystemDef.Shouhyou = q.FieldByName("Shouhyou").AsInteger();
            if (SystemDef.ColHeaderGradColor1 == 0) SystemDef.ColHeaderGradColor1 = 0xFFFFFF;
            if (SystemDef.ColHeaderGradColor2 == 0) SystemDef.ColHeaderGradColor2 = 0xBBBBBB;
        }
        q.Close();

        SplitReserveBits();
        SystemDef.MotoLastZanOut = SystemDef.Reserve4Bits[7];

        SystemDef.HoujinName.clear();
        SystemDef.HoujinAddress.clear();
        SystemDef.HoujinTel.clear();
        SystemDef.HoujinReserve.fill(0);
        TSystemIniRec office;
        office.REC = 10;
        if (GetSysIni(dm, office)) {
            GetTextValue(office.SSTR, "NAME", SystemDef.HoujinName);
            GetTextValue(office.SSTR, "JYUSHO", SystemDef.HoujinAddress);
            GetTextValue(office.SSTR, "TEL", SystemDef.HoujinTel);
            SystemDef.HoujinReserve = {office.RESERVE1, office.RESERVE2, office.RESERVE3};
        }
        TSystemIniRec facilities;
        facilities.REC = 20;
        SystemDef.AllSisetuSwitch = GetSysIni(dm, facilities) ? facilities.RESERVE1 : 0;

        // OEM-only keys first
        if (OemFlag == 2) SystemDef.AllSisetuSwitch = 1;
        for (const auto& k : OemKeys()) ReadIntKey(dm, k);
        if (IsOem()) {
            SystemDef.MotoLastZanOut = 1;
            SystemDef.SisanSyukeiOut = 1;
        }
        for (const auto& k : CommonKeysHead()) ReadIntKey(dm, k);
        TRegValue v;
        if (GetSysRegOp(dm, "試算表タイトル", kRegText, v, "試　算　表")) SystemDef.SisanTitle = RegAsString(v);
        if (GetSysRegOp(dm, "２期試算表タイトル", kRegText, v, "２期比較試算表")) SystemDef.Sisan2KiTitle = RegAsString(v);
        for (auto& row : SystemDef.TitleTexts) row.fill(std::string());
        for (const auto& t : TitleKeys())
            if (GetSysRegOp(dm, t.key, kRegText, v, t.def)) SystemDef.TitleTexts[t.kind][t.form] = RegAsString(v);
        // one switch for the whole group
        if (funcGetSysReg(dm, kDataCheckKey, kRegInteger, v, SystemDef.GroupId * 10000 + 9999, "1"))
            SystemDef.DataCheckKbn = RegAsInteger(v);
        for (const auto& k : CommonKeysTail()) ReadIntKey(dm, k);
        if (!IsOem()) SystemDef.TaxCodePrint = 1;

        SystemDef.ProgressDialog = nullptr;
        GetMaxVersion(dm);

        if (ScreenFontIndexHook && ScreenFontIndexHook(SystemDef.FontName) > 0) {
            TScreenFont& f = SystemDef.ScreenFont[0];
            f.Name = SystemDef.FontName;
            f.Size = SystemDef.FontSize;
            f.Style = SystemDef.FontStyle;
            f.CharSet = SystemDef.FontCharSet;
        }
        guard.Commit();
        return true;
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.fnGetSysDef", kMsgGetSysDef);
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgGetSysDef, e.what());
    }
    return false;
}

// ---- fnPutSysDef

bool fnPutSysDef(TDM& dm)
{
    ComposeReserveBits();
    try {
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        // Shouhyou belongs to the accounting application: it is not part of the SET list, so
        // saving our settings never wipes it (the family's own writer set it to NULL each time).
        std::string sql = "UPDATE SYSDEF SET\n";
        const auto& items = SetList();
        for (std::size_t i = 0; i < items.size(); ++i)
            sql += std::string(items[i].name) + "=:" + items[i].name + (i + 1 < items.size() ? ",\n" : "\n");
        sql += "WHERE OPCODE=:OPCODE";
        fb::Statement u = DefStatement(dm);
        u.SetSQL(sql);
        for (const auto& c : items) {
            if (c.intField) u.ParamByName(c.name).SetInteger(SystemDef.*(c.intField));
            else u.ParamByName(c.name).SetString(SystemDef.*(c.textField));
        }
        u.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        u.ExecQuery();
        guard.Commit();
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.fnPutSysDef", kMsgPutSysDef);
        return false;
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgPutSysDef, e.what());
        return false;
    }
    auto put = [&](const IntKey& k) { PutSysRegOp(dm, k.key, kRegInteger, std::int32_t{SystemDef.*(k.field)}); };
    if (IsOem())
        for (const auto& k : OemKeys()) put(k);
    for (const auto& k : CommonKeysHead()) put(k);
    PutSysRegOp(dm, "試算表タイトル", kRegText, SystemDef.SisanTitle);
    PutSysRegOp(dm, "２期試算表タイトル", kRegText, SystemDef.Sisan2KiTitle);
    for (const auto& t : TitleKeys()) PutSysRegOp(dm, t.key, kRegText, SystemDef.TitleTexts[t.kind][t.form]);
    for (const auto& k : CommonKeysTail()) {
        if (!k.writeBack) continue;
        if (k.field == &TSystemDef::MotoFusenOut && !IsOem()) continue;
        put(k);
    }
    return true;
}

// ---- SYSREG

bool funcGetSysReg(TDM& dm, const std::string& key, const std::string& type, TRegValue& value, int opcode,
                   const std::string& defaultText)
{
    try {
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        fb::Statement q = DefStatement(dm);
        q.SetSQL("SELECT STEXT FROM SYSREG WHERE OPCODE=:OPCODE AND SCODE=:SCODE ");
        q.ParamByName("OPCODE").SetInteger(opcode);
        q.ParamByName("SCODE").SetString(key);
        q.ExecQuery();
        std::string text;
        if (!q.Eof()) {
            text = q.FieldByName("STEXT").AsString();
            q.Close();
        } else {
            q.Close();
            text = defaultText;
            fb::Statement ins = DefStatement(dm);
            ins.SetSQL("INSERT INTO SYSREG(OPCODE,SCODE,STYPE,STEXT) VALUES(:OPCODE,:SCODE,:STYPE,:STEXT )");
            ins.ParamByName("OPCODE").SetInteger(opcode);
            ins.ParamByName("SCODE").SetString(key);
            ins.ParamByName("STYPE").SetString(type);
            ins.ParamByName("STEXT").SetString(defaultText);
            ins.ExecQuery();
        }
        guard.Commit();
        value = RegTextToValue(type, text, TRegTypeSet::Basic, TRegBoolRule::Exact);
        return true;
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.funcGetSysReg", "システム共通変数の取得に失敗しました。");
    } catch (const std::exception& e) {
        ShowErrorDetail("システム共通変数の取得に失敗しました。", e.what());
    }
    return false;
}

bool GetSysRegOp(TDM& dm, const std::string& key, const std::string& type, TRegValue& value,
                 const std::string& defaultText)
{
    return funcGetSysReg(dm, key, type, value, SystemDef.OpCode, defaultText);
}

bool funcPutSysReg(TDM& dm, const std::string& key, const std::string& type, int opcode, const TRegValue& value)
{
    try {
        std::optional<std::string> text;
        if (type == kRegCurrency) {
            // written as the rounded value
            text = RegAsCurrency(value).RoundYen(RoundMode::HalfEven).ToString();
        } else {
            text = RegValueToText(type, value, TRegTypeSet::Basic);
        }
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        fb::Statement q = DefStatement(dm);
        q.SetSQL("SELECT COUNT(OPCODE) AS RECCNT FROM SYSREG WHERE OPCODE=:OPCODE AND SCODE=:SCODE");
        q.ParamByName("OPCODE").SetInteger(opcode);
        q.ParamByName("SCODE").SetString(key);
        q.ExecQuery();
        const bool exists = q.FieldByName("RECCNT").AsInteger() > 0;
        q.Close();
        fb::Statement w = DefStatement(dm);
        if (exists) {
            w.SetSQL("UPDATE SYSREG SET STEXT=:STEXT WHERE OPCODE=:OPCODE AND SCODE=:SCODE ");
        } else {
            w.SetSQL("INSERT INTO SYSREG(OPCODE,SCODE,STYPE,STEXT) VALUES(:OPCODE,:SCODE,:STYPE,:STEXT )");
            w.ParamByName("STYPE").SetString(type);
        }
        w.ParamByName("OPCODE").SetInteger(opcode);
        w.ParamByName("SCODE").SetString(key);
        if (text) w.ParamByName("STEXT").SetString(*text);
        else w.ParamByName("STEXT").SetNull();
        w.ExecQuery();
        guard.Commit();
        return true;
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.funcPutSysReg", "システム共通変数の保存に失敗しました。");
    } catch (const std::exception& e) {
        ShowErrorDetail("システム共通変数の保存に失敗しました。", e.what());
    }
    return false;
}

bool PutSysRegOp(TDM& dm, const std::string& key, const std::string& type, const TRegValue& value)
{
    return funcPutSysReg(dm, key, type, SystemDef.OpCode, value);
}

// ---- SYSTEMINI

bool GetSysIni(TDM& dm, TSystemIniRec& rec)
{
    const bool callerTransaction = dm.IBTransactionDEF.InTransaction();
    rec.RESERVE1 = rec.RESERVE2 = rec.RESERVE3 = rec.RESERVE4 = rec.RESERVE5 = 0;
    try {
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        fb::Statement q = DefStatement(dm);
        q.SetSQL("SELECT RESERVE1,RESERVE2,RESERVE3,RESERVE4,RESERVE5,SSTR FROM SYSTEMINI\nWHERE REC=:REC");
        q.ParamByName("REC").SetInteger(rec.REC);
        q.ExecQuery();
        if (!q.Eof()) {
            TSystemIniRec found = rec;
            found.RESERVE1 = q.FieldByName("RESERVE1").AsInteger();
            found.RESERVE2 = q.FieldByName("RESERVE2").AsInteger();
            found.RESERVE3 = q.FieldByName("RESERVE3").AsInteger();
            found.RESERVE4 = q.FieldByName("RESERVE4").AsInteger();
            found.RESERVE5 = q.FieldByName("RESERVE5").AsInteger();
            found.SSTR = q.FieldByName("SSTR").AsString();
            // REC is the key: there is at most one row.
            if (!q.Next()) rec = found;
        }
        q.Close();
        guard.Commit();
        return true;
    } catch (const FbError& e) {
        if (callerTransaction) throw;
        ShowIBError(e, "TDM.GetSysIni", kMsgGetSysDef);
    }
    return false;
}

bool SetSysIni(TDM& dm, const TSystemIniRec& rec)
{
    const bool callerTransaction = dm.IBTransactionDEF.InTransaction();
    try {
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        fb::Statement q = DefStatement(dm);
        q.SetSQL("SELECT COUNT(REC) AS RECCNT FROM SYSTEMINI\nWHERE REC=:REC");
        q.ParamByName("REC").SetInteger(rec.REC);
        q.ExecQuery();
        const bool exists = q.FieldByName("RECCNT").AsInteger() > 0;
        q.Close();
        fb::Statement w = DefStatement(dm);
        if (exists)
            w.SetSQL("UPDATE SYSTEMINI SET RESERVE1=:RESERVE1,RESERVE2=:RESERVE2,RESERVE3=:RESERVE3,RESERVE4=:RESERVE4,RESERVE5=:RESERVE5,SSTR=:SSTR\nWHERE REC=:REC");
        else
            w.SetSQL("INSERT INTO SYSTEMINI(REC,RESERVE1,RESERVE2,RESERVE3,RESERVE4,RESERVE5,SSTR)\nVALUES(:REC,:RESERVE1,:RESERVE2,:RESERVE3,:RESERVE4,:RESERVE5,:SSTR)");
        w.ParamByName("REC").SetInteger(rec.REC);
        w.ParamByName("RESERVE1").SetInteger(rec.RESERVE1);
        w.ParamByName("RESERVE2").SetInteger(rec.RESERVE2);
        w.ParamByName("RESERVE3").SetInteger(rec.RESERVE3);
        w.ParamByName("RESERVE4").SetInteger(rec.RESERVE4);
        w.ParamByName("RESERVE5").SetInteger(rec.RESERVE5);
        w.ParamByName("SSTR").SetString(rec.SSTR);
        w.ExecQuery();
        guard.Commit();
        return true;
    } catch (const FbError& e) {
        if (callerTransaction) throw;
        ShowIBError(e, "TDM.SetSysIni", kMsgPutSysDef);
    }
    return false;
}

// ---- STYLECOLOR

void GetStyleColor(TDM& dm, int opcode, const std::string& style, std::string& sstr)
{
    try {
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        fb::Statement q = DefStatement(dm);
        q.SetSQL("SELECT SSTR FROM STYLECOLOR\nWHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        q.ParamByName("OPCODE").SetInteger(opcode);
        q.ParamByName("STYLENAME").SetString(style);
        for (q.ExecQuery(); !q.Eof(); q.Next()) sstr = q.FieldByName("SSTR").AsString();
        q.Close();
        guard.Commit();
    } catch (const std::exception&) {
        // a form without saved settings simply opens with its own
    }
}

void PutStyleColor(TDM& dm, int opcode, const std::string& style, const std::string& sstr)
{
    try {
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        fb::Statement q = DefStatement(dm);
        q.SetSQL("SELECT COUNT(OPCODE) AS RECCNT FROM STYLECOLOR\nWHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        q.ParamByName("OPCODE").SetInteger(opcode);
        q.ParamByName("STYLENAME").SetString(style);
        q.ExecQuery();
        const bool exists = q.FieldByName("RECCNT").AsInteger() > 0;
        q.Close();
        fb::Statement w = DefStatement(dm);
        if (exists)
            w.SetSQL("UPDATE STYLECOLOR SET OPCODE=:OPCODE,STYLENAME=:STYLENAME,LINECOLOR1=:LINECOLOR1,LINECOLOR2=:LINECOLOR2,"
                     "LINECOLOR3=:LINECOLOR3,LINECOLOR4=:LINECOLOR4,LINECOLOR5=:LINECOLOR5,NETCOLOR1=:NETCOLOR1,NETCOLOR2=:NETCOLOR2,SSTR=:SSTR\n"
                     "WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        else
            w.SetSQL("INSERT INTO STYLECOLOR(OPCODE,STYLENAME,LINECOLOR1,LINECOLOR2,LINECOLOR3,LINECOLOR4,LINECOLOR5,NETCOLOR1,NETCOLOR2,SSTR)\n"
                     "VALUES(:OPCODE,:STYLENAME,:LINECOLOR1,:LINECOLOR2,:LINECOLOR3,:LINECOLOR4,:LINECOLOR5,:NETCOLOR1,:NETCOLOR2,:SSTR)");
        w.ParamByName("OPCODE").SetInteger(opcode);
        w.ParamByName("STYLENAME").SetString(style);
        for (const char* c : {"LINECOLOR1", "LINECOLOR2", "LINECOLOR3", "LINECOLOR4", "LINECOLOR5", "NETCOLOR1", "NETCOLOR2"})
            w.ParamByName(c).SetInteger(-1);
        w.ParamByName("SSTR").SetString(sstr);
        w.ExecQuery();
        guard.Commit();
    } catch (const std::exception&) {
        // the form's settings are kept in memory only
    }
}

// ---- JOBCONTROL2, LOGONUSERLIST, VERSION

bool SetJobControl(TDM& dm, const std::string& procId, const std::string& option)
{
    const bool started = !dm.IBTransactionDEF.InTransaction();
    const auto levelNo = static_cast<std::uint16_t>(SystemDef.JobLevel + (AccInf.IryouHoujin ? 1 : 0) * 1000);
    try {
        // A failed read ends what it started with a commit (nothing to undo).
        fb::TransactionGuard guard(dm.IBTransactionDEF, fb::TransactionGuard::Unfinished::Commit);
        fb::Statement q = DefStatement(dm);
        q.SetSQL("SELECT COUNT(PROC_ID) AS REC_CNT FROM JOBCONTROL2\nWHERE LEVELNO=:LEVELNO");
        q.ParamByName("LEVELNO").SetInteger(levelNo);
        q.ExecQuery();
        const bool restricted = q.FieldByName("REC_CNT").AsInteger() > 0;
        q.Close();
        bool allowed = true;
        if (restricted) {
            fb::Statement s = DefStatement(dm);
            std::string sql = "SELECT PROC_ID,PROC_OPTION FROM JOBCONTROL2\nWHERE (LEVELNO=:LEVELNO) AND (PROC_ID=:PROC_ID)";
            const bool withOption = !TrimBlanks(option).empty();
            if (withOption) sql += "\nAND (PROC_OPTION LIKE :PROC_OPTION)";
            s.SetSQL(sql);
            s.ParamByName("LEVELNO").SetInteger(levelNo);
            s.ParamByName("PROC_ID").SetString(procId);
            if (withOption) s.ParamByName("PROC_OPTION").SetString("%" + option + "%");
            s.ExecQuery();
            allowed = !s.Eof();
            s.Close();
        }
        guard.Commit();
        return allowed;
    } catch (const FbError& e) {
        if (started) ShowIBError(e, "TDM.SetJobControl", "メニュー制御情報の取得に失敗しました。");
    } catch (const std::exception&) {
        // Not the database's failure (no data module's connection): the job stays refused.
    }
    return false;
}

bool DeleteLogonInfo(TDM& dm)
{
    int opcode = SystemDef.OpCode;
    if (AppKind == 1 || AppKind == 2) opcode = SystemDef.GroupId * 10000 + 1;
    else if (AppKind == 3) opcode = SystemDef.GroupId * 10000 + 2;
    try {
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        fb::Statement q = DefStatement(dm);
        q.SetSQL("DELETE FROM LOGONUSERLIST WHERE OPCODE=:OPCODE");
        q.ParamByName("OPCODE").SetInteger(opcode);
        q.ExecQuery();
        guard.Commit();
        return true;
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.DeleteLogonInfo", "ログイン情報の削除に失敗しました。");
    } catch (const std::exception& e) {
        ShowErrorDetail("ログイン情報の削除に失敗しました。", e.what());
    }
    return false;
}

void GetMaxVersion(TDM& dm)
{
    try {
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        fb::Statement q = DefStatement(dm);
        q.SetSQL("SELECT MAJOR,MINOR1,MINOR2 FROM VERSION\nORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC");
        q.ExecQuery();
        if (!q.Eof()) {
            SystemDef.SysDbMajor = q.FieldByName("MAJOR").AsInteger();
            SystemDef.SysDbMinor1 = q.FieldByName("MINOR1").AsInteger();
            SystemDef.SysDbMinor2 = q.FieldByName("MINOR2").AsInteger();
        }
        q.Close();
        guard.Commit();
    } catch (const std::exception&) {
        SystemDef.SysDbMajor = SystemDef.SysDbMinor1 = SystemDef.SysDbMinor2 = 0;
    }
}

void GetTextValue(const std::string& lines, const std::string& name, std::string& value)
{
    value.clear();
    const std::string want = AsciiUpper(name);
    std::size_t pos = 0;
    while (pos <= lines.size()) {
        std::size_t end = lines.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = lines.size();
        const std::string line = lines.substr(pos, end - pos);
        const auto eq = line.find('=');
        if (eq != std::string::npos && AsciiUpper(line.substr(0, eq)) == want) {
            value = line.substr(eq + 1);
            return;
        }
        if (end >= lines.size()) break;
        pos = end + 1;
    }
}

} // namespace kb
