#include "dataselect/z5DataPlace.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"
#include "core/z5ServerFile.h"
#include "fb/FbError.h"
#include "platform/Text.h"
#include "ui/z5InputDlg.h"
#include "ui/z5MessageDlg2.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace kb {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

int Info(const std::string& text) { return ShowMessage2(2, text, Btn(TMsgDlgBtn::mbOK)); }

// The grid's place hint names the standard folder of the family; the OEM editions name their own.
std::string GridHint()
{
    std::string folder = "ﾄﾞﾗｲﾌﾞ:\\DADOZIZIDIV\\DATA";
    if (OemFlag == 1 || OemFlag == 2) {
        const std::string from = "\\DADOZIZIDIV\\DATA";
        const std::string upper = AsciiUpper(folder);
        if (const auto at = upper.find(from); at != std::string::npos)
            folder.replace(at, from.size(), AsciiUpper(ServerDirName));
    }
    return "データ管理フォルダの情報を管理します。|[F2]で新規作成、[F3]で名称変更、[F5]で削除します。（例外：\"" + folder +
           "\"行の削除は禁止）\r\n[上へ][下へ]でリストの並べ替えが行えます。";
}

} // namespace

TPlaceKeys PlaceKeysOf(const TDataPlaceList& places, int index)
{
    TPlaceKeys k;
    if (index < 0 || index >= static_cast<int>(places.size())) return k;
    const TDataPlaceRec& p = places[static_cast<std::size_t>(index)];
    if (p.REC != 0) k.F5 = "F5:削除";
    if (!p.NAME.empty()) {
        k.F3 = "F3:名称変更";
    } else {
        k.F2 = "F2:新規作成";
        k.F5 = "F5:";
    }
    const int count = static_cast<int>(places.size());
    k.UpEnabled = count > 1 && index > 0;
    k.DownEnabled = count > 1 && index < count - 1;
    return k;
}

int MovePlace(TDataPlaceList& places, int index, int delta)
{
    const int count = static_cast<int>(places.size());
    const int to = index + delta;
    if (count < 2 || index < 0 || index >= count || to < 0 || to >= count) return index;
    std::swap(places[static_cast<std::size_t>(index)], places[static_cast<std::size_t>(to)]);
    for (int i = 0; i < count; ++i) {
        TDataPlaceRec& p = places[static_cast<std::size_t>(i)];
        if (p.ORDERKBN != i + 1) {
            p.ORDERKBN = i + 1;
            if (p.State == 0) p.State = 2;
        }
    }
    return to;
}

