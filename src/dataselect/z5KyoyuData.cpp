#include "dataselect/z5KyoyuData.h"

#include "accounting/DataInfomation.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "ui/xAnimeProgressDialog.h"
#include "ui/z5MessageDlg.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

namespace kb {
namespace fs = std::filesystem;

namespace {

bool HoldsDataFile(const std::string& folder)
{
    std::error_code ec;
    return !folder.empty() && fs::is_regular_file(fs::path(folder) / DataFileName, ec);
}

void CloseSharedProgress()
{
    if (TxAnimeProgressDialog* p = SystemDef.ProgressDialog; p && p->Running) p->Close();
}

void ShowKyoyuMessage(const std::string& message, const std::vector<std::string>& lines)
{
    CloseSharedProgress();
    if (KyoyuMessageHook) {
        KyoyuMessageHook(kKyoyuTitle, message, lines);
        return;
    }
    TMessageBox box;
    box.Kind = 1;
    box.MsgCaption = kKyoyuTitle;
    box.MainText = message;
    box.MainColor = 255;
    box.AgreeCaption.clear();
    box.SetLines(lines);
    box.Setup();
    box.exec();
}

// The detail lines of the share messages, from the information read last.
std::vector<std::string> DetailLines(const std::string& pasname, const TDataFolderInfoRec& info)
{
    std::vector<std::string> lines{"【データフォルダ】", "　" + pasname, "", "【オペレータ】"};
    if (info.SHARE_OPCODE > 0) lines.push_back("　" + std::to_string(OperatorCodeOf(info.SHARE_OPCODE, SystemDef.GroupId)));
    lines.push_back("");
    lines.push_back("【オペレータ名】");
    lines.push_back("　" + info.SHARE_OPERATOR);
    return lines;
}

void DeleteFolder(const std::string& folder, bool report)
{
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (ec && report) std::cerr << "KyoyuData: cannot delete " << folder << ": " << ec.message() << "\n";
}

// The registry update works on a copy: the shared-server list's update, which it runs for a row
// held on a shared drive, leaves that list's own row number in the record it is given.
void UpdateRow(TDataSentakuListCtl& ctl, const TDataListRec& row)
{
    TDataListRec copy = row;
    ctl.UpdateDataListRecord(copy, 0, true);
}

} // namespace

std::vector<std::string> DataSubFolders(const std::string& folder)
{
    std::vector<std::string> out;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return out;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.is_directory(ec) && HoldsDataFile(e.path().string())) out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

int KyoyuDataDown(TDataSentakuListCtl& ctl, TDataSentakuRec& rec, int quiet)
{
    TDataListRec& row = rec.DataRec;
    if (row.PASNAME.empty() || row.LOCALPATH.empty()) return 0;
    TDataInfomation di;
    di.Mode = ctl.Mode;

    // 1.
    TDataFolderInfoRec info;
    bool found = ReadDataIni(row.PASNAME, info);
    if (row.ENTTEXT == kFreeAreaName || row.ENTTEXT == kNewAreaName) found = true;
    // 2.
    if (!found) {
        if (quiet != 1) ShowKyoyuMessage(kKyoyuUnreachable, {"【共有データパス】", row.PASNAME});
        return 0;
    }
    // 3. the row takes the share's facts
    if (info.SHOUGOU.empty()) info.SHOUGOU = row.ENTTEXT.empty() ? kFreeAreaName : row.ENTTEXT;
    if (info.DATALISTNAME.empty()) info.DATALISTNAME = row.ENTTEXT.empty() ? kFreeAreaName : row.ENTTEXT;
    row.ENTTEXT = info.DATALISTNAME;
    row.DISPNAME = info.DATALISTNAME;
    row.UPDATE_LOCK = info.UPDATE_LOCK;
    row.READ_ONLY = info.READ_ONLY;
    row.GASSAN = static_cast<std::uint8_t>(info.GASSANKBN);
    ctl.SetDataListRecFromInfo(info, row);
    row.KYOYULOCK = 0;
    UpdateRow(ctl, row);
    ctl.DeleteDataListChildRecord(row, true);
    // 4.
    bool damaged = info.STATUS == 10;
    TDataFolderInfoRec last = info;
    // 5. the children of a consolidated share, as the share holds them now
    if ((row.GASSAN == 1 || row.GASSAN == 2) && !damaged) {
        rec.ChildList.clear();
        std::error_code ec;
        std::vector<std::string> subs;
        for (const auto& e : fs::directory_iterator(row.PASNAME, ec))
            if (e.is_directory(ec)) subs.push_back(e.path().string());
        std::sort(subs.begin(), subs.end());
        int position = 0;
        for (const std::string& sub : subs) {
            ++position;
            if (!HoldsDataFile(sub)) continue;
            TDataFolderInfoRec childInfo;
            ReadDataIni(sub, childInfo);
            TDataListRec child;
            ctl.InitDataListRec(child, sub);
            child.PASNAME = sub;
            child.REC = row.REC;
            child.ROWNO = position;
            child.NETDRIVE = row.NETDRIVE;
            child.UPDATE_LOCK = row.UPDATE_LOCK;
            child.READ_ONLY = row.READ_ONLY;
            child.GASSAN = 10;
            ctl.SetDataListRecFromInfo(childInfo, child);
            child.GASSAN = 10;
            child.KYOYULOCK = 0;
            UpdateRow(ctl, child);
            rec.ChildList.push_back(child);
            last = childInfo;
            if (childInfo.STATUS == 10) damaged = true;
        }
        rec.ChildCount = static_cast<int>(rec.ChildList.size());
    }
    // 6.
    if (damaged) {
        ShowKyoyuMessage(kKyoyuBroken, DetailLines(row.PASNAME, last));
        return -1;
    }
    // 7.
    int result = di.GetShareData(row.PASNAME, row.LOCALPATH, quiet);
    if (result == 0) {
        try {
            di.SetShareStatus(row.PASNAME, 1);
        } catch (const std::exception&) {
        }
        return 0;
    }
    if (result == -1) {
        TDataFolderInfoRec now;
        ReadDataIni(row.PASNAME, now);
        ShowKyoyuMessage(now.STATUS == 10 ? kKyoyuBroken : kKyoyuInUse, DetailLines(row.PASNAME, now));
    }
    row.KYOYULOCK = result == 1 ? 1 : 0;
    UpdateRow(ctl, row);
    // Members are replaced only when the parent arrived; a refusal leaves the working folders alone.
    if (result == 1 && (row.GASSAN == 1 || row.GASSAN == 2)) {
        for (const std::string& sub : DataSubFolders(row.LOCALPATH)) DeleteFolder(sub, true);
        for (TDataListRec& child : rec.ChildList) {
            if (!HoldsDataFile(child.PASNAME)) continue;
            std::string local = child.PASNAME;
            if (local.rfind(row.PASNAME, 0) == 0) local = row.LOCALPATH + local.substr(row.PASNAME.size());
            if (di.GetShareData(child.PASNAME, local, 1) == 0) break;
            child.LOCALPATH = local;
            child.KYOYULOCK = row.KYOYULOCK;
            UpdateRow(ctl, child);
        }
    }
    return result;
}

int KyoyuDataUp(TDataSentakuListCtl& ctl, TDataSentakuRec& rec, int quiet)
{
    TDataListRec& row = rec.DataRec;
    if (row.PASNAME.empty() || row.LOCALPATH.empty()) return 0;
    TDataInfomation di;
    di.Mode = ctl.Mode;
    const bool consolidated = row.GASSAN == 1 || row.GASSAN == 2;

    // Copy every part before anything on the share is removed or the lock is cleared: first the
    // children, so that the parent, whose store frees the share, only goes up once they are there.
    std::vector<std::string> stored;
    if (consolidated) {
        for (TDataListRec& child : rec.ChildList) {
            if (!HoldsDataFile(child.LOCALPATH)) continue;
            const int r = di.PutShareData(child.PASNAME, child.LOCALPATH, 1);
            if (r <= 0) return r < 0 ? -1 : 0;
            stored.push_back(NormalizeDataPath(child.PASNAME));
        }
    }
    const int result = di.PutShareData(row.PASNAME, row.LOCALPATH, quiet);
    TDataFolderInfoRec info;
    ReadDataIni(row.PASNAME, info);
    if (result == 0) return 0;
    if (result < 0) {
        ShowKyoyuMessage(info.STATUS == 10 ? kKyoyuBroken : kKyoyuInUse, DetailLines(row.PASNAME, info));
        return -1;
    }
    // Only what is not stored now is stale.
    for (const std::string& sub : DataSubFolders(row.PASNAME)) {
        if (std::find(stored.begin(), stored.end(), NormalizeDataPath(sub)) != stored.end()) continue;
        DeleteFolder(sub, false);
    }
    row.KYOYULOCK = 0;
    UpdateRow(ctl, row);
    if (consolidated) {
        for (TDataListRec& child : rec.ChildList) {
            child.KYOYULOCK = 0;
            UpdateRow(ctl, child);
        }
    }
    return 1;
}

} // namespace kb
