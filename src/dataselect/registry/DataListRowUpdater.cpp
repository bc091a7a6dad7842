#include "dataselect/registry/DataListRowUpdater.h"

#include "core/uAccRecord.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "dataselect/registry/z5ComDataSentaku.h"

namespace kb {

void TDataListCtlRowUpdater::UpdateDataListRow(TDM&, const std::string& folder, const TDataInfomationRec& info)
{
    TDataSentakuListCtl ctl;
    ctl.Mode = ConnectMode;
    ctl.SetDataPlaceRec(SystemDef.DataPlaceRec);
    TDataListRec rec;
    ctl.InitDataListRec(rec, folder);
    rec.GASSAN = info.GASSANKBN == 10 ? 10 : 0;
    ctl.GetDataListRecord(1, rec, true);
    if (rec.REC == 0) return;
    const TDataFolderInfoRec f = FolderInfoFrom(info);
    rec.GROUPID = SystemDef.GroupId;
    rec.DATACODE = f.CODE;
    rec.SHOUGOU = f.SHOUGOU;
    rec.NENDO = f.NENDO;
    rec.KISHU = Date::Parse(f.KISHU).value_or(Date{});
    rec.KIMATU = Date::Parse(f.KIMATU).value_or(Date{});
    rec.KIKANTEXT = MakeKikanText(rec.KISHU, rec.KIMATU);
    rec.DATATYPE = f.DATAKBN;
    rec.CODETYPE = f.CODEKBN;
    rec.TANTOU = f.TANTO;
    rec.VER_MAJOR = info.MAJOR;
    rec.VER_MINOR1 = info.MINOR1;
    rec.VER_MINOR2 = info.MINOR2;
    rec.VER_TEXT = f.VERSION2;
    if (rec.GASSAN != 10) rec.GASSAN = static_cast<std::uint8_t>(info.GASSANKBN);
    rec.CLOUD = info.CLOUD_SHARE;
    ctl.UpdateDataListRecord(rec, 0, true);
}

} // namespace kb
