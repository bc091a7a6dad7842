#include "print/Plotivar_yohaku.h"

#include "ui/xEdit.h"

#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kb {

bool FilterNumericKey(char32_t key, const std::string& text, bool wholeSelected)
{
    if ((key >= U'0' && key <= U'9') || key == U'\b') {
        if (key == U'0' && !wholeSelected && (text == "0" || text == "-")) return false;
        return true;
    }
    if (key == U'-') return wholeSelected || text.empty();
    return false;
}

TUpDown::TUpDown(TxEdit* partner, int min, int max, int increment, QWidget* parent)
    : QWidget(parent), partner_(partner), min_(min), max_(max), increment_(increment)
{
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    UpButton = new QToolButton(this);
    UpButton->setArrowType(Qt::UpArrow);
    DownButton = new QToolButton(this);
    DownButton->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {UpButton, DownButton}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setFixedSize(15, 10);
        l->addWidget(b);
    }
    connect(UpButton, &QToolButton::clicked, this, [this] { Step(1); });
    connect(DownButton, &QToolButton::clicked, this, [this] { Step(-1); });
    setFixedSize(15, 20);
}

int TUpDown::Position() const { return std::clamp(static_cast<int>(partner_->Long()), min_, max_); }

void TUpDown::SetPosition(int v) { partner_->setText(QString::number(std::clamp(v, min_, max_))); }

void TUpDown::Step(int direction) { SetPosition(Position() + direction * increment_); }

Tfmyohaku::Tfmyohaku(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("設定"));
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    setFont(f);
    setFixedSize(235, 286);

    GroupBox2 = new QGroupBox(QStringLiteral("余白設定"), this);
    GroupBox2->setGeometry(8, 4, 219, 150);
    auto* label1 = new QLabel(QStringLiteral("逆方向はマイナス （max=100）"), GroupBox2);
    label1->setGeometry(8, 14, 200, 14);
    auto* label6 = new QLabel(QStringLiteral("左右"), GroupBox2);
    label6->setGeometry(60, 36, 26, 14);
    Label7 = new QLabel(QStringLiteral("上下"), GroupBox2);
    Label7->setGeometry(4, 70, 24, 14);
    Label7->hide();
    Memo1 = new QPlainTextEdit(GroupBox2);
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setGeometry(70, 62, 140, 80);
    Memo1->setPlainText(QStringLiteral("     ＋ →\n ＋\n ↓    (1/10 mm)"));

    GroupBox3 = new QGroupBox(QStringLiteral("行間隔・文字間隔"), this);
    GroupBox3->setGeometry(8, 158, 219, 80);
    auto* label2 = new QLabel(QStringLiteral("縦補正"), GroupBox3);
    label2->setGeometry(40, 28, 44, 14);
    auto* label4 = new QLabel(QStringLiteral("横補正"), GroupBox3);
    label4->setGeometry(40, 52, 44, 14);
    auto* label3 = new QLabel(QStringLiteral("(1/10) ％"), GroupBox3);
    label3->setGeometry(140, 28, 70, 14);
    auto* label5 = new QLabel(QStringLiteral("(max=50)"), GroupBox3);
    label5->setGeometry(140, 52, 70, 14);

    EdTop = MakeEdit(GroupBox2, 28, 68);
    EdLeft = MakeEdit(GroupBox2, 88, 33);
    EdVRatio = MakeEdit(GroupBox3, 89, 25);
    EdHRatio = MakeEdit(GroupBox3, 89, 49);
    UpDown1 = new TUpDown(EdLeft, -100, 100, 10, GroupBox2);
    UpDown1->move(118, 33);
    UpDown2 = new TUpDown(EdTop, -100, 100, 10, GroupBox2);
    UpDown2->move(58, 68);
    UpDown3 = new TUpDown(EdVRatio, -50, 50, 1, GroupBox3);
    UpDown3->move(119, 25);
    UpDown4 = new TUpDown(EdHRatio, -50, 50, 1, GroupBox3);
    UpDown4->move(119, 49);

    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 246, 235, 40);
    Button1 = new QPushButton(QStringLiteral("ＯＫ"), Panel1);
    Button1->setGeometry(80, 6, 75, 28);
    connect(Button1, &QPushButton::clicked, this, &Tfmyohaku::Button1Click);

    setTabOrder(EdTop, EdLeft);
    setTabOrder(EdLeft, EdVRatio);
    setTabOrder(EdVRatio, EdHRatio);
    setTabOrder(EdHRatio, Button1);
}

