// TDataSentakuBox: copy and paste of a whole data set (F2). The first press marks the current
// line's data set as the copy source, the next press on another line pastes it there: locally by
// copying its files, in the server modes by the backup worker's copy job on the server.
//
// A paste replaces the destination only once the source's data file has arrived whole: the files
// are copied into a work folder beside the destination first (the copy job restores into a new
// file), and the destination's own files and children are touched only after that succeeded.

#include "dataselect/z5DataSentaku.h"

#include "accounting/BackupRestoreThread.h"
#include "accounting/DataInfomation.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5ComFunc2.h"
#include "core/z5ServerFile.h"
#include "dataselect/DataTusinLink.h"
#include "dataselect/registry/z5ComCloudShare.h"
#include "dataselect/registry/z5GassanDataCtl.h"
#include "fb/FbError.h"
#include "platform/Text.h"
#include "ui/xAnimeProgressDialog.h"
#include "ui/z5MessageDlg2.h"

#include <QTableView>

#include <filesystem>
#include <stdexcept>

namespace kb {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCopyFailed = "データのコピーに失敗しました。";
constexpr const char* kInsideSource = "貼付先にコピー元のパスが含まれています。処理を中断します。";

bool ServerMode() { return ConnectMode == 1 || ConnectMode == 2; }
int Inform(const std::string& text) { return ShowMessage2(2, text, Btn(TMsgDlgBtn::mbOK)); }

// A failure of the file copy or of the copy job, with what it said.
struct TPasteFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::uintmax_t FileSize(const fs::path& p)
{
    std::error_code ec;
    const auto n = fs::file_size(p, ec);
    return ec ? static_cast<std::uintmax_t>(-1) : n;
}

// Copies the source's files (only its data file for a member slot) into a work folder beside the
// destination; then puts them over the destination. Throws TPasteFailure and leaves the
// destination untouched when the data file did not arrive whole.
class TLocalPaste {
public:
    TLocalPaste(std::string source, std::string dest, bool dataFileOnly)
        : source_(std::move(source)), dest_(std::move(dest)), dataFileOnly_(dataFileOnly)
    {
        const fs::path d(dest_);
        work_ = (d.parent_path() / ("." + d.filename().string() + ".paste")).string();
    }
    ~TLocalPaste() { Discard(); }

    void Copy()
    {
        Discard();
        const fs::path srcFile = fs::path(source_) / DataFileName;
        std::error_code ec;
        if (!fs::is_regular_file(srcFile, ec)) throw TPasteFailure(srcFile.string() + " がありません。");
        fs::create_directories(work_, ec);
        if (ec) throw TPasteFailure(work_ + ": " + ec.message());
        const bool copied = dataFileOnly_ ? CopyFileOver(srcFile.string(), JoinPath(work_, DataFileName))
                                          : CopyMoveDirectory(JoinPath(source_, "*"), work_, 2);
        const fs::path got = fs::path(work_) / DataFileName;
        if (!copied || FileSize(got) != FileSize(srcFile)) throw TPasteFailure(srcFile.string() + " を複写できませんでした。");
    }

    // Every copied entry replaces the destination's entry of the same name.
    void PutInPlace()
    {
        std::error_code ec;
        fs::create_directories(dest_, ec);
        for (const auto& e : fs::directory_iterator(work_)) {
            const fs::path to = fs::path(dest_) / e.path().filename();
            if (e.is_directory()) {
                if (fs::exists(to)) DeleteDirectory(to.string(), false, false);
                fs::rename(e.path(), to);
            } else if (DM && !FMove(*DM, e.path().string(), to.string(), 0)) {
                throw TPasteFailure(to.string() + " を置き換えられませんでした。");
            }
        }
        Discard();
    }

private:
    void Discard()
    {
        std::error_code ec;
        if (fs::exists(work_, ec)) DeleteDirectory(work_, false, false);
    }
    std::string source_, dest_, work_;
    bool dataFileOnly_;
};

} // namespace

