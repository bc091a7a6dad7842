#include "ui/xPFbtn.h"

#include <QMouseEvent>
#include <QPainter>

namespace kb {

int PFbtnKeyNumber(const QString& name)
{
    if (name == QLatin1String("ESC")) return 0;
    for (int i = 1; i <= 10; ++i)
        if (name == QStringLiteral("F%1").arg(i)) return i;
    return -1;
}

TxPFbtn::TxPFbtn(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    timer_.setSingleShot(true);
    // The panel pops up again shortly after a press, even while the button is still held.
    connect(&timer_, &QTimer::timeout, this, [this] { Raise(); });
}

void TxPFbtn::Raise()
{
    timer_.stop();
    pressFrame_ = false;
    setFrameShadow(QFrame::Raised);
    update();
}

void TxPFbtn::mousePressEvent(QMouseEvent* e)
{
    QFrame::mousePressEvent(e);
    if (e->button() != Qt::LeftButton) return;
    setFrameShadow(QFrame::Sunken);
    pressFrame_ = true;
    update();
    timer_.start(200);
}

void TxPFbtn::mouseReleaseEvent(QMouseEvent* e)
{
    QFrame::mouseReleaseEvent(e);
    Raise();
    if (e->button() != Qt::LeftButton) return;
    const int n = PFbtnKeyNumber(objectName());
    if (n < 0) return;
    if (QWidget* owner = window(); owner && owner != this) owner->setProperty("Tag", n);
    emit Clicked(n);
}

void TxPFbtn::paintEvent(QPaintEvent* e)
{
    QFrame::paintEvent(e);
    if (!pressFrame_) return;
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace kb
