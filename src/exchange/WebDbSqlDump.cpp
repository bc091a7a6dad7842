#include "exchange/WebDbSqlDump.h"

#include "core/DataModule.h"
#include "core/DataModuleAccReg.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5ComFunc2.h"
#include "fb/Database.h"
#include "platform/Text.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace kb {

namespace {

const char* const kCrLf = "\r\n";
const std::string kSeparator = "-- " + std::string(46, '=');

// One written value of a table: the select expression, the field it is read as, and its code.
struct TValue {
    std::string expr;  // as selected ("0 AS MB_JIGYOU", "\"COMMENT\"")
    std::string field; // field name to read
    std::string code;  // n t S S20 N DT RGB, "#" running number, L the expression itself, CT (CTYPE1),
                       // I (integer of a text), @ZZ/@Z (fiscal starts of AccInf)
};

// "COL code, EXPR AS COL code, ..." into values.
std::vector<TValue> Values(const std::string& spec)
{
    std::vector<TValue> out;
    std::size_t start = 0;
    while (start <= spec.size()) {
        auto end = spec.find(',', start);
        if (end == std::string::npos) end = spec.size();
        const std::string item = TrimBlanks(std::string_view(spec).substr(start, end - start));
        start = end + 1;
        if (item.empty()) continue;
        const auto sp = item.rfind(' ');
        TValue v;
        v.code = item.substr(sp + 1);
        v.expr = item.substr(0, sp);
        const auto as = v.expr.rfind(" AS ");
        v.field = as == std::string::npos ? v.expr : v.expr.substr(as + 4);
        if (!v.field.empty() && v.field.front() == '"') v.field = v.field.substr(1, v.field.size() - 2);
        out.push_back(std::move(v));
    }
    return out;
}

std::string Join(const std::vector<std::string>& parts, const std::string& sep)
{
    std::string r;
    for (std::size_t i = 0; i < parts.size(); ++i) r += (i ? sep : "") + parts[i];
    return r;
}

std::string TwoDigits(int v)
{
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

std::string FormatDateTime(const DateTime& t, bool withTime, char dateSep)
{
    const Date d = t.GetDate();
    char b[40];
    std::snprintf(b, sizeof b, "%04d%c%02d%c%02d", d.Year(), dateSep, d.Month(), dateSep, d.Day());
    std::string r = b;
    if (withTime) r += " " + TwoDigits(t.Hour()) + ":" + TwoDigits(t.Minute()) + ":" + TwoDigits(t.Second());
    return r;
}

// The clamping of dates MySQL's timestamp range needs: zero and anything up to 1970-01-01 00:00
// become 1970-01-02, anything from 2038-01-01 on becomes 2038-01-01.
std::string Clamped(const DateTime& t, bool dateTime, std::string literal)
{
    static const DateTime kZero(Date(1899, 12, 30));
    static const DateTime kLow(Date(1970, 1, 1));
    static const DateTime kHigh(Date(2038, 1, 1));
    if (t == kZero) literal = dateTime ? "'0000-00-00 00:00:00'" : "'0000-00-00'";
    if (t <= kLow) literal = dateTime ? "'1970-01-02 00:00:00'" : "'1970-01-02'";
    if (t >= kHigh) literal = dateTime ? "'2038-01-01 00:00:00'" : "'2038-01-01'";
    return literal;
}

bool IsPlainIdentifier(const std::string& s)
{
    if (s.empty() || s.size() > 64) return false;
    for (const unsigned char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')) return false;
    return true;
}

// Windows' default system colours (index 0 .. 30) as 0xRRGGBB, for colours stored as system colours.
constexpr std::array<std::int32_t, 31> kSystemColours = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000, 0x000000, 0xB4B4B4,
    0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969,
    0xE3E3E3, 0x000000, 0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0};

} // namespace

bool IsVersion802On(int major, int minor1, int minor2)
{
    return major > 8 || (major == 8 && (minor1 > 0 || minor2 >= 2));
}

// ---- value encodings

std::string TWebDbSqlDump::TextForm(const fb::Field& f)
{
    std::string s = f.AsString();
    if (s.empty()) return s;
    // A scaled number: drop the trailing zeros of the fraction (and the point).
    const bool numeric = s.find_first_not_of("-0123456789.") == std::string::npos && s.find('.') != std::string::npos;
    if (numeric) {
        s.erase(s.find_last_not_of('0') + 1);
        if (s.back() == '.') s.pop_back();
        if (s == "-0") s = "0";
        return s;
    }
    // A double in exponent form: every digit, fixed notation.
    if (s.find_first_of("eE") != std::string::npos && s.find_first_not_of("-+0123456789.eE") == std::string::npos) {
        char b[400];
        const auto r = std::to_chars(b, b + sizeof b, f.AsDouble(), std::chars_format::fixed);
        if (r.ec == std::errc()) return std::string(b, r.ptr);
        return s;
    }
    // A timestamp at midnight shows the date alone.
    if (s.size() == 19 && s[4] == '/' && s[7] == '/' && s.compare(10, 9, " 00:00:00") == 0) s.resize(10);
    return s;
}

std::string TWebDbSqlDump::EscapeSqlText(const std::string& text)
{
    // UTF-8 never carries 0x5C inside a multi-byte character, so a "\" here is always one.
    if (text.find_first_of("\\'") == std::string::npos) return text;
    return ReplaceAll(ReplaceAll(text, "\\", "\\\\"), "'", "\\'");
}

namespace {

std::string FieldValue(const fb::Field& f, const std::string& typeWord, int length)
{
    const std::string type = AsciiUpper(typeWord);
    if (f.IsNull()) {
        if (type == "DATE") return "'0000-00-00'";
        if (type == "DATETIME") return "'0000-00-00 00:00:00'";
        return "null";
    }
    if (type == "STR") {
        std::string s = f.AsString();
        if (length > 0) s = TrimZen(FixLeft(s, length));
        return "'" + TWebDbSqlDump::EscapeSqlText(s) + "'";
    }
    if (type == "DATE" || type == "DATETIME")
        return Clamped(f.AsDateTime(), type == "DATETIME", "'" + TWebDbSqlDump::TextForm(f) + "'");
    return TWebDbSqlDump::TextForm(f);
}

} // namespace

std::string TWebDbSqlDump::FieldToSqlValue(const fb::Statement& q, const std::string& column, const std::string& typeWord,
                                           int length)
{
    return FieldValue(q.FieldByName(column), typeWord, length);
}

std::string TWebDbSqlDump::DateToSqlValue(const std::string& typeWord, const DateTime& value)
{
    const std::string type = AsciiUpper(typeWord);
    if (type != "DATE" && type != "DATETIME") return "'0000-00-00'";
    const bool dt = type == "DATETIME";
    if (value.IsNull()) return Clamped(DateTime(Date(1899, 12, 30)), dt, "");
    return Clamped(value, dt, "'" + FormatDateTime(value, dt, '-') + "'");
}

std::string TWebDbSqlDump::ColorToSqlInt(std::int32_t colour)
{
    std::uint32_t c = static_cast<std::uint32_t>(colour);
    if ((c & 0xFF000000u) == 0xFF000000u) {
        const std::uint32_t i = c & 0xFFu;
        const std::int32_t rgb = i < kSystemColours.size() ? kSystemColours[i] : 0;
        return std::to_string(rgb);
    }
    if (c > 0xFFFFFFu) return "0"; // "none" and "default" carry no colour
    const std::uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return std::to_string(r * 65536 + g * 256 + b);
}

std::string TWebDbSqlDump::EncodeDumpLine(const std::string& line) const
{
    return AnsiOutput == 1 ? Utf8ToCp932(line) : line;
}

// ---- the writer

struct TWebDbSqlDump::Impl {
    TDM& dm;
    TWebDbSqlDump& w;
    std::FILE* out = nullptr;
    std::vector<char> buffer = std::vector<char>(1 << 20);
    bool kind3 = false;
    bool v802 = false;
    bool meetingOn = false;