void TDataSentakuBox::CopyPasteData()
{
    const int line = CurrentLine();
    TDataListRec* r = RowRecord(line);
    if (!r || !DM) {
        CopyPending = 0;
        return;
    }
    const int index = Line(line).RowIndex;
    const std::string folder = RowFolder(line);
    const int opCode = OperatorCodeOf(SystemDef.OpCode, r->GROUPID);

    if (CopyPending) {
        auto refuse = [&](bool refresh) {
            CopyPending = 0;
            if (refresh) DataListRefresh(line);
        };
        if (IsCloudShareMode() && r->CLOUD == 1) {
            if (ServerMode()) {
                int a;
                try {
                    a = CheckDataPath(folder);
                } catch (const std::exception&) {
                    a = -1;
                }
                if (a != 1) return refuse(true);
            }
            PerfectGrid1->setEnabled(false);
            pnlBottom->setEnabled(false);
            UpdateFunctionKeys();
            if (ServerMode()) {
                r->DATALOCK = opCode;
                SaveDataListRow(*r);
            }
            int result = DataTusinLink().CloudShareReceive(folder, 0);
            if (AppKind == 0 && result == 0) result = DataTusinLink().ReleaseCloudShare(folder);
            if (ServerMode()) {
                if (TDataListRec* again = RowRecord(line)) {
                    again->DATALOCK = 0;
                    SaveDataListRow(*again);
                }
            }
            PerfectGrid1->setEnabled(true);
            pnlBottom->setEnabled(true);
            if (result >= 1 && result <= 9) return refuse(true);
            r = RowRecord(line);
            if (!r) return refuse(false);
        }
        if (TDM::CheckDataDamage(SystemDef.HostName, folder, false, 0) == 0) {
            r->DATA_STATUS = 1;
            refuse(true);
            LineDamaged(line);
            return;
        }
        if (HasDamagedMember(Rows[static_cast<std::size_t>(index)])) {
            Inform("合算・分散データに破損したデータが存在するため、データのコピーを中止します。\r"
                   "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。\r"
                   "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。");
            return refuse(false);
        }
        const int s = CheckDataStatus(folder, true, true);
        if (!(s == 1 || (ServerMode() && s == 2))) return refuse(true);
        TDataInfomation di(*DM);
        di.Mode = static_cast<std::uint8_t>(ConnectMode);
        if (!di.IsDataSiyouKengen(folder)) return refuse(true);
        if (ServerMode() && s == 2 &&
            ShowMessage2(3, "このデータは他のオペレータが使用中です。コピーしますか？", Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) !=
                mrYes)
            return refuse(true);
        CopySourceFolder = folder;
        CopySource = *r;
        CopySource.ENTTEXT = TrimZen(FixLeft(r->ENTTEXT + "～コピー", 40));
        CopySource.DISPNAME = CopySource.ENTTEXT;
        CopySource.YOBIINT = index;
        SetDataStatus(folder, dsCopying);
        return;
    }

    // ---- paste
    auto endSource = [&] { SetDataStatus(CopySourceFolder, 1); };
    if (folder == CopySourceFolder) return endSource();
    if (IsCloudShareMode() && r->CLOUD == 1) {
        Inform("クラウドシェアデータのため貼り付け処理は行えません。");
        return endSource();
    }
    if (CopySource.GASSAN == 10 && CopySource.REC == r->REC) {
        Inform("同ブロックの分散入力データからの貼り付けは行えません。");
        return endSource();
    }
    const int e = CheckDataStatus(folder, false, true);
    const char* const inUse = "このデータは他のオペレータが使用中のため貼り付けは行えません。";
    if (e != 1 && e != 10) {
        if (ServerMode() && e == 2) Inform(inUse);
        return endSource();
    }
    // A database file that another process holds open would be replaced under it.
    if (FExist(*DM, JoinPath(folder, DataFileName), ConnectMode) &&
        DM->AccDatInConnection(1, SystemDef.HostName, false, folder)) {
        Inform(inUse);
        return endSource();
    }
    if (e == 10) {
        DM->fnAccDatDisConnected(folder, false, false);
    } else {
        TDataInfomation di(*DM);
        di.Mode = static_cast<std::uint8_t>(ConnectMode);
        if (!di.IsDataSiyouKengen(folder)) return endSource();
    }

    auto showProgress = [this](const std::string& label) {
        xAnimeProgressDialog1->SetCaption("コピー中");
        xAnimeProgressDialog1->SetInfoLabel(label);
        xAnimeProgressDialog1->SetAviFile(JoinPath(SystemDef.ExeDir, "progress.avi"));
        xAnimeProgressDialog1->CancelBtnShow = false;
        xAnimeProgressDialog1->OnShow = nullptr;
        xAnimeProgressDialog1->Execute(this);
    };
    showProgress("データのコピー中…");
    bool destinationMarked = false;
    try {
        TDataFolderInfoRec source;
        ReadDataIni(CopySourceFolder, source);
        bool go;
        if (e == 10)
            go = ShowMessage2(3, "このデータは破損データのため、データ間の照合チェックは行わずに貼り付けを行います。\rよろしいですか？",
                              Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) == mrYes;
        else
            go = CheckDestination("貼り付け", source, folder);
        if (go) {
            SetDataStatus(folder, dsPasting);
            destinationMarked = true;
            if (!xAnimeProgressDialog1->Handle() || !xAnimeProgressDialog1->Handle()->isVisible())
                showProgress("データのコピー中…");
            const int destKind = Rows[static_cast<std::size_t>(index)].DataRec.GASSAN;
            const int destChildren = Rows[static_cast<std::size_t>(index)].ChildCount;
            const bool consolidatedLine = !Line(line).IsMember() && (destKind == 1 || destKind == 2);
            if (ServerMode()) {
                xAnimeProgressDialog1->SetInfoLabel("データをコピー中…");
                TBackupRestoreThread job(*DM);
                r->DATALOCK = opCode;
                SaveDataListRow(*r);
                struct Unlock {
                    TDataSentakuBox* box;
                    int line;
                    ~Unlock()
                    {
                        if (TDataListRec* row = box->RowRecord(line)) {
                            row->DATALOCK = 0;
                            try {
                                box->SaveDataListRow(*row);
                            } catch (const std::exception&) {
                            }
                        }
                    }
                } unlock{this, line};
                std::string work = SystemDef.ServerTempDir;
                if (work.empty()) {
                    // The server's work folder on the root that stands for its drive.
                    work = ServerTempDirName;
                    while (!work.empty() && work.front() == '/') work.erase(0, 1);
                    work = "/" + work;
                }
                if (!DExist(*DM, work, ConnectMode)) MkDir(*DM, work, ConnectMode);
                std::error_code ec;
                fs::remove(JoinPath(SystemDef.WorkDir, BackupFileName), ec);
                job.Mode = 2;
                job.Route = 0;
                job.HostName = SystemDef.HostName;
                job.ProcessName = "データ選択";
                job.DatabaseFile = JoinPath(CopySourceFolder, DataFileName);
                job.DestFile = JoinPath(folder, DataFileName);
                job.BackupFile = fs::path(JoinPath(work, BackupFileName)).replace_extension("." + std::to_string(SystemDef.OpCode)).string();
                job.Resume();
                while (!job.GetTerminated()) WaitMSec(500);
                job.wait();
                if (FExist(*DM, job.BackupFile, ConnectMode)) FDel(*DM, job.BackupFile, ConnectMode, false);
                if (job.Success != 1) {
                    std::string detail = job.ErrInfo.Message;
                    if (!job.ErrInfo.Detail.empty()) detail += (detail.empty() ? "" : "\n") + job.ErrInfo.Detail;
                    throw TPasteFailure(detail);
                }
            } else {
                if (!Line(line).IsMember() && (folder + "/").rfind(CopySourceFolder + "/", 0) == 0)
                    throw std::runtime_error(kInsideSource);
                TLocalPaste paste(CopySourceFolder, folder, r->GASSAN == 10);
                paste.Copy();
                // Only now that the copy is whole do the destination's children go.
                if (consolidatedLine) Refresher->ClearChildRows(line, true);
                paste.PutInPlace();
            }
            SetDataStatus(folder, 1);
            destinationMarked = false;
            ApplyGassanSetting(line, CopySource.GASSAN, destKind, destChildren);
            TCloudShareIO().ClearSetting(SystemDef.HostName, folder);
            r = RowRecord(line);
            TDataInfomation di(*DM);
            di.Mode = static_cast<std::uint8_t>(ConnectMode);
            TDataInfomationRec info;
            TDataInfomation::ClearDataInfoRec(info);
            if (r && di.ReadDataInfoFromFolder(folder, info)) {
                info.DATALISTNAME = CopySource.ENTTEXT;
                info.UPDATE_LOCK = CopySource.UPDATE_LOCK;
                info.READ_ONLY = CopySource.READ_ONLY;
                di.UpdateDataInfomation(SystemDef.HostName, folder, info);
                di.WriteIniFile(folder, kSectionDataInfo, info);
                // The list takes the locks from the folder's status section: the copy carries the source's.
                di.WriteIniValue(folder, kSectionDataSts, false, CopySource.UPDATE_LOCK, "UPDATE_LOCK");
                di.WriteIniValue(folder, kSectionDataSts, false, CopySource.READ_ONLY, "READ_ONLY");
                r->DATACODE = info.CODE;
                r->ENTTEXT = CopySource.ENTTEXT;
                r->DISPNAME = CopySource.ENTTEXT;
                r->UPDATE_LOCK = CopySource.UPDATE_LOCK;
                r->READ_ONLY = CopySource.READ_ONLY;
                r->GASSAN = info.GASSANKBN;
                r->DATA_STATUS = 0;
                SetCell(line, 1, r->DATACODE);
                SetCell(line, 3, r->ENTTEXT);
                CopyChildRows(line);
            } else if (r) {
                r->DATA_STATUS = 1;
            }
            DataListRefresh(line);
            SetCurrentLine(line, 0);
            if (Line(line).ShareState == 2) {
                if (KyoyuDataUpRun(1) > 0) SetShareHeld(1, index);
                DataListRefresh(line);
                SetCurrentLine(line, 0);
            }
        }
    } catch (const TPasteFailure& f) {
        // The destination, its name and its children stay as they were.
        xAnimeProgressDialog1->Close();
        ShowErrorDetail(kCopyFailed, f.what());
    } catch (const FbError& f) {
        xAnimeProgressDialog1->Close();
        ShowIBError(f, "TDataSentakuBox.CopyPasteData", kCopyFailed);
    } catch (const std::exception& f) {
        xAnimeProgressDialog1->Close();
        ShowErrorDetail(f.what(), "");
    }
    if (destinationMarked) SetDataStatus(folder, e == 10 ? 10 : 1);
    xAnimeProgressDialog1->Close();
    endSource();
    show();
    raise();
    activateWindow();
}

