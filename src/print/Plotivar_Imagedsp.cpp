#include "print/Plotivar_Imagedsp.h"

#include "print/Plotivar_Pages.h"
#include "print/Plotivar_PrintIng.h"
#include "print/Plotivar_Vdb.h"
#include "print/Plotivar_yohaku.h"
#include "platform/Text.h"
#include "ui/z5InputDlg.h"
#include "ui/z5MessageDlg2.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <cmath>
#include <filesystem>
#include <memory>

namespace kb {

namespace {

int R(double v) { return static_cast<int>(std::nearbyint(v)); }

void LogError(const std::string& label, const std::string& message) { LogPrintError(label + ":" + message); }

// The sheet's printable area; paints by asking the preview for the current page.
class TPaintBox : public QWidget {
public:
    TPaintBox(TImageDispForm* form, QWidget* parent) : QWidget(parent), form_(form)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        form_->ImagePaintBoxPaint(p);
    }

private:
    TImageDispForm* form_;
};

// A preview also takes the file names and the print permission.
void CopyPreviewFields(const TPlotivarDEF& b, TPlotivarDEF& d)
{
    CopyBlockSettings(b, d);
    d.FormFile = b.FormFile;
    d.DataFile = b.DataFile;
    d.Permit = b.Permit;
}

constexpr int kPanelTop = 10;

} // namespace

int FitZoomStep(int ppi, double widthMM, double heightMM, int areaWidth, int areaHeight, int panelTop)
{
    for (int n = 20; n >= 5; --n)
        if (R(ppi * widthMM / 25.4 * n * 0.1) + 15 <= areaWidth && R(ppi * heightMM / 25.4 * n * 0.1) + panelTop <= areaHeight)
            return n;
    return 0;
}

int ShowPreview(TPlotivarDEF& block)
{
    TPlotivarEngine& e = PlotivarEngine();
    if (!e.EngineReady) return 0;
    TPlotivarDEF& def = PlotivarDef;
    std::unique_ptr<TImageDispForm> form;
    try {
        TVDBPrint& vdb = VdbPrint();
        e.FormFileName = block.FormFile;
        e.PrintDataFileName = block.DataFile;
        if (&block != &def) CopyPreviewFields(block, def);
        e.PageCounter = 1;
        e.VScale = e.HScale = 0;
        if (!PrintFileExists(e.PrintDataFileName)) {
            ShowMessage2(1, "<" + e.PrintDataFileName + "> が見つかりません。");
            return 0;
        }
        if (!TrimBlanks(e.FormFileName).empty() && !PrintFileExists(TrimBlanks(e.FormFileName))) {
            ShowMessage2(1, "<" + e.FormFileName + "> が見つかりません。");
            return 0;
        }
        vdb.SetPrinterIndex(block.PrinterNum);
        if (def.Copies < 1 || def.Copies > 99) def.Copies = 1;
        if (def.Zoom < 5 || def.Zoom > 20) def.Zoom = 10;
        if (def.PaperSize == 0) def.PaperSize = vdb.GetPaperNumber(def.PaperName, def.PaperLength, def.PaperWidth, 9);

        for (int attempt = 1;; ++attempt) {
            try {
                form = std::make_unique<TImageDispForm>(QApplication::activeWindow());
                break;
            } catch (const std::exception& ex) {
                if (attempt > 5) throw;
                char buf[32];
                std::snprintf(buf, sizeof buf, "(%d)", attempt);
                LogError("PREVIEW.CreateForm", ex.what() + std::string(buf));
            }
        }
        form->setWindowTitle(QString::fromStdString(def.Title));
        const bool paperButtons = block.PrevPaperButton || block.NextPaperButton;
        form->PrevPaper->setVisible(paperButtons);
        form->NextPaper->setVisible(paperButtons);
        form->PrevPaper->setEnabled(block.PrevPaperButton);
        form->NextPaper->setEnabled(block.NextPaperButton);
        for (QToolButton* b : {form->PrintButton, form->PrintSetupButton, form->CurrentPage}) b->setEnabled(def.Permit);
        form->CurrentPage->setVisible(def.CurrentPage);

        vdb.SetPaper(def.OutPutPaper != 0 ? def.OutPutPaper : def.PaperSize);
        vdb.SetOrientation(def.Orientation);
        vdb.SetDevMode(block);
        CalcPaperRatio(e);
        form->FormResize();
        form->setWindowState(form->windowState() | Qt::WindowMaximized);
        form->exec();
        return form->CloseCode;
    } catch (const std::exception& ex) {
        LogError("PREVIEW.開始", ex.what());
        return form ? form->CloseCode : 0;
    }
}

