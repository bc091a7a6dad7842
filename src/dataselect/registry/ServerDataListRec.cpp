#include "dataselect/registry/ServerDataListRec.h"

#include "accounting/DataInfomation.h"

namespace kb {

bool SaveDataListRec(TDataSentakuListCtl& ctl, const TDataListRec& row)
{
    TDataListRec server = row;
    if (row.GASSAN == 10) return ctl.UpdateServerDataListChildRecord(server, 1, true);
    if (!ctl.UpdateServerDataListRecord(server, 1, true)) return false;
    TDataInfomation di;
    di.Mode = ctl.Mode;
    di.WriteIniValue(row.PASNAME, kSectionDataInfo, false, row.ENTTEXT, "DATALISTNAME");
    di.WriteIniValue(row.PASNAME, kSectionDataSts, false, row.UPDATE_LOCK, "UPDATE_LOCK");
    di.WriteIniValue(row.PASNAME, kSectionDataSts, false, row.READ_ONLY, "READ_ONLY");
    return true;
}

} // namespace kb
