#include "dataselect/z5WhichDataSet.h"

#include "ui/z5MessageDlg2.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kb {

TWhichDataSetBox::TWhichDataSetBox(QWidget* parent) : TBSDI(parent, true)
{
    setObjectName("WhichDataSetBox");
    setWindowTitle("データの持ち出し／持ち帰り");
    resize(380, 230);
    auto* label = new QLabel("データの処理方法:", this);
    label->setGeometry(12, 8, 200, 20);
    auto* group = new QGroupBox(this);
    group->setGeometry(12, 30, 356, 76);
    btnMochidashi = new QRadioButton("データを持ち出します", group);
    btnMochidashi->setObjectName("btnMochidashi");
    btnMochidashi->setGeometry(12, 12, 300, 22);
    btnMochikaeri = new QRadioButton("データを持ち帰りました", group);
    btnMochikaeri->setObjectName("btnMochikaeri");
    btnMochikaeri->setGeometry(12, 42, 300, 22);
    btnMochidashi->setChecked(true);
    auto* hint = new QPlainTextEdit(this);
    hint->setObjectName("HintArea");
    hint->setReadOnly(true);
    hint->setGeometry(12, 150, 180, 70);
    HintMemo = hint;
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setGeometry(200, 180, 80, 28);
    btnCancel = new QPushButton("キャンセル", this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setGeometry(288, 180, 80, 28);
    F12Button = btnOK;
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    Initialized = true;
}

void TWhichDataSetBox::InitDisplay(std::uint8_t displayMode)
{
    DisplayMode = displayMode;
    ShowChoice();
    PositionPending = false;
}

void TWhichDataSetBox::ShowChoice()
{
    SetHint(btnMochidashi, "データの処理方法を選択します。|データを持ち出すため、「データ選択（サーバ）」画面で選択した場所にあるデータをコンピュータ内のデータエリアへコピーします。");
    SetHint(btnMochikaeri, "データの処理方法を選択します。|データを持ち帰ったため、「データ選択（サーバ）」画面で選択した場所へコンピュータ内のデータエリアよりコピーします。");
    SetHint(btnOK, "内容を登録して画面を閉じます。|内容を登録して画面を閉じます。");
    SetHint(btnCancel, "画面を閉じます。|画面を閉じます。");
    btnMochidashi->setEnabled(TakenOut != 1);
    btnMochikaeri->setEnabled(true);
    if (TakenOut == 1 || BringBack != 0) btnMochikaeri->setChecked(true);
    else btnMochidashi->setChecked(true);
}

void TWhichDataSetBox::btnOKClick()
{
    BringBack = 0;
    if (btnMochidashi->isEnabled() && btnMochidashi->isChecked()) {
        done(mrOk);
        return;
    }
    if (btnMochikaeri->isEnabled() && btnMochikaeri->isChecked()) BringBack = 1;
    done(mrOk);
}

void TWhichDataSetBox::ShowingChanged()
{
    if (!isVisible()) return;
    if (!Initialized) {
        ShowMessage2(1, windowTitle().toStdString() + "画面の初期化に失敗しました。\r処理を終了します。", Btn(TMsgDlgBtn::mbYes));
        done(mrCancel);
        return;
    }
    if (btnMochidashi->isEnabled() && btnMochidashi->isChecked()) btnMochidashi->setFocus();
    else if (btnMochikaeri->isEnabled() && btnMochikaeri->isChecked()) btnMochikaeri->setFocus();
}

bool TWhichDataSetBox::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
        auto* w = qobject_cast<QWidget*>(o);
        const int key = static_cast<QKeyEvent*>(e)->key();
        // F1 to F8 and F12 do nothing here; Esc goes to the base form.
        if (w && w->window() == this && ((key >= Qt::Key_F1 && key <= Qt::Key_F8) || key == Qt::Key_F12)) return true;
    }
    return TBSDI::eventFilter(o, e);
}

} // namespace kb