TImageDispForm::TImageDispForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ImageDispForm"));
    setWindowTitle(QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    // The hints are read at a glance over the sheet: a bold face, as the big hint window had.
    QFont hint = QToolTip::font();
    hint.setBold(true);
    QToolTip::setFont(hint);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    SpeedBar = new QWidget(this);
    SpeedBar->setFixedHeight(30);
    auto* bar = new QHBoxLayout(SpeedBar);
    bar->setContentsMargins(2, 2, 2, 2);
    bar->setSpacing(1);
    auto button = [&](const char* text, const char* hint) {
        auto* b = new QToolButton(SpeedBar);
        b->setText(QString::fromUtf8(text));
        b->setToolTip(QString::fromUtf8(hint));
        b->setAutoRaise(true);
        bar->addWidget(b);
        return b;
    };
    CloseButton = button("閉じる", "プレビューを中止する。");
    PrintButton = button("印刷", "印刷");
    PrintSetupButton = button("設定", "ﾌﾟﾘﾝﾀ設定");
    SB_MARGIN = button("余白", "上余白・左余白を設定します");
    ZoomJustButton = button("全体", "全体を表示する");
    SpeedButton3 = button("100", "１００％表示");
    ZoomInButton = button("＋", "拡大");
    ZoomOutButton = button("－", "縮小");
    DispZoom = new QLabel(QStringLiteral("100%"), SpeedBar);
    DispZoom->setFrameShape(QFrame::Panel);
    DispZoom->setFrameShadow(QFrame::Sunken);
    DispZoom->setAlignment(Qt::AlignCenter);
    DispZoom->setFixedWidth(48);
    bar->addWidget(DispZoom);
    PgJump = button("Jmp", "ﾍﾟｰｼﾞ指定");
    PgJump->setStyleSheet(QStringLiteral("color: red"));
    TopPage = button("|◀", "先頭ﾍﾟｰｼﾞ");
    PrevPage = button("◀", "前ﾍﾟｰｼﾞ");
    NextPage = button("▶", "次ﾍﾟｰｼﾞ");
    LastPage = button("▶|", "最終ﾍﾟｰｼﾞ");
    CurrentPage = button("頁印刷", "現在のページを印刷");
    WherePage = new QLabel(SpeedBar);
    WherePage->setAutoFillBackground(true);
    WherePage->setStyleSheet(QStringLiteral("background: white"));
    WherePage->setAlignment(Qt::AlignCenter);
    WherePage->setFixedWidth(64);
    bar->addWidget(WherePage);
    bar->addSpacing(20);
    PrevPaper = button("前の帳票", "前の帳票");
    NextPaper = button("次の帳票", "次の帳票");
    bar->addStretch(1);
    top->addWidget(SpeedBar);

    ImagePaintScrollBox = new QScrollArea(this);
    ImagePaintScrollBox->setWidgetResizable(false);
    ImagePaintScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* content = new QWidget;
    PaperPanel = new QWidget(content);
    PaperPanel->setAutoFillBackground(true);
    PaperPanel->setStyleSheet(QStringLiteral("background: white; border: 1px solid black"));
    ImagePaintBox = new TPaintBox(this, PaperPanel);
    ImagePaintBox->installEventFilter(this);
    ImagePaintScrollBox->setWidget(content);
    top->addWidget(ImagePaintScrollBox, 1);

    connect(CloseButton, &QToolButton::clicked, this, [this] { Close(0); });
    connect(PrevPaper, &QToolButton::clicked, this, [this] { Close(-1); });
    connect(NextPaper, &QToolButton::clicked, this, [this] { Close(1); });
    connect(ZoomInButton, &QToolButton::clicked, this, [this] { if (PreviewZoom < 20) SetZoom(PreviewZoom + 1); });
    connect(ZoomOutButton, &QToolButton::clicked, this, [this] { if (PreviewZoom > 5) SetZoom(PreviewZoom - 1); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { if (PreviewZoom != 10) SetZoom(10); });
    connect(ZoomJustButton, &QToolButton::clicked, this, &TImageDispForm::ZoomJustButtonClick);
    connect(TopPage, &QToolButton::clicked, this, [this] { ShowPage(1); });
    connect(LastPage, &QToolButton::clicked, this, [this] { ShowPage(PlotivarEngine().PageTotal); });
    connect(PrevPage, &QToolButton::clicked, this, [this] {
        const auto& e = PlotivarEngine();
        ShowPage(e.PageTotal > 1 && e.PageCurrent > 1 ? e.PageCurrent - 1 : e.PageCurrent);
    });
    connect(NextPage, &QToolButton::clicked, this, [this] {
        const auto& e = PlotivarEngine();
        ShowPage(e.PageTotal > 1 && e.PageCurrent < e.PageTotal ? e.PageCurrent + 1 : e.PageCurrent);
    });
    connect(PgJump, &QToolButton::clicked, this, &TImageDispForm::PgJumpClick);
    connect(PrintButton, &QToolButton::clicked, this, &TImageDispForm::PrintButtonClick);
    connect(CurrentPage, &QToolButton::clicked, this, &TImageDispForm::CurrentPageClick);
    connect(PrintSetupButton, &QToolButton::clicked, this, &TImageDispForm::PrintSetupButtonClick);
    connect(SB_MARGIN, &QToolButton::clicked, this, &TImageDispForm::SB_MARGINClick);
    resize(800, 600);
}

TImageDispForm::~TImageDispForm() = default;

int TImageDispForm::Ppi() const { return logicalDpiY(); }

void TImageDispForm::Close(int code)
{
    CloseCode = code;
    accept();
}

void TImageDispForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (setUpDone_) return;
    setUpDone_ = true;
    FormShow();
    SetUp();
}

