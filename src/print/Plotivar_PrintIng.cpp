#include "print/Plotivar_PrintIng.h"

#include "print/Plotivar_Imagedsp.h"
#include "print/Plotivar_Pages.h"
#include "print/Plotivar_Vdb.h"
#include "platform/Text.h"
#include "ui/z5MessageDlg2.h"

#include <QApplication>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>

namespace kb {

namespace {

// The state of the running job, shared by the entry points, the progress window and its job.
struct JobState {
    bool CancelRequested = false;
    bool RangePrint = false;
    int PagesLeft = 0;
    bool DialogCollate = false;
    std::optional<TPrintDialogState> PrintJobDialog;
};
JobState& Job()
{
    static JobState s;
    return s;
}

bool DefaultPrintDialog(TVDBPrint& vdb, TPrintDialogState& s)
{
    QPrintDialog dlg(&vdb.Printer(), QApplication::activeWindow());
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, s.PageNumbersOption);
    dlg.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dlg.setMinMax(s.MinPage, s.MaxPage);
    dlg.setFromTo(s.FromPage, s.ToPage);
    if (dlg.exec() != QDialog::Accepted) return false;
    s.PageNumbersRange = dlg.printRange() == QAbstractPrintDialog::PageRange;
    if (s.PageNumbersRange) {
        s.FromPage = dlg.fromPage();
        s.ToPage = dlg.toPage();
    }
    vdb.AdoptPrinterSettings();
    s.Collate = vdb.Printer().collateCopies();
    if (vdb.IsPdfDevice() && !vdb.Printer().outputFileName().isEmpty())
        vdb.PdfFileName = vdb.Printer().outputFileName().toStdString();
    return true;
}

bool DefaultPrinterSetup(TVDBPrint& vdb)
{
    QPageSetupDialog dlg(&vdb.Printer(), QApplication::activeWindow());
    return dlg.exec() == QDialog::Accepted;
}

PrintDialogRunner& PrintDialogSlot()
{
    static PrintDialogRunner f = DefaultPrintDialog;
    return f;
}

PrinterSetupRunner& PrinterSetupSlot()
{
    static PrinterSetupRunner f = DefaultPrinterSetup;
    return f;
}

void ShowError(const std::string& text) { ShowMessage2(1, text); }

void LogError(const std::string& label, const std::string& message) { LogPrintError(label + ":" + message); }

bool StartsWithMark(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string first;
    std::getline(in, first);
    return first.compare(0, 10, "*PLOTIVAR*") == 0;
}

int R(double v) { return static_cast<int>(std::nearbyint(v)); }

// The dialog's page range over the data file's page count.
void PreparePrintDialog(TPlotivarEngine& e)
{
    TPrintDialogState s;
    if (!e.PrintDataFileName.empty()) {
        s.PageNumbersOption = true;
        s.MinPage = 1;
        s.MaxPage = CountPages(e, e.PrintDataFileName, true);
        s.FromPage = 1;
        s.ToPage = s.MaxPage;
    }
    Job().PrintJobDialog = s;
}

void RunProgressWindow()
{
    TNowPrintingdlg dlg(QApplication::activeWindow());
    dlg.exec();
}

// A print also takes the OCR colours, the page numbers, the pitch and the grey-scale switch.
void CopyPrintFields(const TPlotivarDEF& b, TPlotivarDEF& d)
{
    CopyBlockSettings(b, d);
    d.OcrGreen = b.OcrGreen;
    d.OcrBlue = b.OcrBlue;
    d.OcrBrown = b.OcrBrown;
    d.OcrPink = b.OcrPink;
    d.OcrOrange = b.OcrOrange;
    d.OcrViolet = b.OcrViolet;
    d.OcrPurple = b.OcrPurple;
    d.PageBango = b.PageBango;
    d.VRatio = b.VRatio;
    d.HRatio = b.HRatio;
    d.GrayScale = b.GrayScale;
}

} // namespace

void SetPrintDialogRunner(PrintDialogRunner f) { PrintDialogSlot() = f ? std::move(f) : DefaultPrintDialog; }
PrintDialogRunner GetPrintDialogRunner() { return PrintDialogSlot(); }
void SetPrinterSetupRunner(PrinterSetupRunner f) { PrinterSetupSlot() = f ? std::move(f) : DefaultPrinterSetup; }
PrinterSetupRunner GetPrinterSetupRunner() { return PrinterSetupSlot(); }

