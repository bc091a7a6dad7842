#include "exchange/JisyoLoader.h"

#include "core/z5ComFunc.h"
#include "platform/Date.h"
#include "platform/Text.h"

#include <charconv>

namespace kb {
namespace {

constexpr int kWriteColumn = 2; // files are always written with the codes of version 1.2

std::string Q(const std::string& s) { return "\"" + s + "\","; }
std::string N(std::int64_t v) { return std::to_string(v) + ","; }

int IntDef(const std::string& text, int fallback)
{
    int v = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, ec] = std::from_chars(first, last, v);
    return ec == std::errc() && end == last && first != last ? v : fallback;
}

std::string FieldAt(const std::vector<std::string>& f, std::size_t i) { return i < f.size() ? f[i] : std::string(); }

// The table names of one dictionary.
struct Tables {
    const char* tab;
    const char* entry;
};
constexpr Tables kTek{"TEKDICTI", "TEKDIC"};
constexpr Tables kTor{"TORDICTI", "TORDIC"};

} // namespace

const std::string TJisyoLoader::codes_[4][3] = {
    {"200", "200", "200"},
    {"201", "202", "202"},
    {"300", "300", "300"},
    {"301", "302", "303"},
};

TJisyoLoader::TJisyoLoader()
{
    FileKind = "摘要・取引先辞書設定";
    VersionCheck = 1;
    SetFileVersion("1.2");
}

void TJisyoLoader::SetFileVersion(const std::string& version) { FileVersion = version; }

int TJisyoLoader::VersionColumn() const
{
    if (FileVersion == "1.0") return 0;
    if (FileVersion == "1.1") return 1;
    if (FileVersion == "1.2") return 2;
    return -1;
}

void TJisyoLoader::Clear()
{
    Lines.clear();
    tabKeys_.clear();
    cacheScode_ = "**";
    cache_.clear();
}

bool TJisyoLoader::SaveToFile(const std::string& path)
{
    Clear();
    if (TrimBlanks(path).empty()) return false;
    // An export only reads: whatever goes wrong, the transaction it started is committed.
    fb::TransactionGuard guard(Tr(), fb::TransactionGuard::Unfinished::Commit);
    WriteHeader();
    if (Selector == 0 || Selector == 1) ExportDictionary(false);
    if (Selector == 0 || Selector == 2) ExportDictionary(true);
    guard.Commit();
    SaveLines(path);
    return true;
}

