#include "dataselect/z5DataSentaku.h"

#include "accounting/DataSetHolder.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5ServerFile.h"
#include "dataselect/registry/DataPlace.h"
#include "dataselect/registry/z5GassanDataCtl.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "ui/xAnimeProgressDialog.h"
#include "ui/z5MessageDlg.h"
#include "ui/z5MessageDlg2.h"
#include "platform/Text.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace kb {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QColor ColorOf(std::uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

std::string Fmt(const char* f, int a)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, f, a);
    return buf;
}

// The hidden columns 10 to 19 show a line's facts as the grid always has.
std::string FactText(const TDataListLine& f, int column)
{
    switch (column) {
    case 10: return std::to_string(f.DataLock);
    case 11: return f.ShareState == 2 ? "1" : "0";
    case 12: return f.VersionText;
    case 13: return std::to_string(f.UpdateFlag);
    case 14: return std::to_string(f.Gassan);
    case 15: return std::to_string(f.RowIndex);
    case 16: return std::to_string(f.ChildIndex < 0 ? 0 : f.ChildIndex);
    case 17: return std::to_string(f.DataStatus);
    case 18: return std::to_string(f.Cloud);
    case 19: return std::to_string(f.ReadOnly);
    default: return {};
    }
}

std::function<bool()>& CloudSource()
{
    static std::function<bool()> f;
    return f;
}

const char* const kHeaders[kGridColumns] = {"No", "コード", "ｸﾗｳﾄﾞ", "データ名  ", "会計年度", "会計期間", "データフォルダ",
                                            "バージョン", "", "", "鍵", "共有", "バージョン", "データ更新", "合算区分", "",
                                            "", "データステータス", "ｸﾗｳﾄﾞ", "参照専用ﾞ"};
const char* const kFullTilde = "～";
const char* const kNoData = "このフォルダには財務データがありません。\r";

std::string AppDisplayName() { return SystemDef.AppTitle.empty() ? "Kenbo連動コンポーネント" : SystemDef.AppTitle; }

int InfoBox(const std::string& text) { return ShowMessage2(2, text, Btn(TMsgDlgBtn::mbOK)); }

// Files and folders of the data sets are the database server's in the server modes: they are tested
// and made there, so a folder that only this computer has counts as missing.
bool DataFileThere(const std::string& folder)
{
    const std::string file = JoinPath(folder, DataFileName);
    if (DM) return FExist(*DM, file, ConnectMode);
    std::error_code ec;
    return std::filesystem::exists(file, ec);
}
bool FolderThere(const std::string& folder)
{
    if (DM) return DExist(*DM, folder, ConnectMode);
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec);
}
void MakeFolder(const std::string& folder)
{
    if (DM) {
        MkDir(*DM, folder, ConnectMode);
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
}

} // namespace

void SetCloudShareModeSource(std::function<bool()> source) { CloudSource() = std::move(source); }
bool IsCloudShareMode() { return CloudSource() ? CloudSource()() : false; }

// ---- model -----------------------------------------------------------------------------------

TDataListModel::TDataListModel(QObject* parent) : QAbstractTableModel(parent)
{
    for (int i = 0; i < kGridColumns; ++i) Headers[static_cast<std::size_t>(i)] = kHeaders[i];
}

int TDataListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}
int TDataListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kGridColumns; }

