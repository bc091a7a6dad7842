#include "core/uAccTaxCmp.h"

#include "core/uAccRecord.h"
#include "core/z5DateVersion.h"
#include "platform/Text.h"

#include <algorithm>
#include <map>

namespace kb {

TZeiRituList ZeiRituList;

namespace {

struct CodeRow {
    int code;
    const char* group;
    const char* name;
    int kind, uh, dc;
};

// The tax-code table, block by block as the journal screens show it.
const CodeRow kCodeRows[] = {
    {110, "売上", "課税売上", 1, 1, 3},
    {111, "売上", "第１種課税売上", 2, 1, 3},
    {112, "売上", "第２種課税売上", 2, 1, 3},
    {113, "売上", "第３種課税売上", 2, 1, 3},
    {114, "売上", "第４種課税売上", 2, 1, 3},
    {115, "売上", "第５種課税売上", 2, 1, 3},
    {116, "売上", "第６種課税売上", 2, 1, 3},
    {120, "売上", "免税売上", 0, 0, 3},
    {130, "売上", "非課税売上", 0, 0, 3},
    {140, "売上", "非課税売上（有価証券）", 0, 0, 3},
    {150, "売上", "非課税売上（輸出等）", 0, 0, 3},

    {210, "貸倒回収", "課税売上", 0, 1, 3},
    {220, "貸倒回収", "免税売上", 0, 0, 3},
    {230, "貸倒回収", "非課税売上", 0, 0, 3},
    {240, "貸倒回収", "非課税売上（有価証券）", 0, 0, 3},
    {250, "貸倒回収", "非課税売上（輸出等）", 0, 0, 3},

    {310, "返還", "課税売上", 1, 1, 1},
    {311, "返還", "第１種課税返還", 2, 1, 1},
    {312, "返還", "第２種課税返還", 2, 1, 1},
    {313, "返還", "第３種課税返還", 2, 1, 1},
    {314, "返還", "第４種課税返還", 2, 1, 1},
    {315, "返還", "第５種課税返還", 2, 1, 1},
    {316, "返還", "第６種課税返還", 2, 1, 1},
    {320, "返還", "免税売上", 0, 0, 1},
    {330, "返還", "非課税売上", 0, 0, 1},
    {340, "返還", "非課税売上（有価証券）", 0, 0, 1},
    {350, "返還", "非課税売上（輸出等）", 0, 0, 1},

    {410, "貸倒", "課税売上", 0, 1, 1},
    {420, "貸倒", "免税売上", 0, 0, 1},
    {430, "貸倒", "非課税売上", 0, 0, 1},
    {440, "貸倒", "非課税売上（有価証券）", 0, 0, 1},
    {450, "貸倒", "非課税売上（輸出等）", 0, 0, 1},

    {511, "仕入", "課税売上対応課税仕入", 0, 2, 1},
    {512, "仕入", "共通売上対応課税仕入", 0, 2, 1},
    {513, "仕入", "非課売上対応課税仕入", 0, 2, 1},
    {521, "仕入", "課税売上対応課税輸入", 0, 2, 1},
    {522, "仕入", "共通売上対応課税輸入", 0, 2, 1},
    {523, "仕入", "非課売上対応課税輸入", 0, 2, 1},
    {531, "仕入", "課税売上対応調整（棚卸）", 0, 2, 1},
    {532, "仕入", "共通売上対応調整（棚卸）", 0, 2, 1},
    {533, "仕入", "非課税売上対調整（棚卸）", 0, 2, 1},
    {540, "仕入", "非課税仕入", 0, 0, 1},
    {551, "仕入", "課税売上対応特定課税仕入", 0, 2, 1},
    {552, "仕入", "共通売上対応特定課税仕入", 0, 2, 1},
    {553, "仕入", "非課売上対応特定課税仕入", 0, 2, 1},
    {561, "仕入", "課税売上対応課税仕入返還", 0, 2, 3},
    {562, "仕入", "共通売上対応課税仕入返還", 0, 2, 3},
    {563, "仕入", "非課売上対応課税仕入返還", 0, 2, 3},
    {571, "仕入", "課税売上対応課税輸入返還", 0, 2, 3},
    {572, "仕入", "共通売上対応課税輸入返還", 0, 2, 3},
    {573, "仕入", "非課売上対応課税輸入返還", 0, 2, 3},
    {581, "仕入", "課税売上対応特定仕入返還", 0, 2, 3},
    {582, "仕入", "共通売上対応特定仕入返還", 0, 2, 3},
    {583, "仕入", "非課売上対応特定仕入返還", 0, 2, 3},

    {610, "仮受", "売上", 1, 0, 3},
    {611, "仮受", "第１種課税売上", 2, 0, 3},
    {612, "仮受", "第２種課税売上", 2, 0, 3},
    {613, "仮受", "第３種課税売上", 2, 0, 3},
    {614, "仮受", "第４種課税売上", 2, 0, 3},
    {615, "仮受", "第５種課税売上", 2, 0, 3},
    {616, "仮受", "第６種課税売上", 2, 0, 3},
    {620, "仮受", "貸倒回収", 0, 0, 3},
    {630, "仮受", "返還", 1, 0, 1},
    {631, "仮受", "第１種課税返還", 2, 0, 1},
    {632, "仮受", "第２種課税返還", 2, 0, 1},
    {633, "仮受", "第３種課税返還", 2, 0, 1},
    {634, "仮受", "第４種課税返還", 2, 0, 1},
    {635, "仮受", "第５種課税返還", 2, 0, 1},
    {636, "仮受", "第６種課税返還", 2, 0, 1},
    {640, "仮受", "貸倒", 0, 0, 1},

    {711, "仮払", "課税売上対応課税仕入", 0, 0, 1},
    {712, "仮払", "共通売上対応課税仕入", 0, 0, 1},
    {713, "仮払", "非課売上対応課税仕入", 0, 0, 1},
    {721, "仮払", "課税売上対応課税輸入", 0, 0, 1},
    {722, "仮払", "共通売上対応課税輸入", 0, 0, 1},
    {723, "仮払", "非課売上対応課税輸入", 0, 0, 1},
    {724, "仮払", "課税売上対応課税輸入(国)", 0, 0, 1},
    {725, "仮払", "共通売上対応課税輸入(国)", 0, 0, 1},
    {726, "仮払", "非課売上対応課税輸入(国)", 0, 0, 1},
    {731, "仮払", "課税売上対応調整（棚卸）", 0, 0, 1},
    {732, "仮払", "共通売上対応調整（棚卸）", 0, 0, 1},
    {733, "仮払", "非課売上対応調整（棚卸）", 0, 0, 1},
    {761, "仮払", "課税売上対応課税仕入返還", 0, 0, 3},
    {762, "仮払", "共通売上対応課税仕入返還", 0, 0, 3},
    {763, "仮払", "非課売上対応課税仕入返還", 0, 0, 3},
    {771, "仮払", "課税売上対応課税輸入返還", 0, 0, 3},
    {772, "仮払", "共通売上対応課税輸入返還", 0, 0, 3},
    {773, "仮払", "非課売上対応課税輸入返還", 0, 0, 3},
    {774, "仮払", "課税売対課税輸入返還(国)", 0, 0, 3},
    {775, "仮払", "共通売対課税輸入返還(国)", 0, 0, 3},
    {776, "仮払", "非課売対課税輸入返還(国)", 0, 0, 3},

    {810, "課税対象外", "課税対象外・不課税", 0, 0, 0},
    // The six full-width blanks belong to the stored name; half-width blanks follow to 24 bytes.
    {910, "区分未定", "区分未定　　　　　　", 0, 0, 0},
};

constexpr std::size_t kNameWidth = 24;
constexpr std::size_t kErrorGroupWidth = 20;

const std::map<int, const CodeRow*>& CodeIndex()
{
    static const std::map<int, const CodeRow*> index = [] {
        std::map<int, const CodeRow*> m;
        for (const auto& r : kCodeRows) m.emplace(r.code, &r);
        return m;
    }();
    return index;
}

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }
bool IsNeutral(int code) { return code == kZeiCodeTaisyougai || code == kZeiCodeMitei; }

// An account with no user code (the data set lacks that account) is never the tax account.
bool SameAccount(std::string_view account, const std::string& userCode)
{
    return !userCode.empty() && account == userCode;
}

std::string VersionText(int major, int minor1, int minor2)
{
    return std::to_string(major) + "." + std::to_string(minor1) + "." + std::to_string(minor2);
}

TZeiRituRec Rate(const char* label, int percent, int rituNo, int order, const char* start, int a1, int a2,
                 int current, int byDate, int useIndex)
{
    TZeiRituRec r;
    r.Label = label;
    r.Rate = Currency::FromYen(percent);
    r.RituNo = rituNo;
    r.Order = order;
    r.StartDateText = start;
    r.Attr1 = a1;
    r.Attr2 = a2;
    r.IsCurrent = static_cast<std::uint8_t>(current);
    r.ByDate = static_cast<std::uint8_t>(byDate);
    r.UseIndex = useIndex;
    r.InUse = 1;
    return r;
}

const TZeiRituList& EnsureList(const TZeiDataInfo& info, Date date)
{
    if (ZeiRituList.empty()) InitZeiRituList(info, date);
    return ZeiRituList;
}

Date StartDate(const TZeiRituRec& r)
{
    return Date::Parse(r.StartDateText).value_or(Date());
}

} // namespace

