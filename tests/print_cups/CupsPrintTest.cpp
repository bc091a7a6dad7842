// The printing job through a private CUPS scheduler: Debian's cupsd runs with its own configuration,
// spool and Unix socket in a test folder (no TCP), and one queue whose device is a file. The data list
// printed there must arrive as a PDF holding its title and rows, under the job title DocTitle.
// A program of its own: libcups keeps the first server it sees, so CUPS_SERVER is set before anything
// here touches it.

#include "print/Plotivar_PrintIng.h"
#include "print/Plotivar_Vdb.h"
#include "platform/Text.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "print/PrintTestSupport.h"
#include "ui/UiTestHelp.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

using namespace kb;
using namespace kbtest;
namespace fs = std::filesystem;

namespace {

// A minimal PostScript printer description whose only filter is the pass-through below: a raw queue
// would not do, as cupsd puts its "gziptoany" in front of raw jobs to a file and Debian's
// cups-daemon package does not ship it.
const char* const kPpd = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "KBTEST.PPD"
*Manufacturer: "Test"
*Product: "(Test)"
*ModelName: "Test PDF"
*ShortNickName: "Test PDF"
*NickName: "Test PDF"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter: "application/pdf 0 kbcopy"
*OpenUI *PageSize/Media Size: PickOne
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion/Media Size: PickOne
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
)PPD";

void WriteText(const fs::path& file, const std::string& text, fs::perms perms)
{
    std::ofstream(file, std::ios::binary) << text;
    fs::permissions(file, perms);
}

// The private scheduler; stopped by its pid when the test ends.
class CupsPeer {
public:
    explicit CupsPeer(const fs::path& root) : root_(root)
    {
        const auto open = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                          fs::perms::others_read | fs::perms::others_exec;
        fs::permissions(root_, open);
        for (const char* d : {"conf", "conf/ppd", "spool", "cache", "state", "tmp", "log", "run", "bin", "bin/filter", "out"}) {
            fs::create_directories(root_ / d);
            fs::permissions(root_ / d, open);
        }
        // The queue's user writes the output; jobs run there too.
        fs::permissions(root_ / "out", fs::perms::all);
        fs::permissions(root_ / "tmp", fs::perms::all);
        for (const char* d : {"backend", "daemon", "notifier"})
            fs::create_directory_symlink(fs::path("/usr/lib/cups") / d, root_ / "bin" / d);
        WriteText(root_ / "bin/filter/kbcopy", "#!/bin/sh\nif [ -n \"$6\" ]; then exec cat \"$6\"; fi\nexec cat\n", open);

        const std::string r = root_.string();
        WriteText(root_ / "conf/cups-files.conf",
                  "ServerRoot " + r + "/conf\nRequestRoot " + r + "/spool\nCacheDir " + r + "/cache\nStateDir " + r +
                      "/state\nTempDir " + r + "/tmp\nErrorLog " + r + "/log/error_log\nAccessLog " + r +
                      "/log/access_log\nPageLog " + r + "/log/page_log\nPrintcap " + r + "/run/printcap\n"
                      "FileDevice Yes\nServerBin " + r + "/bin\nDataDir /usr/share/cups\n",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
        WriteText(root_ / "conf/cupsd.conf",
                  "Listen " + Socket() + "\nLogLevel debug\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                  "<Location />\nOrder allow,deny\nAllow all\n</Location>\n",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
        WriteText(root_ / "conf/printers.conf",
                  "<DefaultPrinter kbtest>\nInfo kenbo-rendo test queue\nDeviceURI file://" + Output() +
                      "\nState Idle\nAccepting Yes\nShared No\n</DefaultPrinter>\n",
                  fs::perms::owner_read | fs::perms::owner_write);
        WriteText(root_ / "conf/ppd/kbtest.ppd", kPpd, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    }
    ~CupsPeer()
    {
        if (cupsd_.state() != QProcess::NotRunning) {
            cupsd_.terminate();
            if (!cupsd_.waitForFinished(5000)) cupsd_.kill();
            cupsd_.waitForFinished(2000);
        }
    }

    std::string Socket() const { return (root_ / "run/cups.sock").string(); }
    std::string Output() const { return (root_ / "out/job.pdf").string(); }

    // Empty when the scheduler answers; else why not.
    std::string Start()
    {
        cupsd_.setProgram(QStringLiteral("/usr/sbin/cupsd"));
        cupsd_.setArguments({"-f", "-c", QString::fromStdString((root_ / "conf/cupsd.conf").string()), "-s",
                             QString::fromStdString((root_ / "conf/cups-files.conf").string())});
        cupsd_.setStandardOutputFile(QString::fromStdString((root_ / "log/stdout").string()));
        cupsd_.setStandardErrorFile(QString::fromStdString((root_ / "log/stdout").string()));
        cupsd_.start();
        if (!cupsd_.waitForStarted(5000)) return "cupsd did not start: " + cupsd_.errorString().toStdString();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < until) {
            if (cupsd_.state() == QProcess::NotRunning) break;
            if (fs::exists(Socket()) && Output_("lpstat -r").find("is running") != std::string::npos) return {};
            QThread::msleep(100);
        }
        return "cupsd did not answer: " + ReadFile(root_ / "log/stdout") + ReadFileOr(root_ / "log/error_log");
    }

    // True once the queue holds no unfinished job and the output is there.
    bool WaitForJobs()
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < until) {
            std::error_code ec;
            if (Output_("lpstat -W not-completed -o kbtest").empty() && fs::file_size(Output(), ec) > 0 && !ec) return true;
            QThread::msleep(100);
        }
        return false;
    }