TxEdit* Tfmyohaku::MakeEdit(QWidget* parent, int x, int y)
{
    auto* e = new TxEdit(parent);
    e->setGeometry(x, y, 30, 20);
    // Three typed characters at most (the key filter holds that); the clamped "-100" is set, not typed.
    e->setMaxLength(4);
    e->setText(QStringLiteral("0"));
    e->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->SetKeyEdit3D(TBorderStyle::bsNone);
    e->SetImeMode(TImeMode::imDisable);
    e->installEventFilter(this);
    return e;
}

bool Tfmyohaku::eventFilter(QObject* o, QEvent* ev)
{
    auto* edit = qobject_cast<TxEdit*>(o);
    if (!edit) return QDialog::eventFilter(o, ev);
    if (ev->type() == QEvent::FocusOut) {
        ED_TOPExit(edit);
    } else if (ev->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(ev);
        const QString t = k->text();
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) return false;
        char32_t key = 0;
        if (k->key() == Qt::Key_Backspace) key = U'\b';
        else if (t.size() == 1 && t[0].unicode() >= 32) key = t[0].unicode();
        else return false; // arrows, Delete and the like are not typed characters
        const std::string text = edit->text().toStdString();
        const bool whole = edit->selectedText().size() == edit->text().size();
        if (!FilterNumericKey(key, text, whole)) return true;
        const int kept = static_cast<int>(edit->text().size() - edit->selectedText().size());
        if (key != U'\b' && kept >= 3) return true;
    }
    return QDialog::eventFilter(o, ev);
}

void Tfmyohaku::ED_TOPExit(TxEdit* edit)
{
    const bool margin = edit == EdTop || edit == EdLeft;
    const int limit = margin ? 100 : 50;
    const int v = edit->Long();
    if (v < -limit) edit->setText(QString::number(-limit));
    if (v > limit) edit->setText(QString::number(limit));
    const int value = edit->Long();
    if (edit == EdTop) TopValue = value;
    else if (edit == EdLeft) LeftValue = value;
    else if (edit == EdVRatio) VRatioValue = value;
    else HRatioValue = value;
}

void Tfmyohaku::SetTopOffset(int v)
{
    if (v == TopValue) return;
    UpDown2->SetPosition(v);
    TopValue = v;
}

void Tfmyohaku::SetLeftOffset(int v)
{
    if (v == LeftValue) return;
    UpDown1->SetPosition(v);
    LeftValue = v;
}

void Tfmyohaku::SetVRatio(int v)
{
    UpDown3->SetPosition(v >= 950 && v <= 1050 ? v - 1000 : 0);
    VRatioValue = v;
}

void Tfmyohaku::SetHRatio(int v)
{
    UpDown4->SetPosition(v >= 950 && v <= 1050 ? v - 1000 : 0);
    HRatioValue = v;
}

void Tfmyohaku::SetPitchShown(bool shown)
{
    GroupBox3->setVisible(shown);
    const int h = shown ? 286 : 186;
    setFixedSize(235, h);
    Panel1->move(0, h - 40);
}

void Tfmyohaku::Button1Click()
{
    TopValue = EdTop->Long();
    LeftValue = EdLeft->Long();
    VRatioValue = EdVRatio->Long() + 1000;
    HRatioValue = EdHRatio->Long() + 1000;
    accept();
}

} // namespace kb