TZeiDataInfo ZeiDataInfoFromAccInf()
{
    TZeiDataInfo info;
    info.TAXKANNI = AccInf.TAXKANNI;
    info.TAXJIGYOU = AccInf.TAXJIGYOU;
    info.TAXU_HASUU = AccInf.TAXU_HASUU;
    info.TAXH_HASUU = AccInf.TAXH_HASUU;
    info.KaribaraiUserCode = AccInf.SysUserCode[1];
    info.KariukeUserCode = AccInf.SysUserCode[2];
    info.SyokutiUserCode = AccInf.SysUserCode[3];
    info.DataVerMajor = AccInf.DataVerMajor;
    info.DataVerMinor1 = AccInf.DataVerMinor1;
    info.DataVerMinor2 = AccInf.DataVerMinor2;
    return info;
}

bool GetZeiCodeInfo(int code, TZeiCodeInfo& info)
{
    const auto& index = CodeIndex();
    const auto it = index.find(code);
    if (it == index.end()) {
        info.GroupName = sjis::PadRight("Error", kErrorGroupWidth);
        info.Name = " ";
        info.Kind = 9;
        info.TAXUH = 0;
        info.TAXDC = 0;
        return false;
    }
    const CodeRow& r = *it->second;
    info.GroupName = r.group;
    info.Name = sjis::PadRight(r.name, kNameWidth);
    info.Kind = r.kind;
    info.TAXUH = r.uh;
    info.TAXDC = r.dc;
    return true;
}

