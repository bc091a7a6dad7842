#pragma once
// The printer layer: the engine's one access to the printer's settings and to the document being
// printed. The printers are CUPS's queues plus a "PDFファイル" device at the end of the list. Paper
// codes are Windows paper ids (9 A4, 8 A3 ...), as the print-data files and the settings block hold
// them. Pages are always rendered into a PDF: the PDF device writes it to PdfFileName (under a
// temporary name until the document ends), a CUPS queue receives it as a job through "lp".

#include "print/Plotivar_ImageOut.h"

#include <QPainter>
#include <QPrinter>

#include <memory>
#include <string>
#include <vector>

class QTemporaryFile;

namespace kb {

class TVDBPrint : public TPrinterInfo {
public:
    static constexpr const char* PdfDeviceName = "PDFファイル";

    // CUPS's queues and the PDF device; the default is CUPS's default queue, else the PDF device.
    TVDBPrint();
    // A given list of CUPS queue names (tests); withPdfDevice adds the PDF device at its end. An empty
    // list sets NoDefaultPrinter: every method then leaves the printer alone and answers its fallback.
    TVDBPrint(std::vector<std::string> queues, const std::string& defaultQueue, bool withPdfDevice);
    ~TVDBPrint() override;
    TVDBPrint(const TVDBPrint&) = delete;
    TVDBPrint& operator=(const TVDBPrint&) = delete;

    bool NoDefaultPrinter = false;

    // ---- the printer list
    const std::vector<std::string>& Printers() const { return names_; }
    int PrinterIndex() const { return index_; }
    // -1 (or an index outside the list) selects the default printer.
    void SetPrinterIndex(int index);
    bool IsPdfDevice() const;
    // The settings object of the current printer (what the print dialogs edit).
    QPrinter& Printer() { return *printer_; }
    // Where the PDF device writes; empty: "<DocTitle>.pdf" in Documents.
    std::string PdfFileName;

    // ---- paper
    struct Paper {
        int Code;            // Windows paper id
        std::string Name;
        int Width, Length;   // tenths of a mm
    };
    std::vector<Paper> Papers() const;
    // The first paper named name, else the first within 1 mm of length and width, else def.
    int GetPaperNumber(const std::string& name, int length, int width, int def);
    int GetPaper() const;
    void SetPaper(int code);
    void SetTTOption(int option);
    int TTOption() const { return ttOption_; }
    void SetUserPaperSize(int length, int width);
    void ResetUserPaperSize();
    // 0 portrait, 1 landscape.
    int Orientation() const;
    void SetOrientation(int orientation);

    // ---- job settings (scale, quality and the TrueType option have no QPrinter setting, and the PDF
    // device drops duplex: kept here)
    // Takes over what a print or page set-up dialog chose on Printer(): the printer and the paper.
    void AdoptPrinterSettings();
    void GetDevMode(TPlotivarDEF& def) const;
    void SetDevMode(const TPlotivarDEF& def);
    int DevFields() const { return devFields_; }

    // ---- the engine's view
    bool IsPrinterCanvas(const QPainter& painter) const override;
    int PaperCode() const override { return GetPaper(); }
    // HORZSIZE and VERTSIZE: the printable rectangle in millimetres.
    QSize PrintableSizeMM() const override;
    int LogPixelsX() const;
    int LogPixelsY() const { return LogPixelsX(); }

    // ---- the document. Begin and NewPage only ask for a sheet: it is started when Canvas() is first
    // used, with the page layout (orientation, paper) in force then.
    void SetDocTitle(const std::string& title) { docTitle_ = title; }
    void BeginDoc();
    void NewPage();
    QPainter& Canvas();
    // The sheet number within the current document, from 1.
    int PageNumber() const { return pageNumber_; }
    // Ends one document of the job: a CUPS queue receives what was drawn as a job of its own; the
    // PDF device keeps the file open and goes on with the next document.
    void EndDoc();
    // Ends the last document: the PDF device's file gets its name.
    void FinishDoc();
    // Drops the current document: the PDF device's file is removed.
    void AbortDoc();
    bool Printing() const { return begun_; }

private:
    void Select(int index);
    void ApplyPaper();
    void ApplyMinimumMargins();
    void StartSheet();
    void SubmitToQueue();
    std::string PdfTarget() const;

    std::vector<std::string> names_;
    int default_ = -1;
    int index_ = -1;
    bool hasPdf_ = false;
    std::unique_ptr<QPrinter> printer_;
    int paperCode_ = 9;
    int userLength_ = 0, userWidth_ = 0;
    int ttOption_ = 1, scale_ = 100, quality_ = -4, duplex_ = 1, devFields_ = 0x7F13;

    std::string docTitle_;
    std::unique_ptr<QPrinter> job_;
    std::unique_ptr<QTemporaryFile> spool_;
    std::string pdfTemp_;
    QPainter painter_;
    bool begun_ = false, sheetPending_ = false;
    int pageNumber_ = 0;
};

// The process's printer layer (created at its first use).
TVDBPrint& VdbPrint();
// Replaces the process's printer layer (tests: a given list); null goes back to the installed printers.
void SetVdbPrint(std::unique_ptr<TVDBPrint> vdb);

} // namespace kb
