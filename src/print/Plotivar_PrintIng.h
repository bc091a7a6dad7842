#pragma once
// The printing job: puts the pages of a print-data file, over the pages of a form file when one is
// named, on the current printer of the printer layer. StartPrint asks the print dialog first;
// PrintCurrentPage prints one page without it. The pages are produced inside the small progress
// window TNowPrintingdlg, whose timer starts the job and whose cancel button stops it between pages.

#include "core/ScopedInstall.h"
#include "print/Plotivar_Record.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;

namespace kb {

class TVDBPrint;

// What the print dialog shows and answers: the page range and the collate box. Copies and the other
// device settings are answered on the printer itself (GetDevMode takes them into the block).
struct TPrintDialogState {
    bool PageNumbersOption = false;
    int MinPage = 1, MaxPage = 1;
    int FromPage = 1, ToPage = 1;
    bool PageNumbersRange = false; // the range is the page-numbers range (else all pages)
    bool Collate = false;
};

// The print dialog: true on OK. The program shows QPrintDialog; tests answer from a script.
using PrintDialogRunner = std::function<bool(TVDBPrint&, TPrintDialogState&)>;
void SetPrintDialogRunner(PrintDialogRunner f);
PrintDialogRunner GetPrintDialogRunner();
using TScopedPrintDialog = TScopedInstall<PrintDialogRunner, &SetPrintDialogRunner, &GetPrintDialogRunner>;

// The printer set-up dialog: true on OK. The program shows QPageSetupDialog.
using PrinterSetupRunner = std::function<bool(TVDBPrint&)>;
void SetPrinterSetupRunner(PrinterSetupRunner f);
PrinterSetupRunner GetPrinterSetupRunner();
using TScopedPrinterSetup = TScopedInstall<PrinterSetupRunner, &SetPrinterSetupRunner, &GetPrinterSetupRunner>;

// -1 when the job was started and not cancelled; 0 when nothing was printed, the job was cancelled
// or it failed.
int StartPrint(TPlotivarDEF& block);
void PrintCurrentPage(TPlotivarDEF& block, int page, int orientation);

class TNowPrintingdlg : public QDialog {
    Q_OBJECT
public:
    explicit TNowPrintingdlg(QWidget* parent = nullptr);

    QPushButton* CancelButton = nullptr;
    QLabel* PrintMessage = nullptr;
    QLabel* PageMessage = nullptr;
    QTimer* Timer = nullptr;

    void CancelButtonClick();
    // The job; runs once, at the timer's first tick.
    void PrintStart();

signals:
    // A sheet was started ("(Page=%d)" shown); the cancel question can be answered now.
    void PageShown(int page);

protected:
    void reject() override { CancelButtonClick(); }

private:
    bool RunJob(); // false: nothing printed (cancelled, failed or ended early)
    bool ran_ = false;
};

} // namespace kb
