// TDataSentakuBox: the list slots. F5 deletes a data set, F4 releases a shared-drive assignment
// (stand-alone) or adds an empty slot (server modes), F3 creates new data through the registered
// new-data form or, on a consolidated line, a distributed-input child.

#include "dataselect/z5DataSentaku.h"

#include "accounting/DataInfomation.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5ServerFile.h"
#include "dataselect/registry/z5GassanDataCtl.h"
#include "fb/FbError.h"
#include "platform/Text.h"
#include "ui/xAnimeProgressDialog.h"
#include "ui/z5InputDlg.h"
#include "ui/z5MessageDlg.h"
#include "ui/z5MessageDlg2.h"

#include <QApplication>
#include <QTableView>

#include <cstdio>

namespace kb {

namespace {

bool ServerMode() { return ConnectMode == 1 || ConnectMode == 2; }

int Inform(const std::string& text) { return ShowMessage2(2, text, Btn(TMsgDlgBtn::mbOK)); }

const char* const kDamagedMemberLines[] = {"データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。",
                                           "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。"};

// The information box on a damaged member of a consolidated data set; what names the operation.
void DamagedMemberBox(const std::string& what)
{
    Inform("合算・分散データに破損したデータが存在するため、データの" + what + "を中止します。\r" + kDamagedMemberLines[0] + "\r" +
           kDamagedMemberLines[1]);
}

std::string Format4(int n)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.4d", n);
    return b;
}

} // namespace

TMessageInfoRec TDataSentakuBox::LineBox(int kind, const std::string& caption, const std::string& text,
                                         const std::string& folderLabel, int line) const
{
    TMessageInfoRec m;
    InitMessageBoxRec(m);
    m.MsgType = kind;
    m.Caption = caption;
    m.MainText = text;
    m.MainColor = clRed;
    m.Lines = {"【データ名】", "　" + Cell(line, 3), "", "【会計期間】", "　" + Cell(line, 5), "", folderLabel, "　" + Cell(line, 6)};
    return m;
}

void TDataSentakuBox::DataManKeyClick(TFuncKey key)
{
    const TDataListRec* r = RowRecord(CurrentLine());
    switch (key) {
    case fkF2:
        if (KeyState == 1) {
            CopyPending = 1;
            CopyPasteData();
        } else if (KeyState == 2) {
            CopyPending = 0;
            CopyPasteData();
            CopySourceFolder.clear();
        }
        break;
    case fkF3:
        if (ConnectMode == 0 && r && r->GASSAN == 1) AddBunsanData();
        else if (ConnectMode == 0 || (r && r->ENTTEXT.empty())) CreateNewData();
        else TakeOutBringBack();
        break;
    case fkF4:
        if (ConnectMode == 0) ReleaseShareAssign();
        else AddDataArea();
        break;
    case fkF5: DeleteDataSet(true); break;
    default: break;
    }
}

bool TDataSentakuBox::DeleteDataSet(bool showError)
{
    const int line = CurrentLine();
    TDataListRec* r = RowRecord(line);
    if (!r || !DM) return true;
    const int index = Line(line).RowIndex;
    const std::string folder = RowFolder(line);
    const bool damaged = r->DATA_STATUS == 1;
    if (damaged) {
        DM->fnAccDatDisConnected(folder, false, false);
    } else {
        if (TDM::CheckDataDamage(SystemDef.HostName, folder, false, 0) == 0) {
            r->DATA_STATUS = 1;
            DataListRefresh(line);
            LineDamaged(line);
            UpdateFunctionKeys();
            return true;
        }
        if (HasDamagedMember(Rows[static_cast<std::size_t>(index)])) {
            CopyPending = 0;
            DamagedMemberBox("削除");
            UpdateFunctionKeys();
            return true;
        }
        if (r->NETDRIVE == 1 && r->GASSAN <= 2) {
            Inform("共有データの削除は行えません。\r[F4:割当解除]後に「共有データの選択」ウィンドウを表示して削除を行って下さい。");
            return true;
        }
        if (IsCloudShareMode() && r->CLOUD == 1) {
            Inform("クラウドシェアデータのため削除処理は行えません。");
            return true;
        }
        if (AsciiLower(folder) == AsciiLower(NormalizeDataPath(SystemDef.DataDir))) {
            Inform(SyoriType == 2 ? "このデータは現在選択中のデータのため削除は行えません。"
                                  : "このデータは前回起動データのため削除は行えません。");
            return true;
        }
        const int s = CheckDataStatus(folder, true, true);
        // A file that another process holds open could be deleted under it here: that counts as
        // in use by another operator too.
        if ((ServerMode() && s == 2) || (s == 1 && DM->AccDatInConnection(1, SystemDef.HostName, false, folder))) {
            Inform("このデータは他のオペレータが使用中のため削除は行えません。");
            return true;
        }
        TDataInfomation di(*DM);
        di.Mode = static_cast<std::uint8_t>(ConnectMode);
        if (s != 1 || !di.IsDataSiyouKengen(folder)) return true;
    }

    TMessageInfoRec m = LineBox(2, "データの削除", "選択したデータを削除します。", "【データフォルダ】", line);
    m.AgreeCaption = "データの削除に同意します";
    if (ShowMessageBox(m) != mrOk) return true;

    r->DATA_STATUS = 0;
    TDataListRec rec = *r;
    const TDataSentakuRec parent = Rows[static_cast<std::size_t>(index)];
    const bool member = rec.GASSAN == 10;
    if (ConnectMode == 0) {
        RmDir(*DM, folder, 0, false);
        if (member && (parent.DataRec.GASSAN == 1 || parent.DataRec.GASSAN == 2)) {
            if (!GassanCtl) GassanCtl = std::make_unique<TGassanDataCtl>();
            try {
                GassanCtl->SetDataPath(DataFolderOf(parent.DataRec));
                GassanCtl->SetDataRec(parent.DataRec.REC);
                GassanCtl->SetActive(true);
                GassanCtl->SetGassanSetting(parent.DataRec.GASSAN, parent.ChildCount - 1);
            } catch (const FbError& e) {
                ShowIBError(e, "TDataSentakuBox.DeleteDataSet", "合算データの設定に失敗しました。");
            } catch (const std::exception& e) {
                ShowErrorDetail("合算データの設定に失敗しました。", e.what());
            }
        }
    } else {
        if (!damaged) DM->AccDatDropDatabase(SystemDef.HostName, folder);
        RmDir(*DM, folder, ConnectMode, false);
    }
    const bool deleted = ListCtl->DeleteDataListRecord(rec, true);
    if (rec.GASSAN == 1 || rec.GASSAN == 2) Refresher->ClearChildRows(line, true);
    DataListRefresh(line);
    if (!deleted && showError) {
        ShowMessage2(1, "データの削除に失敗しました。\r", Btn(TMsgDlgBtn::mbOK));
    } else if ((ConnectMode == 0 && member) || ServerMode()) {
        RelocateRow(PerfectGrid1->rowAt(0), rec);
        PerfectGrid1->setFocus();
    }
    return deleted;
}

