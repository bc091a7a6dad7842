#pragma once
// TDataSentakuBox: the data selection dialog, registered as "SzDataSenkaku" and driven through
// ISyoriKidou (SetParams with the caller's lines, then Execute). It lists the data-set registry in
// a grid of 20 columns (10 to 19 hidden: the line's typed facts, TDataListLine, shown as text), filters it by
// the caller's or the operator's search conditions, sorts it by header clicks, searches it by
// typed keys, keeps its lines true to the data folders (DataListRefresh) and confirms a row with
// F12, Enter or a double click, leaving the chosen folder in SystemDef.
//
// The decisions live in the registry library (z5DataSentakuRules, plain functions) and the refresh
// in TDataListRefresher (registry/DataListRefresh); this form applies and shows them.
// The data-management operations (copy and paste, new data, delete, save, restore, printing, the
// share and cloud buttons, details, data places, take-out) are started from here but built by their
// own units; until then they fail with a clear message.

#include "core/FormRegistry.h"
#include "dataselect/registry/DataFolderInfo.h"
#include "dataselect/registry/DataListRefresh.h"
#include "dataselect/registry/z5ComDataSentaku.h"
#include "dataselect/z5DataListKensaku.h"
#include "dataselect/registry/z5DataSentakuRules.h"
#include "ui/SDI.h"
#include "ui/z5MessageDlg.h"

#include <QAbstractTableModel>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace kb {

class TxAnimeProgressDialog;
class TDataPlaceBox;
class TDataPlaceIO;
class TDataSyosaiInfoBox;
class TFileOperationBox;
class TFileOperationBoxEx1;
class TGassanDataCtl;
class TInputDlgBox;

inline constexpr int kGridColumns = 20;
inline constexpr int kShownColumns = 10; // 10 to 19 render the line's facts
inline constexpr int kNoLine = 32700;

// One grid line: the texts of the shown columns, the line's facts and its colours ($00BBGGRR).
struct TGridLine {
    std::array<std::string, kShownColumns> Cells;
    TDataListLine State;
    std::uint32_t BackColor = 0xFFFFFF;
    std::uint32_t TextColor = 0x000000;
    int LockPicture = 0;   // column 8: 0 blank, 1 lock
    int SharePicture = 0;  // column 9: 0 blank, 2 share
    int CloudPicture = 0;  // column 2: 0 none, 1 cloud
};

// The grid's model: lines of 20 columns, headers, colours; the form writes lines, the view shows.
class TDataListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDataListModel(QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    std::vector<TGridLine>& Lines() { return lines_; }
    const std::vector<TGridLine>& Lines() const { return lines_; }
    std::array<std::string, kGridColumns> Headers;
    int CurrentLine = -1;
    std::uint32_t SelectedTextColor = 0x246BFF;

    void Reset(std::vector<TGridLine> lines);
    void InsertLine(int at, TGridLine line);
    void RemoveLine(int at);
    void LineChanged(int line);
    void HeadersChanged();

private:
    std::vector<TGridLine> lines_;
};

// The facts of the data a restore brings (its backup's trailer, or a trial restore of it), kept apart
// from the copy clipboard: a copy marked before a restore is pasted as it was marked.
struct TIncomingDataRec {
    std::string SHOUGOU;
    Date KISHU, KIMATU;
    std::string VER_TEXT;
    std::uint8_t GASSAN = 0;
};

class TDataSentakuBox : public TBSDI, public TFormInstance, public ISyoriKidou, public IDataListLines {
    Q_OBJECT
public:
    explicit TDataSentakuBox(QWidget* parent = nullptr);
    ~TDataSentakuBox() override;

    // ---- ISyoriKidou
    void SetParams(const std::vector<std::string>& lines) override;
    int Execute(int mode) override;

    // ---- fields
    std::vector<std::string> Params;
    std::uint8_t DisplayMode = 0;
    std::uint8_t SyoriType = 0;
    int KeyState = 0;
    std::uint8_t CopyPending = 0;
    std::string CopySourceFolder;
    std::string ChosenFolder, ChosenSharePath;
    std::string OpenDataFolder;
    std::uint8_t ReselectOnShow = 1;
    TDataKensakuRec SavedJyoken, ActiveJyoken, CallerJyoken;
    int SortColumn = -1;
    std::uint8_t SortDescending = 0;
    TDataSentakuRecArray Rows;
    TDataListArray ChildRows;
    TDataSentakuRecDispArray DispIndex;
    int GridRowCount = 0;
    std::string IncSearchText;
    std::uint8_t CancelPressed = 0;
    int PlaceRec = 0;
    std::string PlacePath;
    int OnlySAMode = 0;
    std::string OnlySABackupPath;
    int KeptAutoShareFlag = 0;
    TDataFolderInfoRec InfoRec;
    TFormStyleKind FormStyle = TFormStyleKind::MdiChild;
    bool ManualFree = false;