TDataPlaceBox::TDataPlaceBox(TDM& dm, QWidget* parent) : TBSDI(parent, true), IO(dm)
{
    setObjectName("DataPlaceBox");
    setWindowTitle("データの場所の設定");
    HostMenuNotify = false;
    UseFormSize = false;
    resize(560, 440);

    PerfectGrid1 = new QTableWidget(0, 3, this);
    PerfectGrid1->setObjectName("PerfectGrid1");
    PerfectGrid1->setGeometry(12, 12, 522, 289);
    PerfectGrid1->setHorizontalHeaderLabels({"No", "名称", "フォルダパス"});
    PerfectGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    PerfectGrid1->setColumnWidth(0, 40);
    PerfectGrid1->setColumnWidth(1, 230);
    PerfectGrid1->setColumnWidth(2, 230);
    PerfectGrid1->verticalHeader()->hide();  // the row header (REC) is zero wide
    PerfectGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    PerfectGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    PerfectGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* hint = new QPlainTextEdit(this);
    hint->setObjectName("HintArea");
    hint->setReadOnly(true);
    hint->setGeometry(12, 308, 522, 56);
    HintMemo = hint;

    auto button = [this](const char* name, const char* text, int x) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(name);
        b->setGeometry(x, 374, 80, 28);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    F1 = button("F1", "F1:", 0);
    F1->hide();
    F2 = button("F2", "F2:新規作成", 12);
    F3 = button("F3", "F3:名称変更", 96);
    F5 = button("F5", "F5:削除", 180);
    F6 = button("F6", "上へ", 264);
    F7 = button("F7", "下へ", 348);
    btnOK = button("btnOK", "閉じる", 454);
    btnCancel = button("btnCancel", "キャンセル", 454);
    btnCancel->hide();

    connect(F2, &QPushButton::clicked, this, [this] { F2Click(); });
    connect(F3, &QPushButton::clicked, this, [this] { F3Click(); });
    connect(F5, &QPushButton::clicked, this, [this] { F5Click(); });
    connect(F6, &QPushButton::clicked, this, [this] { MoveClick(-1); });
    connect(F7, &QPushButton::clicked, this, [this] { MoveClick(1); });
    connect(btnOK, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(PerfectGrid1, &QTableWidget::currentCellChanged, this, [this](int, int, int, int) { UpdateFunctionKeys(); });
    Initialized = true;
}

TDataPlaceBox::~TDataPlaceBox() = default;

void TDataPlaceBox::LoadHints()
{
    SetHint(PerfectGrid1, GridHint());
    SetHint(btnOK, "内容を登録して画面を閉じます。|内容を登録して画面を閉じます。");
    SetHint(btnCancel, "画面を閉じます。|画面を閉じます。");
}

void TDataPlaceBox::InitDisplay(std::uint8_t displayMode)
{
    DisplayMode = displayMode;
    ShowPlaces();
    PositionPending = false;
}

void TDataPlaceBox::ShowPlaces()
{
    LoadHints();
    IO.LoadPlaceList(false);
    const int at = IO.IndexOfPlaceRec(SystemDef.DataPlaceRec);
    FillGrid(at < 0 ? 0 : at);
}

void TDataPlaceBox::FillGrid(int current)
{
    const QSignalBlocker block(PerfectGrid1);
    PerfectGrid1->setRowCount(static_cast<int>(IO.Places.size()));
    for (int i = 0; i < static_cast<int>(IO.Places.size()); ++i) {
        const TDataPlaceRec& p = IO.Places[static_cast<std::size_t>(i)];
        auto* no = new QTableWidgetItem(QString::number(i + 1));
        no->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        no->setData(Qt::UserRole, p.REC);
        PerfectGrid1->setItem(i, 0, no);
        PerfectGrid1->setItem(i, 1, new QTableWidgetItem(Q(p.NAME)));
        PerfectGrid1->setItem(i, 2, new QTableWidgetItem(Q(p.PATH)));
    }
    if (!IO.Places.empty()) PerfectGrid1->setCurrentCell(std::clamp(current, 0, PerfectGrid1->rowCount() - 1), 1);
    UpdateFunctionKeys();
}

int TDataPlaceBox::CurrentIndex() const { return PerfectGrid1->currentRow(); }

void TDataPlaceBox::UpdateFunctionKeys()
{
    const TPlaceKeys k = PlaceKeysOf(IO.Places, CurrentIndex());
    F2->setText(Q(k.F2));
    F3->setText(Q(k.F3));
    F5->setText(Q(k.F5));
    F6->setEnabled(k.UpEnabled);
    F7->setEnabled(k.DownEnabled);
    if (HintMemo) HintMemo->setPlainText(Q(GridHint().substr(GridHint().find('|') + 1)));
}

bool TDataPlaceBox::AskName(const std::string& caption, const std::string& prompt, const std::string& hint,
                            std::string& name)
{
    TInputDlgBox dlg(this);
    dlg.InputKind = 0;
    dlg.InputCaption = caption;
    dlg.MainText = prompt;
    dlg.InputHint = hint;
    dlg.InputText = name;
    dlg.InputMaxLength = 20;
    dlg.InputImeMode = TImeMode::imHira;
    dlg.CharFilter = 0;
    dlg.Setup(1);
    if (dlg.exec() != mrOk) return false;
    name = dlg.InputText;
    return true;
}

bool TDataPlaceBox::Save()
{
    try {
        IO.SavePlaces();
        return true;
    } catch (const FbError& e) {
        ShowIBError(e, "TDataPlaceBox.SavePlaces", "データの場所の更新に失敗しました。");
    } catch (const std::exception& e) {
        ShowErrorDetail("データの場所の更新に失敗しました。", e.what());
    }
    return false;
}

void TDataPlaceBox::F2Click()
{
    const int i = CurrentIndex();
    if (F2->text() == "F2:" || i < 0) return;
    std::string name;
    if (!AskName("新規作成", "新しく作成するデータ管理フォルダの名称を入力して下さい。",
                 "新しく作成するデータ管理フォルダの名称を入力します。", name))
        return;
    if (TrimZen(name).empty()) {
        Info("名称が入力されていません。");
        return;
    }
    TDataPlaceRec& p = IO.Places[static_cast<std::size_t>(i)];
    TDM& dm = *DM;
    if (DExist(dm, p.PATH, IO.ConnectMode)) {
        Info("既にデータサーバーにフォルダが作成されています。");
    } else if (!MkDir(dm, p.PATH, IO.ConnectMode)) {
        Info("データサーバーへフォルダの作成に失敗しました。");
        return;
    }
    ApplyName(i, name, 1);
}

void TDataPlaceBox::F3Click()
{
    const int i = CurrentIndex();
    if (F3->text() == "F3:" || i < 0) return;
    TDataPlaceRec& p = IO.Places[static_cast<std::size_t>(i)];
    std::string name = p.NAME;
    if (!AskName("名称の変更", "データ管理フォルダの名称を入力して下さい。", "データ管理フォルダの管理名称を変更します。", name))
        return;
    if (TrimZen(name).empty()) {
        Info("名称が入力されていません。");
        return;
    }
    ApplyName(i, name, 2);
}

void TDataPlaceBox::ApplyName(int index, const std::string& name, int state)
{
    TDataPlaceRec& p = IO.Places[static_cast<std::size_t>(index)];
    p.NAME = name;
    p.State = state;
    PerfectGrid1->item(index, 1)->setText(Q(name));
    Save();
    UpdateFunctionKeys();
}

void TDataPlaceBox::F5Click()
{
    const int i = CurrentIndex();
    if (F5->text() == "F5:" || i < 0) return;
    TDataPlaceRec& p = IO.Places[static_cast<std::size_t>(i)];
    if (p.REC == 0 || p.NAME.empty()) return;
    if (IO.PlaceHasData(p.REC)) {
        TMessage2InfoRec m;
        InitMessage2Info(2, m);
        m.Lines[0].Text = "このフォルダ配下には会計データが存在しているため削除することが出来ません。";
        m.Lines[1].Text = "どうしても削除を行いたい場合は、配下の会計データをすべて削除してから処理して下さい。";
        MessageDlg2(m);
        return;
    }
    TMessage2InfoRec m;
    InitMessage2Info(3, m);
    m.Lines[0].Text = "[" + p.NAME + "]を削除します。よろしいですか？";
    if (MessageDlg2(m) != mrOk) return;
    p.NAME.clear();
    p.State = 9;
    PerfectGrid1->item(i, 1)->setText(QString());
    Save();
    UpdateFunctionKeys();
}

void TDataPlaceBox::MoveClick(int delta)
{
    QPushButton* b = delta < 0 ? F6 : F7;
    if (!b->isEnabled()) return;
    const int i = CurrentIndex();
    const int to = MovePlace(IO.Places, i, delta);
    if (to == i) return;
    FillGrid(to);
    Save();
    UpdateFunctionKeys();
}

bool TDataPlaceBox::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return TBSDI::eventFilter(o, e);
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->window() != this || !isVisible()) return TBSDI::eventFilter(o, e);
    const int key = static_cast<QKeyEvent*>(e)->key();
    switch (key) {
    case Qt::Key_F2:
    case Qt::Key_F3:
    case Qt::Key_F5:
        if (e->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(e)->isAutoRepeat()) {
            if (key == Qt::Key_F2) F2Click();
            else if (key == Qt::Key_F3) F3Click();
            else F5Click();
        }
        return true;
    case Qt::Key_F4:
    case Qt::Key_F6:
    case Qt::Key_F7:
    case Qt::Key_F8:
    case Qt::Key_F12: return true;  // moving is only possible with the buttons
    default: return TBSDI::eventFilter(o, e);
    }
}

} // namespace kb
