#pragma once
// The decisions of the data selection dialog, as plain functions its form calls and tests run from
// tables: the caller's parameter lines, the list filter, the sort key of a column, the grey and red
// line rules, the function-key captions (which are at the same time the keys' enabled state) and
// the incremental search.

#include "dataselect/registry/DataFolderInfo.h"
#include "dataselect/registry/DataKensakuJyoken.h"
#include "dataselect/registry/z5ComDataSentaku.h"
#include "platform/Text.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kb {

// ---- parameter lines ("Key=Value", as SetParams receives them)

enum class TFormStyleKind { MdiChild, MdiForm, Normal, StayOnTop };

struct TDataSentakuParams {
    int SyoriType = 0;              // 0..5
    TFormStyleKind FormStyle = TFormStyleKind::MdiChild;
    TDataKensakuRec CallerJyoken;   // cleared for the operator by the caller before the lines are read
    bool ManualFree = false;
    int OnlySAMode = 0;             // 0 Backup, 1 Restore
    std::string OnlySABackupPath;
};

inline constexpr const char* kSyoriTypeRangeError = "処理タイプに範囲外の値が設定されました。";

// Reads the lines into p in the order the dialog reads them. A SyoriType above 5 throws
// std::out_of_range with kSyoriTypeRangeError (p keeps what was read before it).
void ApplyDataSentakuParams(const std::vector<std::string>& lines, TDataSentakuParams& p);
// Splits a parameter text at CR, LF or CR LF.
inline std::vector<std::string> SplitParamLines(const std::string& text) { return SplitLines(text); }

// ---- list

// TDataSentakuListCtl.Execute's sort key for a sorted grid column (-1 none).
std::uint8_t SortKeyOfColumn(int column);
// Whether a loaded row passes every condition that is set.
bool PassesJyoken(const TDataListRec& row, const TDataKensakuRec& j);
TDataSentakuRecDispArray FilterDataList(const TDataSentakuRecArray& rows, const TDataKensakuRec& j);
// PASNAME with every occurrence of the application data root (letter case ignored) shown as "~".
std::string DisplayFolder(const std::string& pasname, const std::string& appDataDir);

// ---- the grey rule: the update dialog's version check

// Whether a data set of this version text is older than the newest accounting update step. The
// program installs the update subsystem's check (this library cannot link it); until then no row
// counts as outdated.
using TDataVersionCheck = std::function<bool(const std::string& versionText)>;
void SetDataVersionCheck(TDataVersionCheck check);
bool DataVersionNeedsUpdate(const std::string& versionText);

// Line colours ($00BBGGRR).
inline constexpr std::uint32_t kDamagedLineColor = 0x0000FF;
inline constexpr std::uint32_t kGreyTextColor = 0x808080;
std::uint32_t LineBackColor(int line, int dataStatus, std::uint32_t backColor, std::uint32_t alternateColor);

// ---- function keys

enum TFuncKey { fkESC = 0, fkF1, fkF2, fkF3, fkF4, fkF5, fkF6, fkF7, fkF8, fkF12, fkCount };

struct TFunctionKeyInput {
    int ConnectMode = 0;
    int SyoriType = 0;
    bool GridActive = true;        // the grid is the active control
    bool HasCurrentLine = false;
    bool CopyPending = false;
    bool CloudShareMode = false;
    bool AutoShareVisible = true;  // cboxKyoyuDataAuto shown
    bool AutoShareTicked = false;  // cboxKyoyuDataAuto checked
    int AutoShareFlag = 0;         // SystemDef
    bool GridEnabled = true;
    bool BottomEnabled = true;
    // the current line's row
    std::string ENTTEXT;
    int NETDRIVE = 0;
    int KYOYULOCK = 0;
    int GASSAN = 0;
    int ParentGassan = 0;          // the parent's GASSAN for a member line
    int DATA_STATUS = 0;
    int VER_MAJOR = 0;
    int CLOUD = 0;
    // state kept while the auto-share box is ticked
    bool KyoyuUpEnabled = false;
    bool KyoyuDownEnabled = false;
};

struct TFunctionKeyState {
    int KeyState = 0;              // 0 no usable row, 1 a row, 2 paste target
    std::array<std::string, fkCount> Captions;
    bool KyoyuUpEnabled = false;
    bool KyoyuDownEnabled = false;
    bool CloudEnabled = false;
    bool SearchEnabled = true;     // the two search buttons (off in type 3)
    bool PasteHint = false;        // the grid shows the paste hint
};

const std::array<std::string, fkCount>& FullCaptions();
const std::array<std::string, fkCount>& BareCaptions();
TFunctionKeyState ComputeFunctionKeys(const TFunctionKeyInput& in);
inline bool IsBareCaption(const std::string& caption, TFuncKey k) { return caption == BareCaptions()[k]; }

// ---- incremental search

// The character a key code stands for in the incremental search (Windows virtual-key codes), or
// nothing for a key the search does not take.
std::optional<char> IncSearchChar(int virtualKey);
// The line to select: the first visible line after current whose code starts with text (lower
// case compared), else the first such line from 0 up to current; -1 when none.
int FindIncSearchLine(const std::vector<std::string>& codes, const std::vector<bool>& visible, int current,
                      const std::string& text);
// The timer interval after one more key: grows by 500 while below 2000, capped at 1000.
int NextIncSearchInterval(int interval);

// ---- checks of a paste or restore destination

// A paste or restore of data of kind s onto data of kind d that the dialog refuses.
bool IsForbiddenGassanPattern(int s, int d);
// The collation check's list of differences between the incoming data and the data it replaces
// (empty when none). op is "貼り付け" or "復元".
std::vector<std::string> CollationLines(const std::string& op, const TDataFolderInfoRec& src, const TDataFolderInfoRec& dst,
                                        int connectMode);
// The consolidation setting a paste or restore leaves (kind, count), or nothing to write. k is the
// incoming kind, d the destination row's kind before, childCount its loaded member count.
std::optional<std::pair<int, int>> GassanSettingToWrite(int k, int d, int childCount, int connectMode);

} // namespace kb
