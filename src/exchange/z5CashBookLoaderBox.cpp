#include "exchange/z5CashBookLoaderBox.h"

#include "core/z5AppInfo.h"
#include "core/z5FileFunc.h"
#include "platform/AtomicFile.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"
#include "ui/xAnimeProgressDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kb {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

TCashBookLoaderBox::TCashBookLoaderBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Q("現金出納帳の取り込み"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    for (auto*& t : Title) {
        t = new QLabel(this);
        layout->addWidget(t);
    }
    ListView1 = new QTreeWidget(this);
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(ListView1);
    Detail = new QPlainTextEdit(this);
    Detail->setReadOnly(true);
    Detail->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(Detail);
    ProgressPanel = new QWidget(this);
    auto* pl = new QHBoxLayout(ProgressPanel);
    ProgressLabel = new QLabel(ProgressPanel);
    ProgressBar1 = new QProgressBar(ProgressPanel);
    Animate1 = new TxSpinner(ProgressPanel);
    pl->addWidget(ProgressLabel);
    pl->addWidget(ProgressBar1);
    pl->addWidget(Animate1);
    ProgressPanel->hide();
    layout->addWidget(ProgressPanel);
    auto* buttons = new QHBoxLayout;
    btnOutput = new QPushButton(Q("ファイル出力"), this);
    btnOk = new QPushButton(Q("OK"), this);
    btnCancel = new QPushButton(this);
    buttons->addWidget(btnOutput);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    btnOk->setEnabled(false);
    btnCancel->setEnabled(false);
    btnOutput->setEnabled(false);
    QObject::connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    QObject::connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    QObject::connect(btnOutput, &QPushButton::clicked, this, [this] { btnOutputClick(); });
    QObject::connect(ListView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        Detail->clear();
        const int row = item ? ListView1->indexOfTopLevelItem(item) : -1;
        if (row >= 0 && row < static_cast<int>(Loader.Log.size())) Detail->setPlainText(Q(Loader.Log[row].Message));
    });

    Timer1.setSingleShot(true);
    QObject::connect(&Timer1, &QTimer::timeout, this, [this] {
        Timer1.stop();
        if (StartPending) btnOkClick();
    });
    Loader.OnClear = [this] {
        ListView1->clear();
        Detail->clear();
    };
    Loader.OnLog = [this](const TLumoraSyoriInfo& e) {
        static const char* names[] = {"", "情報", "警告", "エラー"};
        static const QStyle::StandardPixmap icons[] = {QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxInformation,
                                                       QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxCritical};
        const int kind = e.Kind <= 3 ? e.Kind : 0;
        auto* item = new QTreeWidgetItem(ListView1, {Q(names[kind]), Q(e.Message)});
        if (kind > 0) item->setIcon(0, style()->standardIcon(icons[kind]));
    };
    Loader.OnLabel = [this](const std::string& label) {
        ProgressLabel->setText(Q(label));
        QApplication::processEvents();
    };
    Loader.OnProgress = [this](int position, int max) {
        ProgressBar1->setRange(0, max);
        ProgressBar1->setValue(position);
    };
    SetAutoStart(true);
}

void TCashBookLoaderBox::SetAutoStart(bool on)
{
    btnOk->setVisible(!on);
    btnOk->setEnabled(!on);
    btnCancel->setEnabled(!on);
    btnCancel->setText(Q(on ? "閉じる" : "キャンセル"));
    Timer1.stop();
    Timer1.setInterval(on ? 1500 : 0);
    StartPending = on ? 1 : 0;
}

