#include "dataselect/registry/DataListRefresh.h"

#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5DateVersion.h"
#include "dataselect/registry/z5DataSentakuRules.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace kb {

namespace {

// Reads of the data sets' facts started ahead of the walk.
constexpr int kPrefetchReaders = 4;

int ShareStateOf(const TDataListRec& row)
{
    if (row.NETDRIVE != 1) return 0;
    return row.KYOYULOCK == 1 ? 2 : 1;
}

bool HasDataFile(const std::string& folder)
{
    std::error_code ec;
    return std::filesystem::exists(JoinPath(folder, DataFileName), ec);
}

} // namespace

TDataListLine LineOf(const TDataListRec& row, int rowIndex, int childIndex)
{
    TDataListLine l;
    l.RowIndex = rowIndex;
    l.ChildIndex = childIndex;
    l.Gassan = row.GASSAN;
    l.DataLock = row.DATALOCK;
    char v[64];
    std::snprintf(v, sizeof v, "%d.%d.%d", row.VER_MAJOR, row.VER_MINOR1, row.VER_MINOR2);
    l.VersionText = v;
    l.UpdateFlag = row.UPDATE_LOCK;
    l.DataStatus = row.DATA_STATUS;
    l.Cloud = row.CLOUD;
    l.ReadOnly = row.READ_ONLY;
    return l;
}

std::vector<TDataListLine> EntryLines(TDataSentakuRecArray& rows, int index)
{
    std::vector<TDataListLine> out;
    if (index < 0 || index >= static_cast<int>(rows.size())) return out;
    TDataSentakuRec& r = rows[static_cast<std::size_t>(index)];
    if (r.DataRec.GASSAN > 2) return out;
    // Members share their parent's place on the shared server.
    const int share = ShareStateOf(r.DataRec);
    out.push_back(LineOf(r.DataRec, index, -1));
    out.back().ShareState = share;
    TDataSentakuListCtl::SetChildDisplayNames(r);
    for (std::size_t i = 0; i < r.ChildList.size(); ++i) {
        out.push_back(LineOf(r.ChildList[i], index, static_cast<int>(i)));
        out.back().ShareState = share;
    }
    return out;
}

namespace {
template <class Rows>
auto RowOfImpl(Rows& rows, const TDataListLine& line) -> decltype(&rows[0].DataRec)
{
    if (line.RowIndex < 0 || line.RowIndex >= static_cast<int>(rows.size())) return nullptr;
    auto& r = rows[static_cast<std::size_t>(line.RowIndex)];
    if (!line.IsMember()) return &r.DataRec;
    if (line.ChildIndex < 0 || line.ChildIndex >= static_cast<int>(r.ChildList.size())) return nullptr;
    return &r.ChildList[static_cast<std::size_t>(line.ChildIndex)];
}
} // namespace

TDataListRec* RowOf(TDataSentakuRecArray& rows, const TDataListLine& line) { return RowOfImpl(rows, line); }
const TDataListRec* RowOf(const TDataSentakuRecArray& rows, const TDataListLine& line) { return RowOfImpl(rows, line); }

std::string DataFolderOf(const TDataListRec& row)
{
    if (row.NETDRIVE != 1) return NormalizeDataPath(row.PASNAME);
    char slot[16];
    std::snprintf(slot, sizeof slot, "%.4d", row.REC);
    std::string folder = JoinPath(NormalizeDataPath(SystemDef.SysDir), slot);
    if (row.GASSAN > 2) folder += "/" + LastFolderName(row.PASNAME);
    return folder;
}

bool LineNeedsUpdate(const TDataListLine& line)
{
    return !line.VersionText.empty() && line.UpdateFlag == 1 && DataVersionNeedsUpdate(line.VersionText);
}