void TImageDispForm::FormShow()
{
    TPlotivarEngine& en = PlotivarEngine();
    try {
        if (!en.FormFileName.empty()) {
            ReadFormVersion(en, en.FormFileName);
            HensuuYomikomi(en, en.FormFileName, 0, 0);
        }
    } catch (const std::exception& ex) {
        LogError("PREVIEW.FormShow", ex.what());
    }
}

void TImageDispForm::SetUp()
{
    TPlotivarEngine& en = PlotivarEngine();
    try {
        TVDBPrint& vdb = VdbPrint();
        CloseCode = PrevPaper->isHidden() ? 1 : 0;
        PreviewZoom = PlotivarDef.Zoom;
        DispZoom->setText(QString::asprintf("%d%s", PreviewZoom * 10, "%"));
        GetPageCounts(en);
        FormResize();
        WherePage->setText(QString::asprintf("%d/%d", en.PageCurrent, en.PageTotal));
        int w = 0, h = 0;
        en.PaperMode = 0;
        GetPaperSizeMM(en, vdb.GetPaper(), w, h);
        if (vdb.Orientation() == 1) std::swap(w, h);
        if (const int n = FitZoomStep(Ppi(), w, h, ImagePaintScrollBox->viewport()->width(),
                                      ImagePaintScrollBox->viewport()->height(), kPanelTop)) {
            PreviewZoom = n;
            ZoomDisp();
        }
        Margins = new Tfmyohaku(this);
        orientations_ = SplitLines(GetOrientationList(en.PrintDataFileName, PlotivarDef.Orientation));
        ApplyPageOrientation();
    } catch (const std::exception& ex) {
        LogError("PREVIEW.FormCreate", ex.what());
    }
}