int StartPrint(TPlotivarDEF& block)
{
    TPlotivarEngine& e = PlotivarEngine();
    if (!e.EngineReady) return 0;
    if (!block.Permit) {
        ShowPreview(block);
        return 0;
    }
    TVDBPrint& vdb = VdbPrint();
    TPlotivarDEF& def = PlotivarDef;
    JobState& job = Job();
    int result = 0;
    bool ok = false;
    try {
        job.CancelRequested = false;
        e.FormFileName = block.FormFile;
        e.PrintDataFileName = block.DataFile;
        e.PageCounter = 1;
        if (!PrintFileExists(e.PrintDataFileName)) {
            ShowError("<" + e.PrintDataFileName + "> が見つかりません。");
            return 0;
        }
        if (!StartsWithMark(e.PrintDataFileName)) {
            ShowError("<PLOTIVAR>印刷データではありません。");
            return 0;
        }
        if (!TrimBlanks(e.FormFileName).empty() && !PrintFileExists(TrimBlanks(e.FormFileName))) {
            ShowError("<" + e.FormFileName + "> が見つかりません。");
            return 0;
        }
        if (&block == &def) {
            const int paper = vdb.GetPaper();
            vdb.SetPrinterIndex(block.PrinterNum);
            vdb.SetPaper(paper);
        } else {
            CopyPrintFields(block, def);
            vdb.SetPrinterIndex(def.PrinterNum);
            if (def.PaperSize == 0) def.PaperSize = vdb.GetPaperNumber(def.PaperName, def.PaperLength, def.PaperWidth, 9);
            vdb.SetPaper(def.OutPutPaper != 0 ? def.OutPutPaper : def.PaperSize);
        }
        vdb.SetDevMode(block);
        if (def.Copies < 1 || def.Copies > 99) def.Copies = 1;
        if (def.Zoom < 5 || def.Zoom > 15) def.Zoom = 10;
        GetPageCounts(e);
        vdb.SetOrientation(def.Orientation);
        vdb.Printer().setCopyCount(def.Copies < 2 ? 1 : def.Copies);
        PreparePrintDialog(e);

        ok = true;
        job.DialogCollate = false;
        if (def.PrnDlg) ok = GetPrintDialogRunner()(vdb, *job.PrintJobDialog);
        if (ok) {
            e.PageCounter = job.PrintJobDialog->PageNumbersRange ? job.PrintJobDialog->FromPage : 1;
            job.DialogCollate = job.PrintJobDialog->Collate;
            vdb.GetDevMode(block);
            if (&block != &def) {
                def.Copies = block.Copies;
                def.Collate = block.Collate;
                def.ColorMode = block.ColorMode;
            }
        }
        CalcPaperRatio(e);
        // Printed unless cancelled or failed: the result is set only once the job has run.
        if (ok) {
            RunProgressWindow();
            result = -1;
        }
    } catch (const std::exception& ex) {
        LogError("PRINT.開始", ex.what());
        result = 0;
    }
    job.PrintJobDialog.reset();
    if (job.CancelRequested || !ok) {
        vdb.SetOrientation(def.Orientation);
        result = 0;
    }
    return result;
}

void PrintCurrentPage(TPlotivarDEF& block, int page, int orientation)
{
    TPlotivarEngine& e = PlotivarEngine();
    e.PageCounter = page;
    if (!e.EngineReady) return;
    TVDBPrint& vdb = VdbPrint();
    JobState& job = Job();
    try {
        job.CancelRequested = false;
        e.FormFileName = block.FormFile;
        e.PrintDataFileName = block.DataFile;
        const int paper = vdb.GetPaper();
        vdb.SetPrinterIndex(block.PrinterNum);
        vdb.SetPaper(paper);
        block.Copies = 1;
        if (&block != &PlotivarDef) {
            PlotivarDef.ColorMode = block.ColorMode;
            PlotivarDef.Copies = 1;
        }
        vdb.Printer().setCopyCount(1);
        vdb.SetOrientation(orientation);
        PreparePrintDialog(e);
        if (!e.PrintDataFileName.empty()) {
            job.PrintJobDialog->FromPage = job.PrintJobDialog->ToPage = page;
            job.PrintJobDialog->PageNumbersRange = true;
        }
        CalcPaperRatio(e);
        RunProgressWindow();
    } catch (const std::exception& ex) {
        LogError("PRINT.現在のページ", ex.what());
    }
    job.PrintJobDialog.reset();
    vdb.SetOrientation(orientation);
}