void TDataSentakuBox::CopyChildRows(int line)
{
    if (line < 0 || line >= LineCount() || Line(line).IsMember()) return;
    const int s = CopySource.YOBIINT, t = Line(line).RowIndex;
    if (s < 0 || s >= static_cast<int>(Rows.size()) || t < 0 || t >= static_cast<int>(Rows.size())) return;
    TDataSentakuRec& dest = Rows[static_cast<std::size_t>(t)];
    const TDataSentakuRec source = Rows[static_cast<std::size_t>(s)];
    const bool destConsolidated = dest.DataRec.GASSAN == 1 || dest.DataRec.GASSAN == 2;
    if (!destConsolidated) {
        dest.ChildCount = 0;
        dest.ChildList.clear();
        return;
    }
    if (source.DataRec.GASSAN != 1 && source.DataRec.GASSAN != 2) return;
    dest.ChildList = source.ChildList;
    dest.ChildCount = static_cast<int>(dest.ChildList.size());
    for (auto& c : dest.ChildList) {
        c.REC = dest.DataRec.REC;
        c.PASNAME = ReplaceAll(c.PASNAME, source.DataRec.PASNAME, dest.DataRec.PASNAME);
        ListCtl->UpdateDataListChildRecord(c, 0, true);
    }
}

} // namespace kb
