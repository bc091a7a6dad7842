#include "dataselect/z5FileOperation.h"

#include "core/uAccRecord.h"
#include "core/z5FileFunc.h"
#include "dataselect/registry/FileHistory.h"
#include "platform/Text.h"
#include "ui/z5FileDlg.h"
#include "ui/z5MessageDlg2.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>
#include <filesystem>

namespace kb {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string Trimmed(const QLineEdit* e) { return TrimBlanks(e->text().toStdString()); }

std::string ColorCss(std::uint32_t c)
{
    char b[16];
    std::snprintf(b, sizeof b, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return b;
}

} // namespace

TFileOperationBox::TFileOperationBox(QWidget* parent) : TBSDI(parent, true)
{
    setObjectName("FileOperationBox");
    HostMenuNotify = true;
    NoBusyCheck = false;
    UseFormSize = false;
    ActivateParamFlag = 0;
    resize(460, 260);
    lblMain = new QLabel("メッセージ", this);
    lblMain->setObjectName("lblMain");
    lblMain->setWordWrap(true);
    lblMain->setGeometry(12, 8, 436, 44);
    lblFileSelect = new QLabel("保存先の場所:", this);
    lblFileSelect->setObjectName("lblFileSelect");
    lblFileSelect->setGeometry(12, 60, 120, 20);
    cmbFileSelect = new QComboBox(this);
    cmbFileSelect->setObjectName("cmbFileSelect");
    cmbFileSelect->setEditable(false);
    cmbFileSelect->setGeometry(12, 82, 350, 24);
    btnSansyo = new QPushButton("参照", this);
    btnSansyo->setObjectName("btnSansyo");
    btnSansyo->setGeometry(368, 82, 80, 24);
    lblFileName = new QLabel("ファイル名:", this);
    lblFileName->setObjectName("lblFileName");
    lblFileName->setGeometry(12, 112, 120, 20);
    txtFileName = new QLineEdit(this);
    txtFileName->setObjectName("txtFileName");
    txtFileName->setGeometry(12, 134, 350, 24);
    btnHistDelete = new QPushButton("履歴削除", this);
    btnHistDelete->setObjectName("btnHistDelete");
    btnHistDelete->setGeometry(368, 112, 80, 24);
    auto* hint = new QPlainTextEdit(this);
    hint->setObjectName("HintArea");
    hint->setReadOnly(true);
    hint->setGeometry(12, 196, 260, 56);
    HintMemo = hint;
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setGeometry(280, 212, 80, 28);
    btnCancel = new QPushButton("キャンセル", this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setGeometry(368, 212, 80, 28);
    F12Button = btnOK;
    HistoryFolder = SystemDef.IniDir;
    MessageColor = 0x000000;
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(btnSansyo, &QPushButton::clicked, this, [this] { btnSansyoClick(); });
    connect(btnHistDelete, &QPushButton::clicked, this, [this] { btnHistDeleteClick(); });
    Initialized = true;
}

TFileOperationBox::~TFileOperationBox() = default;

void TFileOperationBox::InitDisplay(std::uint8_t displayMode)
{
    DisplayMode = displayMode;
    InitControls();
    PositionPending = false;
}

void TFileOperationBox::InitControls()
{
    SetHints();
    const bool file = Kind == 0 || Kind == 1;
    lblFileName->setVisible(file);
    txtFileName->setVisible(file);
    txtFileName->setText(file ? Q(FileName) : QString());
    btnHistDelete->setVisible(UseHistory == 1);
    setWindowTitle(Q(CaptionText));
    lblMain->setText(Q(Message));
    lblMain->setStyleSheet(Q("QLabel { color: " + ColorCss(MessageColor) + "; }"));
    lblFileSelect->setText(Q(LocationLabel));
    cmbFileSelect->clear();
    LoadHistory();
}

void TFileOperationBox::SetHints()
{
    SetHint(cmbFileSelect, LocationHint);
    SetHint(btnSansyo, LocationHint);
    SetHint(btnHistDelete, "履歴を削除します。|履歴を削除します。");
    SetHint(txtFileName, FileNameHint);
    SetHint(btnOK, "処理を確定します。");
    SetHint(btnCancel, "処理をキャンセルします。");
}

void TFileOperationBox::LoadHistory()
{
    if (!HistoryFolder.empty() && !HistoryFileName.empty() && !HistorySection.empty()) {
        History.clear();
        HistoryFile = JoinPath(HistoryFolder, HistoryFileName);
        History = ReadHistory(HistoryFile, HistorySection);
        SectionLines.clear();
        for (std::size_t i = 0; i < History.size(); ++i)
            SectionLines.push_back("HIST" + std::to_string(i + 1) + "=" + History[i]);
        cmbFileSelect->clear();
        for (const std::string& f : History) cmbFileSelect->addItem(Q(f));
    }
    if (!DefaultFolder.empty() && cmbFileSelect->findText(Q(DefaultFolder)) < 0) cmbFileSelect->addItem(Q(DefaultFolder));
    cmbFileSelect->setCurrentIndex(cmbFileSelect->count() > 0 ? 0 : -1);
}

void TFileOperationBox::SaveHistory()
{
    History = PushHistory(History, SelectedFolder());
    if (History.size() > static_cast<std::size_t>(kHistoryMax)) History.resize(kHistoryMax);
    WriteHistory(HistoryFile, HistorySection, History);
}

void TFileOperationBox::SelectInCombo(const std::string& folder)
{
    int i = cmbFileSelect->findText(Q(folder));
    if (i < 0) {
        cmbFileSelect->insertItem(0, Q(folder));
        i = 0;
    }
    cmbFileSelect->setCurrentIndex(i);
}

std::string TFileOperationBox::SelectedFolder() const { return cmbFileSelect->currentText().toStdString(); }

void TFileOperationBox::btnSansyoClick()
{
    if (Kind == 2 || Kind == 3) {
        std::string folder = SelectedFolder();
        if (SelectFolderDlg("フォルダの選択", folder, false)) SelectInCombo(ExcludeSlash(folder));
        return;
    }
    const std::string path = JoinPath(ExcludeSlash(SelectedFolder()), Trimmed(txtFileName));
    QFileDialog dialog(this, "ファイルの選択");
    QString filter = "すべてのﾌｧｲﾙ(*.*) (*)";
    if (!FilterName.empty() && !DefaultExt.empty())
        filter = Q(FilterName + " (*." + AsciiLower(DefaultExt) + " *." + AsciiUpper(DefaultExt) + ")") + ";;" + filter;
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(Q(DefaultExt));
    dialog.setDirectory(Q(DefaultFolder));
    std::string chosen;
    if (Kind == 0) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) dialog.selectFile(Q(path));
        else dialog.setDirectory(Q(SelectedFolder()));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        chosen = dialog.selectedFiles().front().toStdString();
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.selectFile(Q(path));
        if (!CheckSaveFolder(dialog, chosen)) return;
    }
    const std::filesystem::path p(chosen);
    SelectInCombo(p.parent_path().string());
    txtFileName->setText(Q(p.filename().string()));
}