    Impl(TDM& d, TWebDbSqlDump& owner) : dm(d), w(owner) {}
    ~Impl() { Close(); }

    void Close()
    {
        if (out) std::fclose(out);
        out = nullptr;
    }

    void Raw(const std::string& s)
    {
        if (std::fwrite(s.data(), 1, s.size(), out) != s.size()) throw std::runtime_error("書き込みに失敗しました。");
    }
    void Line(const std::string& s) { Raw(s + kCrLf); }
    // A line of the program's own Japanese literals, converted as the rows are.
    void TextLine(const std::string& s) { Line(w.EncodeDumpLine(s)); }
    void HeaderLine(const std::string& s) { Line(Utf8ToCp932(s)); }

    void CopyFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw std::runtime_error("ファイルがありません: " + path);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (const auto& l : SplitLines(content)) Line(l);
        Raw(kCrLf);
    }

    std::string Value(const fb::Statement& q, const TValue& v, int index, long rowNo)
    {
        const auto& c = v.code;
        if (c == "#") return std::to_string(rowNo);
        if (c == "L") return v.expr;
        if (c == "@ZZ" || c == "@Z") {
            const Date d = c == "@ZZ" ? AccInf.zzKISHU : AccInf.zKISHU;
            return d.IsNull() ? "null" : "'" + d.ToString() + "'";
        }
        const fb::Field f = q.FieldAt(static_cast<std::size_t>(index));
        if (c == "n") return f.IsNull() ? "null" : TextForm(f);
        if (c == "t") return f.IsNull() ? "''" : "'" + EscapeSqlText(TextForm(f)) + "'";
        if (c == "S") return FieldValue(f, "STR", 0);
        if (c == "S20") return FieldValue(f, "STR", 20);
        if (c == "N") return FieldValue(f, "CURR", 0);
        if (c == "DT") return FieldValue(f, "DATETIME", 0);
        if (c == "RGB") return ColorToSqlInt(f.AsInteger());
        if (c == "CT") {
            const int t = f.AsInteger();
            return (t == 2 || t == 5) ? "2" : (t == 3 || t == 4) ? "3" : "0";
        }
        if (c == "I") {
            int n = 0;
            const std::string s = TrimBlanks(f.AsString());
            const auto r = std::from_chars(s.data(), s.data() + s.size(), n);
            return (r.ec == std::errc() && r.ptr == s.data() + s.size()) ? std::to_string(n) : "0";
        }
        throw std::logic_error("unknown value code " + c);
    }

    struct Rows {
        std::vector<std::string> header; // the INSERT header lines
        bool restart = false;
        long limit = 0;      // at most this many rows (0 = all)
        long first = 1;      // running number of the first row
        enum class CrLf { Always, IfRows, Never } crlf = CrLf::Always; // after the rows
    };

    // Runs the query and writes its rows as one statement (or several, restarting); answers the
    // number of rows written.
    long WriteRows(fb::Statement& q, const std::vector<TValue>& values, const Rows& r)
    {
        long count = 0;
        q.ExecQuery();
        if (w.FetchOnly) {
            for (; !q.Eof() && !(r.limit > 0 && count >= r.limit); q.Next()) ++count;
            q.Close();
            return count;
        }
        if (!q.Eof()) {
            // Field positions once per query, not a name lookup per value and row.
            std::vector<int> index(values.size(), -1);
            for (std::size_t i = 0; i < values.size(); ++i) {
                const auto& c = values[i].code;
                if (c == "#" || c == "L" || c[0] == '@') continue;
                for (std::size_t k = 0; k < q.FieldCount(); ++k)
                    if (q.FieldAt(k).Name() == values[i].field) index[i] = static_cast<int>(k);
                if (index[i] < 0) q.FieldByName(values[i].field); // throws, naming the missing field
            }
            for (const auto& h : r.header) Line(h);
            for (;;) {
                std::string row;
                row.reserve(1024);
                row += '(';
                for (std::size_t i = 0; i < values.size(); ++i) {
                    if (i) row += ',';
                    row += Value(q, values[i], index[i], r.first + count);
                }
                row += ')';
                row = w.EncodeDumpLine(row);
                ++count;
                const bool more = q.Next() && !(r.limit > 0 && count >= r.limit);
                if (!more) {
                    Raw(row + ";");
                    break;
                }
                if (r.restart && count % w.RowsPerInsert == 0) {
                    Line(row + ";");
                    for (const auto& h : r.header) Line(h);
                } else {
                    Raw(row + ",");
                }
            }
        }
        q.Close();
        if (r.crlf == Rows::CrLf::Always || (r.crlf == Rows::CrLf::IfRows && count > 0)) Raw(kCrLf);
        return count;
    }

