#pragma once
// RendoSharedData: the wizard's side of shared and cloud-shared data around a run. Before a chosen
// data set is read its current copy is fetched (from the shared-server folder, from its cloud-share
// area); when the wizard lets it go the copy is returned. Also the damage check that the shared
// code calls back through DataDamageCheckHook.
//
// TRendoSharedData holds no window: the progress dialog and the data-connected flag of the main
// form are handed in, so tests run it on a data root without the wizard.

#include "dataselect/registry/z5ComDataSentaku.h"

#include <functional>
#include <memory>
#include <string>

namespace kb {

inline constexpr int kDirectionReceive = 0;
inline constexpr int kDirectionSend = 1;

class TRendoSharedData {
public:
    // The main form's flag: the data database is connected by the wizard.
    bool* DataConnected = nullptr;
    // A modeless progress dialog over the main form (caption, text); nothing when unset.
    std::function<void(const std::string& caption, const std::string& text)> ShowProgress;
    std::function<void()> CloseProgress;

    // 1 ready; -912 the share fetch failed, -922 the cloud receive failed.
    int AcquireData();
    // 1 done; -921 the cloud send failed, -911 the share store failed.
    int ReleaseData();
    // 1 ready or nothing to do, 0 failed, any other result of the fetch unchanged.
    int ReceiveSharedData(int automatic);
    // 1 done or nothing to do, 0 failed, any other result of the store unchanged.
    int SendSharedData();
    // 1 done or nothing to do, -1 failed.
    int DataTusinCheck(int direction);

    TDataSentakuListCtl& ListCtl();

private:
    void Disconnect();
    std::unique_ptr<TDataSentakuListCtl> listCtl_;
};

} // namespace kb