bool TFileOperationBox::AcceptLocation()
{
    const bool file = Kind == 0 || Kind == 1;
    const std::string name = Trimmed(txtFileName);
    if (file && name.empty()) {
        ShowMessage2(2, "ファイル名を入力または[参照]ボタンより選択して下さい。\r", Btn(TMsgDlgBtn::mbYes));
        return false;
    }
    std::string folder = SelectedFolder();
    if (folder.empty() || !CheckWritableFolder(folder)) return false;
    folder = ExcludeSlash(folder);
    if (folder != SelectedFolder()) SelectInCombo(folder);
    Result = file ? JoinPath(folder, name) : folder;
    if (UseHistory == 1) SaveHistory();
    done(mrOk);
    return true;
}

void TFileOperationBox::btnOKClick() { AcceptLocation(); }

void TFileOperationBox::btnHistDeleteClick()
{
    if (ShowMessage2(3, "履歴を削除します。よろしいですか？", Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) != mrYes)
        return;
    const QString kept = cmbFileSelect->currentText();
    cmbFileSelect->clear();
    cmbFileSelect->addItem(kept);
    cmbFileSelect->setCurrentIndex(0);
    History.clear();
    SaveHistory();
}

void TFileOperationBox::ShowingChanged()
{
    if (!isVisible()) return;
    if (!Initialized) {
        ShowMessage2(1, CaptionText + "画面の初期化に失敗しました。\r処理を終了します。", Btn(TMsgDlgBtn::mbYes));
        done(mrCancel);
        return;
    }
    if (txtFileName->isVisible() && txtFileName->isEnabled()) txtFileName->setFocus();
    else cmbFileSelect->setFocus();
}