bool TDataSentakuBox::ReleaseShareAssign()
{
    const int line = CurrentLine();
    TDataListRec* r = RowRecord(line);
    if (!r || !DM) return true;
    const std::string oldShare = r->PASNAME;
    const bool held = r->KYOYULOCK == 1;
    const TMessageInfoRec m = LineBox(0, "共有データの割当解除", "選択した共有データの割り当てを解除します。\rよろしいですか？",
                                      "【共有データフォルダ】", line);
    if (ShowMessageBox(m) != mrOk) return true;
    const std::string local = RowFolder(line);
    r->PASNAME = local;
    r->NETDRIVE = 0;
    r->KYOYULOCK = 0;
    const bool removed = RmDir(*DM, local, ConnectMode, false);
    if (removed && held) SetShareStatus(oldShare, 1);
    DataListRefresh(line);
    return removed;
}

void TDataSentakuBox::AddDataArea()
{
    if (!DM) return;
    constexpr int kMaxRows = 2000;
    if (static_cast<int>(Rows.size()) >= kMaxRows) {
        char b[128];
        std::snprintf(b, sizeof b, "これ以上の領域追加は行えません。(最大%d件)", kMaxRows);
        ShowMessage2(0, b, Btn(TMsgDlgBtn::mbOK));
        return;
    }
    if (!InputDlg) InputDlg = new TInputDlgBox(this);
    InputDlg->InputKind = 0;
    InputDlg->InputCaption = "データの領域追加";
    InputDlg->MainText = "新しく作成するフォルダ名を入力して下さい。";
    InputDlg->MainColor = clBlack;
    InputDlg->InputText = Format4(ListCtl->GetDataFolderName(1));
    InputDlg->InputMaxLength = 8;
    InputDlg->InputImeMode = TImeMode::imDisable;
    InputDlg->CharFilter = 40;
    InputDlg->InputHint = "新しく作成するフォルダ名を入力します。";
    InputDlg->Setup(1);
    if (InputDlg->exec() != mrOk) return;
    const std::string name = TrimZen(InputDlg->InputText);
    if (name.empty()) return;
    const std::string path = JoinPath(NormalizeDataPath(PlacePath), name);
    if (ListCtl->IsDataPathToroku(path)) {
        ShowMessage2(0, "\"" + path + "\"は既にデータリスト上に作成されています。\r", Btn(TMsgDlgBtn::mbOK));
        return;
    }
    if (DExist(*DM, path, ConnectMode)) {
        ShowMessage2(0, "\"" + path + "\"に会計データが作成されています。\r", Btn(TMsgDlgBtn::mbOK));
        return;
    }
    TDataListRec row;
    ListCtl->InitDataListRec(row, path);
    SetRowFromInfo(row, 1);
    row.ENTTEXT.clear();
    row.DISPNAME.clear();
    row.PASNAME = path;
    if (!ListCtl->InsertDataListRecord(row, true)) return;
    RelocateRow(PerfectGrid1->rowAt(0), row);
    PerfectGrid1->setFocus();
}

