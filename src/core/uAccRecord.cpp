#include "core/uAccRecord.h"

#include <cstdio>

namespace kb {

std::string LongDateText(Date d)
{
    if (d.IsNull()) return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d", d.Year());
    char md[16];
    std::snprintf(md, sizeof md, "%02d", d.Month());
    char dd[16];
    std::snprintf(dd, sizeof dd, "%02d", d.Day());
    return std::string(buf) + "年" + md + "月" + dd + "日";
}

void ResetAccRecord()
{
    AppKind = 0;
    ConnectMode = 0;
    OemFlag = 0;
    IBErrorShown = false;
    DataReadOnly = 0;
    DataVersionText.clear();
    DataVersionNumbers = {};
    RequiredDataVersion = {};

    HostMenuHook = nullptr;
    HostNotifyHook = nullptr;
    FormActivateHook = nullptr;
    HostStatusFlagHook = nullptr;
    HostStatusTextHook = nullptr;
    OpenRegisteredFormHook = nullptr;
    DataDamageCheckHook = nullptr;

    SwkUpList.clear();
    SystemDef = TSystemDef{};
    AccInf = TACCINF{};
    AppInfo = TAppInfoRec{};

    MakerDirName = "zandrel";
    AppNameText = "vqzaimu";
    HomeDirName = "zandrel/dadozizidiv";
    ViewerAppName = "vqzview";
    AzimoDirName = "zandrel/Azimo";
    ShareDirName = "dadozizidiv";
    ServerDirName = "/dadozizidiv/data";
    ServerTempDirName = "/dadozizidiv/temp";
    DataDefFileName = "vqaccdef.fdb";
    DataFileName = "vqacc.fdb";
    DataBackupFileName = "vqacc.fbk";
    DataIniFileName = "vqacc.ini";
    TemplateBackupNames = {"acc11.gbk", "acc21.gbk", "acc22.gbk", "acc23.gbk", "acc24.gbk", "acc31.gbk"};
    CashBookDirName = "cb_data";
    CashBookBackupFileName = "vqcashbook.fbk";
    DefaultScreenColors = {0xDBDBDB, 0xFFFFFF, 0xDBDBDB, 0xFFFFFF, 0xFFFFFF, 0xE1F0FF, 0x8EC7FF, 0x246BFF};
    BackupFileName = "vqacc.fbk";
    DataListSlotMax = 120;
}

} // namespace kb