    // The general table: DELETE, then SELECT of the values (and of the columns only read).
    void Table(const std::string& table, const std::string& spec, const std::string& tail,
               const std::string& alsoReads = "", bool restart = false, std::vector<std::string> header = {})
    {
        Line("DELETE FROM " + table + ";");
        const auto values = Values(spec);
        std::vector<std::string> cols;
        for (const auto& v : values)
            if (v.code != "#" && v.code != "L" && v.code[0] != '@') cols.push_back(v.expr);
        std::string sql = "SELECT " + Join(cols, ",");
        if (!alsoReads.empty()) sql += "," + alsoReads;
        sql += "\nFROM " + (table == "JOBCONTROL" ? std::string("JOBCONTROL2") : table) + "\n" + tail;
        fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDATSS);
        q.SetSQL(sql);
        Rows r;
        r.restart = restart;
        r.header = header.empty() ? std::vector<std::string>{"INSERT INTO " + table + " VALUES"} : std::move(header);
        WriteRows(q, values, r);
    }

    // Only the DELETE line and its CR LF (a table this data set does not carry).
    void Empty(const std::string& table)
    {
        Line("DELETE FROM " + table + ";");
        Raw(kCrLf);
    }

    void Write();
    void AccReg(bool meetingOn);
    void ChartInf();
    void JobControl();
    void KihonRule();
    void KoseiGroup();
};

namespace {

const char* const kJournal =
    "REC n, SWKREC n, SWKNO n, DELFLG n, TAISHAKU n, HIZUKE t, MNUM n, KESSAN n, SDAYNUM n, MDAYNUM n, DNUM n, SNUM n,"
    " SCODE t, SITREC n, KGROUP t, KCODE t, HCODE t, BCODE t, KNAME S, HNAME S, BNAME S, TAXCODE n, TAXUH n, TAXDC n,"
    " NUK n, ZEI n, RIT n, SIKIN n, R_KGROUP t, R_KCODE t, R_HCODE t, R_BCODE t, R_KNAME S, R_HNAME S, R_BNAME S,"
    " R_TAXCODE n, R_TAXUH n, R_TAXDC n, R_NUK n, R_ZEI n, R_RIT n, R_SIKIN n, KINGAKU n, ZEIGAKU n, ZEIRITUNO n,"
    " AUTCALCU n, TAXCALCU n, OLDRATE n, TEKCODE n, TEKTEXT S, TORCODE n, TORTEXT S20, FUSEN1 n, FUSEN2 n, FUSEN3 n,"
    " FUSEN4 n, FUSEN5 n, CTIME DT, \"COMMENT\" S, AO_COMMENT S, LINKKEY S, LINKKUB N, LINKREC N, LOCALFLG n,"
    " RESERVE1 n, RESERVE2 n, RTIME DT, OPCODE n";

const char* const kAccDef1 =
    "REC n, GROUPID n, ENTTEXT S, SERIAL S, TANTOU n, GYOUSHU n, DATATYPE n, CODETYPE n, SCODE1 S, SCODE2 S, SKANA S,"
    " SHOUGOU S, POST S, ADD1 S, ADD2 S, TEL S, AO_ADD1 S, AO_ADD2 S, AO_KANA S, AO_SIMEI S, AO_GYOUSHU S, AO_YAGO S,"
    " AO_KANYU S, AO_TEL S, AO_SHOKUGYO1 S, AO_SHOKUGYO2 S, ZZ @ZZ, Z @Z, NENDO n, KISHU t, KIMATU t, KAISI t, SIME n,"
    " KAISINO n, GENGOU_FLG n, GENGOU_HOSEI n, GENGOU_NAME t, YAKUMEI1 t, YAKUMEI2 t, YAKUMEI3 t, OLD_TAX_RATE1 n,"
    " OLD_TAX_RATE2 n, OLD_TAX_RATE3 n, OLD_TAX_RATE4 n, OLD_TAX_RATE5 n, NEW_TAX_RATE1 n, NEW_TAX_RATE2 n,"
    " NEW_TAX_RATE3 n, NEW_TAX_RATE4 n, NEW_TAX_RATE5 n, CHG_DAYS1 DT, CHG_DAYS2 DT, CHG_DAYS3 DT, CHG_DAYS4 DT,"
    " CHG_DAYS5 DT, KANSA_FIXDATE DT, KANSA_DATE DT, CALCU n, TAXU_HASUU n, TAXH_HASUU n, TAXDEFUH n, TAXKANNI n,"
    " TAXJIGYOU n, GENKAPRINT n, KANSA_LOCK n, TEGATADICSW n, KESSAN_KIKAN n, CASHFLOW_KIKAN1 n, CASHFLOW_KIKAN2 n,"
    " CASHFLOWSW n, SDAI_HASUU1 n, SDAI_HASUU2 n, SDAI_HASUU3 n, CONVERT n, SHOUHYOU n, SITEN n, BUMON n,"
    " DATALOCK n, FUMEI_KCODE S, GENKA_USE n, GENKA_HWORD1 t, GENKA_HWORD2 t, GENKA_HWORD3 t, GENKA_HWORD4 t,"
    " GENKA_HWORD5 t, GENKA_HWORD6 t, PASWORD S, WEB_HOLDER S";

std::string KakozanValues()
{
    std::string s = "NENDO n, SCODE t, BCODE t, KCODE t, HCODE t, KISHU n";
    for (int p = 1; p <= 16; ++p) {
        const std::string n = std::to_string(p);
        s += ", KOMIZAN_" + n + " n, NUKIZAN_" + n + " n, IKKATSU_" + n + " n, HAIBUN_" + n + " n";
    }
    return s;
}

std::string KamokuSzValues()
{
    std::string s = "SCODE t, KCODE t, HCODE t, BCODE t, KISHU_KOMI n, KISHU_NUKI n";
    for (int p = 1; p <= 16; ++p) s += ", HAIBUN" + TwoDigits(p) + " n";
    return s + ", KAKOZAN n";
}

} // namespace

