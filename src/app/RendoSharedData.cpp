#include "app/RendoSharedData.h"

#include "accounting/DataInfomation.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "dataselect/DataTusinLink.h"
#include "dataselect/z5KyoyuData.h"
#include "fb/FbError.h"
#include "ui/z5MessageDlg2.h"

#include <QCoreApplication>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

namespace kb {
namespace fs = std::filesystem;

namespace {

void Info(const std::string& text) { ShowMessage2(2, text, Btn(TMsgDlgBtn::mbOK)); }

bool IsLocalHost(const std::string& host) { return host.empty() || host == "127.0.0.1"; }

// Gives the database server time to let go of the file before the folder is used again.
void Settle()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

struct ProgressScope {
    TRendoSharedData& d;
    ProgressScope(TRendoSharedData& data, const char* caption, const char* text) : d(data)
    {
        if (d.ShowProgress) d.ShowProgress(caption, text);
    }
    ~ProgressScope()
    {
        if (d.CloseProgress) d.CloseProgress();
    }
};

} // namespace

TDataSentakuListCtl& TRendoSharedData::ListCtl()
{
    if (!listCtl_) listCtl_ = std::make_unique<TDataSentakuListCtl>();
    listCtl_->Mode = ConnectMode;
    return *listCtl_;
}

void TRendoSharedData::Disconnect()
{
    // Whoever connected it: the folder's files are about to be replaced or handed back, which must
    // never happen under an attached database.
    if (DM && DM->IBDatabaseDAT.Connected()) DM->fnAccDatDisConnected(SystemDef.DataDir, true, false);
    if (DataConnected) *DataConnected = false;
}

int TRendoSharedData::AcquireData()
{
    int result = 1;
    try {
        Disconnect();
        if (ReceiveSharedData(SystemDef.AutoShareFlag) < 1) result = -912;
        else if (DataTusinCheck(kDirectionReceive) < 1) result = -922;
    } catch (...) {
        Disconnect();
        Settle();
        throw;
    }
    Disconnect();
    Settle();
    return result;
}

int TRendoSharedData::ReleaseData()
{
    int result = 1;
    try {
        Disconnect();
        if (DataTusinCheck(kDirectionSend) < 1) result = -921;
        else if (SendSharedData() < 1) result = -911;
    } catch (...) {
        Disconnect();
        Settle();
        throw;
    }
    Disconnect();
    Settle();
    return result;
}

int TRendoSharedData::ReceiveSharedData(int automatic)
{
    if (ConnectMode != 0 || SystemDef.DataDir.empty()) return 1;
    std::string share;
    int kyoyuLock = 0, netDrive = 0;
    if (!ListCtl().ConvLocalPathToSharePath(SystemDef.DataDir, share, kyoyuLock, netDrive)) {
        Info("共有データパスの変換に失敗しました。データ選択画面を開きます。");
        return 0;
    }
    if (!(netDrive == 1 && kyoyuLock == 0)) return 1;
    if (automatic != 1) {
        Info("このデータは共有取得が行われていません。データ選択画面を開きます。");
        return 0;
    }
    AllowShareFolder(share);
    int r = 0;
    {
        ProgressScope progress(*this, "共有データ受信中", "共有データから受信中…");
        try {
            TDataSentakuRec rec;
            ListCtl().GetDataListRecordByPath(SystemDef.DataDir, rec);
            // The row was found by this working folder, whatever its LOCALPATH column holds.
            if (rec.DataRec.LOCALPATH.empty()) rec.DataRec.LOCALPATH = SystemDef.DataDir;
            r = KyoyuDataDown(ListCtl(), rec, 1);
        } catch (const std::exception& e) {
            if (CloseProgress) CloseProgress();
            ShowMessage2(0, e.what(), Btn(TMsgDlgBtn::mbOK));
            return 0;
        }
    }
    std::error_code ec;
    const bool hasDatabase = fs::is_regular_file(fs::path(SystemDef.DataDir) / DataFileName, ec);
    if (r == 0 || (r == 1 && !hasDatabase)) {
        TMessage2InfoRec m;
        InitMessage2Info(2, m);
        m.Lines[0].Text = "共有サーバーが起動していない、接続が切断されている または 共有サーバー上のデータ領域が削除された可能性があります。";
        m.Lines[1].Text = "共有データパス: " + share;
        MessageDlg2(m);
        return 0;
    }
    if (r == 1) {
        if (!DM || !DM->fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, false)) {
            Info("このデータは破損している可能性があり、基本情報が取得できませんでした。");
            return 0;
        }
        fnGetAccInfo(*DM);
        DM->fnAccDatDisConnected(SystemDef.DataDir, false, false);
        return 1;
    }
    return r;
}

int TRendoSharedData::SendSharedData()
{
    if (ConnectMode != 0 || SystemDef.DataDir.empty()) return 1;
    if (SystemDef.DataCheckFailed == 1) return 0;
    if (SystemDef.AutoShareFlag != 1) return 1;
    std::string share;
    int kyoyuLock = 0, netDrive = 0;
    if (!ListCtl().ConvLocalPathToSharePath(SystemDef.DataDir, share, kyoyuLock, netDrive)) {
        Info("共有データパスの変換に失敗しました。共有データの自動保管は行えませんでした。");
        return 0;
    }
    if (!(netDrive == 1 && kyoyuLock == 1)) return 1;
    AllowShareFolder(share);
    ProgressScope progress(*this, "共有データ送信中", "共有データへ送信中…");
    try {
        TDataSentakuRec rec;
        ListCtl().GetDataListRecordByPath(SystemDef.DataDir, rec);
        if (rec.DataRec.LOCALPATH.empty()) rec.DataRec.LOCALPATH = SystemDef.DataDir;
        bool damaged = DM && DM->CheckDataDamage(SystemDef.HostName, SystemDef.DataDir, false, 1) == 0;
        for (const TDataListRec& child : rec.ChildList) {
            if (damaged) break;
            damaged = DM && DM->CheckDataDamage(SystemDef.HostName, child.LOCALPATH, false, 1) == 0;
        }
        if (damaged) {
            if (CloseProgress) CloseProgress();
            TMessage2InfoRec m;
            InitMessage2Info(2, m);
            m.Lines[0].Text = "合算・分散データに破損したデータが存在するため、共有データの自動保管を中止します。";
            m.Lines[1].Text = "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。";
            MessageDlg2(m);
            return 0;
        }
        return KyoyuDataUp(ListCtl(), rec, 1);
    } catch (const std::exception& e) {
        if (CloseProgress) CloseProgress();
        ShowMessage2(0, e.what(), Btn(TMsgDlgBtn::mbOK));
        return 0;
    }
}

int TRendoSharedData::DataTusinCheck(int direction)
{
    if (OemFlag != 0) return 1;
    if (direction != kDirectionReceive && direction != kDirectionSend) return 1;
    // Only the accounting kind outside connection mode 2 keeps data sets in cloud-share areas.
    if (!IsCloudShareMode(0) || AppKind != 0 || AccInf.CloudLine <= 0) return 1;
    const int r = direction == kDirectionReceive ? DataTusinLink().CloudShareReceive(SystemDef.DataDir, 1)
                                                 : DataTusinLink().CloudShareSend(SystemDef.DataDir, 1);
    return r >= 1 && r <= 9 ? -1 : 1;
}

} // namespace kb
