#include "ui/xPlButton.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

namespace kb {

namespace {
constexpr int kRadius = 10;
const QColor kShadow(160, 160, 160);     // clBtnShadow
const QColor kHighlight(255, 255, 255);  // clBtnHighlight
const QColor kGrayText(109, 109, 109);   // clGrayText

int Channel(int b, int e, int y, int h) { return b + y * (e - b) / (h - 1); } // C++ division truncates toward zero
} // namespace

QColor GradientRowColor(QColor begin, QColor end, int y, int h)
{
    if (h <= 1) return begin;
    return QColor(Channel(begin.red(), end.red(), y, h), Channel(begin.green(), end.green(), y, h),
                  Channel(begin.blue(), end.blue(), y, h));
}

std::vector<int> EvenCaptionPositions(const std::vector<int>& charWidths, int x0, int w)
{
    const int n = static_cast<int>(charWidths.size());
    if (n <= 1) return {};
    int textWidth = 0;
    for (int cw : charWidths) textWidth += cw;
    const int g = (w - textWidth) / (n - 1);
    int r = (w - textWidth) % (n - 1);
    std::vector<int> xs;
    int x = x0;
    for (int i = 0; i < n; ++i) {
        xs.push_back(x);
        x += charWidths[static_cast<std::size_t>(i)] + g;
        if (r > 0) {
            ++x;
            --r;
        } else if (r < 0) {
            --x;
            ++r;
        }
    }
    return xs;
}

CaptionTops PlaceCaptions(int height, int a, int b, bool hasA, bool hasB, int lineSpace, bool vertCenter,
                          int captionTop)
{
    CaptionTops t;
    if (vertCenter) {
        t.topA = hasB ? (height - 2 * a - lineSpace) / 2 : (height - a) / 2 + 1;
        t.captionTop = t.topA;
        if (hasA) {
            t.topB = t.topA + a + lineSpace;
        } else {
            t.topB = (height - b) / 2;
            t.captionTop = t.topB;
        }
    } else {
        t.topA = captionTop;
        t.captionTop = captionTop;
        t.topB = captionTop + (hasA ? a + lineSpace : 0);
    }
    return t;
}

QRect FocusMarkRect(QRect client, TxPlButtonStyle style, TxPlBtnFrameType frame)
{
    QRect r = client.adjusted(3, 3, -3, -3);
    if (style == TxPlButtonStyle::bsFlat && frame == TxPlBtnFrameType::bffBump) r.adjust(-1, -1, 1, 1);
    if (style == TxPlButtonStyle::bsFlat && frame == TxPlBtnFrameType::bffEtched) r.adjust(0, 0, -1, -1);
    return r;
}

// --- parts ------------------------------------------------------------------------------------------

void TxPlBtnCaption::Changed() { owner_->update(); }
void TxPlBtnCaption::SetCaption(const QString& v) { if (v != caption_) { caption_ = v; Changed(); } }
void TxPlBtnCaption::SetAlignment(TxPlBtnAlignment v) { if (v != alignment_) { alignment_ = v; Changed(); } }
void TxPlBtnCaption::SetLeft(int v) { if (v != left_) { left_ = v; Changed(); } }
void TxPlBtnCaption::SetRight(int v) { if (v != right_) { right_ = v; Changed(); } }
void TxPlBtnCaption::Assign(const TxPlBtnCaption& o)
{
    caption_ = o.caption_;
    alignment_ = o.alignment_;
    left_ = o.left_;
    right_ = o.right_;
    Changed();
}

void TxPlBtnImage::Changed() { owner_->update(); }
void TxPlBtnImage::SetPicture(const QPixmap& p) { picture_ = p; Changed(); }
void TxPlBtnImage::SetLeft(int v) { left_ = v; horzCenter_ = false; Changed(); }
void TxPlBtnImage::SetTop(int v) { top_ = v; vertCenter_ = false; Changed(); }
void TxPlBtnImage::SetVisible(bool v) { visible_ = v; Changed(); }
void TxPlBtnImage::SetTransParent(bool v) { transparent_ = v; Changed(); }
void TxPlBtnImage::SetVertCenter(bool v) { vertCenter_ = v; Changed(); }
void TxPlBtnImage::SetHorzCenter(bool v) { horzCenter_ = v; Changed(); }
void TxPlBtnImage::Assign(const TxPlBtnImage& o)
{
    picture_ = o.picture_;
    left_ = o.left_;
    top_ = o.top_;
    visible_ = o.visible_;
    transparent_ = o.transparent_;
    vertCenter_ = o.vertCenter_;
    horzCenter_ = o.horzCenter_;
    Changed();
}

// --- button -----------------------------------------------------------------------------------------

TxPlButton::TxPlButton(QWidget* parent) : QWidget(parent), image_(this), captionA_(this), captionB_(this)
{
    resize(75, 26);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    if (parent) {
        namedOnce_ = true;
        captionA_.SetCaption(objectName());
    }
}

TxPlButton::~TxPlButton() = default;

void TxPlButton::SetButtonStyle(TxPlButtonStyle v)
{
    if (v == style_) return;
    style_ = v;
    ApplyRegion();
    update();
}

void TxPlButton::SetCancel(bool v)
{
    cancel_ = v;
    if (v && !cancelKey_ && window() != this) {
        cancelKey_ = new QShortcut(QKeySequence(Qt::Key_Escape), window());
        cancelKey_->setContext(Qt::WindowShortcut);
        connect(cancelKey_, &QShortcut::activated, this, [this] {
            if (cancel_ && hasFocus_ && isEnabled() && isVisible()) Click();
        });
    }
    if (cancelKey_) cancelKey_->setEnabled(v);
}

void TxPlButton::SetGradation(bool v) { if (v != gradation_) { gradation_ = v; update(); } }
void TxPlButton::SetGradBeginColor(QColor v) { if (v != gradBegin_) { gradBegin_ = v; update(); } }
void TxPlButton::SetGradEndColor(QColor v) { if (v != gradEnd_) { gradEnd_ = v; update(); } }
void TxPlButton::SetColor(QColor v) { if (v != color_) { color_ = v; update(); } }
void TxPlButton::SetCaptionLineSpace(int v) { if (v != lineSpace_) { lineSpace_ = v; update(); } }
void TxPlButton::SetCaptionTop(int v) { captionTop_ = v; vertCenter_ = false; update(); }
void TxPlButton::SetCaptionVertCenter(bool v)
{
    if (v == vertCenter_) return;
    vertCenter_ = v;
    if (v) update();
}
void TxPlButton::SetFlatFrameType(TxPlBtnFrameType v) { if (v != frameType_) { frameType_ = v; update(); } }

void TxPlButton::SetHasFocus(bool v)
{
    hasFocus_ = v;
    setFocusPolicy(v ? Qt::StrongFocus : Qt::NoFocus);
    update();
}

void TxPlButton::ApplyRegion()
{
    if (style_ == TxPlButtonStyle::bsRoundRect || style_ == TxPlButtonStyle::bsRoundRectNoFrame) {
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, width() + 1, height() + 1), kRadius / 2.0, kRadius / 2.0);
        setMask(QRegion(path.toFillPolygon().toPolygon()));
    } else {
        clearMask();
    }
}

