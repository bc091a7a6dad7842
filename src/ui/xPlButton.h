#pragma once
// TxPlButton: the owner-drawn push button of the dialogs. A vertical gradient, a picture, two caption
// lines each with its own alignment (including a justified mode), five frame styles, a focus mark,
// the form's modal result on a click, and Esc for the Cancel button.
// The arithmetic (gradient rows, caption placement, justified spacing) is in free functions.

#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <vector>

class QShortcut;

namespace kb {

enum class TxPlButtonStyle { bsNormal, bsFlat, bsFlatNoFrame, bsRoundRect, bsRoundRectNoFrame };
enum class TxPlBtnFrameType { bffFlat, bffEtched, bffBump };
enum class TxPlBtnAlignment { taCenter, taLeft, taRight, taEven };

// Colour of row y (0 .. h-1) of the gradient: each channel begin + y * (end - begin) / (h - 1),
// integer division truncated toward zero; a one-pixel button gets the begin colour.
QColor GradientRowColor(QColor begin, QColor end, int y, int h);

// Left edges of the characters of a justified line: start at x0, spread over width w. charWidths are
// the widths of the characters (double-byte aware). A single character is not spread (empty result:
// the caller centres it).
std::vector<int> EvenCaptionPositions(const std::vector<int>& charWidths, int x0, int w);

struct CaptionTops {
    int topA = 0;
    int topB = 0;
    int captionTop = 0; // the value CaptionTop holds after the paint
};
// Where the two lines go: a and b are the text heights, hasA/hasB whether the lines have text.
CaptionTops PlaceCaptions(int height, int a, int b, bool hasA, bool hasB, int lineSpace, bool vertCenter,
                          int captionTop);

// The focus mark's rectangle of the square styles (client rectangle inset by 3, adjusted for frames).
QRect FocusMarkRect(QRect client, TxPlButtonStyle style, TxPlBtnFrameType frame);

class TxPlButton;

class TxPlBtnCaption {
public:
    explicit TxPlBtnCaption(TxPlButton* owner) : owner_(owner) {}
    QString Caption() const { return caption_; }
    void SetCaption(const QString& v);
    TxPlBtnAlignment Alignment() const { return alignment_; }
    void SetAlignment(TxPlBtnAlignment v);
    int Left() const { return left_; }
    void SetLeft(int v);
    int Right() const { return right_; }
    void SetRight(int v);
    void Assign(const TxPlBtnCaption& o);

private:
    void Changed();
    TxPlButton* owner_;
    QString caption_;
    TxPlBtnAlignment alignment_ = TxPlBtnAlignment::taCenter;
    int left_ = 0, right_ = 0;
};

class TxPlBtnImage {
public:
    explicit TxPlBtnImage(TxPlButton* owner) : owner_(owner) {}
    const QPixmap& Picture() const { return picture_; }
    void SetPicture(const QPixmap& p);
    int Left() const { return left_; }
    void SetLeft(int v);
    int Top() const { return top_; }
    void SetTop(int v);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    bool TransParent() const { return transparent_; }
    void SetTransParent(bool v);
    bool VertCenter() const { return vertCenter_; }
    void SetVertCenter(bool v);
    bool HorzCenter() const { return horzCenter_; }
    void SetHorzCenter(bool v);
    void Assign(const TxPlBtnImage& o);

private:
    friend class TxPlButton;
    void Changed();
    TxPlButton* owner_;
    QPixmap picture_;
    int left_ = 10, top_ = 0;
    bool visible_ = true, transparent_ = false, vertCenter_ = true, horzCenter_ = false;
};

class TxPlButton : public QWidget {
    Q_OBJECT
public:
    explicit TxPlButton(QWidget* parent = nullptr);
    ~TxPlButton() override;

    TxPlButtonStyle ButtonStyle() const { return style_; }
    void SetButtonStyle(TxPlButtonStyle v);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool v);
    bool Gradation() const { return gradation_; }
    void SetGradation(bool v);
    QColor GradBeginColor() const { return gradBegin_; }
    void SetGradBeginColor(QColor v);
    QColor GradEndColor() const { return gradEnd_; }
    void SetGradEndColor(QColor v);
    QColor Color() const { return color_; }
    void SetColor(QColor v);
    bool HasFocus() const { return hasFocus_; }
    void SetHasFocus(bool v);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int v) { modalResult_ = v; }
    TxPlBtnImage& Image() { return image_; }
    TxPlBtnCaption& CaptionA() { return captionA_; }
    TxPlBtnCaption& CaptionB() { return captionB_; }
    int CaptionLineSpace() const { return lineSpace_; }
    void SetCaptionLineSpace(int v);
    int CaptionTop() const { return captionTop_; }
    void SetCaptionTop(int v);
    bool CaptionVertCenter() const { return vertCenter_; }
    void SetCaptionVertCenter(bool v);
    TxPlBtnFrameType FlatFrameType() const { return frameType_; }
    void SetFlatFrameType(TxPlBtnFrameType v);
    bool Pressed() const { return pressed_; }

    // Runs a click as the mouse or the keyboard would: the form's modal result, then Clicked.
    void Click();

    QSize sizeHint() const override { return {75, 26}; }

signals:
    void Clicked();
    void MouseEnter();
    void MouseLeave();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    bool event(QEvent* e) override;

private:
    void ApplyRegion();
    void DrawCaption(class QPainter& p, const TxPlBtnCaption& c, int top, int pressOffset);

    TxPlButtonStyle style_ = TxPlButtonStyle::bsNormal;
    TxPlBtnFrameType frameType_ = TxPlBtnFrameType::bffFlat;
    bool cancel_ = false;
    bool gradation_ = true;
    QColor gradBegin_ = QColor(255, 255, 255);
    QColor gradEnd_ = QColor(192, 192, 192);
    QColor color_ = QColor(240, 240, 240);
    bool hasFocus_ = true;
    int modalResult_ = 0;
    TxPlBtnImage image_;
    TxPlBtnCaption captionA_, captionB_;
    int lineSpace_ = 4;
    int captionTop_ = 0;
    bool vertCenter_ = true;
    bool pressed_ = false;
    bool namedOnce_ = false;
    QShortcut* cancelKey_ = nullptr;
};

} // namespace kb