void TJisyoLoader::ExportDictionary(bool partner)
{
    const Tables t = partner ? kTor : kTek;
    const bool one = AllBranches == 0;
    auto& q = Sql(0);
    q.SetSQL(std::string("SELECT CREC,SCODE,SORTCODE,TEXT,MOVEMENT FROM ") + t.tab + (one ? " WHERE SCODE=:SCODE" : "") +
             " ORDER BY SCODE,SORTCODE");
    if (one) q.ParamByName("SCODE").SetString(Scode);
    const std::string& tabCode = CodeFor(partner ? TorTab : TekTab, kWriteColumn);
    std::string lastScode;
    int position = 0;
    bool first = true;
    for (q.ExecQuery(); !q.Eof(); q.Next()) {
        std::string scode = q.FieldByName("SCODE").AsString();
        if (first || scode != lastScode) position = 0;
        first = false;
        lastScode = scode;
        ++position;
        Lines.push_back(Q(tabCode) + N(q.FieldByName("CREC").AsInteger()) + Q(scode.empty() ? " " : scode) + N(position) +
                        Q(QuoteText(q.FieldByName("TEXT").AsString(), 1)) + N(q.FieldByName("MOVEMENT").AsInteger()));
    }
    q.Close();

    // The tab is joined by branch too: partner tabs share their keys 1 .. 50 across branches.
    q.SetSQL(std::string("SELECT H.*,K1.USERCODE AS KAR_USERCODE,K2.USERCODE AS KAS_USERCODE FROM ") + t.entry + " H" +
             " INNER JOIN " + t.tab + " T ON (H.CREC=T.CREC AND H.SCODE=T.SCODE)" +
             " LEFT JOIN KAMOKUMST K1 ON (H.KAR_KCODE=K1.KCODE)" + " LEFT JOIN KAMOKUMST K2 ON (H.KAS_KCODE=K2.KCODE)" +
             (one ? " WHERE T.SCODE=:SCODE" : "") + " ORDER BY T.SCODE,T.SORTCODE,H.KANA");
    if (one) q.ParamByName("SCODE").SetString(Scode);
    const std::string& entryCode = CodeFor(partner ? TorEntry : TekEntry, kWriteColumn);
    const bool internal = entryCode == "201" || entryCode == "301";
    for (q.ExecQuery(); !q.Eof(); q.Next()) {
        auto s = [&](const char* name) { return q.FieldByName(name).AsString(); };
        auto i = [&](const char* name) { return q.FieldByName(name).AsInteger(); };
        const std::string scode = s("SCODE");
        std::string line = Q(entryCode) + N(i("CREC")) + Q(scode.empty() ? " " : scode) + Q(s("KANA")) +
                           Q(QuoteText(s("TEXT"), 1)) + Q(partner ? QuoteText(s("TEKTEXT"), 1) : std::string());
        line += Q(internal ? s("KAR_KCODE") : s("KAR_USERCODE")) + Q(s("KAR_HCODE")) + Q(s("KAR_BCODE")) +
                Q(std::to_string(i("KAR_TAXCODE")));
        line += Q(internal ? s("KAS_KCODE") : s("KAS_USERCODE")) + Q(s("KAS_HCODE")) + Q(s("KAS_BCODE")) +
                Q(std::to_string(i("KAS_TAXCODE")));
        line += N(i("WAITFLG")) + N(i("TAXOLD")) + N(i("TAXNUM")) + N(i("MOVEMENT")) + N(partner ? 0 : i("HAIBUN"));
        const auto rtime = q.FieldByName("RTIME");
        line += Q(Selector == 0 && !rtime.IsNull() ? rtime.AsDateTime().ToString() : std::string());
        Lines.push_back(std::move(line));
    }
    q.Close();
}

int TJisyoLoader::CountRecords()
{
    try {
        const int col = VersionColumn();
        std::vector<std::string> codes;
        const bool tek = Selector == 0 || Selector == 1;
        const bool tor = Selector == 0 || Selector == 2;
        if (tek) codes.push_back(codes_[TekTab][2]);
        if (tor) codes.push_back(codes_[TorTab][2]);
        if (col >= 0) {
            if (tek) codes.push_back(codes_[TekEntry][col]);
            if (tor) codes.push_back(codes_[TorEntry][col]);
        }
        int n = 0;
        for (const auto& line : Lines) {
            if (line.rfind("//", 0) == 0) continue;
            const std::string code = FieldAt(Fields(line), 0);
            if (TrimBlanks(code).empty()) continue;
            if (std::find(codes.begin(), codes.end(), code) != codes.end()) ++n;
        }
        return n;
    } catch (const std::exception&) {
        return 0;
    }
}

bool TJisyoLoader::LoadFromFile(const std::string& path)
{
    Clear();
    if (TrimBlanks(path).empty()) return false;
    LoadLines(path);
    if (Lines.empty() || !CheckHeader() || CountRecords() == 0) return false;
    fb::TransactionGuard guard(Tr());
    if (Selector == 0 || Selector == 1) ImportDictionary(false);
    if (Selector == 0 || Selector == 2) ImportDictionary(true);
    guard.Commit();
    return true;
}

std::string TJisyoLoader::BranchOf(const std::string& field) const
{
    const std::string scode = AllBranches == 1 ? field : Scode;
    return scode.empty() ? " " : scode;
}

