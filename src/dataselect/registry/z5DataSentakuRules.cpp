#include "dataselect/registry/z5DataSentakuRules.h"

#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5ComFunc2.h"
#include "core/z5DateVersion.h"
#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace kb {

namespace {

bool ParseInt(const std::string& s, int& out)
{
    try {
        std::size_t used = 0;
        const std::string t = TrimZen(s);
        if (t.empty()) return false;
        out = std::stoi(t, &used);
        return used == t.size();
    } catch (const std::exception&) {
        return false;
    }
}

int IntDef(const std::string& s, int def)
{
    int v = 0;
    return ParseInt(s, v) ? v : def;
}

} // namespace

void ApplyDataSentakuParams(const std::vector<std::string>& lines, TDataSentakuParams& p)
{
    // A key counts as present when a line "Key=" exists; the last such line gives the value.
    auto find = [&](const char* key) -> std::optional<std::string> {
        std::optional<std::string> v;
        const std::string prefix = AsciiUpper(key) + "=";
        for (const auto& l : lines)
            if (AsciiUpper(l.substr(0, prefix.size())) == prefix) v = l.substr(prefix.size());
        return v;
    };
    if (auto v = find("SyoriType")) {
        const int t = IntDef(*v, -1);
        if (t > 5) throw std::out_of_range(kSyoriTypeRangeError);
        if (t >= 0) p.SyoriType = t;
    }
    if (auto v = find("FormStyle")) {
        int s = 0;
        if (!ParseInt(*v, s)) s = 0;
        p.FormStyle = s == 0 ? TFormStyleKind::MdiChild
                    : s == 1 ? TFormStyleKind::MdiForm
                    : s == 2 ? TFormStyleKind::Normal
                             : TFormStyleKind::StayOnTop;
    } else {
        p.FormStyle = TFormStyleKind::MdiChild;
    }
    if (find("JyokenSet")) {
        p.CallerJyoken.JYOKENUSE = 1;
        if (auto v = find("DataType")) p.CallerJyoken.DATATYPE = IntDef(*v, 0);
        if (auto v = find("CodeType")) p.CallerJyoken.CODETYPE = IntDef(*v, 0);
        // The version keys in their reading order: the last one present wins.
        if (auto v = find("DataVer")) {
            p.CallerJyoken.DATAVER = *v;
            p.CallerJyoken.VERKIND = 0;
        }
        if (auto v = find("DataVerMajor")) {
            p.CallerJyoken.DATAVER = *v;
            p.CallerJyoken.VERKIND = 1;
            p.CallerJyoken.YOBISTR1.clear();
        }
        if (auto v = find("DataVerMore")) {
            p.CallerJyoken.DATAVER = *v;
            p.CallerJyoken.VERKIND = 2;
            p.CallerJyoken.YOBISTR1.clear();
        }
        if (auto v = find("ManualFree")) p.ManualFree = (*v == "1");
    }
    p.OnlySAMode = 0;
    p.OnlySABackupPath.clear();
    if (p.SyoriType == 5) {
        if (auto v = find("OnlySA_Syori")) p.OnlySAMode = (*v == "Restore") ? 1 : 0;
        if (auto v = find("OnlySA_BackupPath")) p.OnlySABackupPath = *v;
    }
}

std::uint8_t SortKeyOfColumn(int column)
{
    switch (column) {
    case 1: return 7;
    case 3: return 2;
    case 4: return 3;
    case 5: return 4;
    case 6: return 5;
    case 7: return 6;
    default: return 1;
    }
}

