#include "ui/xAnimeProgressDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <QTimer>

#include <chrono>
#include <thread>

namespace kb {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
constexpr int kClientW = 380, kClientH = 100;
// How long Execute waits for the window system to put a new progress window on screen.
constexpr int kExposeWaitMs = 500;
} // namespace

TProgressLayout ComputeProgressLayout(bool cancelShown, TxLabelPosition pos, int clientHeight, int textHeight)
{
    TProgressLayout l;
    l.CancelShown = cancelShown;
    l.Anime = QRect(20, 16, 32, 32);
    l.Label = pos == TxLabelPosition::xlpRight ? QRect(60, 24, 300, textHeight) : QRect(20, 52, 300, textHeight);
    if (cancelShown) {
        l.Cancel = QRect(152, 67, 76, 23);
    } else {
        const int half = clientHeight / 2;
        l.Anime.moveTop(half - 20);
        l.Label.moveTop(pos == TxLabelPosition::xlpRight ? half - 8 : half + 20);
    }
    return l;
}

TxSpinner::TxSpinner(QWidget* parent) : QWidget(parent), timer_(new QTimer(this))
{
    timer_->setInterval(80);
    connect(timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % 12;
        update();
    });
}

void TxSpinner::SetActive(bool on)
{
    if (on)
        timer_->start();
    else
        timer_->stop();
    update();
}

bool TxSpinner::Active() const { return timer_->isActive(); }

void TxSpinner::paintEvent(QPaintEvent*)
{
    if (!Active())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(width() / 2.0, height() / 2.0);
    const double r = std::min(width(), height()) / 2.0 - 2;
    for (int i = 0; i < 12; ++i) {
        const int age = (step_ - i + 12) % 12;
        QColor c(40, 90, 180);
        c.setAlpha(255 - age * 18);
        p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
        p.save();
        p.rotate(i * 30.0);
        p.drawLine(QPointF(0, -r * 0.45), QPointF(0, -r));
        p.restore();
    }
}

TxProgressForm::TxProgressForm(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientW, kClientH);
    Anime = new TxSpinner(this);
    Label = new QLabel(this);
    Label->setObjectName("InfoLabel");
    CancelButton = new QPushButton("キャンセル", this);
    CancelButton->setObjectName("btnCancel");
    CancelButton->hide();
}

void TxProgressForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (OnShowWork) {
        auto work = std::move(OnShowWork);
        OnShowWork = nullptr;
        QMetaObject::invokeMethod(
            this, [this, work] { work(); QDialog::done(1); if (OnCloseForm) OnCloseForm(); }, Qt::QueuedConnection);
    }
}

void TxProgressForm::done(int r)
{
    QDialog::done(r);
    if (OnCloseForm)
        OnCloseForm();
}

void TxProgressForm::closeEvent(QCloseEvent* e)
{
    QDialog::closeEvent(e);
    if (OnCloseForm)
        OnCloseForm();
}

TxAnimeProgressDialog::TxAnimeProgressDialog(QObject* parent) : QObject(parent) {}

TxAnimeProgressDialog::~TxAnimeProgressDialog()
{
    if (ParentHandle)
        ParentHandle->setEnabled(true);
    delete form_.data();
}

void TxAnimeProgressDialog::SetCaption(const std::string& s)
{
    caption_ = s;
    if (form_)
        form_->setWindowTitle(Q(s));
}