void SetRowFromInfo(TDataListRec& row, const TDataFolderInfoRec& i, int mode)
{
    if (mode == 1) {
        TDataListRec slot;
        slot.REC = row.REC;
        slot.ROWNO = 0;
        slot.GROUPID = SystemDef.GroupId;
        slot.NENDO = 1;
        slot.PASNAME = row.PASNAME;
        slot.LOCALPATH = row.LOCALPATH;
        slot.NETDRIVE = row.NETDRIVE;
        if (slot.NETDRIVE == 1) {
            slot.ENTTEXT = kFreeAreaName;
            slot.KYOYULOCK = 1;
        }
        slot.DISPNAME = slot.ENTTEXT;
        row = std::move(slot);
        return;
    }
    row.DATACODE = i.CODE;
    row.SHOUGOU = i.SHOUGOU;
    row.NENDO = i.NENDO;
    row.KISHU = Date::Parse(i.KISHU).value_or(Date{});
    row.KIMATU = Date::Parse(i.KIMATU).value_or(Date{});
    row.KIKANTEXT = MakeKikanText(row.KISHU, row.KIMATU);
    row.DATATYPE = i.DATAKBN;
    row.CODETYPE = i.CODEKBN;
    row.TANTOU = i.TANTO;
    const TVersionRec v = StrToVersionRec(i.VERSION1);
    row.VER_MAJOR = v.Major;
    row.VER_MINOR1 = v.Minor1;
    row.VER_MINOR2 = v.Minor2;
    row.VER_TEXT = i.VERSION2;
    row.UPDATE_LOCK = i.UPDATE_LOCK;
    row.GASSAN = row.GASSAN == 10 ? 10 : static_cast<std::uint8_t>(i.GASSANKBN);
    row.CLOUD = static_cast<std::uint8_t>(i.CLOUD_SHARE);
    row.READ_ONLY = i.READ_ONLY;
    row.DATALOCK = i.STATUS == 3 ? OperatorCodeOf(i.OPCODE, SystemDef.GroupId) : 0;
    if (i.SHARE_STATUS == 2 && i.SHARE_OPCODE == SystemDef.OpCode) row.KYOYULOCK = 1;
    if (row.NETDRIVE == 1 ? IsAreaName(row.ENTTEXT) : row.ENTTEXT.empty()) row.ENTTEXT = i.SHOUGOU;
    row.DISPNAME = row.ENTTEXT;
}

// ---- refresher -------------------------------------------------------------------------------

TDataListRefresher::TDataListRefresher(TDataSentakuListCtl& ctl, TDataSentakuRecArray& rows, IDataListLines& lines)
    : ctl_(ctl), rows_(rows), lines_(lines)
{
}

TDataListRefresher::~TDataListRefresher() = default; // waits for reads still running after a cancel

void TDataListRefresher::RefreshAll(const TRefreshProgress& progress)
{
    for (int n = 0; n < lines_.LineCount(); ++n) {
        if (progress.Cancelled && progress.Cancelled()) break;
        if (ConnectMode == 0) PrefetchFacts(n, kPrefetchReaders);
        if (progress.LineStarting) progress.LineStarting(n);
        RefreshLine(n);
        if (progress.LineDone) progress.LineDone(n);
    }
    prefetch_.clear();
}

int TDataListRefresher::ParentLine(int line) const
{
    if (line < 0 || line >= lines_.LineCount() || !lines_.Line(line).IsMember()) return line;
    const int index = lines_.Line(line).RowIndex;
    for (int i = 0; i < lines_.LineCount(); ++i)
        if (!lines_.Line(i).IsMember() && lines_.Line(i).RowIndex == index) return i;
    return line;
}

void TDataListRefresher::SaveRow(TDataListRec& row)
{
    if (TrimZen(row.PASNAME).empty()) throw std::runtime_error(kBadDataPathText);
    ctl_.UpdateDataListRecord(row, 0, true);
}

void TDataListRefresher::RefreshLine(int line)
{
    if (line < 0 || line >= lines_.LineCount()) return;
    const TDataListLine shown = lines_.Line(line);
    TDataListRec* rec = RowOf(rows_, shown);
    if (!rec) return;
    if (rec->DATA_STATUS == 1) {
        lines_.LineDamaged(line);
        return;
    }
    if (rec->GASSAN > 2 && rec->GASSAN != 10) return;
    try {
        RefreshWhole(line, *rec);
    } catch (const std::exception& e) {
        ShowErrorDetail("データリストの更新に失敗しました。", e.what());
    }
}