bool PassesJyoken(const TDataListRec& row, const TDataKensakuRec& j)
{
    if (j.DATATYPE == -13) {
        if (row.DATATYPE != 1 && row.DATATYPE != 3) return false;
    } else if (j.DATATYPE > 0) {
        char a[32], b[32];
        std::snprintf(a, sizeof a, "%d%d", j.DATATYPE, j.CODETYPE == 0 ? 0 : j.CODETYPE);
        std::snprintf(b, sizeof b, "%d%d", row.DATATYPE, j.CODETYPE == 0 ? 0 : row.CODETYPE);
        if (std::string(a) != b) return false;
    }
    if (!j.DATANAME.empty()) {
        auto zen = [](const std::string& t) { return ZenUpperCase(MapStringLC(LCMAP_FULLWIDTH, t)); };
        if (zen(row.ENTTEXT).find(zen(j.DATANAME)) == std::string::npos) return false;
    }
    if (j.TANTO != 0 && j.TANTO != row.TANTOU) return false;
    if (!j.DATAVER.empty()) {
        const auto dot = j.DATAVER.find('.');
        const int major = IntDef(j.DATAVER.substr(0, dot), 0);
        const int minor = dot == std::string::npos ? 0 : IntDef(j.DATAVER.substr(dot + 1), 0);
        if (j.VERKIND == 1) {
            if (row.VER_MAJOR != major) return false;
        } else if (j.VERKIND == 2) {
            if (row.VER_MAJOR < major || (row.VER_MAJOR == major && row.VER_MINOR1 < minor)) return false;
        } else {
            char v[32];
            std::snprintf(v, sizeof v, "%d.%d", row.VER_MAJOR, row.VER_MINOR1);
            if (j.DATAVER != v) return false;
        }
    }
    const std::string code = TrimZen(j.DATACODE);
    if (!code.empty()) {
        std::string rowCode = row.DATACODE.substr(0, std::min(row.DATACODE.size(), code.size()));
        rowCode.resize(code.size(), ' ');
        if (AsciiUpper(code) != AsciiUpper(rowCode)) return false;
    }
    return true;
}

TDataSentakuRecDispArray FilterDataList(const TDataSentakuRecArray& rows, const TDataKensakuRec& j)
{
    TDataSentakuRecDispArray out;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (PassesJyoken(rows[i].DataRec, j)) out.push_back(static_cast<int>(i));
    return out;
}

std::string DisplayFolder(const std::string& pasname, const std::string& appDataDir)
{
    if (appDataDir.empty()) return pasname;
    const std::string up = AsciiUpper(pasname), key = AsciiUpper(appDataDir);
    std::string out;
    std::size_t i = 0;
    while (i < pasname.size()) {
        if (up.compare(i, key.size(), key) == 0) {
            out += "~";
            i += key.size();
        } else {
            out += pasname[i++];
        }
    }
    return out;
}

namespace {
TDataVersionCheck& VersionCheck()
{
    static TDataVersionCheck check;
    return check;
}
} // namespace

void SetDataVersionCheck(TDataVersionCheck check) { VersionCheck() = std::move(check); }
bool DataVersionNeedsUpdate(const std::string& versionText) { return VersionCheck() ? VersionCheck()(versionText) : false; }

std::uint32_t LineBackColor(int line, int dataStatus, std::uint32_t backColor, std::uint32_t alternateColor)
{
    if (dataStatus == 1) return kDamagedLineColor;
    return line % 2 == 1 ? alternateColor : backColor;
}

const std::array<std::string, fkCount>& FullCaptions()
{
    static const std::array<std::string, fkCount> c = {"ESC:ｷｬﾝｾﾙ", "F1:ヘルプ", "F2:コピー", "F3:新規作成", "F4:割当解除",
                                                       "F5:ﾃﾞｰﾀ削除", "F6:保存", "F7:復元", "F8:印刷", "F12:選択"};
    return c;
}

const std::array<std::string, fkCount>& BareCaptions()
{
    static const std::array<std::string, fkCount> c = {"ESC:", "F1:", "F2:", "F3:", "F4:", "F5:", "F6:", "F7:", "F8:", "F12:"};
    return c;
}