void TxPlButton::DrawCaption(QPainter& p, const TxPlBtnCaption& c, int top, int po)
{
    const QString s = c.Caption();
    if (s.isEmpty()) return;
    const QFontMetrics fm(font());
    const int w = width();
    // Characters of the line: code points, so a surrogate pair is one character.
    QStringList chars;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size()) {
            chars << s.mid(i, 2);
            ++i;
        } else {
            chars << s.mid(i, 1);
        }
    }
    TxPlBtnAlignment al = c.Alignment();
    if (al == TxPlBtnAlignment::taEven && chars.size() == 1) al = TxPlBtnAlignment::taCenter;
    std::vector<std::pair<int, QString>> pieces;
    switch (al) {
    case TxPlBtnAlignment::taCenter: pieces.push_back({w / 2 - fm.horizontalAdvance(s) / 2, s}); break;
    case TxPlBtnAlignment::taLeft: pieces.push_back({c.Left() + 2, s}); break;
    case TxPlBtnAlignment::taRight: pieces.push_back({w - c.Right() - 2 - fm.horizontalAdvance(s), s}); break;
    case TxPlBtnAlignment::taEven: {
        std::vector<int> widths;
        for (const QString& ch : chars) widths.push_back(fm.horizontalAdvance(ch));
        const auto xs = EvenCaptionPositions(widths, c.Left() + 2, w - c.Right() - c.Left() - 4);
        for (std::size_t i = 0; i < xs.size(); ++i) pieces.push_back({xs[i], chars[static_cast<int>(i)]});
        break;
    }
    }
    const int base = top + fm.ascent();
    auto draw = [&](int dx, QColor col) {
        p.setPen(col);
        for (const auto& [x, t] : pieces) p.drawText(x + po + dx, base + po + dx, t);
    };
    if (!isEnabled() && hasFocus_) {
        draw(1, kHighlight); // engraved
        draw(0, kShadow);
    } else {
        draw(0, isEnabled() ? palette().color(QPalette::WindowText) : kGrayText);
    }
}

void TxPlButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width(), h = height();
    if (gradation_) {
        for (int y = 0; y < h; ++y) {
            p.setPen(GradientRowColor(gradBegin_, gradEnd_, y, h));
            p.drawLine(0, y, w - 1, y);
        }
    } else {
        p.fillRect(rect(), color_);
    }
    const int po = pressed_ && hasFocus_ ? 1 : 0;

    if (image_.visible_ && !image_.picture_.isNull()) {
        if (image_.vertCenter_) image_.top_ = (h - image_.picture_.height()) / 2;
        if (image_.horzCenter_) image_.left_ = (w - image_.picture_.width()) / 2;
        if (image_.transparent_) {
            QPixmap pm = image_.picture_;
            // The transparent colour is the bottom-left pixel, as a bitmap drawn transparently takes it.
            const QColor key = pm.toImage().pixelColor(0, pm.height() - 1);
            pm.setMask(pm.createMaskFromColor(key, Qt::MaskInColor));
            p.drawPixmap(image_.left_, image_.top_, pm);
        } else if (!isEnabled() && hasFocus_) {
            QImage g = image_.picture_.toImage().convertToFormat(QImage::Format_Grayscale8);
            p.setOpacity(0.5);
            p.drawImage(image_.left_ + po, image_.top_ + po, g);
            p.setOpacity(1.0);
        } else {
            p.drawPixmap(image_.left_ + po, image_.top_ + po, image_.picture_);
        }
    }

    p.setFont(font());
    const QFontMetrics fm(font());
    const bool hasA = !captionA_.Caption().isEmpty(), hasB = !captionB_.Caption().isEmpty();
    const CaptionTops t = PlaceCaptions(h, fm.height(), fm.height(), hasA, hasB, lineSpace_, vertCenter_, captionTop_);
    captionTop_ = t.captionTop;
    DrawCaption(p, captionA_, t.topA, po);
    DrawCaption(p, captionB_, t.topB, po);

    const QRect client = rect();
    switch (style_) {
    case TxPlButtonStyle::bsNormal:
        if (pressed_) {
            p.setPen(kShadow);
            p.drawRect(client.adjusted(0, 0, -1, -1));
            p.setPen(QColor(0x80, 0x80, 0x80));
            p.drawRect(client.adjusted(1, 1, -2, -2));
        } else {
            qDrawWinPanel(&p, client, palette(), false);
        }
        break;
    case TxPlButtonStyle::bsFlat:
        if (frameType_ == TxPlBtnFrameType::bffEtched) qDrawShadeRect(&p, client, palette(), true, 1, 0);
        else if (frameType_ == TxPlBtnFrameType::bffBump) qDrawShadeRect(&p, client, palette(), false, 1, 0);
        else qDrawShadePanel(&p, client, palette(), false, 1);
        break;
    case TxPlButtonStyle::bsRoundRect:
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(QColor(0x75, 0x75, 0x75), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRect(0, 0, w - 1, h - 1), kRadius / 2.0, kRadius / 2.0);
        break;
    default: break;
    }

    if (hasFocus_ && hasFocus()) {
        if (style_ == TxPlButtonStyle::bsRoundRect || style_ == TxPlButtonStyle::bsRoundRectNoFrame) {
            p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRect(QPoint(2, 2), QPoint(w - 3, h - 3)), 4, 4);
        } else {
            QStyleOptionFocusRect o;
            o.initFrom(this);
            o.rect = FocusMarkRect(client, style_, frameType_);
            p.setPen(QPen(Qt::black, 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(o.rect.adjusted(0, 0, -1, -1));
        }
    }
}

void TxPlButton::Click()
{
    pressed_ = false;
    // The form's result is set before the handler runs, so the handler may still change it.
    QDialog* dlg = qobject_cast<QDialog*>(window());
    if (dlg && modalResult_ != 0) dlg->setResult(modalResult_);
    QPointer<TxPlButton> self(this);
    emit Clicked();
    if (!self) return;
    update();
    if (dlg && modalResult_ != 0 && dlg->result() != 0 && dlg->isVisible()) dlg->done(dlg->result());
}

void TxPlButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    if (hasFocus_) setFocus(Qt::MouseFocusReason);
    pressed_ = true;
    update();
}

void TxPlButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(e);
    const bool wasPressed = pressed_;
    pressed_ = false;
    update();
    if (wasPressed && rect().contains(e->position().toPoint())) Click();
}

void TxPlButton::keyPressEvent(QKeyEvent* e)
{
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (enter && hasFocus_ && mods == Qt::NoModifier && isEnabled()) {
        e->accept();
        Click();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TxPlButton::keyReleaseEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        pressed_ = false;
        update();
    }
    QWidget::keyReleaseEvent(e);
}

void TxPlButton::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    update();
}

void TxPlButton::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    update();
}

void TxPlButton::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    ApplyRegion();
}

void TxPlButton::enterEvent(QEnterEvent* e)
{
    QWidget::enterEvent(e);
    emit MouseEnter();
}

void TxPlButton::leaveEvent(QEvent* e)
{
    QWidget::leaveEvent(e);
    emit MouseLeave();
    pressed_ = false;
    update();
}

bool TxPlButton::event(QEvent* e)
{
    // A new button shows its name until it is given a caption.
    if (e->type() == QEvent::ParentChange && !namedOnce_ && parentWidget()) {
        namedOnce_ = true;
        if (captionA_.Caption().isEmpty()) captionA_.SetCaption(objectName());
    }
    if (e->type() == QEvent::EnabledChange) update();
    return QWidget::event(e);
}

} // namespace kb