void TDataListRefresher::RefreshWhole(int line, TDataListRec& rec)
{
    const TDataListLine shown = lines_.Line(line);
    const std::string folder = DataFolderOf(rec);
    const bool member = rec.GASSAN == 10;
    const int working = member ? ParentLine(line) : line;
    auto redraw = [&] { lines_.RowChanged(working, shown.RowIndex); };
    const bool named = !rec.DISPNAME.empty();
    const bool exists = HasDataFile(folder);
    if (ConnectMode == 1 || ConnectMode == 2) {
        if (exists) {
            ReadDataIni(folder, Info);
            const TDataListRec before = rec;
            SetRowFromInfo(rec, Info, 0);
            if (!SameListColumns(before, rec)) SaveRow(rec);
            redraw();
        } else if (named) {
            if (!member) {
                SetRowFromInfo(rec, Info, 1);
                SaveRow(rec);
            } else {
                ClearChildRows(line, false);
            }
            redraw();
        }
        return;
    }
    bool childRemoved = false;
    if (exists) {
        ReadDataIni(folder, Info);
        if (ReadFacts(folder, Info) == 1) {
            WriteIniValue(folder, "DATASTS", "UPDATE_LOCK", Info.UPDATE_LOCK);
            WriteIniValue(folder, "DATASTS", "READ_ONLY", Info.READ_ONLY);
            WriteDataInfoSection(folder, Info);
            const TDataListRec before = rec;
            SetRowFromInfo(rec, Info, 0);
            // The row mirrors the folder: it is written only when the folder says otherwise.
            if (!SameListColumns(before, rec)) SaveRow(rec);
            if (!member) RebuildChildRows(working);
        } else if (SystemDef.DataCheckFailed == 1) {
            rec.DATA_STATUS = 1;
        }
        redraw();
    } else {
        std::error_code ec;
        if (rec.NETDRIVE == 0) std::filesystem::remove(DataIniPath(folder), ec);
        if (named) {
            if (!member) {
                SetRowFromInfo(rec, Info, 1);
                TDataSentakuRec& whole = rows_[static_cast<std::size_t>(shown.RowIndex)];
                whole.ChildCount = 0;
                whole.ChildList.clear();
                SaveRow(rec);
            } else {
                ClearChildRows(line, false);
                childRemoved = true;
            }
        }
        redraw();
    }
    if (childRemoved) return;
    const TDataListRec* r = working < lines_.LineCount() ? RowOf(rows_, lines_.Line(working)) : nullptr;
    if (r && r->NETDRIVE == 1 && r->KYOYULOCK == 1) {
        try {
            TDataListRec copy = *r;
            ctl_.UpdateServerDataListRecord(copy, 1, false);
        } catch (const std::exception&) {
            // The shared-server list is a mirror; its errors never stop the refresh.
        }
    }
}

// A data set's facts are read over an attachment of its own, which spends most of its time waiting
// for the database file; a few such reads run ahead of the walk so that the waits overlap. The
// walk itself (information files, registry rows, lines) stays on the caller's thread.
void TDataListRefresher::PrefetchFacts(int fromLine, int count)
{
    for (int n = fromLine; n < lines_.LineCount() && n < fromLine + count; ++n) {
        const TDataListRec* r = RowOf(rows_, lines_.Line(n));
        if (!r || r->DATA_STATUS == 1 || (r->GASSAN > 2 && r->GASSAN != 10)) continue;
        const std::string folder = DataFolderOf(*r);
        if (prefetch_.count(folder) || !HasDataFile(folder)) continue;
        prefetch_.emplace(folder, std::async(std::launch::async, [folder] {
                              TDataFolderInfoRec facts;
                              const int ok = ReadDataInfoFromFolder(folder, facts);
                              return std::make_pair(ok, facts);
                          }));
    }
}

int TDataListRefresher::ReadFacts(const std::string& folder, TDataFolderInfoRec& rec)
{
    const auto it = prefetch_.find(folder);
    if (it == prefetch_.end()) return ReadDataInfoFromFolder(folder, rec);
    const auto [ok, facts] = it->second.get();
    prefetch_.erase(it);
    if (ok == 1) CopyDataFacts(facts, rec);
    return ok;
}