    // ---- components
    TDataListModel* Model = nullptr;
    QTableView* PerfectGrid1 = nullptr;
    QPushButton* btnCloudShare = nullptr;
    QPushButton* btnKyoyuDataUp = nullptr;
    QPushButton* btnKyoyuDataDown = nullptr;
    QPushButton* btnSearchCancel = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnDataInfo = nullptr;
    QPushButton* btnListUpdate = nullptr;
    QCheckBox* cboxKyoyuDataAuto = nullptr;
    QWidget* pnlDataMan = nullptr;
    QComboBox* cmbDataMan = nullptr;
    QPushButton* btnDataMan = nullptr;
    QWidget* pnlBottom = nullptr;
    std::array<QPushButton*, fkCount> FuncButtons{};
    QLineEdit* txtIncSerch = nullptr;
    QTimer* IncSerchTimer = nullptr;
    TxAnimeProgressDialog* xAnimeProgressDialog1 = nullptr;
    std::unique_ptr<TDataSentakuListCtl> ListCtl;
    std::unique_ptr<TDataListRefresher> Refresher;
    TDataListKensakuBox* KensakuBox = nullptr;
    TDataPlaceBox* PlaceBox = nullptr;          // created on first use, owned by the form
    std::unique_ptr<TDataPlaceIO> PlaceIO;      // the named places behind cmbDataMan

    // ---- the details dialog behind "情報" (z5DataSentakuInfo.cpp)
    TDataSyosaiInfoBox* SyosaiBox = nullptr;  // created on first use, owned by the form
    void btnDataInfoClick();

    // ---- shared and cloud-share data (z5DataSentakuShare.cpp)
    int KyoyuDataDownRun(int automatic);
    int KyoyuDataUpRun(int automatic);
    void btnKyoyuDataDownClick();
    void btnKyoyuDataUpClick();
    void btnCloudShareClick();
    bool FetchSharedBeforeSave();
    // Marks the row at rowIndex (and its members) held by this operator or not: KYOYULOCK, the
    // registry, and the share status of the local folder and of the shared copy.
    void SetShareHeld(int held, int rowIndex);
    // The share state (1 kept on the share, 2 held here) on a parent line and its members' lines.
    void ShowShareState(int parent, int state);
    // The parent line of a member line (a parent line is its own).
    int GetParentRow(int line) const;

    // ---- saving and restoring, take-out and bring-back (z5DataSentakuSave.cpp)
    TFileOperationBox* FileOperationBox = nullptr;       // created on first use, owned by the form
    TFileOperationBoxEx1* FileOperationBoxEx1 = nullptr; // likewise
    // 0 nothing saved, 1 saved, -1 the backup job failed. An empty target lets the operator choose.
    int SaveData(const std::string& target);
    // 0 nothing done, 1 restored, -1 failed. An empty source lets the operator choose.
    int RestoreData(const std::string& source, int cloud);
    // 1 ended normally or not applicable, 0 otherwise.
    int TakeOutBringBack();
    void SetTakeOutMark(int marked, int code);
    // ---- slots: delete, release, add, new data, distributed children (z5DataSentakuSlots.cpp)
    std::unique_ptr<TGassanDataCtl> GassanCtl;  // created on first use
    TInputDlgBox* InputDlg = nullptr;           // created on first use, owned by the form
    bool DeleteDataSet(bool showError);
    bool ReleaseShareAssign();
    void AddDataArea();
    // The new-data form's result (1 created, 2 cancelled, -1 not opened); 0 when refused first.
    int CreateNewData();
    void AddBunsanData();
    // F2 to F5 of a full dialog: copy and paste, new data or a child, release or a new slot, delete.
    void DataManKeyClick(TFuncKey key);
    // A red box naming the line's data set, period and folder (under folderLabel).
    TMessageInfoRec LineBox(int kind, const std::string& caption, const std::string& text, const std::string& folderLabel,
                            int line) const;