void TWebDbSqlDump::Impl::AccReg(bool meetingOn)
{
    Line("DELETE FROM ACCREG;");
    fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDATSS);
    std::string sql = "SELECT AGROUP,ACODE,ATYPE,ATEXT,AMEMO\nFROM ACCREG\nWHERE (AGROUP<>:AGROUP)";
    if (!meetingOn) sql += "\nAND (AGROUP<>'ＷＥＢ会議設定')";
    q.SetSQL(sql + "\nORDER BY AGROUP,ACODE");
    q.ParamByName("AGROUP").SetString("経営Azimo");
    Rows r;
    r.header = {"INSERT INTO ACCREG VALUES"};
    WriteRows(q, Values("AGROUP S, ACODE S, ATYPE S, ATEXT S, AMEMO S"), r);

    const auto& s = SystemDef;
    const auto integer = [&](const char* group, const char* key, int v) {
        TextLine(std::string("INSERT INTO ACCREG VALUES('") + group + "','" + key + "','整数'," + std::to_string(v) + ",'');");
    };
    const auto text = [&](const char* key, const std::string& v) {
        TextLine(std::string("INSERT INTO ACCREG VALUES('環境設定','") + key + "','文字','" + EscapeSqlText(v) + "'" + ",'');");
    };
    integer("環境設定", "証憑列表示区分", GetBitFlag(s.Reserve4, 3));
    integer("環境設定", "支店毎連番表示区分", GetBitFlag(s.Reserve4, 4));
    integer("環境設定", "３期比較年度出力順区分", GetBitFlag(s.Reserve4, 11));
    integer("環境設定", "部門帳票２行印刷区分", s.SwkLine);
    integer("環境設定", "税額参考印刷区分", s.Reserve1);
    integer("環境設定", "元帳最終取引残高印刷区分", s.MotoLastZanOut);
    integer("環境設定", "元帳タイトル科目名称出力区分", s.MotoTitleOut);
    integer("環境設定", "両面印刷罫線出力区分", s.UramenKeisenPrint);
    integer("環境設定", "インデックス出力区分", s.MotoFusenOut);
    integer("環境設定", "名称金額出力区分", s.KingakuPlus);
    integer("環境設定", "試算表集計区分印刷区分", s.SisanSyukeiOut);
    integer("環境設定", "貸借対照表集計期間印刷区分", s.SisanKikanOut);
    integer("環境設定", "負債の部改ページ区分", s.SisanBSKaiPage);
    integer("環境設定", "試算表タイトル変更区分", s.SisanTitleOut);
    text("試算表タイトル", s.SisanTitle);
    text("２期試算表タイトル", s.Sisan2KiTitle);
    text("試算表貸借対照表", s.TitleTexts[0][0]);
    text("試算表資産の部", s.TitleTexts[1][0]);
    text("試算表負債・純資産の部", s.TitleTexts[2][0]);
    text("試算表損益計算書", s.TitleTexts[3][0]);
    text("試算表販売費・一般管理費", s.TitleTexts[4][0]);
    integer("決算書", "損失金額△区分", s.SankakuPlus);
    integer("決算書", "残高０円科目出力区分", s.ZeroPrint);
    integer("決算書", "負債の部改ページ区分", GetBitFlag(s.Reserve2, 1));
    integer("決算書", "外枠可変区分", GetBitFlag(s.Reserve2, 2));
    integer("環境設定", "試算表製造集計行出区", s.SisanSeizouSyukeiOut);
}

void TWebDbSqlDump::Impl::ChartInf()
{
    Line("DELETE FROM CHARTINF;");
    fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDATSS);
    const auto values = Values("OPCODE n, CTYPE1 CT, CTYPE2 n, CTYPE3 n, CTYPE4 n, BAKCOL RGB, FORCOL RGB, GRID n,"
                               " FONTSIZE n, ECOL1 RGB, ECOL2 RGB, ECOL3 RGB, ECOL4 RGB, THREE_D n, HANREI n, TANI n,"
                               " HASUU n, RESERVE1 n, RESERVE2 n, RESERVE3 n");
    std::vector<std::string> cols;
    for (const auto& v : values) cols.push_back(v.expr);
    q.SetSQL("SELECT " + Join(cols, ",") + "\nFROM CHARTINF\nWHERE OPCODE=100009999\nORDER BY OPCODE");
    Rows r;
    r.header = {"INSERT INTO CHARTINF VALUES"};
    r.crlf = Rows::CrLf::Never;
    if (WriteRows(q, values, r) == 0)
        Raw("INSERT INTO CHARTINF VALUES(100009999,0,0,0,0,16777215,0,3,2,255,16776960,16711680,65535,20,0,0,0,0,0,0);");
    Raw(kCrLf);
}

void TWebDbSqlDump::Impl::JobControl()
{
    Line("DELETE FROM JOBCONTROL;");
    if (!v802) return; // below 8.0.2 the next DELETE follows directly
    fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDATSS);
    q.SetSQL("SELECT LEVELNO,PROC_ID,PROC_OPTION\nFROM JOBCONTROL2\nWHERE LEVELNO=:LEVELNO\nORDER BY PROC_ID");
    q.ParamByName("LEVELNO").SetInteger(w.JobLevel);
    Rows r;
    r.header = {"INSERT INTO JOBCONTROL VALUES"};
    // The level column carries 200 for every data kind; PROC_ID is escaped like every text.
    WriteRows(q, Values("# #, 200 L, 0 L, 0 L, '' L, PROC_ID t"), r);
}