void TImageDispForm::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    FormResize();
}

void TImageDispForm::FormResize()
{
    TPlotivarEngine& en = PlotivarEngine();
    try {
        TVDBPrint& vdb = VdbPrint();
        const TPlotivarDEF& def = PlotivarDef;
        ImagePaintScrollBox->horizontalScrollBar()->setValue(0);
        ImagePaintScrollBox->verticalScrollBar()->setValue(0);
        int w = 0, h = 0;
        en.PaperMode = 0;
        GetPaperSizeMM(en, vdb.GetPaper(), w, h);
        vdb.ResetUserPaperSize();
        const QSize printable = vdb.PrintableSizeMM();
        const int ppi = Ppi();
        const double z = PreviewZoom * 0.1;
        int pw = 0, ph = 0;
        if (en.PaperMode < 2) {
            if (vdb.Orientation() == 1) std::swap(w, h);
            pw = R(ppi * w / 25.4 * z);
            ph = R(ppi * h / 25.4 * z);
        } else {
            pw = R((printable.width() + 10) / 25.4 * ppi * z) + 2;
            ph = R((printable.height() + 10) / 25.4 * ppi * z) + 2;
        }
        int left = R((width() - pw - 15) / 2.0);
        if (left < 16) left = 15;
        PaperPanel->setGeometry(left, kPanelTop, pw, ph);
        const int bw = R(printable.width() / 25.4 * ppi * z) + 2;
        const int bh = R(printable.height() / 25.4 * ppi * z) + 2;
        ImagePaintBox->setGeometry(R((pw - bw) / 2.0), R((ph - bh) / 2.0), bw, bh);
        ImagePaintScrollBox->widget()->resize(left + pw + 15, kPanelTop + ph + 15);
        en.LeftOffset = def.LeftMargin - R((w - printable.width()) / 2.0) * 10;
        en.TopOffset = def.TopMargin - R((h - printable.height()) / 2.0) * 10;
        en.EvenShift = def.EvenLeftShift;
        ImagePaintBox->update();
    } catch (const std::exception& ex) {
        LogError("PREVIEW.FormResize", ex.what());
    }
}

void TImageDispForm::SetZoom(int step)
{
    PreviewZoom = step;
    ZoomDisp();
}

void TImageDispForm::ZoomDisp()
{
    DispZoom->setText(QString::asprintf("%d%s", PreviewZoom * 10, "%"));
    FormResize();
}

void TImageDispForm::ZoomJustButtonClick()
{
    TPlotivarEngine& en = PlotivarEngine();
    int w = 0, h = 0;
    en.PaperMode = 0;
    GetPaperSizeMM(en, VdbPrint().GetPaper(), w, h);
    if (VdbPrint().Orientation() == 1) std::swap(w, h);
    if (const int n = FitZoomStep(Ppi(), w, h, ImagePaintScrollBox->viewport()->width(),
                                  ImagePaintScrollBox->viewport()->height(), kPanelTop))
        SetZoom(n);
}

void TImageDispForm::ApplyPageOrientation()
{
    const int o = PageOrientation(orientations_, PlotivarEngine().PageCurrent, PlotivarDef.Orientation);
    if (o < 0) return;
    TVDBPrint& vdb = VdbPrint();
    if (o != vdb.Orientation()) {
        vdb.SetOrientation(o);
        FormResize();
    }
}

void TImageDispForm::ShowPage(int page)
{
    TPlotivarEngine& en = PlotivarEngine();
    en.PageCurrent = page;
    en.PageCounter = page;
    ApplyPageOrientation();
    WherePage->setText(QString::asprintf("%d/%d", en.PageCurrent, en.PageTotal));
    ImagePaintBox->update();
}