void TDataListRefresher::RebuildChildRows(int line)
{
    if (ConnectMode != 0 || line < 0 || line >= lines_.LineCount()) return;
    const int index = lines_.Line(line).RowIndex;
    if (index < 0 || index >= static_cast<int>(rows_.size())) return;
    TDataSentakuRec& parent = rows_[static_cast<std::size_t>(index)];
    if (parent.DataRec.NETDRIVE == 1 && parent.DataRec.KYOYULOCK != 1) return;
    for (const auto& c : parent.ChildList) {
        if (c.DATA_STATUS == 1) {
            lines_.LineDamaged(line);
            return;
        }
    }
    const bool consolidated = parent.DataRec.GASSAN == 1 || parent.DataRec.GASSAN == 2;
    const bool hadChildren = !parent.ChildList.empty();
    parent.ChildCount = 0;
    parent.ChildList.clear();
    // Member rows belong to consolidated data sets only; a normal row without members has none to
    // delete (its kind changes only through a paste or restore, which clear them).
    if (consolidated || hadChildren) ctl_.DeleteDataListChildRecord(parent.DataRec, true);
    if (!consolidated) return;
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(parent.DataRec.LOCALPATH, ec))
        if (e.is_directory(ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string childFolder = JoinPath(parent.DataRec.LOCALPATH, names[i]);
        if (!HasDataFile(childFolder)) continue;
        TDataListRec c;
        ctl_.InitDataListRec(c, NormalizeDataPath(parent.DataRec.PASNAME) + "/" + names[i]);
        c.REC = parent.DataRec.REC;
        c.ROWNO = static_cast<int>(i) + 1; // the position in the listing
        c.NETDRIVE = parent.DataRec.NETDRIVE;
        c.KYOYULOCK = parent.DataRec.KYOYULOCK;
        c.GASSAN = 10;
        TDataFolderInfoRec info;
        ReadDataIni(childFolder, info);
        if (ReadDataInfoFromFolder(childFolder, info) == 1) {
            ctl_.SetDataListRecFromInfo(info, c);
            ctl_.UpdateDataListRecord(c, 0, true);
            WriteIniValue(childFolder, "DATASTS", "UPDATE_LOCK", info.UPDATE_LOCK);
            WriteIniValue(childFolder, "DATASTS", "READ_ONLY", info.READ_ONLY);
            WriteDataInfoSection(childFolder, info);
        } else {
            ctl_.SetDataListRecFromInfo(info, c);
            if (c.ENTTEXT.empty()) {
                const TDataListRec& p = parent.DataRec;
                c.ENTTEXT = "破損データ";
                c.SHOUGOU = p.SHOUGOU;
                c.NENDO = p.NENDO;
                c.KISHU = p.KISHU;
                c.KIMATU = p.KIMATU;
                c.KIKANTEXT = p.KIKANTEXT;
                c.DATATYPE = p.DATATYPE;
                c.CODETYPE = p.CODETYPE;
                c.TANTOU = p.TANTOU;
                c.VER_MAJOR = p.VER_MAJOR;
                c.VER_MINOR1 = p.VER_MINOR1;
                c.VER_MINOR2 = p.VER_MINOR2;
                c.VER_TEXT = p.VER_TEXT;
                c.DISPNAME = c.ENTTEXT;
            }
            c.DATA_STATUS = 1;
            ctl_.UpdateDataListRecord(c, 0, true);
        }
        parent.ChildList.push_back(c);
        parent.ChildCount = static_cast<int>(parent.ChildList.size());
    }
}

void TDataListRefresher::ClearChildRows(int line, bool all)
{
    if (line < 0 || line >= lines_.LineCount()) return;
    const TDataListLine shown = lines_.Line(line);
    if (shown.RowIndex < 0 || shown.RowIndex >= static_cast<int>(rows_.size())) return;
    TDataSentakuRec& parent = rows_[static_cast<std::size_t>(shown.RowIndex)];
    if (!all) {
        TDataSentakuListCtl::DeleteChildItem(parent, shown.ChildIndex);
        return;
    }
    parent.ChildCount = 0;
    parent.ChildList.clear();
    if (parent.DataRec.GASSAN != 1 && parent.DataRec.GASSAN != 2) return;
    ctl_.DeleteDataListChildRecord(parent.DataRec, true);
    std::vector<std::string> subs;
    ctl_.GetLocalSubFolders(parent.DataRec, subs);
    for (const auto& s : subs) DeleteDirectory(s, false, false);
    if (parent.DataRec.NETDRIVE == 1 && parent.DataRec.KYOYULOCK == 1) {
        ctl_.GetShareSubFolders(parent.DataRec, subs);
        for (const auto& s : subs) DeleteDirectory(s, false, false);
    }
}

} // namespace kb