void TWebDbSqlDump::Impl::KihonRule()
{
    Line("DELETE FROM AOPRO_YOSAN_KIHONRULE;");
    if (v802) {
        const std::string header =
            "INSERT INTO AOPRO_YOSAN_KIHONRULE(FID,FKOMOKU,FROW,FKBN,FWARIAI,FSITE,FMEMO,FHIZUKE,FKINGAKU) VALUES";
        const auto values = Values("# #, FKOMOKU S, FROW N, FKBN S, FWARIAI N, FSITE N, FMEMO S, FHIZUKE DT, FKINGAKU N");
        const std::string select = "SELECT FKOMOKU,FROW,FKBN,FWARIAI,FSITE,FMEMO,FHIZUKE,FKINGAKU\nFROM AOPRO_YOSAN_KIHONRULE\n";
        long id = 1;
        const auto part = [&](const std::string& tail, long limit) {
            fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDATSS);
            q.SetSQL(select + tail);
            Rows r;
            r.header = {header};
            r.first = id;
            r.limit = limit;
            r.crlf = Rows::CrLf::IfRows;
            id += WriteRows(q, values, r);
        };
        part("WHERE (FKOMOKU<>'納税')AND(FKOMOKU<>'その他')\nORDER BY FKOMOKU,FROW", 0);
        TextLine("DELETE FROM AOPRO_YOSAN_KIHONRULE WHERE (FKOMOKU='売上債権') AND (FKBN='設定単位');");
        TextLine("DELETE FROM AOPRO_YOSAN_KIHONRULE WHERE (FKOMOKU='仕入債務') AND (FKBN='設定単位');");
        TextLine("DELETE FROM AOPRO_YOSAN_KIHONRULE WHERE (FKOMOKU='未払金／未払費用');");
        part("WHERE FKOMOKU='納税'\nORDER BY FKOMOKU,FHIZUKE,FROW", 10);
        part("WHERE FKOMOKU='その他'\nORDER BY FKOMOKU,FHIZUKE,FROW", 10);
    }
    Raw(kCrLf);
}

void TWebDbSqlDump::Impl::KoseiGroup()
{
    TextLine("DELETE FROM KAMOKU_KOSEI_GROUP;");
    Raw(kCrLf);
    if (v802) {
        fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDATSS);
        q.SetSQL("SELECT FGNAME,FKCODE,'' AS FHCODE\nFROM KAMOKU_KOSEI_GROUP\nORDER BY FGNAME,FKCODE");
        Rows r;
        r.header = {"INSERT INTO KAMOKU_KOSEI_GROUP(FGNAME,FKCODE,FHCODE) VALUES"};
        r.crlf = Rows::CrLf::Never;
        WriteRows(q, Values("FGNAME S, FKCODE S, FHCODE S"), r);
    }
    TextLine("DELETE FROM KAMOKU_KOSEI_GROUP WHERE (FGNAME='未払金／未払費用');");
}