TNowPrintingdlg::TNowPrintingdlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("印刷"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    auto* pl = new QVBoxLayout(panel);
    PrintMessage = new QLabel(QStringLiteral(" 印刷中です。"), panel);
    PrintMessage->setAlignment(Qt::AlignCenter);
    PageMessage = new QLabel(panel);
    PageMessage->setAlignment(Qt::AlignCenter);
    pl->addWidget(PrintMessage);
    pl->addWidget(PageMessage);
    CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    layout->addWidget(panel);
    layout->addWidget(CancelButton, 0, Qt::AlignCenter);
    connect(CancelButton, &QPushButton::clicked, this, &TNowPrintingdlg::CancelButtonClick);
    Timer = new QTimer(this);
    Timer->setSingleShot(true);
    Timer->setInterval(500);
    connect(Timer, &QTimer::timeout, this, &TNowPrintingdlg::PrintStart);
    Timer->start();
    resize(260, 120);
}

void TNowPrintingdlg::CancelButtonClick()
{
    TMessage2InfoRec rec;
    InitMessage2Info(3, rec);
    rec.Buttons = Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo);
    rec.Lines[0].Text = "印刷を中止しますか？";
    if (MessageDlg2(rec) == mrYes) Job().CancelRequested = true;
}

void TNowPrintingdlg::PrintStart()
{
    if (ran_) return;
    ran_ = true;
    Timer->stop();
    bool printed = false;
    try {
        printed = RunJob();
    } catch (const std::exception& ex) {
        LogError("PRINT.メイン", ex.what());
    }
    // A job that ended early or failed printed nothing: the entry point must not report it printed.
    if (!printed) Job().CancelRequested = true;
    accept();
}

