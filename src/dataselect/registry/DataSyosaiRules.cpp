#include "dataselect/registry/DataSyosaiRules.h"

#include "core/z5DateVersion.h"
#include "dataselect/registry/z5ComDataSentaku.h"
#include "platform/Text.h"

#include <cstdio>

namespace kb {

TSyosaiState SyosaiStateOf(const TSyosaiInput& in)
{
    TSyosaiState s;
    const int status = in.Info.STATUS;
    s.Editable = in.Editable;
    if (status == 0 || status == 3 || !in.HasCompany) s.Editable = 0;
    if (in.HasCompany) {
        if (in.ListType == 0)
            s.RebuildAllowed = (in.NETDRIVE == 0 && in.KYOYULOCK == 0) || (in.NETDRIVE == 1 && in.KYOYULOCK == 1);
        else if (in.ListType == 1)
            s.RebuildAllowed = in.Info.SHARE_STATUS == 1;
    }
    const bool server = in.ConnectMode == 1 || in.ConnectMode == 2;
    const bool free = status == 1 || (server && status == 2);
    if (!free) {
        s.StatusClearAllowed = in.AllSisetuAllowed ||
                               OperatorCodeOf(in.Info.OPCODE, in.GroupId) == OperatorCodeOf(in.OpCode, in.GroupId);
    }
    if (s.StatusClearAllowed) s.Editable = 0;
    s.StatusClearVisible = s.StatusClearAllowed == 1;
    s.OkVisible = s.Editable == 1 || s.StatusClearAllowed == 1;
    if (status == 0) s.OkVisible = false;
    if (status == 10) s.OkVisible = s.StatusClearVisible = false;
    char version[48];
    std::snprintf(version, sizeof version, "%d.%d.%d", in.Info.MAJOR, in.Info.MINOR1, in.Info.MINOR2);
    s.ReadOnlyEnabled = s.Editable == 1 && IsVersionAtLeast(version, "12.0.0");
    return s;
}

std::string DataKbnText(int dataKind, int codeKind)
{
    if (dataKind == 1 && codeKind == 1) return "法人";
    if (dataKind == 2 && codeKind == 1) return "個人(一般)";
    if (dataKind == 2 && codeKind == 2) return "個人(不動産)";
    if (dataKind == 2 && codeKind == 3) return "個人(クリニック)";
    if (dataKind == 2 && codeKind == 4) return "個人(農業)";
    if (dataKind == 3 && codeKind == 1) return "医療法人";
    return "設定なし";
}

std::string SyosaiDisplayPath(const std::string& folder, const std::string& appDataDir, const std::string& product)
{
    const std::string root = AsciiUpper(NormalizeDataPath(appDataDir));
    if (root.empty()) return folder;
    std::string out = folder;
    const auto at = AsciiUpper(out).find(root);
    if (at != std::string::npos) out.replace(at, root.size(), "[" + (product.empty() ? "パヴォナ財務" : product) + "のデータ]");
    return out;
}

} // namespace kb
