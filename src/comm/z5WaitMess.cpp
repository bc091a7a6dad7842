#include "comm/z5WaitMess.h"

#include "ui/xAnimeProgressDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

namespace kb {

TfmWaitMessBase::TfmWaitMessBase(QWidget* owner, const std::vector<QString>& lines)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    resize(435, 214);
    spinner_ = new TxSpinner(this);
    spinner_->setGeometry(40, 16, 32, 32);
    int top = 24;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto* box = new QCheckBox(lines[i], this);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
        box->setGeometry(104, top, 320, 24);
        box->setChecked(i == 0);
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        box->setFocusPolicy(Qt::NoFocus);
        lines_.push_back(box);
        top += 32;
    }
    timer_ = new QTimer(this);
    timer_->setInterval(100);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (!spinner_->Active()) spinner_->SetActive(true);
        spinner_->update();
    });
}

QCheckBox* TfmWaitMessBase::Line(int index) const
{
    return index >= 1 && index <= static_cast<int>(lines_.size()) ? lines_[static_cast<std::size_t>(index - 1)] : nullptr;
}

void TfmWaitMessBase::SetLine(int index, const QString& text, TWaitLineState state)
{
    QCheckBox* box = Line(index);
    if (!box) return;
    if (!text.isEmpty()) box->setText(text);
    QPalette pal = box->palette();
    switch (state) {
    case TWaitLineState::Running:
        box->setChecked(true);
        pal.setColor(QPalette::WindowText, Qt::blue);
        box->show();
        break;
    case TWaitLineState::Done:
        pal.setColor(QPalette::WindowText, Qt::gray);
        box->show();
        break;
    case TWaitLineState::Idle:
        pal.setColor(QPalette::WindowText, Qt::black);
        box->show();
        break;
    case TWaitLineState::Hidden: box->hide(); break;
    }
    box->setPalette(pal);
    box->repaint();
}

void TfmWaitMessBase::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    spinner_->SetActive(true);
    timer_->start();
}

void TfmWaitMessBase::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    spinner_->move(spinner_->x(), height() / 2 - 20);
}

TfmWaitMess::TfmWaitMess(QWidget* owner)
    : TfmWaitMessBase(owner, {QStringLiteral("送信用データ保存"), QStringLiteral("送信用データ圧縮"),
                              QStringLiteral("送信用データ暗号化"), QStringLiteral("中継サーバーへデータ送信"),
                              QStringLiteral("経営Azimo（クラウド）へデータ送信")})
{
}

TfmWaitMess2::TfmWaitMess2(QWidget* owner) : TfmWaitMessBase(owner, {QStringLiteral("クラウドシェア認証チェック")}) {}

TEscKeyGuard::TEscKeyGuard()
{
    if (qApp) qApp->installEventFilter(this);
}

TEscKeyGuard::~TEscKeyGuard()
{
    if (qApp) qApp->removeEventFilter(this);
}

bool TEscKeyGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride
        || event->type() == QEvent::KeyRelease) {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kb

namespace kb {

TTusinWaitView::~TTusinWaitView()
{
    WaitClose();
    EscGuard(false);
}

void TTusinWaitView::WaitOpen(const std::string& caption, const std::vector<std::string>& lines)
{
    WaitClose();
    form_ = new TfmWaitMess(owner_);
    form_->resize(435, 194);
    if (!caption.empty()) form_->setWindowTitle(QString::fromStdString(caption));
    for (std::size_t i = 0; i < lines.size(); ++i)
        form_->SetLine(static_cast<int>(i) + 1, QString::fromStdString(lines[i]), i == 0 ? TWaitLineState::Running : TWaitLineState::Idle);
    form_->show();
    QApplication::processEvents();
}

void TTusinWaitView::WaitLine(int line, const std::string& text, TWaitLineState state)
{
    if (!form_) return;
    form_->SetLine(line, QString::fromStdString(text), state);
    QApplication::processEvents();
}

void TTusinWaitView::WaitClose()
{
    delete form_;
    form_ = nullptr;
}

void TTusinWaitView::EscGuard(bool on)
{
    if (on && !esc_) esc_ = new TEscKeyGuard;
    if (!on) {
        delete esc_;
        esc_ = nullptr;
    }
}

} // namespace kb