    std::string Log() const { return ReadFileOr(root_ / "log/error_log"); }

private:
    static std::string ReadFileOr(const fs::path& p) { return fs::exists(p) ? ReadFile(p) : std::string(); }
    std::string Output_(const std::string& cmd) const { return kbtest::Output("CUPS_SERVER='" + Socket() + "' " + cmd + " 2>&1"); }

    fs::path root_;
    QProcess cupsd_;
};

TEST(CupsPrint, DataListArrivesAsAPdfUnderItsTitle)
{
    ASSERT_TRUE(fs::exists("/usr/sbin/cupsd")) << "cups-daemon is not installed (scripts/install-deps.sh installs it)";
    ASSERT_TRUE(HaveTool("lp")) << "cups-client is not installed (scripts/install-deps.sh installs it)";
    ASSERT_TRUE(HaveTool("pdftotext")) << "poppler-utils is not installed";

    TempDir dir;
    CupsPeer cups(dir.path());
    if (const std::string why = cups.Start(); !why.empty()) GTEST_SKIP() << why;
    ScopedEnv server("CUPS_SERVER", cups.Socket());
    ScopedEnv docs("KB_DOCUMENTS_DIR", dir.path().string());

    PlotivarDef = TPlotivarDEF{};
    SetVdbPrint(std::make_unique<TVDBPrint>());
    TVDBPrint& vdb = VdbPrint();
    ASSERT_EQ(vdb.Printers(), (std::vector<std::string>{"kbtest", "PDFファイル"}));
    EXPECT_EQ(vdb.PrinterIndex(), 0); // CUPS's default queue
    EXPECT_EQ(vdb.GetPaperNumber("", 2970, 2100, 0), 9);

    WriteFile(dir / "list.prn", Utf8ToCp932(DataListText()));
    TPlotivarDEF block;
    block.DataFile = (dir / "list.prn").string();
    block.DocTitle = "データリスト印刷";
    block.PrnDlg = false;
    block.PrintFom = false;
    MessageCatcher boxes;
    EXPECT_EQ(StartPrint(block), -1) << cups.Log();
    EXPECT_TRUE(boxes.Shown.empty());
    SetVdbPrint(nullptr);

    ASSERT_TRUE(cups.WaitForJobs()) << cups.Log();
    EXPECT_EQ(ReadFile(cups.Output()).substr(0, 5), "%PDF-");
    const std::string text = Output("pdftotext -layout '" + cups.Output() + "' -");
    for (const char* word : {"データリスト", "山田商店", "佐藤農園", "鈴木不動産", "R06/01/01-R06/12/31"})
        EXPECT_NE(text.find(word), std::string::npos) << word << "\n" << text;
    // The scheduler hands the job's name to the filter as its title argument.
    EXPECT_NE(cups.Log().find("[Job 1] argv[3]=\"データリスト印刷\""), std::string::npos) << cups.Log();
}

} // namespace