QVariant TDataListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(lines_.size())) return {};
    const TGridLine& l = lines_[static_cast<std::size_t>(index.row())];
    const int c = index.column();
    switch (role) {
    case Qt::DisplayRole:
        // Picture cells: a mark in place of the image lists' pictures.
        if (c == 2) return l.CloudPicture ? QStringLiteral("☁") : QString();
        if (c == 8) return l.LockPicture ? QStringLiteral("■") : QString();
        if (c == 9) return l.SharePicture ? QStringLiteral("◆") : QString();
        if (c < kShownColumns) return Q(l.Cells[static_cast<std::size_t>(c)]);
        return Q(FactText(l.State, c));
    case Qt::BackgroundRole: return ColorOf(l.BackColor);
    case Qt::ForegroundRole:
        if (index.row() == CurrentLine) {
            if (l.State.UpdateFlag == 1) return ColorOf(kGreyTextColor);
            if (l.State.DataStatus == 1) return ColorOf(l.TextColor);
            return ColorOf(SelectedTextColor);
        }
        return ColorOf(l.TextColor);
    case Qt::TextAlignmentRole:
        if (c == 0 || c == 10 || c == 18) return int(Qt::AlignRight | Qt::AlignVCenter);
        if (c == 2 || c == 4 || c == 5 || c == 7 || c == 8 || c == 9) return int(Qt::AlignCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant TDataListModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || section < 0 || section >= kGridColumns) return {};
    if (role == Qt::DisplayRole) return Q(Headers[static_cast<std::size_t>(section)]);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

void TDataListModel::Reset(std::vector<TGridLine> lines)
{
    beginResetModel();
    lines_ = std::move(lines);
    endResetModel();
}

void TDataListModel::InsertLine(int at, TGridLine line)
{
    beginInsertRows({}, at, at);
    lines_.insert(lines_.begin() + at, std::move(line));
    endInsertRows();
}

void TDataListModel::RemoveLine(int at)
{
    beginRemoveRows({}, at, at);
    lines_.erase(lines_.begin() + at);
    endRemoveRows();
}

void TDataListModel::LineChanged(int line)
{
    if (line < 0 || line >= static_cast<int>(lines_.size())) return;
    emit dataChanged(index(line, 0), index(line, kGridColumns - 1));
}

void TDataListModel::HeadersChanged() { emit headerDataChanged(Qt::Horizontal, 0, kGridColumns - 1); }

// ---- creation --------------------------------------------------------------------------------

TDataSentakuBox::TDataSentakuBox(QWidget* parent) : TBSDI(parent, true)
{
    setObjectName("DataSentakuBox");
    HostMenuNotify = false;
    NoBusyCheck = true;
    UseFormSize = false;
    ActivateParamFlag = 0;
    resize(985, 560);

    auto mkButton = [this](const char* name, const char* text, int x, int y, int w, QWidget* parentW) {
        auto* b = new QPushButton(QString::fromUtf8(text), parentW);
        b->setObjectName(name);
        b->setGeometry(x, y, w, 26);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    btnCloudShare = mkButton("btnCloudShare", "ｸﾗｳﾄﾞ", 330, 8, 70, this);
    btnKyoyuDataUp = mkButton("btnKyoyuDataUp", "共有保管", 480, 8, 80, this);
    btnKyoyuDataDown = mkButton("btnKyoyuDataDown", "共有取得", 400, 8, 80, this);
    btnSearchCancel = mkButton("btnSearchCancel", "検索解除", 600, 8, 80, this);
    btnSearch = mkButton("btnSearch", "検索", 680, 8, 70, this);
    btnDataInfo = mkButton("btnDataInfo", "情報", 750, 8, 70, this);
    btnListUpdate = mkButton("btnListUpdate", "更新", 820, 8, 70, this);
    btnKyoyuDataUp->setEnabled(false);
    btnKyoyuDataDown->setEnabled(false);
    btnSearchCancel->setEnabled(false);
    cboxKyoyuDataAuto = new QCheckBox("共有データの取得と保管を自動化する", this);
    cboxKyoyuDataAuto->setObjectName("cboxKyoyuDataAuto");
    cboxKyoyuDataAuto->setGeometry(12, 10, 300, 22);
    pnlDataMan = new QWidget(this);
    pnlDataMan->setObjectName("pnlDataMan");
    pnlDataMan->setGeometry(12, 8, 310, 28);
    cmbDataMan = new QComboBox(pnlDataMan);
    cmbDataMan->setObjectName("cmbDataMan");
    cmbDataMan->setGeometry(90, 2, 150, 24);
    cmbDataMan->setMaxVisibleItems(10);
    btnDataMan = new QPushButton("設定", pnlDataMan);
    btnDataMan->setObjectName("btnDataMan");
    btnDataMan->setGeometry(244, 2, 60, 24);
    btnDataMan->setFocusPolicy(Qt::NoFocus);

    Model = new TDataListModel(this);
    PerfectGrid1 = new QTableView(this);
    PerfectGrid1->setObjectName("PerfectGrid1");
    PerfectGrid1->setModel(Model);
    PerfectGrid1->setGeometry(12, 44, 961, 368);
    PerfectGrid1->verticalHeader()->hide();
    PerfectGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    PerfectGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    PerfectGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PerfectGrid1->horizontalHeader()->setSectionsClickable(true);
    PerfectGrid1->horizontalHeader()->setHighlightSections(false);
    PerfectGrid1->setSortingEnabled(false);

    pnlBottom = new QWidget(this);
    pnlBottom->setObjectName("pnlBottom");
    pnlBottom->setGeometry(0, 420, 985, 140);
    auto* hint = new QPlainTextEdit(pnlBottom);
    hint->setObjectName("HintArea");
    hint->setReadOnly(true);
    hint->setGeometry(12, 4, 961, 60);
    HintMemo = hint;
    const char* names[fkCount] = {"ESC", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F12"};
    for (int i = 0; i < fkCount; ++i) {
        FuncButtons[static_cast<std::size_t>(i)] =
            mkButton(names[i], FullCaptions()[static_cast<std::size_t>(i)].c_str(), 12 + i * 96, 76, 92, pnlBottom);
    }
    F12Button = FuncButtons[fkF12];
    F12FocusFirst = false;

    txtIncSerch = new QLineEdit(this);
    txtIncSerch->setObjectName("txtIncSerch");
    txtIncSerch->setReadOnly(true);
    txtIncSerch->setMaxLength(8);
    txtIncSerch->setStyleSheet("QLineEdit { color: white; font-weight: bold; background: palette(highlight); }");
    txtIncSerch->hide();
    IncSerchTimer = new QTimer(this);
    IncSerchTimer->setObjectName("IncSerchTimer");
    IncSerchTimer->setInterval(0);
    IncSerchTimer->setSingleShot(true);
    xAnimeProgressDialog1 = new TxAnimeProgressDialog(this);

    // Fields and owned objects.
    SortColumn = -1;
    ReselectOnShow = 1;
    PlaceRec = SystemDef.DataPlaceRec;
    PlacePath = SystemDef.SysDir;
    ListCtl = std::make_unique<TDataSentakuListCtl>();
    ListCtl->Mode = ConnectMode;
    Refresher = std::make_unique<TDataListRefresher>(*ListCtl, Rows, *this);
    KensakuBox = new TDataListKensakuBox(this);
    KensakuBox->ListType = 0;
    KensakuBox->InitKensakuRec(CallerJyoken);

    // Mode-dependent look.
    const bool server = ConnectMode == 1 || ConnectMode == 2;
    std::uint32_t back = 0xFFFFFF, alt = 0xE1F0FF;
    if (ConnectMode == 0) {
        setWindowTitle("データ選択");
        back = static_cast<std::uint32_t>(DefaultScreenColors[3]);
        alt = static_cast<std::uint32_t>(DefaultScreenColors[5]);
        Model->SelectedTextColor = static_cast<std::uint32_t>(DefaultScreenColors[7]);
        pnlDataMan->hide();
    } else if (server) {
        setWindowTitle(ConnectMode == 1 ? "データ選択（サーバー）" : "データ選択");
        back = static_cast<std::uint32_t>(DefaultScreenColors[3]);
        alt = 0xFFF0E1;
        Model->SelectedTextColor = 0x804000;
        btnKyoyuDataDown->hide();
        btnKyoyuDataUp->hide();
        cboxKyoyuDataAuto->hide();
        pnlDataMan->show();
        btnCloudShare->move(btnKyoyuDataDown->pos());
    }
    setProperty("GridBackColor", static_cast<uint>(back));
    setProperty("GridAltColor", static_cast<uint>(alt));

    // Columns.
    const bool cloud = IsCloudShareMode();
    const int widths[kGridColumns] = {40, 70, cloud ? 40 : 0, 0, 80, 180, 200, 90, server ? 32 : 0, ConnectMode == 0 ? 32 : 0,
                                      0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    int w3 = 280 - widths[2] - (server ? widths[8] : widths[9]);
    for (int c = 0; c < kGridColumns; ++c) {
        const int w = c == 3 ? w3 : widths[c];
        PerfectGrid1->setColumnHidden(c, w == 0);
        if (w > 0) PerfectGrid1->setColumnWidth(c, w);
    }
    if (!cloud) btnCloudShare->hide();
    Model->Headers[8] = server ? "鍵" : "";
    Model->Headers[9] = ConnectMode == 0 ? "共有" : "";

    // Handlers.
    connect(PerfectGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) { HeaderClick(c); });
    connect(PerfectGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now, const QModelIndex&) { GridCurrentChanged(now.isValid() ? now.row() : -1); });
    connect(PerfectGrid1, &QTableView::clicked, this, [this](const QModelIndex& i) {
        if (i.isValid() && i.column() == 8 && (ConnectMode == 1 || ConnectMode == 2)) LockCellClick(i.row());
    });
    connect(PerfectGrid1, &QTableView::doubleClicked, this, [this](const QModelIndex&) {
        if (LineCount() > 0 && CurrentLine() >= 0) F12Click();
    });
    connect(IncSerchTimer, &QTimer::timeout, this, [this] { IncSerchTimerTimer(); });
    connect(FuncButtons[fkESC], &QPushButton::clicked, this, [this] { ESCClick(); });
    for (int k = fkF1; k <= fkF8; ++k)
        connect(FuncButtons[static_cast<std::size_t>(k)], &QPushButton::clicked, this,
                [this, k] { FuncKeyClick(static_cast<TFuncKey>(k)); });
    connect(FuncButtons[fkF12], &QPushButton::clicked, this, [this] { F12Click(); });
    connect(btnSearch, &QPushButton::clicked, this, [this] { btnSearchClick(btnSearch); });
    connect(btnSearchCancel, &QPushButton::clicked, this, [this] { btnSearchClick(btnSearchCancel); });
    connect(btnListUpdate, &QPushButton::clicked, this, [this] { btnListUpdateClick(); });
    connect(btnDataInfo, &QPushButton::clicked, this, [this] { btnDataInfoClick(); });
    connect(btnKyoyuDataDown, &QPushButton::clicked, this, [this] { btnKyoyuDataDownClick(); });
    connect(btnKyoyuDataUp, &QPushButton::clicked, this, [this] { btnKyoyuDataUpClick(); });
    connect(btnCloudShare, &QPushButton::clicked, this, [this] { btnCloudShareClick(); });
    connect(cboxKyoyuDataAuto, &QCheckBox::clicked, this, [this] { cboxKyoyuDataAutoClick(); });
    connect(cmbDataMan, &QComboBox::activated, this, [this](int) { cmbDataManChange(); });
    connect(btnDataMan, &QPushButton::clicked, this, [this] { btnDataManClick(); });
    cmbDataMan->installEventFilter(this);

    Initialized = KensakuBox->Initialized;
}

TDataSentakuBox::~TDataSentakuBox() = default;

bool TDataSentakuBox::FormCloseHide()
{
    // The form belongs to whoever created it by name; it never frees itself.
    return true;
}

void TDataSentakuBox::NotBuilt(const std::string& what)
{
    ShowErrorDetail("「" + what + "」はこのプログラムでは使用できません。", "");
}

// ---- ISyoriKidou -----------------------------------------------------------------------------

void TDataSentakuBox::SetParams(const std::vector<std::string>& lines)
{
    Params = lines;
    TDataSentakuParams p;
    p.SyoriType = SyoriType;
    KensakuBox->InitKensakuRec(p.CallerJyoken);
    p.ManualFree = ManualFree;
    try {
        ApplyDataSentakuParams(lines, p);
    } catch (...) {
        SyoriType = static_cast<std::uint8_t>(p.SyoriType);
        throw;
    }
    SyoriType = static_cast<std::uint8_t>(p.SyoriType);
    FormStyle = p.FormStyle;
    CallerJyoken = p.CallerJyoken;
    ManualFree = p.ManualFree;
    KeepOnClose = p.ManualFree;
    OnlySAMode = p.OnlySAMode;
    OnlySABackupPath = p.OnlySABackupPath;
}

int TDataSentakuBox::Execute(int mode)
{
    QApplication::restoreOverrideCursor();
    if (mode != 1) {
        show();
        return 1;
    }
    if (HostMenuHook && HostMenuHook(10, "") > 0) {
        ShowMessage2(0, "メニュー以外の処理が開いています。\r全ての処理を閉じてから処理を実行してください。",
                     Btn(TMsgDlgBtn::mbYes));
        return -1;
    }
    return ExecuteForm(true, [this] { InitDisplay(1); });
}

void TDataSentakuBox::InitDisplay(std::uint8_t displayMode)
{
    DisplayMode = displayMode;
    switch (SyoriType) {
    case 2:
        SystemDef.DataSelResultParams.clear();
        HostMenuNotify = false;
        btnCloudShare->hide();
        if (ConnectMode == 0) {
            KeptAutoShareFlag = SystemDef.AutoShareFlag;
            SystemDef.AutoShareFlag = 0;
        }
        break;
    case 3:
    case 4: btnCloudShare->hide(); break;
    case 5:
        SystemDef.DataSelResultParams.clear();
        HostMenuNotify = false;
        break;
    default: break;
    }
    PrepareList();
    PositionPending = false;
}

// ---- list ------------------------------------------------------------------------------------

void TDataSentakuBox::LoadHints()
{
    SetHint(cboxKyoyuDataAuto, "ﾁｪｯｸを入れると取得・保管ﾎﾞﾀﾝを使わずに共有ﾃﾞｰﾀを処理できます。空白行に共有ﾃﾞｰﾀを割り当てる場合やLANから切り離してﾃﾞｰﾀ持ち出す場合はﾁｪｯｸを外してください。|");
    SetHint(btnKyoyuDataUp, "選択した共有ﾃﾞｰﾀを他のPCで使用可能にします。保管を行うと［共有］欄にｱｲｺﾝが付きます。|");
    SetHint(btnKyoyuDataDown, "空白行を選択してｸﾘｯｸすると［共有ﾃﾞｰﾀの選択］画面が開きます。共有ﾃﾞｰﾀ行を選択してｸﾘｯｸすると選択可能になります。（［共有］欄のｱｲｺﾝが外れます。）|");
    SetHint(btnSearchCancel, "検索状態を解除します。|");
    SetHint(btnSearch, "［検索条件の設定］画面を開きます。一定条件に該当するﾃﾞｰﾀを抽出表示する場合に使用します。|");
    SetHint(btnDataInfo, "「ﾃﾞｰﾀの詳細情報」画面を開きます。入力済み仕訳件数や部門・本支店の設定状況など、選択ﾃﾞｰﾀの基本情報を表示します。|「ﾃﾞｰﾀの詳細情報」画面を開きます。入力済み仕訳件数や部門・本支店の設定状況など、選択ﾃﾞｰﾀの基本情報を表示します。\r\nﾃﾞｰﾀ選択画面におけるﾃﾞｰﾀの表示名を変更することも可能です。");
    SetHint(btnListUpdate, "ﾃﾞｰﾀﾘｽﾄを更新します。［F5：ﾃﾞｰﾀ削除］や［F7：復元］などの機能を使わずに移行したﾃﾞｰﾀを再表示します。|ﾃﾞｰﾀﾘｽﾄを更新します。入力済み仕訳件数や部門・本支店の設定状況など、選択ﾃﾞｰﾀの基本情報を表示します。\r\nﾃﾞｰﾀ選択画面におけるﾃﾞｰﾀの表示名を変更することも可能です。");
    SetHint(cmbDataMan, "データの場所を選択します。|データの場所をドロップダウンリストより選択します。選択された場所のデータリストが表示されます。");
    if (SyoriType == 5) return;
    const std::string sel = "［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で選択します。";
    std::string grid;
    if (KeyState == 2 || CopyPending) {
        grid = "貼り付け先を選択して［F2］を押します。|貼り付け先を選択して［F2］を押します。\r\nｺﾋﾟｰ処理を中断する場合は［ESC］を押します。";
    } else if (SyoriType == 4) {
        grid = sel + "|［ENTER］又はﾀﾞﾌﾞﾙｸﾘｯｸ又は［F12］で空いている行を選択します。\r\n";
    } else if (ConnectMode == 0) {
        grid = SyoriType == 2
                   ? sel + "|" + sel + "\r\n［F7］で作成済みのﾃﾞｰﾀを復元してください。\r\n選択ﾃﾞｰﾀを削除する場合は［F5］、ﾌﾗｯｼｭﾒﾓﾘなどのﾒﾃﾞｨｱに保存する場合は［F6］を押します。\r\n共有ﾃﾞｰﾀを処理する場合は［共有取得］、取得した共有ﾃﾞｰﾀを他のｵﾍﾟﾚｰﾀが使えるようにする場合は［共有保管］をｸﾘｯｸします。"
                   : sel + "|" + sel + "\r\n空白行は選択できません。［F3］で新規にﾃﾞｰﾀを作成するか、又は［F7］で作成済みのﾃﾞｰﾀを復元してください。\r\n選択ﾃﾞｰﾀを削除する場合は［F5］、ﾌﾗｯｼｭﾒﾓﾘなどのﾒﾃﾞｨｱに保存する場合は［F6］を押します。\r\n共有ﾃﾞｰﾀを処理する場合は［共有取得］、取得した共有ﾃﾞｰﾀを他のｵﾍﾟﾚｰﾀが使えるようにする場合は［共有保管］をｸﾘｯｸします。";
    } else if (ConnectMode == 1) {
        grid = SyoriType == 2 ? sel + "|" + sel + "\r\n" : sel + "|" + sel + "\r\n空白行は選択できません。";
    } else {
        grid = SyoriType == 2
                   ? sel + "|" + sel + "\r\n［F7］で作成済みのﾃﾞｰﾀを復元してください。\r\n選択ﾃﾞｰﾀを削除する場合は［F5］を、ﾌﾗｯｼｭﾒﾓﾘなどのﾒﾃﾞｨｱに保存する場合は［F6］を押します。"
                   : sel + "|" + sel + "\r\n空白行は選択できません。［F3］で新規にﾃﾞｰﾀを作成するか、又は［F7］で作成済みのﾃﾞｰﾀを復元してください。\r\n選択ﾃﾞｰﾀを削除する場合は［F5］を、ﾌﾗｯｼｭﾒﾓﾘなどのﾒﾃﾞｨｱに保存する場合は［F6］を押します。";
    }
    SetHint(PerfectGrid1, grid);
}

void TDataSentakuBox::PrepareList()
{
    LoadHints();
    if (ConnectMode == 1 || ConnectMode == 2) PreparePlaces();
    KensakuBox->SelectRecord(SavedJyoken);
    ActiveJyoken = SavedJyoken;
    if (ActiveJyoken.JYOKENUSE == 0) {
        ActiveJyoken.DATATYPE = ActiveJyoken.CODETYPE = ActiveJyoken.TANTO = 0;
        ActiveJyoken.DATACODE.clear();
        ActiveJyoken.DATANAME.clear();
        ActiveJyoken.DATAVER.clear();
        ActiveJyoken.SEIHINNAME.clear();
    }
    if (CallerJyoken.JYOKENUSE == 1) {
        CallerJyoken.SORTCOL = ActiveJyoken.SORTCOL;
        CallerJyoken.SORTTYPE = ActiveJyoken.SORTTYPE;
        ActiveJyoken = CallerJyoken;
        btnSearch->setProperty("Tag", 1);
    } else {
        btnSearch->setProperty("Tag", 0);
    }
    btnSearchCancel->setEnabled(ActiveJyoken.JYOKENUSE == 1);
    SortColumn = ActiveJyoken.SORTCOL;
    SortDescending = ActiveJyoken.SORTTYPE != 0 ? 1 : 0;
    if (LoadDataList() > 0) {
        FillGrid(-1);
        if (ConnectMode == 0 && SyoriType == 0 && ListCtl->IsDataListEmpty()) DataListRefresh(-1);
    }
    {
        const QSignalBlocker block(cboxKyoyuDataAuto);
        cboxKyoyuDataAuto->setChecked(SystemDef.AutoShareFlag == 1);
    }
    OpenDataFolder = SystemDef.DataDir;
    CancelPressed = 0;
}

int TDataSentakuBox::LoadDataList()
{
    ListCtl->Mode = ConnectMode;
    ListCtl->SetDataPlaceRec(PlaceRec);
    ListCtl->Execute(0, SortKeyOfColumn(SortColumn), "", SortDescending != 0);
    Rows = ListCtl->Rows;
    ChildRows = ListCtl->ChildRows;
    FilterDataList();
    return static_cast<int>(Rows.size());
}

void TDataSentakuBox::FilterDataList() { DispIndex = kb::FilterDataList(Rows, ActiveJyoken); }

namespace {
// The shown texts and pictures of a row's line.
TGridLine MakeLine(const TDataListRec& row, const std::string& appDataDir)
{
    TGridLine l;
    auto& c = l.Cells;
    c[0] = std::to_string(row.REC);
    c[1] = row.DATACODE;
    c[3] = row.DISPNAME;
    c[6] = DisplayFolder(row.PASNAME, appDataDir);
    c[7] = row.VER_TEXT;
    if (!IsAreaName(row.ENTTEXT)) {
        c[4] = Fmt("%d 期", row.NENDO);
        c[5] = row.KIKANTEXT;
    } else {
        c[5] = kFullTilde;
    }
    l.LockPicture = row.DATALOCK != 0 ? 1 : 0;
    l.CloudPicture = row.CLOUD ? 1 : 0;
    return l;
}
} // namespace

void TDataSentakuBox::WriteGridRow(int line, const TDataListRec& row)
{
    if (line < 0 || line >= LineCount()) return;
    TGridLine& old = Model->Lines()[static_cast<std::size_t>(line)];
    TGridLine l = MakeLine(row, SystemDef.AppDataDir);
    l.State = LineOf(row, old.State.RowIndex, old.State.ChildIndex);
    l.State.ShareState = old.State.ShareState;
    l.SharePicture = old.SharePicture;
    old = std::move(l);
}

// The grid lines of one display entry: the row and, below it, its members.
static std::vector<TGridLine> GridLinesOf(TDataSentakuBox& f, int index)
{
    std::vector<TGridLine> out;
    for (TDataListLine& state : EntryLines(f.Rows, index)) {
        const TDataListRec* r = RowOf(f.Rows, state);
        if (!r) continue;
        TGridLine l = MakeLine(*r, SystemDef.AppDataDir);
        if (state.ChildIndex >= 0) l.Cells[0].clear();
        l.SharePicture = state.ShareState == 1 ? 2 : 0;
        l.State = std::move(state);
        out.push_back(std::move(l));
    }
    return out;
}

namespace {
// Colours of every line from its place and facts: alternate lines, red for damaged, grey text for a
// data set whose update is forbidden and needed (the answer is kept in the update flag).
void Colour(TGridLine& l, int line, std::uint32_t back, std::uint32_t alt)
{
    l.BackColor = LineBackColor(line, l.State.DataStatus, back, alt);
    bool grey = false;
    if (!l.State.VersionText.empty() && l.State.UpdateFlag == 1) {
        grey = LineNeedsUpdate(l.State);
        l.State.UpdateFlag = grey ? 1 : 0;
    }
    l.TextColor = grey ? kGreyTextColor : 0x000000;
}
} // namespace

void TDataSentakuBox::FillGrid(int n)
{
    const auto back = property("GridBackColor").toUInt();
    const auto alt = property("GridAltColor").toUInt();
    if (n < 0) {
        for (int c = 0; c < kGridColumns; ++c) Model->Headers[static_cast<std::size_t>(c)] = kHeaders[c];
        Model->Headers[8] = (ConnectMode == 1 || ConnectMode == 2) ? "鍵" : "";
        Model->Headers[9] = ConnectMode == 0 ? "共有" : "";
        if (SortColumn >= 0 && SortColumn < kGridColumns)
            Model->Headers[static_cast<std::size_t>(SortColumn)] += SortDescending ? "▼" : "▲";
        Model->HeadersChanged();
        std::vector<TGridLine> lines;
        GridRowCount = 0;
        for (std::size_t i = 0; i < DispIndex.size() && lines.size() < static_cast<std::size_t>(kNoLine); ++i) {
            for (auto& l : GridLinesOf(*this, DispIndex[i])) lines.push_back(std::move(l));
        }
        for (std::size_t i = 0; i < lines.size(); ++i) Colour(lines[i], static_cast<int>(i), back, alt);
        GridRowCount = static_cast<int>(lines.size());
        Model->CurrentLine = -1;
        Model->Reset(std::move(lines));
        if (LineCount() > 0) SetCurrentLine(0, 0);
        return;
    }
    if (n >= static_cast<int>(DispIndex.size())) return;
    const int index = DispIndex[static_cast<std::size_t>(n)];
    const int at = GridRowCount;
    if (at < 0 || at > LineCount()) return;
    // The entry's lines now shown at this place go, the fresh ones take their place. With as many
    // fresh lines as old ones (the usual case of a refresh) they are replaced where they stand and
    // no other line moves; otherwise the lines below shift and take their alternate colours anew.
    int old = 0;
    while (at + old < LineCount() && Line(at + old).RowIndex == index) ++old;
    auto fresh = GridLinesOf(*this, index);
    const int count = static_cast<int>(fresh.size());
    if (count == old) {
        for (int i = 0; i < count; ++i) {
            TGridLine& l = Model->Lines()[static_cast<std::size_t>(at + i)];
            l = std::move(fresh[static_cast<std::size_t>(i)]);
            Colour(l, at + i, back, alt);
            Model->LineChanged(at + i);
        }
        return;
    }
    for (int i = 0; i < old; ++i) Model->RemoveLine(at);
    int k = at;
    for (auto& l : fresh) Model->InsertLine(k++, std::move(l));
    for (int i = at; i < LineCount(); ++i) {
        TGridLine& l = Model->Lines()[static_cast<std::size_t>(i)];
        l.BackColor = LineBackColor(i, l.State.DataStatus, back, alt);
    }
    if (at < LineCount()) emit Model->dataChanged(Model->index(at, 0), Model->index(LineCount() - 1, kGridColumns - 1));
}

void TDataSentakuBox::SelectCurrentDataRow()
{
    if (ReselectOnShow != 1) return;
    OpenDataFolder = SystemDef.DataDir;
    const std::string want = AsciiLower(NormalizeDataPath(SystemDef.DataDir));
    for (int i = 0; i < LineCount(); ++i) {
        if (AsciiLower(RowFolder(i)) == want) {
            SetCurrentLine(i, 0);
            // Six visible lines above the selected one where there are so many.
            const int top = std::max(0, i - 6);
            PerfectGrid1->scrollTo(Model->index(top, 0), QAbstractItemView::PositionAtTop);
            break;
        }
    }
    ReselectOnShow = 1;
}

void TDataSentakuBox::SaveDataListRow(TDataListRec& row) { Refresher->SaveRow(row); }

void TDataSentakuBox::SetRowFromInfo(TDataListRec& row, int mode) { kb::SetRowFromInfo(row, InfoRec, mode); }

void TDataSentakuBox::HeaderClick(int column)
{
    if (CurrentLine() < 0) return;
    const TDataListRec* cur = RowRecord(CurrentLine());
    const std::string before = cur ? AsciiLower(cur->PASNAME) : std::string();
    if (column == 0) {
        SortDescending = (SortColumn == -1 || SortColumn == 0) ? (SortDescending ? 0 : 1) : 0;
        SortColumn = 0;
    } else if (column == 1 || (column >= 3 && column <= 7)) {
        SortDescending = SortColumn == column ? (SortDescending ? 0 : 1) : 0;
        SortColumn = column;
    } else {
        return;
    }
    LoadDataList();
    FillGrid(-1);
    for (int i = 0; i < LineCount(); ++i) {
        const TDataListRec* r = RowRecord(i);
        if (r && AsciiLower(r->PASNAME) == before) {
            SetCurrentLine(i, 0);
            break;
        }
    }
    UpdateFunctionKeys();
}

void TDataSentakuBox::LockCellClick(int line)
{
    TDataListRec* row = RowRecord(line);
    if (!row) return;
    const std::string folder = RowFolder(line);
    const int status = CheckDataStatus(folder, true, false);
    if (status == 0) return;
    auto box = [&](const std::string& caption, const std::string& text) {
        TMessageInfoRec m;
        InitMessageBoxRec(m);
        m.MsgType = 1;
        m.Caption = caption;
        m.MainText = text;
        m.MainColor = clRed;
        m.Lines = {"【データフォルダ】", "　" + folder, "", "【オペレータ】",
                   "　" + std::to_string(OperatorCodeOf(InfoRec.OPCODE, SystemDef.GroupId)), "", "【オペレータ名】",
                   "　" + InfoRec.OPERATOR};
        ShowMessageBox(m);
    };
    if (status >= 4) {
        box("選択データの状態", "このデータは" + GetDataStatusName(status) + "のため処理が行えません。");
        return;
    }
    int lock = Line(line).DataLock;
    if (lock != 0) {
        if (status == 3 && InfoRec.OPCODE == SystemDef.OpCode) {
            SetDataStatus(folder, 1);
            lock = 0;
        } else if (status == 3) {
            box("ロックデータの状態", "このデータは違うオペレータによりロックされているため解除は行えません。");
            return;
        }
    } else {
        SetDataStatus(folder, 3);
        lock = OperatorCodeOf(SystemDef.OpCode, SystemDef.GroupId);
    }
    TGridLine& shown = Model->Lines()[static_cast<std::size_t>(line)];
    shown.LockPicture = lock != 0 ? 1 : 0;
    shown.State.DataLock = lock;
    Model->LineChanged(line);
    row->DATALOCK = lock;
    SaveDataListRow(*row);
}

// ---- row functions ---------------------------------------------------------------------------

int TDataSentakuBox::LineCount() const { return Model->rowCount(); }

const TDataListLine& TDataSentakuBox::Line(int line) const { return Model->Lines()[static_cast<std::size_t>(line)].State; }

std::string TDataSentakuBox::Cell(int line, int column) const
{
    if (line < 0 || line >= LineCount() || column < 0 || column >= kShownColumns) return {};
    return Model->Lines()[static_cast<std::size_t>(line)].Cells[static_cast<std::size_t>(column)];
}

void TDataSentakuBox::SetCell(int line, int column, const std::string& text)
{
    if (line < 0 || line >= LineCount() || column < 0 || column >= kShownColumns) return;
    Model->Lines()[static_cast<std::size_t>(line)].Cells[static_cast<std::size_t>(column)] = text;
    Model->LineChanged(line);
}

int TDataSentakuBox::CurrentLine() const
{
    if (LineCount() == 0) return kNoLine;
    const QModelIndex i = PerfectGrid1->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void TDataSentakuBox::SetCurrentLine(int line, int column)
{
    if (line < 0 || line >= LineCount()) return;
    const QModelIndex i = Model->index(line, column);
    PerfectGrid1->setCurrentIndex(i);
    PerfectGrid1->scrollTo(i);
    GridCurrentChanged(line);
}

TDataListRec* TDataSentakuBox::RowRecord(int line)
{
    if (line < 0 || line >= LineCount()) return nullptr;
    return RowOf(Rows, Line(line));
}

const TDataListRec* TDataSentakuBox::RowRecord(int line) const
{
    if (line < 0 || line >= LineCount()) return nullptr;
    return RowOf(Rows, Line(line));
}

std::string TDataSentakuBox::RowFolder(int line) const
{
    const TDataListRec* r = RowRecord(line);
    return r ? DataFolderOf(*r) : std::string();
}

int TDataSentakuBox::DisplayIndexOfRow(int index) const
{
    if (btnSearchCancel->isEnabled() || SyoriType == 3) {
        const auto it = std::find(DispIndex.begin(), DispIndex.end(), index);
        return it == DispIndex.end() ? 0 : static_cast<int>(it - DispIndex.begin());
    }
    return index;
}

int TDataSentakuBox::GetDisplayIndex(int line) const
{
    return line >= 0 && line < LineCount() ? DisplayIndexOfRow(Line(line).RowIndex) : DisplayIndexOfRow(0);
}

// ---- refresh ---------------------------------------------------------------------------------

bool TDataSentakuBox::RefreshCancelled() const { return refreshCancelled_ || xAnimeProgressDialog1->Cancelled; }

bool TDataSentakuBox::DataListRefresh(int line)
{
    if (line != -1) {
        Refresher->RefreshLine(line);
        return false;
    }
    refreshCancelled_ = false;
    if (ConnectMode == 1 || ConnectMode == 2) {
        xAnimeProgressDialog1->SetInfoLabel("データリストの更新中…");
        const int cur = CurrentLine();
        TDataListRec keep;
        if (const TDataListRec* r = RowRecord(cur >= 0 && cur != kNoLine ? cur : 0)) keep = *r;
        try {
            ListCtl->PackDataListRec();
            RelocateRow(0, keep);
        } catch (const FbError& e) {
            ShowIBError(e, "TDataSentakuBox.DataListRefresh", "データリストの更新に失敗しました。");
        } catch (const std::exception& e) {
            ShowErrorDetail("データリストの更新に失敗しました。", e.what());
        }
    }
    TRefreshProgress progress;
    progress.Cancelled = [this] { return RefreshCancelled(); };
    progress.LineStarting = [this](int n) {
        if ((n + 1) % 5 != 0) return;
        char buf[128];
        std::snprintf(buf, sizeof buf, "データリスト（%d行目）の更新中…", n + 1);
        xAnimeProgressDialog1->SetInfoLabel(buf);
    };
    progress.LineDone = [this](int n) {
        if (OnRefreshLine) OnRefreshLine(n);
        QCoreApplication::processEvents();
    };
    Refresher->RefreshAll(progress);
    return false;
}

void TDataSentakuBox::RowChanged(int line, int rowIndex)
{
    GridRowCount = line;
    FillGrid(DisplayIndexOfRow(rowIndex));
}

void TDataSentakuBox::LineDamaged(int line)
{
    if (line < 0 || line >= LineCount()) return;
    TGridLine& l = Model->Lines()[static_cast<std::size_t>(line)];
    l.State.DataStatus = 1;
    l.BackColor = kDamagedLineColor;
    Model->LineChanged(line);
}

void TDataSentakuBox::RelocateRow(int topLine, const TDataListRec& record)
{
    LoadDataList();
    FillGrid(-1);
    if (topLine < 0 || topLine > 32699) topLine = 0;
    if (LineCount() > 0 && topLine < LineCount())
        PerfectGrid1->scrollTo(Model->index(topLine, 0), QAbstractItemView::PositionAtTop);
    const std::string want = record.PASNAME.empty()
                                 ? std::string()
                                 : AsciiUpper(DisplayFolder(AsciiUpper(record.PASNAME), AsciiUpper(SystemDef.AppDataDir)));
    for (int i = 0; i < LineCount(); ++i) {
        if (Cell(i, 0) != std::to_string(record.REC)) continue;
        if (!want.empty() && AsciiUpper(Cell(i, 6)) != want) continue;
        SetCurrentLine(i, 3);
        return;
    }
    if (LineCount() > 0) SetCurrentLine(std::min(topLine, LineCount() - 1), 3);
}

// ---- checks ----------------------------------------------------------------------------------

void TDataSentakuBox::SetDataStatus(const std::string& folder, int status) { kb::SetDataStatus(folder, status); }

int TDataSentakuBox::CheckDataStatus(const std::string& folder, bool warnNoData, bool checkAllowed)
{
    auto allowed = [](int s) {
        if (ConnectMode == 0) return s == 1;
        if (ConnectMode == 1 || ConnectMode == 2) return s == 1 || s == 2;
        return false;
    };
    if (!DataFileThere(folder)) {
        if (warnNoData) {
            ShowMessage2(0, kNoData, Btn(TMsgDlgBtn::mbYes));
            return 0;
        }
        return 1;
    }
    ClearStaleInUseMark(folder);  // a mark left on this computer by a run that died
    ReadDataIni(folder, InfoRec);
    const int s = InfoRec.STATUS;
    if (s == 0 || s == 10 || !checkAllowed || allowed(s)) return s;
    TMessageInfoRec box;
    InitMessageBoxRec(box);
    box.MsgType = 1;
    box.Caption = "選択データの状態";
    box.MainText = "このデータは" + GetDataStatusName(s) + "のため処理が行えません。";
    if (s == 2) box.MainText += "\r前回、異常終了した場合は情報ボタンを押してデータの状態を回復して下さい。";
    box.MainColor = clRed;
    box.Lines = {"【データフォルダ】", "　" + folder, "", "【オペレータ】",
                 "　" + std::to_string(OperatorCodeOf(InfoRec.OPCODE, SystemDef.GroupId)), "", "【オペレータ名】",
                 "　" + InfoRec.OPERATOR};
    ShowMessageBox(box);
    return s;
}

int TDataSentakuBox::CheckDataPath(const std::string& folderArg)
{
    const std::string folder = NormalizeDataPath(TrimZen(folderArg));
    if (folder.empty()) {
        if (SyoriType == 3) return -2;
        throw std::runtime_error(kBadDataPathText);
    }
    const bool hasFile = DataFileThere(folder);
    if (ConnectMode == 0) {
        int s = 1;
        if (SyoriType == 0 || SyoriType == 1 || SyoriType == 3) s = CheckDataStatus(folder, true, true);
        else if (SyoriType == 2 || SyoriType == 4) s = CheckDataStatus(folder, false, false);
        if (s == 1) return hasFile ? 1 : 0;
        return SystemDef.DataCheckFailed == 1 ? -3 : -1;
    }
    if (ConnectMode == 1 || ConnectMode == 2) {
        if (SyoriType == 0 || SyoriType == 1 || SyoriType == 3) {
            const int s = CheckDataStatus(folder, true, true);
            if (s == 1 || s == 2) {
                if (hasFile) return 1;
                ShowMessage2(0, kNoData, Btn(TMsgDlgBtn::mbYes));
                return -1;
            }
            return SystemDef.DataCheckFailed == 1 ? -3 : -1;
        }
        if (SyoriType == 2 || SyoriType == 4) return hasFile ? 1 : 0;
        return -1;
    }
    ShowMessage2(1, "製品タイプ不整合のためデータを起動できませんでした。\r", Btn(TMsgDlgBtn::mbYes));
    return -1;
}

bool TDataSentakuBox::CheckDestination(const std::string& op, const TDataFolderInfoRec& source,
                                       const std::string& destination)
{
    if (TrimZen(destination).empty()) {
        ShowMessage2(0, op + "先のデータパスが不正です。\r", Btn(TMsgDlgBtn::mbYes));
        return false;
    }
    bool result = true;
    if (!FolderThere(destination)) {
        MakeFolder(destination);
    } else if (DataFileThere(destination)) {
        TDataFolderInfoRec dest;
        ReadDataIni(destination, dest);
        ReadDataInfoFromFolder(destination, dest);
        WriteDataInfoSection(destination, dest);
        if (IsForbiddenGassanPattern(source.GASSANKBN, dest.GASSANKBN)) {
            xAnimeProgressDialog1->Close();
            TMessageInfoRec box;
            InitMessageBoxRec(box);
            box.MsgType = 1;
            box.Caption = "警告";
            box.MainText = op + "先の合算データ区分が妥当ではありません。\rデータリストの空行を選んで処理を行って下さい。";
            box.MainColor = clRed;
            box.Lines = {"以下のパターンの復元（貼付）は禁止されています。", " ①通常データ       を 合算データ（合算本支店データ） へ",
                         " ②分散データ       を 合算データ（合算本支店データ） へ", " ③合算データ       を 合算本支店データ へ",
                         " ④合算本支店データ を 合算データ へ"};
            ShowMessageBox(box);
            return false;
        }
        result = CollateDataInfo(op, source, dest);
    }
    if (result && op == "復元") {
        Incoming.SHOUGOU = source.SHOUGOU;
        Incoming.KISHU = Date::Parse(source.KISHU).value_or(Date{});
        Incoming.KIMATU = Date::Parse(source.KIMATU).value_or(Date{});
        Incoming.VER_TEXT = source.VERSION2;
        Incoming.GASSAN = static_cast<std::uint8_t>(source.GASSANKBN);
    }
    return result;
}

bool TDataSentakuBox::CollateDataInfo(const std::string& op, const TDataFolderInfoRec& source,
                                      const TDataFolderInfoRec& destination)
{
    auto blank = [](const TDataFolderInfoRec& r) { return r.SHOUGOU.empty() && r.KISHU.empty() && r.KIMATU.empty(); };
    if (blank(source)) {
        ShowMessage2(0, op + "処理元のデータ情報が不正です。\r", Btn(TMsgDlgBtn::mbYes));
        return false;
    }
    if (blank(destination)) {
        ShowMessage2(0, op + "処理先のデータ情報が不正です。\r", Btn(TMsgDlgBtn::mbYes));
        return false;
    }
    const auto lines = CollationLines(op, source, destination, ConnectMode);
    if (lines.empty()) return true;
    xAnimeProgressDialog1->Close();
    TMessageInfoRec box;
    InitMessageBoxRec(box);
    box.MsgType = 2;
    box.Caption = "データ照合チェックの結果";
    box.MainText = "以下の項目に違いが検出されました。";
    box.MainColor = clRed;
    box.Lines = lines;
    box.AgreeCaption = "データ" + op + "処理の続行に同意します。";
    return ShowMessageBox(box) == mrOk;
}

void TDataSentakuBox::ApplyGassanSetting(int line, int incomingKind, int loadedKind, int loadedChildCount)
{
    const auto w = GassanSettingToWrite(incomingKind, loadedKind, loadedChildCount, ConnectMode);
    if (w) WriteGassanSetting(RowFolder(line), w->first, w->second);
}

void TDataSentakuBox::WriteGassanSetting(const std::string& folder, int kind, int countArg)
{
    if (!DM) throw std::runtime_error("データモジュールがありません。");
    const int count = (kind == 0 || kind == 10) ? 0 : countArg;
    DM->fnAccDatConnected(SystemDef.HostName, folder, false);
    try {
        fb::TransactionGuard g(DM->IBTransactionDAT);
        fb::Statement q(DM->IBDatabaseDAT, &DM->IBTransactionDAT);
        q.SetSQL("UPDATE OR INSERT INTO ACCREG(AGROUP,ACODE,ATYPE,ATEXT) VALUES(:AGROUP,:ACODE,:ATYPE,:ATEXT) "
                 "MATCHING (AGROUP,ACODE)");
        for (const auto& [code, value] : {std::pair<const char*, int>{"合算データ区分", kind}, {"合算データ数", count}}) {
            q.ParamByName("AGROUP").SetString("基本設定");
            q.ParamByName("ACODE").SetString(code);
            q.ParamByName("ATYPE").SetString("整数");
            q.ParamByName("ATEXT").SetString(std::to_string(value));
            q.ExecQuery();
        }
        g.Commit();
    } catch (...) {
        DM->fnAccDatDisConnected(folder, true, true);
        throw;
    }
    DM->fnAccDatDisConnected(folder, true, true);
}

// ---- function keys ---------------------------------------------------------------------------

TFunctionKeyInput TDataSentakuBox::FunctionKeyInput() const
{
    TFunctionKeyInput in;
    in.ConnectMode = ConnectMode;
    in.SyoriType = SyoriType;
    QWidget* focus = QApplication::focusWidget();
    in.GridActive = focus == nullptr || focus == PerfectGrid1 || !isVisible() || focus->window() != this ||
                    qobject_cast<QPushButton*>(focus) != nullptr;
    const int cur = CurrentLine();
    in.HasCurrentLine = cur >= 0 && cur != kNoLine;
    in.CopyPending = CopyPending != 0;
    in.CloudShareMode = IsCloudShareMode();
    in.AutoShareVisible = !cboxKyoyuDataAuto->isHidden();
    in.AutoShareTicked = cboxKyoyuDataAuto->isChecked();
    in.AutoShareFlag = SystemDef.AutoShareFlag;
    in.GridEnabled = PerfectGrid1->isEnabled();
    in.BottomEnabled = pnlBottom->isEnabled();
    in.KyoyuUpEnabled = btnKyoyuDataUp->isEnabled();
    in.KyoyuDownEnabled = btnKyoyuDataDown->isEnabled();
    if (in.HasCurrentLine) {
        if (const TDataListRec* r = RowRecord(cur)) {
            in.ENTTEXT = r->ENTTEXT;
            in.NETDRIVE = r->NETDRIVE;
            in.KYOYULOCK = r->KYOYULOCK;
            in.GASSAN = r->GASSAN;
            in.DATA_STATUS = r->DATA_STATUS;
            in.VER_MAJOR = r->VER_MAJOR;
            in.CLOUD = r->CLOUD;
            const int index = Line(cur).RowIndex;
            if (index >= 0 && index < static_cast<int>(Rows.size()))
                in.ParentGassan = Rows[static_cast<std::size_t>(index)].DataRec.GASSAN;
        }
    }
    return in;
}

void TDataSentakuBox::UpdateFunctionKeys()
{
    const TFunctionKeyState s = ComputeFunctionKeys(FunctionKeyInput());
    KeyState = s.KeyState;
    LoadHints();
    for (int k = 0; k < fkCount; ++k)
        FuncButtons[static_cast<std::size_t>(k)]->setText(Q(s.Captions[static_cast<std::size_t>(k)]));
    btnKyoyuDataUp->setEnabled(s.KyoyuUpEnabled);
    btnKyoyuDataDown->setEnabled(s.KyoyuDownEnabled);
    btnCloudShare->setEnabled(s.CloudEnabled);
    if (SyoriType == 3) {
        btnSearchCancel->setEnabled(false);
        btnSearch->setEnabled(false);
    }
    if (HintMemo) HintMemo->setPlainText(Q(LongHint(Hint(PerfectGrid1))));
}

namespace {
bool Bare(const QPushButton* b, TFuncKey k) { return IsBareCaption(b->text().toStdString(), k); }
} // namespace

void TDataSentakuBox::ESCClick()
{
    if (!pnlBottom->isEnabled()) return;
    if (CopyPending) {
        CopyPending = 0;
        UpdateFunctionKeys();
        if (!CopySourceFolder.empty()) SetDataStatus(CopySourceFolder, 1);
        CopySourceFolder.clear();
        return;
    }
    CancelPressed = 1;
    done(mrCancel);
}

void TDataSentakuBox::FuncKeyClick(TFuncKey key)
{
    QPushButton* b = FuncButtons[static_cast<std::size_t>(key)];
    if (Bare(b, key)) return;
    if (key == fkF1) {
        OpenOnlineManual("file01.html", SystemDef.HelpDir, AppKind);
        return;
    }
    if (key == fkF8) PrintDataList();
    else if (key == fkF6) SaveData("");
    else if (key == fkF7) RestoreData("", 0);
    else if (key >= fkF2 && key <= fkF5) DataManKeyClick(key);
    PerfectGrid1->setFocus();
    UpdateFunctionKeys();
}

void TDataSentakuBox::ClearChosen()
{
    ChosenFolder.clear();
    ChosenSharePath.clear();
    setResult(mrNone);
}

int TDataSentakuBox::AutoShareStep(const std::string& direction)
{
    if (SystemDef.AutoShareFlag != 1) return 1;
    const TDataListRec* r = RowRecord(CurrentLine());
    if (!r || r->NETDRIVE != 1) return 1;
    if (direction == "upload" && r->KYOYULOCK == 1) return KyoyuDataUpRun(1);
    if (direction == "download" && r->KYOYULOCK == 0) return KyoyuDataDownRun(1);
    return 1;
}

void TDataSentakuBox::F12Click()
{
    setResult(mrNone);
    SystemDef.DataCheckFailed = 0;
    if (Bare(FuncButtons[fkF12], fkF12)) return;
    const int line = CurrentLine();
    if (line < 0 || line == kNoLine) return;
    TDataListRec* row = RowRecord(line);
    if (!row) return;
    ChosenFolder = RowFolder(line);
    ChosenSharePath = row->PASNAME;
    int modal = mrNone;
    if (SyoriType == 0 || SyoriType == 1 || SyoriType == 3 || SyoriType == 5) {
        if (row->NETDRIVE == 1 && row->KYOYULOCK == 0 && SystemDef.AutoShareFlag == 0) {
            InfoBox("このデータは共有サーバーに保管されています。\r共有取得を実行してから選択して下さい。");
            return;
        }
        int a;
        try {
            a = CheckDataPath(ChosenFolder);
        } catch (const std::exception&) {
            a = -1;
            if (DM && DM->CheckDataDamage(SystemDef.HostName, ChosenFolder, false, 0) == 0) a = -3;
        }
        if (a < 0) {
            ClearChosen();
            const bool member = Line(line).IsMember();
            DataListRefresh(line);
            if (member && line < LineCount()) SetCurrentLine(line, 0);
            if (a == -3 && line < LineCount()) {
                if (TDataListRec* r = RowRecord(line)) r->DATA_STATUS = 1;
                LineDamaged(line);
            }
            return;
        }
        if (a == 0) {
            if (SyoriType == 5) {
                if (OnlySAMode == 0) {
                    InfoBox("この場所にはデータがありません。他の場所を選んで下さい。");
                    ClearChosen();
                    return;
                }
                SystemDef.DataDir = ChosenFolder;
                SystemDef.DataShareFolder = ChosenSharePath;
                if (AutoShareStep("download") < 1 || RestoreData(OnlySABackupPath, 0) == -1) {
                    ClearChosen();
                    return;
                }
                done(mrOk);
                return;
            }
            MakeFolder(ChosenFolder);
            if (ShowMessage2(3, "選択したパスにはデータが存在しません。\r新規にデータを作成しますか？",
                             Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) != mrYes) {
                ClearChosen();
                return;
            }
            // Only data that was made is chosen: a new-data form that did not create it ends nothing.
            const std::string chosen = ChosenFolder, share = ChosenSharePath;
            if (CreateNewData() != 1) {
                ClearChosen();
                return;
            }
            SystemDef.DataDir = chosen;
            SystemDef.DataShareFolder = share;
            done(mrOk);
            return;
        }
        if ((SyoriType == 0 || SyoriType == 1) && Line(line).UpdateFlag != 0) {
            TMessage2InfoRec m;
            ApplyMessage2Preset(4113, m);
            MessageDlg2(m);
            setResult(mrNone);
            return;
        }
        if (SyoriType == 5) {
            if (IsCloudShareMode() && row->CLOUD == 1) {
                ShowMessage2(2, "クラウドシェアデータのため選択できません。他の場所を選んで下さい。", Btn(TMsgDlgBtn::mbOK));
                setResult(mrNone);
                return;
            }
            SystemDef.DataDir = ChosenFolder;
            SystemDef.DataShareFolder = ChosenSharePath;
            if (AutoShareStep("download") < 1) {
                ClearChosen();
                return;
            }
            bool failed;
            if (OnlySAMode == 0) {
                int v = SaveData(OnlySABackupPath);
                if (v == 1) v = AutoShareStep("upload");
                failed = v < 1;
            } else {
                failed = RestoreData(OnlySABackupPath, 0) == -1;
            }
            if (failed) {
                ClearChosen();
                return;
            }
            done(mrOk);
            return;
        }
        SystemDef.DataDir = ChosenFolder;
        SystemDef.DataShareFolder = ChosenSharePath;
        modal = mrOk;
    } else {
        if (ChosenFolder == NormalizeDataPath(SystemDef.DataDir)) {
            InfoBox("このデータは現在選択中のデータです。\r他の場所を選んで下さい。");
            ClearChosen();
            return;
        }
        const int a = CheckDataPath(ChosenFolder);
        if (a < 0) {
            ClearChosen();
            DataListRefresh(line);
            return;
        }
        if (a == 1) {
            InfoBox("選択したパスには既にデータが存在します。\r他の場所を選んで下さい。");
            ClearChosen();
            return;
        }
        if (SyoriType == 2 && ConnectMode == 0 && SystemDef.DataDir != SystemDef.DataShareFolder &&
            ChosenFolder == ChosenSharePath) {
            TMessage2InfoRec m;
            InitMessage2Info(3, m);
            const char* lines[] = {"更新前データは共有データ領域で管理されています。", "今回指定した保存先では他のオペレータとデータが共有できません。",
                                   "共有の必要がなければこのメッセージを[OK]してください。",
                                   "共有する必要がある場合は[キャンセル]し、データ選択画面右上の「共有取得」ボタン",
                                   "より、共有データ領域をお選びください。"};
            for (int i = 0; i < 5; ++i) m.Lines[static_cast<std::size_t>(i)].Text = lines[i];
            if (MessageDlg2(m) != mrOk) {
                setResult(mrNone);
                return;
            }
        }
        SystemDef.DataSelResultParams = "PATH1=" + ChosenFolder + "\rPATH2=" + ChosenSharePath;
        modal = mrOk;
    }
    if (modal == mrOk) done(mrOk);
}

// ---- closing ---------------------------------------------------------------------------------

bool TDataSentakuBox::FormCloseQuery(int& result)
{
    if ((SyoriType == 1 || SyoriType == 3) && result != mrOk) {
        if (SyoriType == 1 && result == mrCancel && CancelPressed == 0) {
            result = 3;
            TMessage2InfoRec m;
            InitMessage2Info(3, m);
            m.Lines[0].Text = AppDisplayName() + "を終了します。よろしいですか？";
            if (MessageDlg2(m) != mrOk) {
                result = mrNone;
                return false;
            }
            return true;
        }
        ChosenFolder = NormalizeDataPath(OpenDataFolder);
        ChosenSharePath.clear();
        int a;
        try {
            a = CheckDataPath(ChosenFolder);
        } catch (const std::exception&) {
            a = -1;
        }
        if (a < 0) {
            ChosenFolder.clear();
            if (SyoriType == 1) result = mrNone;
        } else if (a == 0) {
            InfoBox("前回、選択したデータは削除されています。\r");
            ChosenFolder.clear();
            if (SyoriType == 1) result = mrNone;
        } else {
            SystemDef.DataDir = ChosenFolder;
            SystemDef.DataShareFolder.clear();
        }
        if (result == mrNone) return false;
    } else if (SyoriType == 2) {
        if (DM && !DM->IBDatabaseDAT.Connected() && !SystemDef.DataDir.empty())
            DM->fnAccDatConnected(SystemDef.HostName, SystemDef.DataDir, false);
    }
    return true;
}

void TDataSentakuBox::FormCloseWork()
{
    if (CopyPending) {
        CopyPending = 0;
        if (!CopySourceFolder.empty()) SetDataStatus(CopySourceFolder, 1);
    }
    ActiveJyoken.SORTCOL = std::max(SortColumn, 0);
    ActiveJyoken.SORTTYPE = SortDescending;
    TDataKensakuRec sortRec = ActiveJyoken;
    sortRec.OPCODE = SystemDef.OpCode;
    sortRec.LISTTYPE = 0;
    KensakuBox->UpdateRecordSortField(sortRec);
    if (SyoriType == 5) return;
    SystemDef.DataPlaceRec = (ConnectMode == 1 || ConnectMode == 2) ? PlaceRec : 0;
    if (SyoriType == 2) {
        HostMenuNotify = false;
        if (ConnectMode == 0) SystemDef.AutoShareFlag = KeptAutoShareFlag;
    }
    // The operator's system settings are stored by the data module's writer, which the program's
    // main form calls after every registered form it ran.
}

void TDataSentakuBox::done(int r)
{
    if (!FormCloseQuery(r)) {
        CancelPressed = 0;
        return;
    }
    FormCloseWork();
    IncSerchTimer->stop();
    TBSDI::done(r);
}

void TDataSentakuBox::reject()
{
    // The window's close button: a cancel that did not come from ESC.
    done(mrCancel);
}

// ---- events ----------------------------------------------------------------------------------

void TDataSentakuBox::ShowingChanged()
{
    if (!isVisible()) return;
    SelectCurrentDataRow();
    PerfectGrid1->setFocus();
    QApplication::restoreOverrideCursor();
    UpdateFunctionKeys();
}

void TDataSentakuBox::GridCurrentChanged(int line)
{
    if (line == kNoLine) return;
    Model->CurrentLine = line;
    if (lastCurrent_ >= 0) Model->LineChanged(lastCurrent_);
    Model->LineChanged(line);
    lastCurrent_ = line;
    UpdateFunctionKeys();
}

bool TDataSentakuBox::eventFilter(QObject* o, QEvent* e)
{
    if (o == cmbDataMan && e->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason)
        cmbDataManExit();
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return TBSDI::eventFilter(o, e);
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->window() != this || !isVisible()) return TBSDI::eventFilter(o, e);
    auto* k = static_cast<QKeyEvent*>(e);
    if (e->type() == QEvent::KeyPress) {
        if (o == PerfectGrid1 && LineCount() > 0) {
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                if (CurrentLine() >= 0) F12Click();
                return true;
            }
            std::optional<char> ch;
            const int key = k->key();
            if ((key >= Qt::Key_0 && key <= Qt::Key_9) && (k->modifiers() & Qt::KeypadModifier))
                ch = IncSearchChar(96 + (key - Qt::Key_0));
            else if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
                ch = IncSearchChar(key);
            else if (k->text().size() == 1 && std::string(":;,-./@[\\]^*+").find(k->text().toLatin1()[0]) != std::string::npos)
                ch = k->text().toLatin1()[0];
            if (ch) {
                IncSearchText += *ch;
                if (IncSearchText.size() <= 8) {
                    txtIncSerch->move(PerfectGrid1->x() + 4 + PerfectGrid1->width() / 10, PerfectGrid1->y() - 12);
                    txtIncSerch->setText(Q(IncSearchText));
                    txtIncSerch->show();
                    txtIncSerch->raise();
                    IncSerchTimer->setInterval(NextIncSearchInterval(IncSerchTimer->interval()));
                    IncSerchTimer->start();
                }
                return true;
            }
        }
        return TBSDI::eventFilter(o, e);
    }
    if (k->isAutoRepeat()) return TBSDI::eventFilter(o, e);
    if (k->key() == Qt::Key_Escape) {
        ESCClick();
        return true;
    }
    if (k->key() >= Qt::Key_F1 && k->key() <= Qt::Key_F8) {
        FuncKeyClick(static_cast<TFuncKey>(fkF1 + (k->key() - Qt::Key_F1)));
        return true;
    }
    return TBSDI::eventFilter(o, e);
}

void TDataSentakuBox::IncSerchTimerTimer()
{
    if (PerfectGrid1->hasFocus() || QApplication::focusWidget() == nullptr) {
        std::vector<std::string> codes;
        std::vector<bool> visible;
        for (int i = 0; i < LineCount(); ++i) {
            codes.push_back(Cell(i, 1));
            visible.push_back(!PerfectGrid1->isRowHidden(i));
        }
        const int cur = CurrentLine();
        const int hit = FindIncSearchLine(codes, visible, cur == kNoLine ? -1 : cur, IncSearchText);
        if (hit >= 0) SetCurrentLine(hit, 0);
    }
    IncSerchTimer->stop();
    IncSerchTimer->setInterval(0);
    IncSearchText.clear();
    txtIncSerch->hide();
}

void TDataSentakuBox::btnSearchClick(QPushButton* sender)
{
    if (sender == btnSearchCancel) {
        ActiveJyoken.JYOKENUSE = 0;
        ActiveJyoken.DATATYPE = ActiveJyoken.CODETYPE = ActiveJyoken.TANTO = 0;
        ActiveJyoken.DATACODE.clear();
        ActiveJyoken.DATANAME.clear();
        ActiveJyoken.DATAVER.clear();
        ActiveJyoken.SEIHINNAME.clear();
        LoadDataList();
        FillGrid(-1);
        btnSearchCancel->setEnabled(false);
        btnSearch->setProperty("Tag", 0);
    } else {
        SavedJyoken.LISTTYPE = 0;
        KensakuBox->Jyoken = SavedJyoken;
        KensakuBox->SetListType(0);
        if (KensakuBox->ExecuteForm(true) == mrOk) {
            SavedJyoken = KensakuBox->Jyoken;
            KensakuBox->UpdateRecord(SavedJyoken);
            ActiveJyoken = SavedJyoken;
            LoadDataList();
            FillGrid(-1);
            btnSearchCancel->setEnabled(true);
            btnSearch->setProperty("Tag", 1);
        }
    }
    UpdateFunctionKeys();
}

void TDataSentakuBox::btnListUpdateClick()
{
    if (!PerfectGrid1->isEnabled()) {
        ShowMessage2(2, "データリストが応答状態ではないので処理は行えません。", Btn(TMsgDlgBtn::mbOK));
        return;
    }
    if (ShowMessage2(3, "データリストの更新を行います。\rよろしいですか？", Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) !=
        mrYes)
        return;
    xAnimeProgressDialog1->SetCaption("更新中");
    xAnimeProgressDialog1->SetInfoLabel("データリストの更新中…");
    xAnimeProgressDialog1->SetAviFile(JoinPath(SystemDef.ExeDir, "progress.avi"));
    xAnimeProgressDialog1->CancelBtnShow = true;
    xAnimeProgressDialog1->OnShow = [this](QWidget*) { DataListRefresh(-1); };
    xAnimeProgressDialog1->Execute(this);
    raise();
    activateWindow();
}

void TDataSentakuBox::cboxKyoyuDataAutoClick()
{
    SystemDef.AutoShareFlag = cboxKyoyuDataAuto->isChecked() ? 1 : 0;
    SystemDef.Reserve4Bits[1] = SystemDef.AutoShareFlag;
    PerfectGrid1->setFocus();
    UpdateFunctionKeys();
}

// ---- registration ----------------------------------------------------------------------------

void RegisterDataSelectForms() { RegisterFormClass<TDataSentakuBox>("SzDataSenkaku", "TDataSentakuBox"); }

} // namespace kb
