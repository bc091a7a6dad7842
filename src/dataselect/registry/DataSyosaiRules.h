#pragma once
// The decisions of the data details dialog (TDataSyosaiInfoBox) as plain functions: which parts
// may be changed, whether a hanging status may be cleared, whether a rebuild is offered, and the
// texts of the value labels.

#include "accounting/DataInfomation.h"

#include <string>

namespace kb {

struct TDataListRec;

struct TSyosaiInput {
    int ListType = 0;            // 0 the data selection's own list, 1 the shared-server list
    bool HasCompany = false;     // the row has a company name
    int NETDRIVE = 0, KYOYULOCK = 0;
    int Editable = 1;            // the caller's wish
    TDataInfomationRec Info;     // the folder's information
    int ConnectMode = 0;
    bool AllSisetuAllowed = false;
    int OpCode = 0, GroupId = 0;
};

struct TSyosaiState {
    int Editable = 0;
    int StatusClearAllowed = 0;
    int RebuildAllowed = 0;
    bool OkVisible = false;
    bool StatusClearVisible = false;
    bool ReadOnlyEnabled = false;  // journal entry can be forbidden from data version 12.0.0
};

TSyosaiState SyosaiStateOf(const TSyosaiInput& in);

// "法人", "個人(一般)" ... for (data kind, code kind); "設定なし" for others.
std::string DataKbnText(int dataKind, int codeKind);
// The data folder as shown: the application data root replaced by "[<product>のデータ]".
std::string SyosaiDisplayPath(const std::string& folder, const std::string& appDataDir, const std::string& product);

} // namespace kb