bool GetZeiCodeInfo(int code, std::string& groupName, std::string& name, int& kind, int& taxUH, int& taxDC)
{
    TZeiCodeInfo info;
    const bool known = GetZeiCodeInfo(code, info);
    groupName = std::move(info.GroupName);
    name = std::move(info.Name);
    kind = info.Kind;
    taxUH = info.TAXUH;
    taxDC = info.TAXDC;
    return known;
}

const std::vector<int>& ZeiCodeList()
{
    static const std::vector<int> codes = [] {
        std::vector<int> v;
        for (const auto& r : kCodeRows) v.push_back(r.code);
        std::sort(v.begin(), v.end());
        return v;
    }();
    return codes;
}

int ConvZeiCode(const TZeiDataInfo& info, int& code)
{
    if (info.TAXKANNI == 1) {
        // A category outside 1..6 would make a code the table does not know: keep the code then.
        if ((code == 110 || code == 310 || code == 610 || code == 630) && InRange(info.TAXJIGYOU, 1, 6))
            code += info.TAXJIGYOU;
    } else {
        if (InRange(code, 111, 116)) code = 110;
        else if (InRange(code, 311, 316)) code = 310;
        else if (InRange(code, 611, 616)) code = 610;
        else if (InRange(code, 631, 636)) code = 630;
    }
    return code;
}

