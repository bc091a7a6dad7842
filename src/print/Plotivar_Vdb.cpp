#include "print/Plotivar_Vdb.h"

#include "print/Plotivar_Pages.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinterInfo>
#include <QProcess>
#include <QTemporaryFile>

#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace kb {

namespace {

namespace fs = std::filesystem;

// The papers the PDF device offers: the codes whose sizes the page lists know.
struct PdfPaper {
    int code;
    const char* name;
    int widthMM, heightMM;
};
constexpr PdfPaper kPdfPapers[] = {
    {8, "A3", 297, 420},      {9, "A4", 210, 297},       {11, "A5", 148, 210},     {12, "B4", 250, 354},
    {13, "B5", 182, 257},     {16, "10x14", 254, 356},   {17, "11x17", 280, 432},  {44, "9x11", 229, 280},
    {45, "10x11", 254, 280},  {46, "15x11", 381, 280},   {90, "12x11", 305, 280},
};

const PdfPaper* FindPdfPaper(int code)
{
    for (const auto& p : kPdfPapers)
        if (p.code == code) return &p;
    return nullptr;
}

// dmFields bits.
constexpr int DM_PAPERLENGTH = 0x4, DM_PAPERWIDTH = 0x8, DM_PAPERSIZE = 0x2, DM_COLLATE = 0x8000;

// Windows paper sources (DMBIN_*) and Qt's, in Qt's order.
constexpr int kBins[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15};

QPrinter::PaperSource SourceOfBin(int bin)
{
    for (int i = 0; i < static_cast<int>(std::size(kBins)); ++i)
        if (kBins[i] == bin) return static_cast<QPrinter::PaperSource>(i);
    return QPrinter::Auto;
}

int BinOfSource(QPrinter::PaperSource s)
{
    const int i = static_cast<int>(s);
    return i >= 0 && i < static_cast<int>(std::size(kBins)) ? kBins[i] : 7;
}

void Log(const char* label, const std::exception& e) { LogPrintError(std::string(label) + ":" + e.what()); }

std::unique_ptr<TVDBPrint>& Instance()
{
    static std::unique_ptr<TVDBPrint> p;
    return p;
}

} // namespace

TVDBPrint::TVDBPrint()
{
    const QString def = QPrinterInfo::defaultPrinterName();
    for (const QString& n : QPrinterInfo::availablePrinterNames()) {
        if (n == def) default_ = static_cast<int>(names_.size());
        names_.push_back(n.toStdString());
    }
    names_.push_back(PdfDeviceName);
    hasPdf_ = true;
    if (default_ < 0) default_ = static_cast<int>(names_.size()) - 1;
    try {
        Select(default_);
    } catch (const std::exception& e) {
        Log("Vdb.Create", e);
    }
}

TVDBPrint::TVDBPrint(std::vector<std::string> queues, const std::string& defaultQueue, bool withPdfDevice)
    : names_(std::move(queues)), hasPdf_(withPdfDevice)
{
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == defaultQueue) default_ = static_cast<int>(i);
    if (hasPdf_) names_.push_back(PdfDeviceName);
    if (default_ < 0 && hasPdf_) default_ = static_cast<int>(names_.size()) - 1;
    if (default_ < 0 && !names_.empty()) default_ = 0;
    NoDefaultPrinter = names_.empty();
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (NoDefaultPrinter) return;
    try {
        Select(default_);
    } catch (const std::exception& e) {
        Log("Vdb.Create", e);
    }
}

TVDBPrint::~TVDBPrint()
{
    if (painter_.isActive()) painter_.end();
    if (!pdfTemp_.empty()) {
        std::error_code ec;
        fs::remove(pdfTemp_, ec);
    }
}

bool TVDBPrint::IsPdfDevice() const { return hasPdf_ && index_ == static_cast<int>(names_.size()) - 1; }

void TVDBPrint::Select(int index)
{
    if (index < 0 || index >= static_cast<int>(names_.size())) index = default_;
    index_ = index;
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setFullPage(false);
    if (IsPdfDevice()) {
        printer_->setOutputFormat(QPrinter::PdfFormat);
        paperCode_ = 9;
    } else {
        printer_->setPrinterName(QString::fromStdString(names_[static_cast<std::size_t>(index_)]));
        const int id = printer_->pageLayout().pageSize().windowsId();
        paperCode_ = id > 0 ? id : 9;
    }
    userLength_ = userWidth_ = 0;
    ApplyPaper();
}