TFunctionKeyState ComputeFunctionKeys(const TFunctionKeyInput& in)
{
    TFunctionKeyState s;
    s.Captions = FullCaptions();
    auto bare = [&](std::initializer_list<TFuncKey> keys) {
        for (TFuncKey k : keys) s.Captions[k] = BareCaptions()[k];
    };
    const bool server = in.ConnectMode == 1 || in.ConnectMode == 2;
    if (server) s.Captions[fkF4] = "F4:領域追加";
    if (in.SyoriType == 2 || in.SyoriType == 4) bare({fkF3});
    s.KeyState = 0;
    const bool named = !in.ENTTEXT.empty();
    if (in.GridActive && in.HasCurrentLine) {
        s.KeyState = 1;
        if (in.CopyPending) {
            s.KeyState = 2;
            s.Captions[fkF2] = "F2:貼り付け";
            s.PasteHint = true;
        } else {
            s.Captions[fkF2] = "F2:コピー";
        }
        if (in.CloudShareMode && in.CLOUD == 1) bare({fkF3});
        if (server) {
            if (named) {
                bare({fkF3});
                if (in.ConnectMode == 1) s.Captions[fkF3] = "F3:持ち出し";
            } else {
                if (!in.CopyPending) bare({fkF2});
                bare({fkF5, fkF6});
            }
        } else if (in.ConnectMode == 0 && in.NETDRIVE != 0) {
            if (in.KYOYULOCK == 0) {
                bare({fkF2, fkF3, fkF5, fkF7});
                if (in.GASSAN == 10) bare({fkF4});
                if (in.AutoShareVisible && in.AutoShareFlag == 0) bare({fkF12});
            } else {
                bare({fkF3, fkF4, fkF5});
                if ((in.GASSAN != 10 && in.ENTTEXT == kFreeAreaName) || in.ENTTEXT == kNewAreaName) {
                    s.Captions[fkF3] = "F3:新規作成";
                    s.Captions[fkF4] = "F4:割当解除";
                }
                if (in.GASSAN == 1) s.Captions[fkF3] = "F3:分散追加";
                else if (in.GASSAN == 10 && in.ParentGassan == 1) s.Captions[fkF5] = "F5:ﾃﾞｰﾀ削除";
            }
        } else if (in.ConnectMode == 0) {
            bare({fkF4});
            if (named) {
                bare({fkF3});
                if (in.GASSAN == 1) s.Captions[fkF3] = "F3:分散追加";
                else if (in.GASSAN == 10 && in.ParentGassan == 2) bare({fkF5});
            } else {
                if (!in.CopyPending) bare({fkF2});
                bare({fkF5, fkF6});
            }
        }
    }
    if (s.KeyState == 1) {
        if (in.AutoShareTicked) {
            s.KyoyuUpEnabled = in.KyoyuUpEnabled;
            s.KyoyuDownEnabled = in.KyoyuDownEnabled;
        } else if (in.NETDRIVE == 0) {
            s.KyoyuDownEnabled = !named;
            s.KyoyuUpEnabled = false;
        } else if (!IsAreaName(in.ENTTEXT)) {
            s.KyoyuDownEnabled = in.KYOYULOCK == 0;
            s.KyoyuUpEnabled = in.KYOYULOCK == 1;
        } else {
            s.KyoyuDownEnabled = s.KyoyuUpEnabled = false;
        }
        s.CloudEnabled = true;
        if (in.DATA_STATUS != 0) {
            bare({fkF2, fkF3, fkF4, fkF6, fkF12});
            s.KyoyuUpEnabled = false;
            s.CloudEnabled = false;
        }
        if (in.VER_MAJOR == 0) s.CloudEnabled = false;
    } else {
        s.KyoyuUpEnabled = s.KyoyuDownEnabled = false;
        s.CloudEnabled = s.KeyState == 2;
    }
    if (!in.GridEnabled || !in.BottomEnabled) {
        s.KeyState = 0;
        bare({fkF8, fkF12});
    }
    if (s.KeyState == 0) bare({fkF2, fkF3, fkF4, fkF5, fkF6, fkF7});
    switch (in.SyoriType) {
    case 3:
        bare({fkF1, fkF2, fkF3, fkF4, fkF5, fkF6, fkF7, fkF8});
        s.SearchEnabled = false;
        break;
    case 4: bare({fkF1, fkF2, fkF3, fkF6, fkF7, fkF8}); break;
    case 5: bare({fkF1, fkF2, fkF3, fkF4, fkF5, fkF6, fkF7, fkF8}); break;
    default: break;
    }
    return s;
}