bool IsZeiKamoku(const TZeiDataInfo& info, std::string_view account)
{
    return SameAccount(account, info.KaribaraiUserCode) || SameAccount(account, info.KariukeUserCode);
}

bool CheckZeiKamoku(const TZeiDataInfo& info, std::string& msg, std::string_view account, int code)
{
    if (SameAccount(account, info.KaribaraiUserCode)) {
        if (InRange(code, 711, 713) || InRange(code, 721, 726) || InRange(code, 731, 733) ||
            InRange(code, 761, 763) || InRange(code, 771, 776) || IsNeutral(code)) {
            msg.clear();
        } else {
            msg = "仮払消費税の税コードは[700番台,810,910]を使用してください。";
            return false;
        }
    } else if (InRange(code, 700, 799)) {
        msg = "税コードが[700番台]は、科目に仮払消費税を使用してください。";
        return false;
    }

    if (!SameAccount(account, info.KariukeUserCode)) {
        if (InRange(code, 600, 699)) {
            msg = "税コードが[600番台]は、科目に仮受消費税を使用してください。";
            return false;
        }
        return true;
    }

    const bool plain = code == 620 || code == 640 || IsNeutral(code);
    const bool category = InRange(code, 611, 616) || InRange(code, 631, 636);
    if (info.TAXKANNI == 0) {
        if (plain || code == 610 || code == 630) {
            msg.clear();
            return true;
        }
        if (category) {
            msg = "注意：原則課税が選択されています。";
            return true;
        }
        msg = "仮受消費税の税コードは[600番台,810,910]を使用してください。";
        return false;
    }
    if (info.TAXKANNI == 1) {
        if (plain || category) {
            msg.clear();
            return true;
        }
        if (code == 610 || code == 630) {
            msg = "注意：簡易課税が選択されています。";
            return true;
        }
        msg = "仮受消費税の税コードは[600番台,810,910]を使用してください。";
        return false;
    }
    return true;
}

bool CheckAiteZeiCode(const TZeiDataInfo& info, std::string& msg, std::string_view account, int& code)
{
    if (IsZeiKamoku(info, account) && !IsNeutral(code)) {
        msg = "仮受消費税、仮払消費税の相手税コードは[810,910]を使用してください。";
        code = kZeiCodeTaisyougai;
        return false;
    }
    return true;
}

bool CheckSyokutiZeiCode(const TZeiDataInfo& info, std::string& msg, std::string_view account, int& code)
{
    if (SameAccount(account, info.SyokutiUserCode) && !IsNeutral(code)) {
        msg = "諸口の消費税コードは、[810,910]を使用してください。";
        code = kZeiCodeTaisyougai;
        return false;
    }
    return true;
}

bool IsTokuteiSiireCode(int code)
{
    return InRange(code, 551, 553) || InRange(code, 581, 583);
}

bool CheckTokuteiSiire(std::string& msg, int code, int rateNo, Date date)
{
    if (!IsTokuteiSiireCode(code)) return true;
    bool ok = true;
    const Date first(2015, 10, 1);
    if (date < first) {
        msg = "特定課税仕入れ用の消費税コード[551,552,553,581,582,583]では[" + first.ToString() +
              "]より前の取引を登録できません。";
        ok = false;
    }
    const char* rateText = rateNo == 1 ? "3%" : rateNo == 2 ? "5%" : rateNo == 4 ? "軽減8%" : nullptr;
    if (rateText) {
        msg = std::string("特定課税仕入れ用の消費税コード[551,552,553,581,582,583]では税率[") + rateText +
              "]は使用できません。";
        ok = false;
    }
    return ok;
}