void TImageDispForm::PgJumpClick()
{
    try {
        TInputDlgBox dlg(this);
        dlg.InputCaption = "ページ指定";
        dlg.MainText = "表示したいページ番号を入力してください";
        dlg.InputText = "1";
        dlg.Setup(1);
        // Cancelling answers the default, so page 1 is shown.
        const std::string answer = dlg.exec() == mrOk ? dlg.InputText : std::string("1");
        int n = 1;
        try {
            std::size_t used = 0;
            const std::string t = TrimBlanks(answer);
            n = std::stoi(t, &used);
            if (used != t.size()) n = 1;
        } catch (...) {
            n = 1;
        }
        TPlotivarEngine& en = PlotivarEngine();
        ShowPage(n >= 1 && n <= en.PageTotal ? n : en.PageCurrent);
    } catch (const std::exception& ex) {
        LogError("ImageDispForm.PgJumpClick", ex.what());
    }
}

void TImageDispForm::DeferMessage(const std::string& text)
{
    if (!shown_.insert(text).second) return;
    QTimer::singleShot(0, this, [text] { ShowMessage2(1, text); });
}

void TImageDispForm::ImagePaintBoxPaint(QPainter& p)
{
    TPlotivarEngine& en = PlotivarEngine();
    try {
        const QRect box = ImagePaintBox->rect();
        p.fillRect(box, Qt::white);
        TPrintTextFile form, data;
        bool formOpen = false;
        if (!en.FormFileName.empty()) {
            if (PrintFileExists(en.FormFileName) && form.Open(en.FormFileName))
                formOpen = true;
            else
                DeferMessage("<" + en.FormFileName + "> が見つかりません。");
        }
        if (en.PrintDataFileName.empty()) {
            DeferMessage("印刷ファイルの指定がありません。");
            return;
        }
        if (!PrintFileExists(en.PrintDataFileName) || !data.Open(en.PrintDataFileName)) {
            DeferMessage("\"" + en.PrintDataFileName + "\"が見つかりません。");
            return;
        }
        QPen frame(Qt::blue, 0, Qt::DotLine);
        p.setPen(frame);
        p.drawRect(0, 0, box.width() - 1, box.height() - 1);
        p.setPen(QPen(Qt::black, 0, Qt::SolidLine));
        const int ppi = Ppi();
        const double s = ppi / 254.0;
        const bool even = en.PageCurrent % 2 == 0;
        if (formOpen && SkipToPage(form, en.PageCurrent, true)) {
            p.save();
            DrawPrintPage(en, "FOM", form, p, ppi, s, s, PreviewZoom, even, 0, 0, 0);
            p.restore();
        }
        data.Reset();
        if (SkipToPage(data, en.PageCurrent, false)) {
            int f = en.PageCurrent % (en.FormPageIndex + 1);
            if (f == 0) f = en.FormPageIndex + 1;
            DrawPrintPage(en, "DAT", data, p, ppi, s, s, PreviewZoom, even, f - 1, 0, 0);
        }
    } catch (const std::exception& ex) {
        LogError("PREVIEW.ImageBoxPaint", ex.what());
    }
}

void TImageDispForm::PrintButtonClick()
{
    TPlotivarDEF& def = PlotivarDef;
    if (!def.Permit) return;
    TPlotivarEngine& en = PlotivarEngine();
    TVDBPrint& vdb = VdbPrint();
    const std::string formFile = def.FormFile, dataFile = def.DataFile;
    const int orientation = vdb.Orientation();
    const int page = en.PageCurrent;
    const bool prnDlg = def.PrnDlg;
    def.FormFile = en.FormFileName;
    def.DataFile = en.PrintDataFileName;
    def.PrnDlg = true;
    def.Zoom = 10;
    def.PrinterNum = vdb.PrinterIndex();
    CalcPaperRatio(en);
    const std::string form = en.FormFileName, data = en.PrintDataFileName;
    try {
        StartPrint(def);
    } catch (const std::exception& ex) {
        LogError("PREVIEW.印刷", ex.what());
    }
    en.FormFileName = form;
    en.PrintDataFileName = data;
    GetPageCounts(en);
    en.PageCurrent = en.PageCounter = page;
    WherePage->setText(QString::asprintf("%d/%d", en.PageCurrent, en.PageTotal));
    def.FormFile = formFile;
    def.DataFile = dataFile;
    def.PrnDlg = prnDlg;
    vdb.SetOrientation(orientation);
    FormResize();
}