void TJisyoLoader::ImportDictionary(bool partner)
{
    const Tables t = partner ? kTor : kTek;
    const bool one = AllBranches == 0;
    auto& q = Sql(0);
    q.SetSQL(std::string("DELETE FROM ") + t.entry + (one ? " WHERE SCODE=:SCODE" : ""));
    if (one) q.ParamByName("SCODE").SetString(Scode);
    q.ExecQuery();
    if (!one) {
        q.SetSQL(std::string("UPDATE ") + t.tab + " SET TEXT=''");
        q.ExecQuery();
    }

    // Positions 1, 2, 3 ... per branch, so that the file's tabs land by position.
    struct TabRow {
        int crec;
        std::string scode;
    };
    std::vector<TabRow> tabs;
    auto& r = Sql(1);
    r.SetSQL(std::string("SELECT CREC,SCODE FROM ") + t.tab + (one ? " WHERE SCODE=:SCODE" : "") + " ORDER BY SCODE,SORTCODE");
    if (one) r.ParamByName("SCODE").SetString(Scode);
    for (r.ExecQuery(); !r.Eof(); r.Next()) tabs.push_back({r.FieldByName("CREC").AsInteger(), r.FieldByName("SCODE").AsString()});
    r.Close();
    q.SetSQL(std::string("UPDATE ") + t.tab + " SET SORTCODE=:SORTCODE WHERE CREC=:CREC AND SCODE=:SCODE");
    int position = 0;
    for (std::size_t k = 0; k < tabs.size(); ++k) {
        position = k > 0 && tabs[k].scode == tabs[k - 1].scode ? position + 1 : 1;
        q.ParamByName("SORTCODE").SetInteger(position);
        q.ParamByName("CREC").SetInteger(tabs[k].crec);
        q.ParamByName("SCODE").SetString(tabs[k].scode);
        q.ExecQuery();
    }

    const std::string& tabCode = codes_[partner ? TorTab : TekTab][0];
    const auto isEntry = [&](const std::string& code) {
        return partner ? (code == "301" || code == "302" || code == "303") : (code == "201" || code == "202");
    };
    tabKeys_.clear();
    std::string lastBranch;
    bool firstTab = true;
    int counter = 0;
    for (const auto& line : Lines) {
        if (line.rfind("//", 0) == 0) continue;
        const auto f = Fields(line);
        const std::string code = FieldAt(f, 0);
        if (code == tabCode) {
            const std::string branch = BranchOf(FieldAt(f, 2));
            if (firstTab || branch != lastBranch) counter = 1;
            firstTab = false;
            lastBranch = branch;
            q.SetSQL(std::string("UPDATE ") + t.tab + " SET TEXT=:TEXT WHERE SCODE=:SCODE AND SORTCODE=:SORTCODE");
            q.ParamByName("TEXT").SetString(TrimZen(FixLeft(UnquoteText(FieldAt(f, 4), 1), 40)));
            q.ParamByName("SCODE").SetString(branch);
            q.ParamByName("SORTCODE").SetInteger(counter);
            q.ExecQuery();
            r.SetSQL(std::string("SELECT CREC FROM ") + t.tab + " WHERE SCODE=:SCODE AND SORTCODE=:SORTCODE");
            r.ParamByName("SCODE").SetString(branch);
            r.ParamByName("SORTCODE").SetInteger(counter);
            r.ExecQuery();
            tabKeys_[FieldAt(f, 1) + "-" + branch] = r.Eof() ? 0 : r.FieldByName("CREC").AsInteger();
            r.Close();
            ++counter;
        } else if (isEntry(code)) {
            const std::string branch = BranchOf(FieldAt(f, 2));
            const auto key = tabKeys_.find(FieldAt(f, 1) + "-" + branch);
            if (key == tabKeys_.end() || key->second <= 0) continue;
            LoadKamokuCodes(branch);
            std::string side[2][3] = {{FieldAt(f, 6), FieldAt(f, 7), FieldAt(f, 8)}, {FieldAt(f, 10), FieldAt(f, 11), FieldAt(f, 12)}};
            for (auto& s : side) ResolveKamokuCode(code, s[0], s[1], s[2]);
            q.SetSQL(std::string("INSERT INTO ") + t.entry + " (" + (partner ? "TORCODE,TEKCODE,MCODE" : "TEKCODE,FNUM") +
                     ",CREC,\"ROW\",\"COL\",SCODE,KANA,TEXT" + (partner ? ",TEKTEXT" : "") +
                     ",KAR_KCODE,KAR_HCODE,KAR_BCODE,KAR_TAXCODE,KAS_KCODE,KAS_HCODE,KAS_BCODE,KAS_TAXCODE"
                     ",WAITFLG,TAXOLD,TAXNUM,MOVEMENT" + (partner ? "" : ",HAIBUN") + ",RTIME) VALUES (" +
                     (partner ? "0,0,0" : "0,0") + ",:CREC,0,0,:SCODE,:KANA,:TEXT" + (partner ? ",:TEKTEXT" : "") +
                     ",:KAR_KCODE,:KAR_HCODE,:KAR_BCODE,:KAR_TAXCODE,:KAS_KCODE,:KAS_HCODE,:KAS_BCODE,:KAS_TAXCODE"
                     ",:WAITFLG,:TAXOLD,:TAXNUM,:MOVEMENT" + (partner ? "" : ",:HAIBUN") + ",:RTIME)");
            q.ClearParams();
            q.ParamByName("CREC").SetInteger(key->second);
            q.ParamByName("SCODE").SetString(branch);
            q.ParamByName("KANA").SetString(TrimZen(FixLeft(FieldAt(f, 3), 5)));
            q.ParamByName("TEXT").SetString(TrimZen(FixLeft(UnquoteText(FieldAt(f, 4), 1), partner ? 40 : 50)));
            if (partner) q.ParamByName("TEKTEXT").SetString(TrimZen(FixLeft(UnquoteText(FieldAt(f, 5), 1), 50)));
            const char* names[2][3] = {{"KAR_KCODE", "KAR_HCODE", "KAR_BCODE"}, {"KAS_KCODE", "KAS_HCODE", "KAS_BCODE"}};
            for (int s = 0; s < 2; ++s)
                for (int c = 0; c < 3; ++c)
                    if (!side[s][c].empty()) q.ParamByName(names[s][c]).SetString(side[s][c]); // else NULL
            q.ParamByName("KAR_TAXCODE").SetInteger(IntDef(FieldAt(f, 9), 910));
            q.ParamByName("KAS_TAXCODE").SetInteger(IntDef(FieldAt(f, 13), 910));
            q.ParamByName("WAITFLG").SetInteger(IntDef(FieldAt(f, 14), 0));
            q.ParamByName("TAXOLD").SetInteger(IntDef(FieldAt(f, 15), 0));
            q.ParamByName("TAXNUM").SetInteger(IntDef(FieldAt(f, 16), 0));
            q.ParamByName("MOVEMENT").SetInteger(IntDef(FieldAt(f, 17), 0));
            if (!partner) q.ParamByName("HAIBUN").SetInteger(IntDef(FieldAt(f, 18), 0));
            const std::string rtime = FieldAt(f, 19);
            if (!rtime.empty()) q.ParamByName("RTIME").SetDateTime(DateTime::Parse(rtime).value_or(DateTime::Now()));
            q.ExecQuery();
        }
    }
}