// ---- the restore variant -------------------------------------------------------------------------

TFileOperationBoxEx1::TFileOperationBoxEx1(QWidget* parent) : TFileOperationBox(parent)
{
    setObjectName("FileOperationBoxEx1");
    resize(460, 320);
    btnSelect1 = new QRadioButton("ファイルの場所を選択する", this);
    btnSelect1->setObjectName("btnSelect1");
    btnSelect1->setGeometry(12, 56, 400, 22);
    btnSelect2 = new QRadioButton("既定の場所から実行する", this);
    btnSelect2->setObjectName("btnSelect2");
    btnSelect2->setGeometry(12, 170, 400, 22);
    // The list and its buttons sit under the first choice.
    lblFileSelect->move(30, 82);
    cmbFileSelect->move(30, 104);
    cmbFileSelect->resize(332, 24);
    btnSansyo->move(368, 104);
    btnHistDelete->move(368, 134);
    lblFileName->move(30, 134);
    txtFileName->move(30, 148);
    HintMemo->move(12, 256);
    btnOK->move(280, 272);
    btnCancel->move(368, 272);
    connect(btnSelect1, &QRadioButton::clicked, this, [this] { btnSelect1Click(); });
    connect(btnSelect2, &QRadioButton::clicked, this, [this] { btnSelect1Click(); });
    Choice = 1;
    btnSelect1->setChecked(true);
}

void TFileOperationBoxEx1::SetSelect1Caption(const std::string& text) { btnSelect1->setText(Q(text)); }
void TFileOperationBoxEx1::SetSelect2Caption(const std::string& text) { btnSelect2->setText(Q(text)); }

void TFileOperationBoxEx1::SetSelectKind(int kind)
{
    (kind == 2 ? btnSelect2 : btnSelect1)->setChecked(true);
    btnSelect1Click();
}

void TFileOperationBoxEx1::btnSelect1Click()
{
    const bool first = btnSelect1->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lblFileSelect, cmbFileSelect, btnSansyo, btnHistDelete, lblFileName, txtFileName})
        w->setEnabled(first);
}

void TFileOperationBoxEx1::InitDisplay(std::uint8_t displayMode)
{
    if (Kind == 2 || Kind == 3) btnSelect2->move(btnSelect2->x(), txtFileName->y());
    TFileOperationBox::InitDisplay(displayMode);
}

void TFileOperationBoxEx1::InitControls()
{
    TFileOperationBox::InitControls();
    if (PositionPending) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
        resize(width(), static_cast<int>(360 * dpi / 96.0));
    }
    btnSelect1Click();
}

void TFileOperationBoxEx1::SetHints()
{
    TFileOperationBox::SetHints();
    SetHint(btnSelect1, "選択した場所に保存されているﾃﾞｰﾀを復元する場合に選択します。|選択した場所に保存されているﾃﾞｰﾀを復元する場合に選択します。");
    SetHint(btnSelect2,
            "ｼｽﾃﾑが随所で行う自動ﾊﾞｯｸｱｯﾌﾟﾃﾞｰﾀを復元し、ﾃﾞｰﾀを元に戻す場合に選択します。|「仕訳の全削除」、「仕訳のｲﾝﾎﾟｰﾄ」は処理実行時に実行前ﾃﾞｰﾀをﾊﾞｯｸｱｯﾌﾟするように設定されています。\r\n"
            "［OK］を押すと現在のﾃﾞｰﾀをこれらの処理を実行する前の状態に戻す事ができます。\r\n"
            "尚、ﾊﾞｯｸｱｯﾌﾟを取らずにこれらの処理を実行することも出来ますので、確実に実行前の状態に戻せるとは限りません。");
}

void TFileOperationBoxEx1::btnOKClick()
{
    if (btnSelect1->isChecked()) {
        Choice = 1;
        AcceptLocation();
        return;
    }
    Choice = 2;
    done(mrOk);
}

} // namespace kb