void TWebDbSqlDump::Impl::Write()
{
    const bool k3 = kind3;
    Table("ACCDEF1", kAccDef1, "ORDER BY REC",
          "SISCNT,BUMCNT,MAIL,ZZKISHU,ZKISHU,ACCTIME,HOJO_INS_MODE,SHOUHYOU_COPY,XSTR,KURIKOSI1,KURIKOSI2");
    Table("ACCDEF2", "KCODE t, KNAME t, KGROUP t, HYOUJYUN n", "ORDER BY KCODE");
    Table("ACCDEF5", "SCODE t, BCODE t, MNUM n, NUM1 n, NUM2 n, NUM3 n, NUM4 n, NUM5 n, NUM6 n, NUM7 n, NUM8 n",
          "ORDER BY SCODE,BCODE,MNUM");
    AccReg(meetingOn);
    Table("ACCTOTALNAME",
          std::string("REC n, ") + (k3 ? "MB_JIGYOU n" : "0 AS MB_JIGYOU n") +
              ", VERSION n, KGROUP S, KESKUBUN n, ARRAYNUM n, KOUMOKU S, PLUSNAME S, MINUSNAME S, MODIFY n",
          "ORDER BY REC", "LAYOUT_TEXT,LAYOUT_MAX,LAYOUT_USE,KESSAN_TEXT,KESSAN_USE");
    Line("DELETE FROM ACCVERSION;");
    Line("INSERT INTO ACCVERSION(MAJOR,MINOR,REV,MEMO) VALUES");
    char ver[64];
    std::snprintf(ver, sizeof ver, "%d,%d,%d", AccInf.DataVerMajor, AccInf.DataVerMinor1, AccInf.DataVerMinor2);
    Line(std::string("(") + ver + "," + DateToSqlValue("DATETIME", DateTime::Now()) + ");");
    Table("BUMONMST", "BCODE t, BNAME S, XSTR t, KENSAKU_KEY S", "ORDER BY BCODE");
    Table("BUNSEKI_SYUKEIHYO",
          "# #, CODE t, TITLE t, CHOHYO_BS n, CHOHYO_PL n, SYUKEIKBN n, ROW_JYODAN n, ROW_CHUDAN n, ROW_GEDAN n",
          "ORDER BY TITLE", "RECKEY");
    ChartInf();
    Table("EXTERKS", "REC n, KUBUN n, KGROUP t, SUBREC n, KNAME1 t, KNAMELOCK n, AO_KISHUZAN n, AO_KIMATUZAN n",
          "ORDER BY REC");
    Table("FINMST", "F_CODE n, F_REC n, F_KUBU t, F_CAD n, F_TEXT t", "ORDER BY F_CODE");
    Table("GROUPLIST", "GCODE t, BCODE t", "ORDER BY GCODE,BCODE");
    Table("GROUPMST", "GCODE t, GNAME S", "ORDER BY GCODE");
    Table("HIKAKU_BUMON", "PCODE t, BCODE t, NUMBER n", "ORDER BY PCODE,BCODE");
    Table("HIKAKU_GROUP", "PCODE t, GCODE t, NUMBER n", "ORDER BY PCODE,GCODE");
    Table("HIKAKU_PATTERN", "PCODE t, PNAME S, JIGYOKBN n", "ORDER BY PCODE");
    Table("HIKAKU_SISETU", "PCODE t, SCODE t, NUMBER n", "ORDER BY PCODE,SCODE");
    Table("HIKAKU_SISETU_GROUP", "PCODE t, GCODE t, JIGYOKBN n, NUMBER n", "ORDER BY PCODE,GCODE");
    Table("HIKAKU_SISETU_PATTERN", "PCODE t, PNAME S, JIGYOKBN n", "ORDER BY PCODE");
    Table("HOJOMST",
          "KCODE t, HCODE t, HKANA S, HNAME S, REC n, TAX_LCODE n, TAX_RCODE n, TAX_NUM n, BPFLG t, KENSAKU_KEY t,"
          " OPCODE n, XSTR t, RTIME DT",
          "ORDER BY KCODE,HCODE",
          "SIME,SAITO,CODATE,GENDO,WARIAISW,WARI1,WARI2,WARI3,TEGATA,YOKKMK,YOKHOJ,ADDRESS,KOUZA,BANK,SITEN,KANKEI,"
          "TORIHIK,RIRITU,RIYUU,TANPO,YOUTO,FURIKOMI,KARINAME,KARIDADD");
    JobControl();
    Table("KAKOSIWAKE1", kJournal, "ORDER BY REC", "", true);
    Table("KAKOSIWAKE2", kJournal, "ORDER BY REC", "", true);
    Table("KAKOZAN", KakozanValues(), "ORDER BY NENDO,SCODE,BCODE,KCODE,HCODE", "TRIGGER_SWITCH");
    Table("KAMOKUMST",
          std::string("KCODE t, USERCODE t, REC n, GROUPM0 t, GROUPM1 t, GROUPM2 t, ") +
              (k3 ? "GROUPR1 t, GROUPR2 t" : "GROUPM1 AS GROUPR1 t, GROUPM2 AS GROUPR2 t") +
              ", KKANA S, KNAME S, USE n, USEDEF n, BLDAC n, DAC n, DELFLG n, TAX_LCODE n, TAX_RCODE n, TAX_NUM n,"
              " FUN_LCODE n, FUN_RCODE n, HOJOSW t, BPFLG t, KEIHKUBU t, EXT1_A4 N, EXT1_A3 N, EXT1_KS N,"
              " AZIMO_BADRATE N, AZIMO_BADKIND N, AZIMO_GOODRATE N, AZIMO_GOODKIND N, AZIMO_YOJITU_RATE1 N,"
              " AZIMO_YOJITU_KIND1 N, AZIMO_YOJITU_RATE2 N, AZIMO_YOJITU_KIND2 N, SIKINGURIKUBUN I, KENSAKU_KEY t,"
              " XSTR t, OPCODE n, RTIME DT, " +
              (k3 ? "GROUPM3 S, EXT2_A4 S, EXT2_A3 S, EXT3_A4 S, EXT3_A3 S, EXT4_A4 S, EXT4_A3 S"
                  : "NULL AS GROUPM3 S, NULL AS EXT2_A4 S, NULL AS EXT2_A3 S, NULL AS EXT3_A4 S, NULL AS EXT3_A3 S,"
                    " NULL AS EXT4_A4 S, NULL AS EXT4_A3 S"),
          "ORDER BY KCODE");
    Table("KAMOKU_MS",
          std::string("SCODE t, KCODE t, HCODE t, BCODE t, MNUM n, KAR_NUK n, KAR_TAX n, KAR_IKKATSU n, KAS_NUK n,"
                      " KAS_TAX n, KAS_IKKATSU n, BYOSAN n, BYOSOKU n, RYOSAN n, ") +
              (v802 ? "BYOSAN2 n, BYOSAN3 n" : "0 AS BYOSAN2 n, 0 AS BYOSAN3 n"),
          "ORDER BY SCODE,KCODE,HCODE,BCODE,MNUM", "", true,
          {"INSERT INTO KAMOKU_MS",
           "(SCODE,KCODE,HCODE,BCODE,MNUM,KAR_NUK,KAR_TAX,KAR_IKKATSU,KAS_NUK,KAS_TAX,KAS_IKKATSU,BYOSAN,BYOSOKU,RYOSAN,"
           "BYOSAN2,BYOSAN3)",
           "VALUES"});
    Table("KAMOKU_SZ", KamokuSzValues(), "ORDER BY SCODE,KCODE,HCODE,BCODE", "KAISIZAN", true,
          {"INSERT INTO KAMOKU_SZ", "(SCODE,KCODE,HCODE,BCODE,KISHU_KOMI,KISHU_NUKI,",
           "HAIBUN01,HAIBUN02,HAIBUN03,HAIBUN04,HAIBUN05,HAIBUN06,HAIBUN07,HAIBUN08,HAIBUN09,HAIBUN10,HAIBUN11,"
           "HAIBUN12,HAIBUN13,HAIBUN14,HAIBUN15,HAIBUN16,KAKOZAN)",
           "VALUES"});
    Table("KAMOKU_TAX", "SCODE t, BCODE t, KKUBUN n, MNUM n, KAR n, KAS n", "ORDER BY SCODE,BCODE,KKUBUN,MNUM");
    Table("MB_KMKGROUP", "GCODE t, KCODE t", "ORDER BY GCODE,KCODE");
    Table("AZIMO_HIKAKU",
          "REC n, BUNRUI n, MEISHOU t, TANIMEI t, BADRATE n, BADKIND n, GOODRATE n, GOODKIND n, GROUPA1 t, GROUPA2 t,"
          " GROUPB1 t, GROUPB2 t",
          "ORDER BY REC");
    Table("AZIMO_HIKAKU_COL", "REC n, NUM n, MEISHOU S", "ORDER BY REC");
    Table("AZIMO_YOJITUHENDOU", "REC n, MEISHOU S, RATE1 n, KIND1 n, RATE2 n, KIND2 n", "ORDER BY REC");
    Table("SISETUBUM", "SCODE t, BCODE t, HAIBUN n", "ORDER BY SCODE,BCODE");
    Table("SISETUGROUP", "GCODE t, GNAME S", "ORDER BY GCODE");
    Table("SISETUGROUPLIST", "GCODE t, SCODE t", "ORDER BY GCODE,SCODE");
    Table("SISETUMST",
          std::string("SCODE t, SNAME S, ADDUP n, BUMEX n, XSTR1 t, XSTR2 t, XSTR3 t, XSTR4 t, XSTR5 t, XSTR6 t,"
                      " '' L, '' L, SIWAKECOUNT n, KENSAKU_KEY t, XSTR t, ") +
              (k3 ? "MB_JIGYOU n, MB_SINRYOZYO n, MB_SISETU_NUM t, MB_SYOZAITI t"
                  : "0 AS MB_JIGYOU n, 0 AS MB_SINRYOZYO n, '' AS MB_SISETU_NUM t, '' AS MB_SYOZAITI t"),
          "ORDER BY SCODE", "XSTR7,XSTR8");
    Table("SIWAKE", kJournal, "ORDER BY REC", "", true);
    Table("SIWAKE2", "REC n, SWKREC n, LINKKEY t, LINKKUB N, LINKREC N", "ORDER BY REC", "", true);
    Table("SWK_SEARCH", "REC n, NAME S, KIND n, STYPE n, SSTR t", "ORDER BY REC", "SBIN", false,
          {"INSERT INTO SWK_SEARCH(REC,NAME,KIND,STYPE,SSTR) VALUES"});
    Table("TAXMST", "TAX_CODE n, TAX_REC n, TAX_GNAM t, TAX_NAME t, TAX_HOUSIKI n, TAX_UH n, TAX_DAC n, TAX_NAME2 t",
          "ORDER BY TAX_CODE");
    if (k3)
        Table("MSD_HOUKOKU", "MDGROUP S, MDCODE S, MDTYPE S, MDTEXT1 S, MDTEXT2 S, MDTEXT3 S",
              "ORDER BY MDGROUP,MDCODE", "MDNOTE", false,
              {"INSERT INTO MSD_HOUKOKU(MDGROUP,MDCODE,MDTYPE,MDTEXT1,MDTEXT2,MDTEXT3) VALUES"});
    else
        Empty("MSD_HOUKOKU");
    if (v802) {
        Table("AOPRO_YOSAN_KANRI",
              "FYOSAN_ID N, FYOSAN_NAME S, FYOSAN_HOUHOU N, FJISSEKI_TUKI16 N, FYOSOKU_HOUHOU N, FZOUGENRITU N,"
              " FIS_DIRECT_ZANDAKA N, FANBUN_HOUHOU N, FTOUKI_BUILD N",
              "ORDER BY FYOSAN_ID", "", false,
              {"INSERT INTO AOPRO_YOSAN_KANRI(FYOSAN_ID,FYOSAN_NAME,FYOSAN_HOUHOU,FJISSEKI_TUKI16,FYOSOKU_HOUHOU,"
               "FZOUGENRITU,FIS_DIRECT_ZANDAKA,FANBUN_HOUHOU,FTOUKI_BUILD) VALUES"});
        Table("AOPRO_KAMOKU_YOSAN",
              "FYOSAN_ID N, FNENDO N, FSCODE S, FKCODE S, FHCODE S, FBCODE S, FMNUM N, FYOSAN N",
              "ORDER BY FYOSAN_ID,FNENDO,FSCODE,FKCODE,FHCODE,FBCODE,FMNUM", "", false,
              {"INSERT INTO AOPRO_KAMOKU_YOSAN(FYOSAN_ID,FNENDO,FSCODE,FKCODE,FHCODE,FBCODE,FMNUM,FYOSAN) VALUES"});
    } else {
        Empty("AOPRO_YOSAN_KANRI");
        Empty("AOPRO_KAMOKU_YOSAN");
    }
    KihonRule();
    KoseiGroup();
    if (v802)
        Table("AZIMO_YOJITU_HYOKARULE",
              "FGCODE S, FMEISHOU S, FBAD_RATE N, FBAD_HANI N, FGOOD_RATE N, FGOOD_HANI N", "ORDER BY FGCODE", "",
              false, {"INSERT INTO AZIMO_YOJITU_HYOKARULE(FGCODE,FMEISHOU,FBAD_RATE,FBAD_HANI,FGOOD_RATE,FGOOD_HANI) VALUES"});
    else
        Empty("AZIMO_YOJITU_HYOKARULE");
}