    // ---- copy and paste (z5DataSentakuCopy.cpp)
    void CopyPasteData();
    void CopyChildRows(int line);

    // ---- data places of the server modes (z5DataSentakuPlace.cpp)
    void PreparePlaces();
    void cmbDataManChange();
    void cmbDataManExit();
    void btnDataManClick();

    // ---- list
    void InitDisplay(std::uint8_t displayMode);
    void PrepareList();
    int LoadDataList();
    void FilterDataList();
    void FillGrid(int n);
    void WriteGridRow(int line, const TDataListRec& row);
    void SelectCurrentDataRow();
    void SaveDataListRow(TDataListRec& row);
    void SetRowFromInfo(TDataListRec& row, int mode);
    void HeaderClick(int column);
    void LockCellClick(int line);

    // ---- refresh and lines
    bool DataListRefresh(int line);
    void RelocateRow(int topLine, const TDataListRec& record);
    std::string RowFolder(int line) const;
    TDataListRec* RowRecord(int line);
    const TDataListRec* RowRecord(int line) const;
    int GetDisplayIndex(int line) const;
    int CurrentLine() const;
    void SetCurrentLine(int line, int column = 0);
    int LineCount() const override;
    const TDataListLine& Line(int line) const override;
    // Text of a shown column (0 to 9); empty for any other.
    std::string Cell(int line, int column) const;
    void SetCell(int line, int column, const std::string& text);

    // ---- checks (5.136) and confirmation (5.116)
    void SetDataStatus(const std::string& folder, int status);
    int CheckDataStatus(const std::string& folder, bool warnNoData, bool checkAllowed);
    int CheckDataPath(const std::string& folder);
    bool CheckDestination(const std::string& op, const TDataFolderInfoRec& source, const std::string& destination);
    bool CollateDataInfo(const std::string& op, const TDataFolderInfoRec& source, const TDataFolderInfoRec& destination);
    // Writes the consolidation settings a paste or restore leaves in the line's folder: incomingKind
    // is the kind of the data brought (the copy's or the restore's), loadedKind and
    // loadedChildCount the line's as loaded before the operation.
    void ApplyGassanSetting(int line, int incomingKind, int loadedKind, int loadedChildCount);
    void WriteGassanSetting(const std::string& folder, int kind, int count);
    // The copy clipboard: the data a paste brings. A restore never touches it.
    TDataListRec CopySource;
    // The facts of the data a restore brings: filled by CheckDestination("復元") after it agreed,
    // or read from the restored data when nothing was compared.
    TIncomingDataRec Incoming;
    void UpdateFunctionKeys();
    TFunctionKeyInput FunctionKeyInput() const;
    void ESCClick();
    void FuncKeyClick(TFuncKey key);
    // F8: asks for the print options and prints or previews the shown lines.
    void PrintDataList();
    void F12Click();
    int AutoShareStep(const std::string& direction);

    // Cancel of the progress dialog during a whole-list refresh (tests and the bench press it).
    bool RefreshCancelled() const;
    // Called after each line of a whole refresh, before the event loop runs (the bench and tests
    // use it; not part of the dialog's behaviour).
    std::function<void(int line)> OnRefreshLine;

protected:
    // ---- IDataListLines: the refresher's reports
    void RowChanged(int line, int rowIndex) override;
    void LineDamaged(int line) override;

    bool eventFilter(QObject* o, QEvent* e) override;
    void ShowingChanged() override;
    bool FormCloseHide() override;
    void done(int r) override;
    void reject() override;

private:
    bool FormCloseQuery(int& result);
    void FormCloseWork();
    void GridCurrentChanged(int line);
    void IncSerchTimerTimer();
    void btnSearchClick(QPushButton* sender);
    void btnListUpdateClick();
    void cboxKyoyuDataAutoClick();
    void NotBuilt(const std::string& what);
    void LoadHints();
    void ClearChosen();
    int DisplayIndexOfRow(int rowIndex) const;
    bool refreshCancelled_ = false;
    int lastCurrent_ = -1;
};

// Registers the forms of the data selection in the form-class registry ("SzDataSenkaku").
void RegisterDataSelectForms();

// Whether cloud share applies (the communication settings decide; off until they are installed).
void SetCloudShareModeSource(std::function<bool()> source);
// The grey rule's version check comes the same way: SetDataVersionCheck (registry/z5DataSentakuRules.h).
bool IsCloudShareMode();

} // namespace kb