void TxAnimeProgressDialog::SetInfoLabel(const std::string& s)
{
    info_ = s;
    if (form_) {
        form_->Label->setText(Q(s));
        // Callers that do not process messages still see each new line.
        form_->repaint();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TxAnimeProgressDialog::SetLabelPosition(TxLabelPosition p)
{
    labelPos_ = p;
    if (form_)
        ApplyLabelPosition();
}

void TxAnimeProgressDialog::SetCommonAVI(TCommonAVI a)
{
    avi_ = a;
    if (form_)
        form_->Anime->setVisible(avi_ != TCommonAVI::aviNone || !aviFile_.empty());
}

void TxAnimeProgressDialog::SetAviFile(const std::string& file)
{
    aviFile_ = (!file.empty() && QFileInfo::exists(Q(file))) ? file : std::string();
    if (form_)
        form_->Anime->setVisible(avi_ != TCommonAVI::aviNone || !aviFile_.empty());
}

bool TxAnimeProgressDialog::AnimeActive() const { return form_ && form_->Anime->Active(); }

void TxAnimeProgressDialog::SetAnimeActive(bool on)
{
    if (form_)
        form_->Anime->SetActive(on);
}

void TxAnimeProgressDialog::ApplyLabelPosition()
{
    const int textH = form_->Label->fontMetrics().height();
    const TProgressLayout l =
        ComputeProgressLayout(form_->CancelButton->isVisibleTo(form_), labelPos_, kClientH, textH);
    form_->Anime->setGeometry(l.Anime);
    form_->Label->setGeometry(l.Label);
    if (l.CancelShown)
        form_->CancelButton->setGeometry(l.Cancel);
    form_->repaint();
}

void TxAnimeProgressDialog::PositionOverParent(QWidget* ownerForm)
{
    QWidget* parent = ParentHandle.data();
    const QRect r = parent->frameGeometry();
    if (r.isEmpty()) {
        QScreen* sc = QGuiApplication::primaryScreen();
        const QRect work = sc->availableGeometry();
        form_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        form_->move(work.x() + (work.width() - form_->width()) / 2, work.y() + (work.height() - form_->height()) / 2);
        return;
    }
    if (ownerForm && !(ownerForm->windowFlags() & Qt::Window) && ownerForm->parentWidget())
        return; // an owner that is not a window of its own does not move the progress window
    form_->move(r.x() + (r.width() - form_->frameGeometry().width()) / 2,
                r.y() + (r.height() - form_->frameGeometry().height()) / 2);
}

void TxAnimeProgressDialog::Execute(QWidget* ownerForm)
{
    if (ownerForm)
        ParentHandle = ownerForm->window();
    // Without an owner a parent is kept only while its window still exists (QPointer).
    if (!form_) {
        // The modeless window must not be a child of the owner it disables: a disabled widget
        // disables its child windows too.
        form_ = new TxProgressForm(OnShow && ownerForm ? ownerForm->window() : nullptr);
        form_->setObjectName("TxProgressForm");
    }
    if (ownerForm)
        form_->setFont(ownerForm->font());
    form_->setWindowTitle(Q(caption_));
    form_->OnCloseForm = [this] {
        if (OnClose)
            OnClose(this);
    };
    form_->Anime->setVisible(true);
    form_->Label->setText(Q(info_));
    form_->Label->setWordWrap(false);
    Cancelled = false;
    form_->CancelButton->setVisible(CancelBtnShow);
    form_->CancelButton->disconnect(this);
    connect(form_->CancelButton, &QPushButton::clicked, this, [this] { Cancelled = true; });
    ApplyLabelPosition();
    Running = true;
    form_->Anime->SetActive(avi_ != TCommonAVI::aviNone || !aviFile_.empty());

    if (OnShow) {
        workError_ = nullptr;
        QPointer<TxProgressForm> f = form_;
        form_->OnShowWork = [this, f] {
            try {
                OnShow(f.data());
            } catch (...) {
                workError_ = std::current_exception();
            }
        };
        form_->setWindowModality(Qt::ApplicationModal);
        form_->exec();
        delete form_.data();
        Running = false;
        QApplication::processEvents();
        if (workError_) {
            auto e = workError_;
            workError_ = nullptr;
            std::rethrow_exception(e);
        }
        return;
    }
    if (ParentHandle) {
        form_->setWindowModality(Qt::NonModal);
        PositionOverParent(ownerForm);
        ParentHandle->setEnabled(false);
        form_->show();
        PositionOverParent(ownerForm); // again, now that the window frame is known
    } else {
        form_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        form_->show();
    }
    PaintNow();
}

void TxAnimeProgressDialog::PaintNow()
{
    // The caller's work follows at once and holds the event loop: the window must carry its text
    // before Execute returns. A window system maps a new window in its own time, so wait (a
    // little) until it is exposed, then paint it directly.
    QElapsedTimer waited;
    waited.start();
    while (form_ && !(form_->windowHandle() && form_->windowHandle()->isExposed()) && waited.elapsed() < kExposeWaitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    QApplication::processEvents();
    if (form_) form_->repaint();
}

void TxAnimeProgressDialog::Close()
{
    if (ParentHandle)
        ParentHandle->setEnabled(true);
    Running = false;
    delete form_.data();
}

} // namespace kb