void TImageDispForm::CurrentPageClick()
{
    TPlotivarDEF& def = PlotivarDef;
    if (!def.Permit) return;
    TPlotivarEngine& en = PlotivarEngine();
    TVDBPrint& vdb = VdbPrint();
    const std::string formFile = def.FormFile, dataFile = def.DataFile;
    def.FormFile = en.FormFileName;
    def.DataFile = en.PrintDataFileName;
    def.Zoom = 10;
    def.PrinterNum = vdb.PrinterIndex();
    CalcPaperRatio(en);
    PrintCurrentPage(def, en.PageCurrent, vdb.Orientation());
    en.PageCounter = en.PageCurrent;
    def.FormFile = formFile;
    def.DataFile = dataFile;
    FormResize();
}

void TImageDispForm::PrintSetupButtonClick()
{
    try {
        TVDBPrint& vdb = VdbPrint();
        if (GetPrinterSetupRunner()(vdb)) vdb.AdoptPrinterSettings();
        CalcPaperRatio(PlotivarEngine());
        FormResize();
    } catch (const std::exception& ex) {
        LogError("PREVIEW.プリンタ設定", ex.what());
    }
}

void TImageDispForm::SB_MARGINClick()
{
    TPlotivarDEF& def = PlotivarDef;
    TVDBPrint& vdb = VdbPrint();
    try {
        if (!Margins) Margins = new Tfmyohaku(this);
        Margins->SetTopOffset(def.TopMargin);
        Margins->SetLeftOffset(def.LeftMargin);
        const bool samePaper = vdb.GetPaper() == def.PaperSize;
        Margins->SetPitchShown(samePaper);
        if (samePaper) {
            Margins->SetVRatio(def.VRatio);
            Margins->SetHRatio(def.HRatio);
        }
        if (Margins->exec() == QDialog::Accepted) {
            def.TopMargin = Margins->TopValue;
            def.LeftMargin = Margins->LeftValue;
            if (vdb.GetPaper() == def.PaperSize) {
                def.VRatio = Margins->VRatioValue == 0 ? 1000 : Margins->VRatioValue;
                def.HRatio = Margins->HRatioValue == 0 ? 1000 : Margins->HRatioValue;
            }
        }
    } catch (const std::exception& ex) {
        LogError("PREVIEW.余白設定", ex.what());
    }
    CalcPaperRatio(PlotivarEngine());
    FormResize();
    ImagePaintBox->update();
}

bool TImageDispForm::eventFilter(QObject* o, QEvent* e)
{
    if (o != ImagePaintBox) return QDialog::eventFilter(o, e);
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        dragStart_ = m->position().toPoint();
        dragging_ = m->buttons() == Qt::LeftButton && m->modifiers() == Qt::NoModifier;
        if (dragging_) ImagePaintBox->setCursor(Qt::SizeAllCursor);
        break;
    }
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(e);
        if (dragging_ && m->buttons() == Qt::LeftButton && m->modifiers() == Qt::NoModifier) {
            QScrollBar* h = ImagePaintScrollBox->horizontalScrollBar();
            QScrollBar* v = ImagePaintScrollBox->verticalScrollBar();
            const QPoint pos = m->position().toPoint();
            h->setValue(std::max(0, h->value() + dragStart_.x() - pos.x()));
            v->setValue(std::max(0, v->value() + dragStart_.y() - pos.y()));
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        ImagePaintBox->unsetCursor();
        break;
    default: break;
    }
    return QDialog::eventFilter(o, e);
}

} // namespace kb
