#include "dbupdate/z5WebMenuL.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateBox.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "ui/z5MessageDlg2.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kb {

std::vector<TLoginUserR> ReadLoggedOnOperators(TDM& dm, int ownOpCode)
{
    std::vector<TLoginUserR> out;
    fb::TransactionGuard guard(dm.IBTransactionDEF, fb::TransactionGuard::Unfinished::Commit);
    try {
        fb::Statement q(dm.IBDatabaseDEF, &dm.IBTransactionDEF);
        q.SetSQL("SELECT * FROM LOGONUSERLIST ");
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            if (q.FieldByName("OPCODE").AsInteger() == ownOpCode) continue;
            out.push_back({q.FieldByName("OPERATORCODE").AsInteger(), q.FieldByName("GROUPID").AsInteger(), {}});
        }
        q.Close();
        fb::Statement op(dm.IBDatabaseDEF, &dm.IBTransactionDEF);
        op.SetSQL("SELECT * FROM OPERATOR \nWHERE GROUPID =:GROUPID and OPCODE =:OPCODE ");
        for (TLoginUserR& e : out) {
            op.ParamByName("GROUPID").SetInteger(e.GroupId);
            op.ParamByName("OPCODE").SetInteger(e.OpCode);
            op.ExecQuery();
            if (!op.Eof()) e.OpName = op.FieldByName("OPNAME").AsString();
            op.Close();
        }
    } catch (const FbError& e) {
        ShowIBError(e, "TfmWebMenuL.fnDBConect_OP", "");
        guard.Commit();
        throw;
    }
    guard.Commit();
    return out;
}

TfmWebMenuL::TfmWebMenuL()
{
    setWindowTitle(QString::fromUtf8("ログインユーザー"));
    resize(357, 361);
    auto* layout = new QVBoxLayout(this);
    PerfectGrid1 = new QTableWidget(0, 3, this);
    PerfectGrid1->setHorizontalHeaderLabels({"No", QString::fromUtf8("コード"), QString::fromUtf8("オペレータ名")});
    PerfectGrid1->setColumnWidth(0, 50);
    PerfectGrid1->setColumnWidth(1, 70);
    PerfectGrid1->setColumnWidth(2, 154);
    PerfectGrid1->verticalHeader()->hide();
    PerfectGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(PerfectGrid1);
    HintArea = new QPlainTextEdit(this);
    HintArea->setReadOnly(true);
    HintArea->setPlainText(QString::fromUtf8("他のオペレーターがパヴォナ財務を利用中のため、バ\n"
                                             "ージョンアップができません。\n"
                                             "他のオペレータの利用がない状態で、管理者権限に\n"
                                             "て、バージョンアップを実行してください。"));
    layout->addWidget(HintArea);
    F12 = new QPushButton(QString::fromUtf8("F12:閉じる"), this);
    layout->addWidget(F12, 0, Qt::AlignRight);
    connect(F12, &QPushButton::clicked, this, [this] { done(1); });
    if (DM) {
        try {
            ops_ = ReadLoggedOnOperators(*DM, SystemDef.OpCode);
            initialised_ = true;
        } catch (const std::exception&) {
            ops_.clear();
        }
    }
}

TfmWebMenuL::~TfmWebMenuL() = default;

void TfmWebMenuL::SetParams(const std::vector<std::string>& lines)
{
    params_ = lines;
    for (const std::string& l : lines)
        if (l.rfind("SyoriType=", 0) == 0) {
            try {
                const int v = std::stoi(l.substr(10));
                if (v >= 0) SyoriType = v;
            } catch (const std::exception&) {
            }
        }
}

int TfmWebMenuL::Execute(int mode)
{
    if (mode != 1) {
        show();
        return 1;
    }
    if (!initialised_) {
        ShowMessage2(1, windowTitle().toStdString() + "画面の初期化に失敗しました。\r処理を終了します。",
                     Btn(TMsgDlgBtn::mbOK));
        return 0;
    }
    SetShowMode(1);
    exec();
    return ops_.empty() ? 0 : 1;
}

void TfmWebMenuL::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (ops_.empty()) {
        // Nobody else is logged on: nothing to tell.
        QTimer::singleShot(0, this, [this] { done(2); });
        return;
    }
    PerfectGrid1->setRowCount(static_cast<int>(ops_.size()));
    for (int i = 0; i < static_cast<int>(ops_.size()); ++i) {
        auto* no = new QTableWidgetItem(QString::number(i + 1));
        no->setTextAlignment(Qt::AlignCenter);
        PerfectGrid1->setItem(i, 0, no);
        PerfectGrid1->setItem(i, 1, new QTableWidgetItem(QString::number(ops_[i].OpCode)));
        PerfectGrid1->setItem(i, 2, new QTableWidgetItem(QString::fromStdString(ops_[i].OpName)));
    }
}

void TfmWebMenuL::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F12) {
        done(1);
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyReleaseEvent(e);
}

void RegisterDbUpdateForms() { RegisterFormClass<TfmWebMenuL>("WebMenuL", "TfmWebMenuL"); }

} // namespace kb