TWebDbSqlDump::TWebDbSqlDump(TDM& dm) : dm_(dm), d_(std::make_unique<Impl>(dm, *this))
{
    TableFilePath = JoinPath(JoinPath(SystemDef.BaseDir, "init"), "azimoban_empty_data.sql");
    IndexFilePath = JoinPath(JoinPath(SystemDef.BaseDir, "init"), "azimoban_empty_index.sql");
    char v[64];
    std::snprintf(v, sizeof v, "%d.%d.%d", AccInf.DataVerMajor, AccInf.DataVerMinor1, AccInf.DataVerMinor2);
    HeaderVersion = v;
    JobLevel = AccInf.DATATYPE == 3 ? 1200 : 200;
}

TWebDbSqlDump::~TWebDbSqlDump() = default;

void TWebDbSqlDump::SetWorkFolder(const std::filesystem::path& folder)
{
    SqlFilePath = (folder / SqlFileName).string();
}

namespace {

std::string Elapsed(std::chrono::steady_clock::duration d)
{
    const long s = static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(d).count()) % 86400;
    return TwoDigits(static_cast<int>(s / 3600)) + ":" + TwoDigits(static_cast<int>(s / 60 % 60)) + ":" +
           TwoDigits(static_cast<int>(s % 60));
}

// The six basic payment rules a budget starts from, inserted when the data set has none.
void EnsureDefaultRules(TDM& dm)
{
    fb::TransactionGuard guard(dm.IBTransactionDAT);
    fb::Statement q(dm.IBDatabaseDAT, &dm.IBTransactionDAT);
    q.SetSQL("SELECT COUNT(FKOMOKU) AS RECCNT\nFROM AOPRO_YOSAN_KIHONRULE");
    q.ExecQuery();
    const int count = q.FieldByName("RECCNT").AsInteger();
    q.Close();
    if (count == 0) {
        static const char* const rows[] = {
            "('売上債権',1,'現金',100.0,0,'','1899/12/31',0)", "('売上債権',2,'掛',0.0,2,'','1899/12/31',0)",
            "('売上債権',3,'手形',0.0,2,'','1899/12/31',0)", "('仕入債務',1,'現金',100,0.0,'','1899/12/31',0)",
            "('仕入債務',2,'掛',0.0,2,'','1899/12/31',0)", "('仕入債務',3,'手形',0.0,2,'','1899/12/31',0)"};
        for (const char* r : rows) {
            fb::Statement ins(dm.IBDatabaseDAT, &dm.IBTransactionDAT);
            ins.SetSQL(std::string("INSERT INTO AOPRO_YOSAN_KIHONRULE(FKOMOKU,FROW,FKBN,FWARIAI,FSITE,FMEMO,FHIZUKE,FKINGAKU)"
                                   " VALUES") + r);
            ins.ExecQuery();
        }
    }
    guard.CommitOrRetain();
}

} // namespace