bool TNowPrintingdlg::RunJob()
{
    TPlotivarEngine& e = PlotivarEngine();
    TPlotivarDEF& def = PlotivarDef;
    TVDBPrint& vdb = VdbPrint();
    JobState& job = Job();
    const TPrintDialogState dlg = job.PrintJobDialog.value_or(TPrintDialogState{});

    const int startPage = e.PageCounter;
    int copies = 1;
    if (def.Collate == 1 || (def.Copies > 1 && job.DialogCollate)) {
        // Manual collation: the whole document once per copy, each a document of its own.
        job.DialogCollate = true;
        copies = def.Copies;
        def.Collate = 0;
        def.Copies = 1;
        vdb.SetDevMode(def);
    } else if ((def.DevFields & 0x8000) != 0 && def.ColorMode == 1) {
        vdb.SetDevMode(def);
    }
    vdb.SetDocTitle(def.DocTitle);
    const int dpi = vdb.LogPixelsX();
    const double xs = dpi / 254.0, ys = vdb.LogPixelsY() / 254.0;

    TPrintTextFile form, data;
    bool formOpen = false;
    if (e.FormFileName.empty()) {
        ReadFormVersion(e, e.PrintDataFileName);
    } else {
        ReadFormVersion(e, e.FormFileName);
        HensuuYomikomi(e, e.FormFileName, 0, 0);
        if (!AssignPrintFile(form, e.FormFileName)) return false;
        formOpen = true;
    }
    if (e.PrintDataFileName.empty()) {
        ShowError("印刷ファイルの指定がありません。");
        return false;
    }
    if (!AssignPrintFile(data, e.PrintDataFileName)) return false;
    const std::vector<std::string> orientations = SplitLines(GetOrientationList(e.PrintDataFileName, def.Orientation));
    auto orientationOf = [&](int page) { return PageOrientation(orientations, page, def.Orientation); };

    int width = 0, height = 0;
    e.PaperMode = 0;
    GetPaperSizeMM(e, vdb.GetPaper(), width, height);
    vdb.ResetUserPaperSize();
    const QSize printable = vdb.PrintableSizeMM();
    if (e.PaperMode < 2 && vdb.Orientation() == 1) std::swap(width, height);
    if (e.PaperMode == 2) {
        width = printable.width() + 20;
        height = printable.height() + 20;
    }
    e.LeftOffset = def.LeftMargin - R((width - printable.width()) / 2.0) * 10;
    e.TopOffset = def.TopMargin - R((height - printable.height()) / 2.0) * 10;
    e.EvenShift = def.EvenLeftShift;

    const bool withForm = def.PrintFom && formOpen;
    auto drawForm = [&] {
        return DrawPrintPage(e, "FOM", form, vdb.Canvas(), dpi, xs, ys, def.Zoom, vdb.PageNumber() % 2 == 0, 0, 0, 0);
    };
    auto nextDocument = [&](int orientation) {
        vdb.EndDoc();
        if (orientation >= 0) vdb.SetOrientation(orientation);
        if (!e.PageMessageText.empty()) ShowError(e.PageMessageText);
        vdb.BeginDoc();
    };

    try {
        vdb.SetTTOption(1);
        if (const int o = orientationOf(startPage); o >= 0 && o != vdb.Orientation()) vdb.SetOrientation(o);
        vdb.BeginDoc();
        while (copies > 0) {
            data.Reset();
            e.PageCounter = startPage;
            job.RangePrint = dlg.PageNumbersRange;
            job.PagesLeft = job.RangePrint ? dlg.ToPage - dlg.FromPage + 1 : dlg.MaxPage;
            PageMessage->clear();
            int pageIndex = 0;
            if (job.RangePrint) {
                SkipToPage(data, dlg.FromPage, false);
                pageIndex = dlg.FromPage - 1;
                // Nothing of this document is on paper yet: the sheet takes the page's orientation.
                if (const int o = orientationOf(dlg.FromPage); o >= 0 && o != vdb.Orientation()) vdb.SetOrientation(o);
            }
            bool formEnded = true;
            if (withForm) {
                form.Reset();
                if (job.RangePrint && e.FormPageIndex > 0) SkipToPage(form, dlg.FromPage, true);
                formEnded = drawForm();
            }
            bool dataEnded = false;
            try {
                while (!data.Eof() && job.PagesLeft > 0 && !job.CancelRequested) {
                    ++pageIndex;
                    --job.PagesLeft;
                    int n = vdb.PageNumber();
                    if (dlg.PageNumbersRange && dlg.FromPage != 1) n += dlg.FromPage - 1;
                    int p = n % (e.FormPageIndex + 1);
                    if (p == 0) p = e.FormPageIndex + 1;
                    dataEnded = DrawPrintPage(e, "DAT", data, vdb.Canvas(), dpi, xs, ys, def.Zoom,
                                              vdb.PageNumber() % 2 == 0, p - 1, 0, 0);
                    if (!dataEnded && job.PagesLeft > 0) {
                        const int o = orientationOf(pageIndex + 1);
                        if (o >= 0 && o != vdb.Orientation()) {
                            nextDocument(o);
                        } else if (!e.PageMessageText.empty()) {
                            nextDocument(-1);
                        } else {
                            vdb.NewPage();
                        }
                        PageMessage->setText(QString::asprintf("(Page=%d)", vdb.PageNumber()));
                        if (withForm) {
                            if (formEnded) form.Reset();
                            formEnded = drawForm();
                        }
                        emit PageShown(vdb.PageNumber());
                        QCoreApplication::processEvents();
                    }
                    ++e.PageCounter;
                }
                if (withForm && !job.CancelRequested && !job.RangePrint) {
                    while (!formEnded) {
                        vdb.NewPage();
                        PageMessage->setText(QString::asprintf("(Page=%d)", vdb.PageNumber()));
                        formEnded = drawForm();
                    }
                }
            } catch (...) {
                job.CancelRequested = true;
                throw;
            }
            copies = job.CancelRequested ? 0 : copies - 1;
            if (copies > 0) {
                vdb.EndDoc();
                vdb.SetOrientation(def.Orientation);
                vdb.BeginDoc();
            }
        }
    } catch (...) {
        vdb.AbortDoc();
        throw;
    }
    if (job.CancelRequested) {
        vdb.AbortDoc();
        return false;
    }
    vdb.FinishDoc();
    return true;
}

} // namespace kb