void TCashBookLoaderBox::SetTitles()
{
    ListView1->setHeaderLabels({Q("ステータス"), Q("情報")});
    const double scale = logicalDpiX() / 96.0;
    ListView1->setColumnWidth(0, static_cast<int>(80 * scale));
    ListView1->setColumnWidth(1, static_cast<int>(500 * scale));
    const bool client = Loader.AutoFlag == 0;
    Title[0]->setText(Q(client ? "現金出納帳データの取り込みを行います。" : "データの取り込みを行います。"));
    Title[1]->setText(Q(client ? "この処理を実行することにより、顧問先と現金残高の同期が行われます。"
                               : "この処理を実行することにより、送信元とデータの同期が行われます。"));
    Title[2]->clear();
    Title[2]->setStyleSheet("color: red");
}

void TCashBookLoaderBox::SetResultTitles()
{
    const bool client = Loader.AutoFlag == 0;
    if (Loader.GetResultCode() <= 0) {
        Title[0]->setText(Q(client ? "現金出納帳データの取り込みが中止されました。" : "データの取り込みが中止されました。"));
        Title[1]->setText(Q("下記の情報より、中止された理由を確認して下さい。"));
    } else {
        Title[0]->setText(Q(client ? "現金出納帳データの取り込みを行いました。" : "データの取り込みを行いました。"));
        Title[1]->setText(Q("下記の情報を確認して下さい。"));
    }
    Title[2]->clear();
}

void TCashBookLoaderBox::Animate(bool on)
{
    Animate1->SetActive(on);
    ProgressPanel->setVisible(on);
}

void TCashBookLoaderBox::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    SetTitles();
    if (StartPending) {
        Timer1.start();
        Animate(true);
        ProgressLabel->setText(Q("準備中です…"));
        QApplication::processEvents();
    } else if (ShownAfterAbort && Loader.GetResultCode() < 0) {
        Animate(false);
        SetResultTitles();
    }
}

void TCashBookLoaderBox::closeEvent(QCloseEvent* e)
{
    if (running_) e->ignore();
    else QDialog::closeEvent(e);
}

void TCashBookLoaderBox::StartLoad()
{
    if (Loader.AutoFlag != 1) return;
    Timer1.stop();
    SetTitles();
    if (StartPending) btnOkClick();
}

void TCashBookLoaderBox::btnOkClick()
{
    if (running_) return;
    running_ = true;
    btnCancel->setText(Q("閉じる"));
    btnCancel->setEnabled(false);
    btnOk->setEnabled(false);
    Animate(true);
    Loader.Run();
    StartPending = 0;
    SetResultTitles();
    Animate(false);
    btnOutput->setEnabled(ListView1->topLevelItemCount() > 0);
    btnCancel->setEnabled(true);
    if (ListView1->topLevelItemCount() > 0) ListView1->setCurrentItem(ListView1->topLevelItem(0));
    running_ = false;
    if (isVisible()) {
        btnCancel->setFocus();
    } else if (Loader.GetResultCode() < 0) {
        ShownAfterAbort = 1;
        exec();
    }
}

void TCashBookLoaderBox::btnCancelClick()
{
    if (running_) return;
    done(btnCancel->text() == Q("閉じる") ? QDialog::Accepted : QDialog::Rejected);
}

bool TCashBookLoaderBox::SaveLog(std::string path, bool csv)
{
    if (!CheckWritableFile(path)) return false;
    WriteFileAtomically(path, Utf8ToCp932(Loader.ExportLog(csv)));
    return true;
}

void TCashBookLoaderBox::btnOutputClick()
{
    QFileDialog dialog(this, Q("ファイル出力"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({Q("ＣＳＶシート(*.csv)"), Q("テキストファイル(*.txt)")});
    dialog.setDefaultSuffix("csv");
    // The application's folder in Documents.
    dialog.setDirectory(QString::fromStdString((ShellFolders::DocumentsDir() / AppInfo.AppName).string()));
    dialog.selectFile(Q("現金出納帳の受信ログ"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const bool csv = dialog.selectedNameFilter() == Q("ＣＳＶシート(*.csv)");
    SaveLog(dialog.selectedFiles().first().toStdString(), csv);
}

} // namespace kb