bool TWebDbSqlDump::WriteSqlDump()
{
    ErrorText.clear();
    if (DatabaseName.empty() || !IsPlainIdentifier(DatabaseName)) return false;
    if (SqlFilePath.empty()) SetWorkFolder(std::filesystem::path(SystemDef.WorkDir) / "PavonaAzimoban_Sql");
    const std::filesystem::path path(SqlFilePath);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    std::filesystem::create_directories(path.parent_path(), ec);
    d_->out = std::fopen(path.c_str(), "wb");
    if (!d_->out) throw std::runtime_error(std::string(std::strerror(errno)) + "\r\n\"" + SqlFilePath + "\"が使用中です。");
    std::setvbuf(d_->out, d_->buffer.data(), _IOFBF, d_->buffer.size());

    const auto started = std::chrono::steady_clock::now();
    const DateTime startTime = DateTime::Now();
    try {
        auto& dm = dm_;
        d_->kind3 = AccInf.DATATYPE == 3;
        d_->v802 = IsVersion802On(AccInf.DataVerMajor, AccInf.DataVerMinor1, AccInf.DataVerMinor2);
        const auto q = "\"";
        d_->HeaderLine("-- ");
        d_->HeaderLine("-- Web Azimban DataBase Dump");
        d_->HeaderLine("--   Application     : " + SystemDef.AppTitle + " (" + SystemDef.AppVersion + ")");
        d_->HeaderLine("--   DataBase Version: " + HeaderVersion);
        d_->HeaderLine("--   Creation File   : " + SqlFilePath);
        d_->HeaderLine("--   Creation Date   : " + FormatDateTime(startTime, true, '/'));
        d_->HeaderLine("--   mysql importline: mysql.exe -u root < " + std::string(q) + SqlFilePath + q);
        d_->HeaderLine("-- ");
        d_->Line("");
        d_->Line("DROP DATABASE /*!32312 IF EXISTS*/ `" + DatabaseName + "`;");
        d_->Line("CREATE DATABASE /*!32312 IF NOT EXISTS*/ `" + DatabaseName +
                 "` /*!40100 DEFAULT CHARACTER SET utf8 COLLATE utf8_unicode_ci */;");
        d_->Line("USE `" + DatabaseName + "`;");
        d_->Line("");
        d_->Line(kSeparator);
        d_->Line("--  Table Create");
        d_->Line(kSeparator);
        d_->Line("");
        d_->CopyFile(TableFilePath);
        d_->Line(kSeparator);
        d_->Line("--  ZaimuData Area");
        d_->Line(kSeparator);
        d_->Line("");

        // Settings the dump itself may insert are written and committed before the snapshot starts,
        // so that the snapshot sees them.
        d_->meetingOn = RegAsInteger(GetAccReg(dm, "ＷＥＢ会議設定", "ＷＥＢ会議を行う", kRegInteger, "0")) != 0;
        if (d_->v802) EnsureDefaultRules(dm);
        {
            HadTransaction = dm.IBTransactionDATSS.InTransaction();
            fb::TransactionGuard snapshot(dm.IBTransactionDATSS, fb::TransactionGuard::Unfinished::Commit);
            d_->Write();
            snapshot.Commit();
        }

        d_->Line(kSeparator);
        d_->Line("--  Index Create");
        d_->Line(kSeparator);
        d_->Line("");
        d_->CopyFile(IndexFilePath);
        d_->Line("");
        d_->Raw("--   Created Time: " + Elapsed(std::chrono::steady_clock::now() - started));
        if (std::fflush(d_->out) != 0) throw std::runtime_error("書き込みに失敗しました。");
        const bool closed = std::fclose(d_->out) == 0;
        d_->out = nullptr;
        if (!closed) throw std::runtime_error("書き込みに失敗しました。");
        return true;
    } catch (const std::exception& e) {
        d_->Close();
        ErrorText = e.what();
        ShowErrorDetail("SQLDumpファイルの作成に失敗しました。", ErrorText);
        return false;
    }
}

} // namespace kb
