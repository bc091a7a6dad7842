#pragma once
// The print preview: the pages of a print-data file, over a form file when one is named, drawn by
// the page interpreter one page per paint inside a sheet of the printer's paper. The user zooms,
// pages, sets the margins and the pitch, changes the printer and prints the document or the page
// shown. Our own window rather than QPrintPreviewWidget: that one renders the whole document up
// front, where this one reads one page per paint, turns the sheet per page and follows margin and
// pitch changes at once.

#include "print/Plotivar_Record.h"

#include <QDialog>

#include <set>
#include <string>
#include <vector>

class QLabel;
class QScrollArea;
class QToolButton;

namespace kb {

class Tfmyohaku;

// Opens the preview on block; answers the close code: 0 after the close button (or when the preview
// is not opened), -1 after "前の帳票", 1 after "次の帳票", and when the title bar closes it 1 when
// the paper buttons are hidden, else 0.
int ShowPreview(TPlotivarDEF& block);

// The largest zoom step (20 down to 5) at which a sheet of widthMM x heightMM fits into the area;
// 0 when none does.
int FitZoomStep(int ppi, double widthMM, double heightMM, int areaWidth, int areaHeight, int panelTop);

class TImageDispForm : public QDialog {
    Q_OBJECT
public:
    explicit TImageDispForm(QWidget* parent = nullptr);
    ~TImageDispForm() override;

    QWidget* SpeedBar = nullptr;
    QToolButton* CloseButton = nullptr;
    QToolButton* PrintButton = nullptr;
    QToolButton* PrintSetupButton = nullptr;
    QToolButton* SB_MARGIN = nullptr;
    QToolButton* ZoomJustButton = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* ZoomInButton = nullptr;
    QToolButton* ZoomOutButton = nullptr;
    QLabel* DispZoom = nullptr;
    QToolButton* PgJump = nullptr;
    QToolButton* TopPage = nullptr;
    QToolButton* PrevPage = nullptr;
    QToolButton* NextPage = nullptr;
    QToolButton* LastPage = nullptr;
    QToolButton* CurrentPage = nullptr;
    QLabel* WherePage = nullptr;
    QToolButton* PrevPaper = nullptr;
    QToolButton* NextPaper = nullptr;
    QScrollArea* ImagePaintScrollBox = nullptr;
    QWidget* PaperPanel = nullptr;
    QWidget* ImagePaintBox = nullptr;
    Tfmyohaku* Margins = nullptr;

    int CloseCode = 0;
    int PreviewZoom = 10;

    void FormResize();
    void ZoomDisp();
    void ApplyPageOrientation();
    void ShowPage(int page);
    // Draws the current page into the paint box's painter.
    void ImagePaintBoxPaint(class QPainter& painter);

    void PrintButtonClick();
    void CurrentPageClick();
    void PrintSetupButtonClick();
    void SB_MARGINClick();
    void ZoomJustButtonClick();
    void PgJumpClick();

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void FormShow();
    void SetUp();
    void SetZoom(int step);
    void Close(int code);
    // Messages met while painting wait until the paint is over; each is shown once.
    void DeferMessage(const std::string& text);
    int Ppi() const;

    bool setUpDone_ = false;
    std::vector<std::string> orientations_;
    std::set<std::string> shown_;
    QPoint dragStart_;
    bool dragging_ = false;
};

} // namespace kb
