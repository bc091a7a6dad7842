#include "dbupdate/z5DbUpdateBox.h"

#include "core/DataModule.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kb {

TDbUpdateBox::TDbUpdateBox(TDM* dm, QWidget* parent) : QDialog(parent), dm_(dm)
{
    setWindowTitle(QString::fromUtf8("データベースの更新"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(472, 520);
    auto* layout = new QVBoxLayout(this);
    lblTitle1 = new QLabel(this);
    layout->addWidget(lblTitle1);
    ListView1 = new QTreeWidget(this);
    ListView1->setColumnCount(3);
    ListView1->setHeaderLabels({"Ver.", QString::fromUtf8("説明"), QString::fromUtf8("状況")});
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setColumnWidth(0, 60);
    ListView1->setColumnWidth(1, 280);
    ListView1->setColumnWidth(2, 80);
    layout->addWidget(ListView1);
    pnlProgress = new QWidget(this);
    auto* pl = new QVBoxLayout(pnlProgress);
    lblProgress = new QLabel(QString::fromUtf8("データの更新中です…"), pnlProgress);
    ProgressBar1 = new QProgressBar(pnlProgress);
    pl->addWidget(lblProgress);
    pl->addWidget(ProgressBar1);
    layout->addWidget(pnlProgress);
    pnlProgress->hide();
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setReadOnly(true);
    layout->addWidget(RichEdit1);
    cboxAgree = new QCheckBox(QString::fromUtf8("データの更新に同意します。"), this);
    layout->addWidget(cboxAgree);
    lblTitle2 = new QLabel(this);
    lblTitle3 = new QLabel(this);
    lblTitle2->setStyleSheet("color: red");
    lblTitle3->setStyleSheet("color: red");
    layout->addWidget(lblTitle2);
    layout->addWidget(lblTitle3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = new QPushButton("OK", this);
    btnCancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(cboxAgree, &QCheckBox::toggled, this, [this] { cboxAgreeClick(); });
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, [this] { ListView1SelectItem(); });
    run_ = std::make_unique<TDbUpdateRun>(Plan, dm ? *dm : *DM);
}

TDbUpdateBox::~TDbUpdateBox() = default;

void TDbUpdateBox::PrepareUpdate(int kind, const std::string& versionText)
{
    btnCancel->setVisible(kind == 1);
    if (kind == 0) {
        lblTitle1->setText(QString::fromUtf8("システムデータの更新を行います。"));
        lblTitle2->clear();
        lblTitle3->clear();
        cboxAgree->setVisible(false);
    } else {
        lblTitle1->setText(QString::fromUtf8("会計データの更新を行います。"));
        lblTitle2->setText(QString::fromUtf8("バックアップを取得せずに、この処理を行うと元に戻すことが出来ません。"));
        lblTitle3->setText(QString::fromUtf8("必ずバックアップを取得後に実行することを強く推奨します。"));
        cboxAgree->setVisible(true);
    }
    cboxAgreeClick();
    Plan.PrepareUpdate(kind, versionText, versionText.empty() ? dm_ : nullptr);
    if (!Plan.NeedUpdate) return;
    ListView1->clear();
    const auto& list = Plan.CurrentList();
    for (int i = Plan.FirstPending; i <= Plan.LastPending; ++i) {
        auto* item = new QTreeWidgetItem(ListView1);
        item->setText(0, QString::fromStdString(VersionText(list[i])));
        item->setText(1, QString::fromStdString(list[i].Title));
    }
    if (ListView1->topLevelItemCount() > 0) ListView1->setCurrentItem(ListView1->topLevelItem(0));
}

void TDbUpdateBox::cboxAgreeClick() { btnOk->setEnabled(cboxAgree->isHidden() || cboxAgree->isChecked()); }

void TDbUpdateBox::ListView1SelectItem()
{
    RichEdit1->clear();
    const int row = ListView1->indexOfTopLevelItem(ListView1->currentItem());
    const int index = row + Plan.FirstPending;
    const auto& list = Plan.CurrentList();
    if (row < 0 || index < 0 || index >= static_cast<int>(list.size())) return;
    RichEdit1->setPlainText(QString::fromStdString(list[index].Memo).replace('\r', '\n'));
}

void TDbUpdateBox::btnOkClick()
{
    if (running_) return;
    running_ = true;
    const int modal = run_->Ok(*this);
    running_ = false;
    done(modal);
}

void TDbUpdateBox::btnCancelClick()
{
    if (!running_) done(2);
}

void TDbUpdateBox::reject()
{
    if (!running_) done(2);
}

void TDbUpdateBox::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F12) {
        if (btnOk->isEnabled()) btnOkClick();
        e->accept();
        return;
    }
    QDialog::keyReleaseEvent(e);
}

void TDbUpdateBox::ShowJobProgress(const std::string& caption, const std::string& info)
{
    lblProgress->setText(QString::fromStdString(caption + "\n" + info));
    pnlProgress->show();
    QApplication::processEvents();
}

void TDbUpdateBox::HideJobProgress()
{
    pnlProgress->hide();
    lblProgress->setText(QString::fromUtf8("データの更新中です…"));
}

void TDbUpdateBox::StartSteps(int count)
{
    ProgressBar1->setRange(0, count);
    ProgressBar1->setValue(0);
    pnlProgress->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();
}

void TDbUpdateBox::StepFinished(int item, int result)
{
    if (auto* it = ListView1->topLevelItem(item)) it->setText(2, QString::fromStdString(StepStatusText(result)));
    if (result == kStepDone) ProgressBar1->setValue(ProgressBar1->value() + 1);
    QApplication::processEvents();
}

void TDbUpdateBox::EndSteps()
{
    pnlProgress->hide();
    QApplication::restoreOverrideCursor();
}

} // namespace kb