void TVDBPrint::SetPrinterIndex(int index)
{
    if (NoDefaultPrinter) return;
    try {
        if (index != index_ || index < 0) Select(index);
    } catch (const std::exception& e) {
        Log("Vdb.SetPrinterIndex", e);
    }
}

void TVDBPrint::ApplyMinimumMargins()
{
    if (IsPdfDevice()) {
        printer_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        return;
    }
    const QPageLayout l = printer_->pageLayout();
    printer_->setPageMargins(l.minimumMargins(), l.units());
}

void TVDBPrint::ApplyPaper()
{
    QPageSize size;
    if (userLength_ > 0 && userWidth_ > 0) {
        size = QPageSize(QSizeF(userWidth_ / 10.0, userLength_ / 10.0), QPageSize::Millimeter, QString(),
                         QPageSize::ExactMatch);
    } else if (IsPdfDevice()) {
        const PdfPaper* p = FindPdfPaper(paperCode_);
        if (!p) p = FindPdfPaper(9);
        size = QPageSize(QSizeF(p->widthMM, p->heightMM), QPageSize::Millimeter, QString::fromUtf8(p->name),
                         QPageSize::ExactMatch);
    } else {
        for (const QPageSize& s : QPrinterInfo(*printer_).supportedPageSizes())
            if (s.windowsId() == paperCode_) size = s;
        if (!size.isValid()) size = QPageSize(QPageSize::id(paperCode_));
    }
    if (!size.isValid()) throw std::runtime_error("用紙 " + std::to_string(paperCode_) + " を設定できません。");
    printer_->setPageSize(size);
    ApplyMinimumMargins();
}

std::vector<TVDBPrint::Paper> TVDBPrint::Papers() const
{
    std::vector<Paper> out;
    if (NoDefaultPrinter) return out;
    if (IsPdfDevice()) {
        for (const auto& p : kPdfPapers) out.push_back({p.code, p.name, p.widthMM * 10, p.heightMM * 10});
        return out;
    }
    for (const QPageSize& s : QPrinterInfo(*printer_).supportedPageSizes()) {
        const QSizeF mm = s.size(QPageSize::Millimeter);
        out.push_back({s.windowsId(), s.name().toStdString(), static_cast<int>(std::lround(mm.width() * 10)),
                       static_cast<int>(std::lround(mm.height() * 10))});
    }
    return out;
}

int TVDBPrint::GetPaperNumber(const std::string& name, int length, int width, int def)
{
    if (NoDefaultPrinter) return 0;
    try {
        const std::vector<Paper> papers = Papers();
        if (!name.empty())
            for (const Paper& p : papers)
                if (p.Name == name) return p.Code;
        if (length > 0 && width > 0)
            for (const Paper& p : papers)
                if (p.Length > length - 10 && p.Length < length + 10 && p.Width > width - 10 && p.Width < width + 10)
                    return p.Code;
        return def;
    } catch (const std::exception& e) {
        Log("Vdb.GetPaperNumber", e);
        return def;
    }
}

int TVDBPrint::GetPaper() const { return NoDefaultPrinter ? 9 : paperCode_; }

void TVDBPrint::SetPaper(int code)
{
    if (NoDefaultPrinter) return;
    const int old = paperCode_;
    try {
        paperCode_ = code;
        ApplyPaper();
    } catch (const std::exception& e) {
        paperCode_ = old;
        Log("Vdb.SetPaper", e);
    }
}

void TVDBPrint::SetTTOption(int option)
{
    if (!NoDefaultPrinter) ttOption_ = option;
}

void TVDBPrint::SetUserPaperSize(int length, int width)
{
    if (NoDefaultPrinter) return;
    try {
        devFields_ |= DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
        userLength_ = length;
        userWidth_ = width;
        ApplyPaper();
    } catch (const std::exception& e) {
        Log("Vdb.SetUserPaperSize", e);
    }
}

void TVDBPrint::ResetUserPaperSize()
{
    if (NoDefaultPrinter) return;
    try {
        devFields_ &= ~(DM_PAPERLENGTH | DM_PAPERWIDTH);
        if (userLength_ == 0 && userWidth_ == 0) return;
        userLength_ = userWidth_ = 0;
        ApplyPaper();
    } catch (const std::exception& e) {
        Log("Vdb.ResetUserPaperSize", e);
    }
}

