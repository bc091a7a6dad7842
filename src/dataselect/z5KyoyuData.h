#pragma once
// Fetching a shared data set from its shared-server folder into the local working folder and
// storing it back (the registry controller's share operations). The share status in the folders'
// information files is the lock between workstations; KYOYULOCK of the registry row records that
// this operator holds the working copy.
//
// Storing back copies every part first (the children of a consolidated data set, then the parent),
// then removes only the stale child folders of the share, and clears the lock last: a failure part
// way leaves the share as it was and the lock with this operator, so nothing is lost.

#include "dataselect/registry/z5ComDataSentaku.h"

#include <functional>
#include <string>
#include <vector>

namespace kb {

// The share messages (a single-OK message form in red, title "選択データの状態"). The user
// interface shows them with TMessageBox; a program or a test may set KyoyuMessageHook to see them.
using TKyoyuMessageHook =
    std::function<void(const std::string& title, const std::string& message, const std::vector<std::string>& lines)>;
inline TKyoyuMessageHook KyoyuMessageHook;

inline constexpr const char* kKyoyuTitle = "選択データの状態";
inline constexpr const char* kKyoyuUnreachable =
    "共有サーバーが起動していない、接続が切断されている または 共有サーバー上のデータ領域が削除された可能性があります。";
inline constexpr const char* kKyoyuBroken =
    "共有サーバー上のデータが破損しているため、共有データの取得を中止します。\rデータのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。";
inline constexpr const char* kKyoyuInUse = "共有データは現在使用されています。";

// 1 fetched, 0 not fetched, -1 refused (taken by another operator, or damaged). rec is the row with
// its children (GetDataListRecordByPath); it is refreshed from the share.
int KyoyuDataDown(TDataSentakuListCtl& ctl, TDataSentakuRec& rec, int quiet);
// 1 stored, 0 not stored (the working copy stays with this operator), -1 refused.
int KyoyuDataUp(TDataSentakuListCtl& ctl, TDataSentakuRec& rec, int quiet);

// Subfolders of folder (full paths, sorted) that hold the data file.
std::vector<std::string> DataSubFolders(const std::string& folder);

} // namespace kb