std::optional<char> IncSearchChar(int k)
{
    if ((k >= '0' && k <= '9') || (k >= 'A' && k <= 'Z')) return static_cast<char>(k);
    if (k >= 96 && k <= 105) return static_cast<char>('0' + (k - 96));
    if (k >= 106 && k <= 111) return "*+,-./"[k - 106];
    if (k == 186) return ':';
    if (k == 187) return ';';
    if (k >= 188 && k <= 191) return ",-./"[k - 188];
    if (k >= 192 && k <= 224) return static_cast<char>(k - 128);
    if (k == 225) return '[';
    if (k == 226) return '\\';
    return std::nullopt;
}

int FindIncSearchLine(const std::vector<std::string>& codes, const std::vector<bool>& visible, int current,
                      const std::string& text)
{
    const std::string t = AsciiLower(text);
    auto matches = [&](int i) {
        const bool vis = i < static_cast<int>(visible.size()) ? visible[static_cast<std::size_t>(i)] : true;
        return vis && AsciiLower(codes[static_cast<std::size_t>(i)]).compare(0, t.size(), t) == 0;
    };
    const int n = static_cast<int>(codes.size());
    for (int i = current + 1; i < n; ++i)
        if (matches(i)) return i;
    for (int i = 0; i <= current && i < n; ++i)
        if (matches(i)) return i;
    return -1;
}

int NextIncSearchInterval(int interval)
{
    if (interval < 2000) interval += 500;
    return std::min(interval, 1000);
}

bool IsForbiddenGassanPattern(int s, int d)
{
    const bool dConsolidated = d == 1 || d == 2;
    return (s == 0 && dConsolidated) || (s == 10 && dConsolidated) || (s == 1 && d == 2) || (s == 2 && d == 1);
}

std::vector<std::string> CollationLines(const std::string& op, const TDataFolderInfoRec& src, const TDataFolderInfoRec& dst,
                                        int connectMode)
{
    std::vector<std::string> lines;
    auto pair = [&](const std::string& a, const std::string& b) {
        lines.push_back("　【" + op + "元】：" + a);
        lines.push_back("　【" + op + "先】：" + b);
    };
    auto date = [](const std::string& text) {
        const auto d = Date::Parse(text);
        return (d ? *d : Date::FromSerial(0)).ToString();
    };
    if (src.SHOUGOU != dst.SHOUGOU) {
        lines.push_back("会社名に違いがありました。");
        pair(src.SHOUGOU, dst.SHOUGOU);
        if (connectMode == 0 && op == "復元" && (dst.GASSANKBN == 1 || dst.GASSANKBN == 2)) {
            lines.push_back("　注）" + op + "を続行した場合は配下の分散データは削除されます。");
            lines.push_back("");
        }
    }
    if (src.KISHU != dst.KISHU) {
        lines.push_back("期首に違いがありました。");
        pair(date(src.KISHU), date(dst.KISHU));
    }
    if (src.KIMATU != dst.KIMATU) {
        lines.push_back("期末に違いがありました。");
        pair(date(src.KIMATU), date(dst.KIMATU));
    }
    if (src.TOTALSIWAKE < dst.TOTALSIWAKE) {
        lines.push_back("仕訳件数(修正・削除仕訳含む)が減っています。");
        pair(FormatNumber(src.TOTALSIWAKE) + " 件", FormatNumber(dst.TOTALSIWAKE) + " 件");
    }
    return lines;
}

std::optional<std::pair<int, int>> GassanSettingToWrite(int k, int d, int childCount, int connectMode)
{
    if (connectMode != 0) return std::make_pair(0, 0);
    const bool dConsolidated = d == 1 || d == 2;
    switch (k) {
    case 0:
        if (d == 10) return std::make_pair(10, 0);
        return std::nullopt;
    case 1:
    case 2:
        if (dConsolidated) return std::make_pair(d, childCount);
        if (d == 10) return std::make_pair(10, 0);
        return std::nullopt;
    case 10:
        if (d == 0 || dConsolidated) return std::make_pair(0, 0);
        return std::nullopt;
    default: return std::nullopt;
    }
}

} // namespace kb