int TVDBPrint::Orientation() const
{
    if (NoDefaultPrinter) return 0;
    return printer_->pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0;
}

void TVDBPrint::SetOrientation(int orientation)
{
    if (NoDefaultPrinter) return;
    printer_->setPageOrientation(orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    ApplyMinimumMargins();
}

void TVDBPrint::GetDevMode(TPlotivarDEF& def) const
{
    if (NoDefaultPrinter) return;
    const QPrinter& p = *printer_;
    def.DeviceName = names_[static_cast<std::size_t>(index_)].substr(0, 32);
    def.FormName = p.pageLayout().pageSize().name().toStdString().substr(0, 32);
    def.PrinterNum = index_;
    def.PaperLength = userLength_;
    def.PaperWidth = userWidth_;
    def.Orientation = Orientation();
    def.Scale = scale_;
    def.Copies = p.copyCount();
    def.PrintQuality = quality_;
    def.Duplex = duplex_;
    def.Collate = p.collateCopies() ? 1 : 0;
    def.BinNum = BinOfSource(p.paperSource());
    def.DevYResolution = p.resolution();
    def.DevFields = devFields_;
}

void TVDBPrint::SetDevMode(const TPlotivarDEF& def)
{
    if (NoDefaultPrinter) return;
    try {
        QPrinter& p = *printer_;
        devFields_ |= DM_COLLATE;
        scale_ = def.Scale;
        p.setCopyCount(std::max(1, def.Copies));
        if (def.ColorMode != 0) p.setColorMode(def.ColorMode == 1 ? QPrinter::GrayScale : QPrinter::Color);
        if (def.Duplex != 0) {
            duplex_ = def.Duplex;
            p.setDuplex(def.Duplex == 2 ? QPrinter::DuplexLongSide
                        : def.Duplex == 3 ? QPrinter::DuplexShortSide : QPrinter::DuplexNone);
        }
        p.setCollateCopies(def.Collate != 0);
        if (def.PrintQuality != 0) quality_ = def.PrintQuality;
        p.setPaperSource(SourceOfBin(def.BinNum));
    } catch (const std::exception& e) {
        Log("Vdb.SetDevMode", e);
    }
}

void TVDBPrint::AdoptPrinterSettings()
{
    if (NoDefaultPrinter) return;
    if (printer_->outputFormat() == QPrinter::PdfFormat) {
        if (hasPdf_) index_ = static_cast<int>(names_.size()) - 1;
    } else {
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (printer_->printerName().toStdString() == names_[i]) index_ = static_cast<int>(i);
    }
    if (!IsPdfDevice())
        duplex_ = printer_->duplex() == QPrinter::DuplexLongSide ? 2 : printer_->duplex() == QPrinter::DuplexShortSide ? 3 : 1;
    const QPageSize size = printer_->pageLayout().pageSize();
    if (IsPdfDevice()) {
        const QSizeF mm = size.size(QPageSize::Millimeter);
        for (const auto& p : kPdfPapers)
            if (std::abs(mm.width() - p.widthMM) < 1 && std::abs(mm.height() - p.heightMM) < 1) paperCode_ = p.code;
    } else if (size.windowsId() > 0) {
        paperCode_ = size.windowsId();
    }
    ApplyMinimumMargins();
}

bool TVDBPrint::IsPrinterCanvas(const QPainter& painter) const
{
    return job_ && painter.device() == job_.get();
}

QSize TVDBPrint::PrintableSizeMM() const
{
    if (NoDefaultPrinter) return {210, 297};
    const QSizeF s = printer_->pageLayout().paintRect(QPageLayout::Millimeter).size();
    return {static_cast<int>(std::lround(s.width())), static_cast<int>(std::lround(s.height()))};
}

int TVDBPrint::LogPixelsX() const { return job_ ? job_->resolution() : printer_->resolution(); }

std::string TVDBPrint::PdfTarget() const
{
    if (!PdfFileName.empty()) return PdfFileName;
    const std::string title = docTitle_.empty() ? std::string("印刷") : docTitle_;
    return (ShellFolders::DocumentsDir() / (title + ".pdf")).string();
}

void TVDBPrint::BeginDoc()
{
    if (NoDefaultPrinter) throw std::runtime_error("プリンタがありません。");
    if (!job_) {
        job_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        job_->setOutputFormat(QPrinter::PdfFormat);
        job_->setDocName(QString::fromStdString(docTitle_));
        job_->setCreator(QStringLiteral("kenbo-rendo"));
        std::string file;
        if (IsPdfDevice()) {
            const fs::path target = PdfTarget();
            pdfTemp_ = (target.parent_path() / ("~" + target.filename().string() + ".tmp")).string();
            file = pdfTemp_;
        } else {
            spool_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/kb-print-XXXXXX.pdf");
            if (!spool_->open()) throw std::runtime_error("印刷用の一時ファイルを作成できません。");
            spool_->close();
            file = spool_->fileName().toStdString();
        }
        job_->setOutputFileName(QString::fromStdString(file));
    }
    begun_ = true;
    sheetPending_ = true;
    pageNumber_ = 1;
}

void TVDBPrint::NewPage()
{
    sheetPending_ = true;
    ++pageNumber_;
}

void TVDBPrint::StartSheet()
{
    job_->setPageLayout(printer_->pageLayout());
    if (!painter_.isActive()) {
        if (!painter_.begin(job_.get()))
            throw std::runtime_error("印刷先を開けません: " + job_->outputFileName().toStdString());
    } else if (!job_->newPage()) {
        throw std::runtime_error("改ページできません。");
    }
    sheetPending_ = false;
}

QPainter& TVDBPrint::Canvas()
{
    if (!begun_) throw std::runtime_error("印刷が開始されていません。");
    if (sheetPending_) StartSheet();
    return painter_;
}

void TVDBPrint::SubmitToQueue()
{
    const QPrinter& p = *printer_;
    QStringList args{"-d", QString::fromStdString(names_[static_cast<std::size_t>(index_)]), "-t",
                     QString::fromStdString(docTitle_), "-n", QString::number(std::max(1, p.copyCount()))};
    if (p.collateCopies()) args << "-o" << "collate=true";
    if (duplex_ == 2) args << "-o" << "sides=two-sided-long-edge";
    if (duplex_ == 3) args << "-o" << "sides=two-sided-short-edge";
    if (p.colorMode() == QPrinter::GrayScale) args << "-o" << "print-color-mode=monochrome";
    args << "--" << spool_->fileName();
    QProcess lp;
    lp.start(QStringLiteral("lp"), args);
    const bool done = lp.waitForFinished(60000);
    if (!done || lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0) {
        const std::string why = lp.error() == QProcess::FailedToStart ? std::string("lp を起動できません")
                                                                      : QString::fromLocal8Bit(lp.readAllStandardError()).trimmed().toStdString();
        throw std::runtime_error("印刷ジョブを送れません: " + why);
    }
}

void TVDBPrint::EndDoc()
{
    if (!begun_) return;
    if (IsPdfDevice()) {
        begun_ = false; // the file stays open: the next document goes on in it
        return;
    }
    const bool drawn = painter_.isActive();
    if (drawn) painter_.end();
    begun_ = false;
    try {
        if (drawn) SubmitToQueue();
    } catch (...) {
        spool_.reset();
        job_.reset();
        throw;
    }
    spool_.reset();
    job_.reset();
}

void TVDBPrint::FinishDoc()
{
    if (!IsPdfDevice()) {
        EndDoc();
        return;
    }
    begun_ = false;
    if (!job_) return;
    const bool drawn = painter_.isActive();
    if (drawn) painter_.end();
    job_.reset();
    const std::string temp = std::exchange(pdfTemp_, std::string());
    if (!drawn) return;
    std::error_code ec;
    fs::rename(temp, PdfTarget(), ec);
    if (ec) {
        fs::remove(temp, ec);
        throw std::runtime_error("PDFファイルを保存できません: " + PdfTarget());
    }
}

void TVDBPrint::AbortDoc()
{
    begun_ = false;
    if (painter_.isActive()) painter_.end();
    job_.reset();
    spool_.reset();
    if (!pdfTemp_.empty()) {
        std::error_code ec;
        fs::remove(pdfTemp_, ec);
        pdfTemp_.clear();
    }
}

TVDBPrint& VdbPrint()
{
    auto& p = Instance();
    if (!p) p = std::make_unique<TVDBPrint>();
    PlotivarEngine().Printer = p.get();
    return *p;
}

void SetVdbPrint(std::unique_ptr<TVDBPrint> vdb)
{
    Instance() = std::move(vdb);
    PlotivarEngine().Printer = Instance().get();
}

} // namespace kb
