// "情報" of the data selection: the details dialog for the current line, and writing its changes
// back into the data set's header, its information file and the registry.

#include "dataselect/z5DataSentaku.h"

#include "accounting/DataInfomation.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "dataselect/registry/ServerDataListRec.h"
#include "dataselect/z5DataSyosaiInfo.h"
#include "ui/z5MessageDlg2.h"

#include <QTableView>

namespace kb {

void TDataSentakuBox::btnDataInfoClick()
{
    if (!PerfectGrid1->isEnabled()) {
        ShowMessage2(2, "データリストが応答状態ではないので処理は行えません。", Btn(TMsgDlgBtn::mbOK));
        return;
    }
    const int cur = CurrentLine();
    if (cur < 0 || cur == kNoLine || !RowRecord(cur)) return;
    const std::string folder = RowFolder(cur);
    if (TDataListRec* row = RowRecord(cur);
        (!IsZeroDate(row->KISHU) || !IsZeroDate(row->KIMATU)) && row->DATA_STATUS != 1 &&
        TDM::CheckDataDamage(SystemDef.HostName, folder, false, 0) == 0) {
        row->DATA_STATUS = 1;
        SaveDataListRow(*row);
        DataListRefresh(cur);
    }
    if (!SyosaiBox) SyosaiBox = new TDataSyosaiInfoBox(this);
    TDataSyosaiInfoBox& box = *SyosaiBox;
    const TDataListRec* row = RowRecord(cur);
    box.ListType = 0;
    box.Row = *row;
    // Paths are case-sensitive here: the folder is passed as it is, not upper-cased.
    box.DataFolder = folder;
    box.UpdateLock = row->UPDATE_LOCK;
    box.ReadOnlyFlag = row->READ_ONLY;
    box.ListName = row->ENTTEXT;
    box.Editable = Line(cur).ShareState == 1 ? 0 : 1;
    box.InitDisplay(1);
    const int result = box.exec();
    const int index = Line(cur).RowIndex;
    if (result == mrOk) {
        const int s = CheckDataStatus(folder, true, false);
        const bool free = ConnectMode == 0 ? s == 1 : (s == 1 || s == 2);
        TDataInfomation di;
        di.Mode = ConnectMode;
        if (free && DM) {
            const bool wasConnected = DM->IBDatabaseDAT.Connected();
            TDataInfomationRec rec;
            TDataInfomation::ClearDataInfoRec(rec);
            rec.DATALISTNAME = box.ListName;
            rec.UPDATE_LOCK = box.UpdateLock;
            rec.READ_ONLY = box.ReadOnlyFlag;
            di.UpdateDataInfomation(SystemDef.HostName, folder, rec);
            if (!wasConnected && DM->IBDatabaseDAT.Connected()) DM->fnAccDatDisConnected(folder, false, false);
        }
        TDataListRec& r = *RowRecord(cur);
        r.ENTTEXT = r.DISPNAME = box.ListName;
        r.UPDATE_LOCK = box.UpdateLock;
        r.READ_ONLY = box.ReadOnlyFlag;
        if (index >= 0 && index < static_cast<int>(Rows.size()))
            TDataSentakuListCtl::SetChildDisplayNames(Rows[static_cast<std::size_t>(index)]);
        di.WriteIniValue(folder, kSectionDataInfo, false, box.ListName, "DATALISTNAME");
        di.WriteIniValue(folder, kSectionDataSts, false, box.UpdateLock, "UPDATE_LOCK");
        di.WriteIniValue(folder, kSectionDataSts, false, box.ReadOnlyFlag, "READ_ONLY");
        SaveDataListRec(*ListCtl, r);
        if (box.StatusCleared == 1) {
            SetDataStatus(folder, 1);
            CopyPending = 0;
            r.DATALOCK = 0;
        }
        SaveDataListRow(r);
        WriteGridRow(cur, r);
        Model->LineChanged(cur);
    }
    if (box.Rebuilt == 1) {
        if (TDataListRec* r = RowRecord(cur)) {
            r->DATA_STATUS = 0;
            SaveDataListRow(*r);
        }
        DataListRefresh(cur);
        if (cur < LineCount()) SetCurrentLine(cur, 0);
    }
    UpdateFunctionKeys();
}

} // namespace kb