int TDataSentakuBox::CreateNewData()
{
    const int line = CurrentLine();
    TDataListRec* r = RowRecord(line);
    if (!r || !DM) return 0;
    const int index = Line(line).RowIndex;
    const std::string folder = RowFolder(line);
    if (CheckDataStatus(folder, false, false) != 1) return 0;
    MkDir(*DM, folder, ConnectMode);
    TDataInfomation di(*DM);
    di.Mode = static_cast<std::uint8_t>(ConnectMode);
    TDataInfomationRec status;
    TDataInfomation::ClearDataInfoRec(status);
    status.STATUS = dsCreating;
    status.OPCODE = SystemDef.OpCode;
    status.OPERATOR = SystemDef.OpName;
    di.WriteIniFile(folder, kSectionDataSts, status);
    const int rec = Rows[static_cast<std::size_t>(index)].DataRec.REC;
    auto setLock = [&](int lock) {
        if (!ServerMode()) return;
        if (TDataListRec* row = RowRecord(line)) {
            row->DATALOCK = lock;
            SaveDataListRow(*row);
        }
    };
    setLock(OperatorCodeOf(SystemDef.OpCode, r->GROUPID));
    int m = -1;
    try {
        const std::string params = "DataPath=" + folder + "\rDataListRec=" + std::to_string(rec) +
                                   "\rPHandle=" + std::to_string(static_cast<long long>(winId()));
        if (OpenRegisteredFormHook) m = OpenRegisteredFormHook("SzKihonWiz", 1, params);
        else NotBuilt("新規作成");
        if (m == 1) {
            TDataSentakuRec& row = Rows[static_cast<std::size_t>(index)];
            ListCtl->GetDataListRecord(0, row, true);
            ListCtl->GetDataListChildRecord(row, false);
            if (row.DataRec.NETDRIVE == 1) {
                const std::string localRoot = DataFolderOf(row.DataRec);
                for (auto& c : row.ChildList) {
                    c.NETDRIVE = 1;
                    c.PASNAME = ReplaceAll(c.PASNAME, localRoot, row.DataRec.PASNAME);
                    ListCtl->UpdateDataListChildRecord(c, 0, true);
                }
            }
            di.SetDataStatus(folder, 1);
        } else if (m == 2 && r->NETDRIVE != 1) {
            RmDir(*DM, folder, ConnectMode, false);
        }
    } catch (...) {
        setLock(0);
        throw;
    }
    setLock(0);
    if (Line(line).ShareState == 2) {
        const int stored = m == 1 ? KyoyuDataUpRun(1) : 1;
        if (stored > 0) SetShareHeld(1, index);
    }
    DataListRefresh(line);
    return m;
}

void TDataSentakuBox::AddBunsanData()
{
    const int line = CurrentLine();
    if (line < 0 || line == kNoLine || !DM) return;
    const int index = Line(line).RowIndex;
    if (index < 0 || index >= static_cast<int>(Rows.size())) return;
    TDataSentakuRec& row = Rows[static_cast<std::size_t>(index)];
    const int kind = row.DataRec.GASSAN;
    if (kind != 1 && kind != 2) return;
    if (row.ChildCount > 98) {
        ShowMessage2(2, "これ以上の分散データの追加は行えません。(最大99件)\r", Btn(TMsgDlgBtn::mbOK));
        return;
    }
    if (ShowMessage2(3, "分散入力用のデータを追加します。\rよろしいですか？", Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) !=
        mrYes)
        return;
    const std::string folder = RowFolder(line);
    if (!GassanCtl) GassanCtl = std::make_unique<TGassanDataCtl>();
    xAnimeProgressDialog1->SetCaption("分散データの追加");
    xAnimeProgressDialog1->SetInfoLabel("分散データの作成中…");
    xAnimeProgressDialog1->SetAviFile(JoinPath(SystemDef.ExeDir, "progress.avi"));
    xAnimeProgressDialog1->CancelBtnShow = false;
    xAnimeProgressDialog1->OnShow = nullptr;
    xAnimeProgressDialog1->Execute(this);
    try {
        GassanCtl->SetDataPath(folder);
        GassanCtl->SetDataRec(row.DataRec.REC);
        GassanCtl->SetActive(true);
        // The count follows the children that exist: a child that could not be made changes nothing.
        if (GassanCtl->AddChildData("") == 1) {
            GassanCtl->SetGassanSetting(kind, row.ChildCount + 1);
            ListCtl->GetDataListChildRecord(row, true);
        }
        DataListRefresh(line);
    } catch (const FbError& e) {
        ShowIBError(e, "TDataSentakuBox.AddBunsanData", "分散データの追加に失敗しました。");
    } catch (const std::exception& e) {
        ShowErrorDetail(e.what(), "");
    }
    DM->fnAccDatDisConnected(folder, false, false);
    raise();
    xAnimeProgressDialog1->Close();
    show();
}

} // namespace kb