void TJisyoLoader::LoadKamokuCodes(const std::string& scode)
{
    if (scode == cacheScode_) return;
    cache_.clear();
    auto& r = Sql(1);
    r.SetSQL(std::string("SELECT KCODE,USERCODE,HCODE,BCODE FROM KAMOKU_VIEW WHERE SCODE=:SCODE ORDER BY ") +
             (FileVersion == "1.0" ? "KCODE" : "USERCODE") + ",HCODE,BCODE");
    r.ParamByName("SCODE").SetString(scode);
    for (r.ExecQuery(); !r.Eof(); r.Next())
        cache_.push_back({r.FieldByName("KCODE").AsString(), r.FieldByName("USERCODE").AsString(),
                          r.FieldByName("HCODE").AsString(), r.FieldByName("BCODE").AsString(), 0, 0});
    r.Close();
    cacheScode_ = scode;
}

void TJisyoLoader::ResolveKamokuCode(const std::string& recordCode, std::string& kcode, std::string& hcode, std::string& bcode)
{
    if (kcode.empty()) {
        hcode.clear();
        bcode.clear();
        return;
    }
    const bool internal = recordCode == "201" || recordCode == "301";
    std::string resolved;
    bool matched = false;
    int hHits = 0, bHits = 0;
    for (const auto& row : cache_) {
        const std::string& code = internal ? row.KCODE : row.USERCODE;
        const int cmp = code.compare(kcode);
        if (cmp > 0) break;
        if (cmp != 0) continue;
        matched = true;
        resolved = row.KCODE;
        if (row.HCODE == hcode) ++hHits;
        if (row.BCODE == bcode) ++bHits;
    }
    if (!matched) {
        kcode.clear();
        hcode.clear();
        bcode.clear();
        return;
    }
    kcode = resolved;
    if (hHits == 0) hcode.clear();
    if (bHits == 0) bcode.clear();
}

} // namespace kb