RoundMode HasuSyoriMode(int mode)
{
    switch (mode) {
    case 0: return RoundMode::TowardZero;
    case 2: return RoundMode::AwayFromZero;
    default: return RoundMode::HalfAwayFromZero;
    }
}

Currency HasuSyori(int mode, Currency amount)
{
    return amount.RoundYen(HasuSyoriMode(mode));
}

TZeiRituList MakeZeiRituList(int verMajor, int verMinor1, int verMinor2)
{
    if (IsVersionAtLeast(VersionText(verMajor, verMinor1, verMinor2), "11.1.0")) {
        return {
            Rate("10%", 10, 0, 4, "2019/10/01", 11, 1, 1, 1, 4),
            Rate("8*%", 8, 4, 3, "2019/10/01", 11, 1, 1, 0, 3),
            Rate("8%", 8, 3, 2, "2014/04/01", 6, 1, 0, 1, 2),
            Rate("5%", 5, 2, 1, "1997/04/01", 1, 0, 0, 1, 1),
            Rate("3%", 3, 1, 0, "1989/04/01", 1, 0, 0, 1, 0),
        };
    }
    return {
        Rate("8%", 8, 0, 2, "2014/04/01", 6, 1, 1, 1, 2),
        Rate("5%", 5, 2, 1, "1997/04/01", 1, 0, 0, 1, 1),
        Rate("3%", 3, 1, 0, "1989/04/01", 1, 0, 0, 1, 0),
    };
}

void InitZeiRituList(const TZeiDataInfo& info, Date /*date*/)
{
    ZeiRituList = MakeZeiRituList(info.DataVerMajor, info.DataVerMinor1, info.DataVerMinor2);
}

Currency GetZeiRitu(const TZeiDataInfo& info, int rateNo, Date date)
{
    const auto& list = EnsureList(info, date);
    for (const auto& r : list)
        if (r.RituNo == rateNo) return r.Rate;
    return list.front().Rate;
}

int GetZeiRituNo(const TZeiDataInfo& info, int rateNo, Date date)
{
    const auto& list = EnsureList(info, date);
    const TZeiRituRec* own = nullptr;
    for (const auto& r : list)
        if (r.RituNo == rateNo) { own = &r; break; }
    if (own && own->ByDate == 0) return rateNo;

    int inForce = 0;
    for (const auto& r : list) {
        if (!date.IsNull() && StartDate(r) <= date) { inForce = r.RituNo; break; }
    }
    if (inForce == rateNo) return rateNo;
    for (const auto& r : list)
        if (r.RituNo == rateNo && !date.IsNull() && StartDate(r) <= date) return rateNo;
    return inForce;
}

int ConvZeiCode(int& code) { return ConvZeiCode(ZeiDataInfoFromAccInf(), code); }

bool CheckZeiKamoku(std::string& msg, std::string_view account, int code)
{
    return CheckZeiKamoku(ZeiDataInfoFromAccInf(), msg, account, code);
}

bool CheckAiteZeiCode(std::string& msg, std::string_view account, int& code)
{
    return CheckAiteZeiCode(ZeiDataInfoFromAccInf(), msg, account, code);
}

bool CheckSyokutiZeiCode(std::string& msg, std::string_view account, int& code)
{
    return CheckSyokutiZeiCode(ZeiDataInfoFromAccInf(), msg, account, code);
}

void InitZeiRituList(Date date) { InitZeiRituList(ZeiDataInfoFromAccInf(), date); }
Currency GetZeiRitu(int rateNo, Date date) { return GetZeiRitu(ZeiDataInfoFromAccInf(), rateNo, date); }
int GetZeiRituNo(int rateNo, Date date) { return GetZeiRituNo(ZeiDataInfoFromAccInf(), rateNo, date); }

} // namespace kb
