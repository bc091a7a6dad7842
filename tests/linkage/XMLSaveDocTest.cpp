// The linkage file's envelope and writer: items by function number, the doubled escaping, CP932
// bytes for the Windows extension characters, and a save that never damages an existing file.

#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include <sys/resource.h>

#include "common/TestDb.h"
#include "linkage/EDataExportError.h"
#include "linkage/XMLSaveDoc.h"
#include "linkage/st14TestSupport.h"

namespace fs = std::filesystem;
using kb::TXmlSaveDoc;
using kb::TXmlEnvelopeInfo;

namespace {

using Leaves = std::vector<std::pair<std::string, std::string>>;

TXmlEnvelopeInfo Facts(int functionId)
{
    TXmlEnvelopeInfo f;
    f.FunctionId = functionId;
    f.ProgramName = "会計 Pro";
    f.ProgramVer = "15.2.3";
    f.KomonsakiName = "山田商店";
    f.JigyouNendoFrom = kb::Date(2024, 1, 1);
    f.JigyouNendoTo = kb::Date(2024, 12, 31);
    f.SyotokuSyurui = 3;
    return f;
}

std::string Envelope(const TXmlEnvelopeInfo& f)
{
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    kb::SetSystemNode(doc, f);
    kb::SetBasicNode(doc, f);
    return doc.SaveToBytes();
}

struct Parsed {
    xmlDocPtr doc = nullptr;
    explicit Parsed(const std::string& bytes)
    {
        kb::RegisterCp932Encoding();
        doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, XML_PARSE_NONET);
    }
    ~Parsed() { if (doc) xmlFreeDoc(doc); }
};

std::string Name(xmlNodePtr n) { return reinterpret_cast<const char*>(n->name); }
std::string Text(xmlNodePtr n)
{
    xmlChar* c = xmlNodeGetContent(n);
    std::string s = c ? reinterpret_cast<const char*>(c) : "";
    xmlFree(c);
    return s;
}

std::vector<xmlNodePtr> Elements(xmlNodePtr parent)
{
    std::vector<xmlNodePtr> v;
    for (xmlNodePtr c = parent->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE) v.push_back(c);
    return v;
}

Leaves LeavesOf(xmlNodePtr parent)
{
    Leaves l;
    for (xmlNodePtr c : Elements(parent)) l.emplace_back(Name(c), Text(c));
    return l;
}

std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(XmlEnvelope, EachFunctionNumberParsesBackWithTheItemsInOrder)
{
    const Leaves system13 = {{"GYOUMUPREFIX", "ST14"}, {"VERSION", "1"}, {"FUNCTIONID", ""},
                             {"CONNECTEDPROGRAMVER", "15.0.1"}, {"PROGRAMNAME", "会計 Pro"},
                             {"PROGRAMVER", "15.2.3"}};
    const Leaves basic13 = {{"KOMONSAKINAME", "山田商店"}, {"AOSIROKUBUN", "1"},
                            {"JIGYOUNENDOFROM", "20240101"}, {"JIGYOUNENDOTO", "20241231"},
                            {"SYOTOKUSYURUI", "3"}};
    const Leaves basic24 = {{"KOMONSAKINAME", "山田商店"}, {"JIGYOUNENDOFROM", "20240101"},
                            {"JIGYOUNENDOTO", "20241231"}, {"HASUU_SYOUKYAKU", "1"}};
    for (int fid = 1; fid <= 4; ++fid) {
        SCOPED_TRACE("function " + std::to_string(fid));
        const std::string bytes = Envelope(Facts(fid));
        EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>", 0), 0u) << bytes;
        EXPECT_EQ(bytes.find("standalone"), std::string::npos);
        EXPECT_EQ(bytes.find("<SYSTEM>\n"), std::string::npos) << "no whitespace between elements";

        Parsed p(bytes);
        ASSERT_NE(p.doc, nullptr);
        xmlNodePtr root = xmlDocGetRootElement(p.doc);
        EXPECT_EQ(Name(root), "REPORT");
        auto top = Elements(root);
        ASSERT_EQ(top.size(), 2u);
        EXPECT_EQ(Name(top[0]), "SYSTEM");
        EXPECT_EQ(Name(top[1]), "BASIC");
        Leaves sys = system13;
        sys[2].second = std::to_string(fid);
        EXPECT_EQ(LeavesOf(top[0]), sys);
        EXPECT_EQ(LeavesOf(top[1]), (fid == 1 || fid == 3) ? basic13 : basic24);
    }
}

TEST(XmlEnvelope, RoundingChoiceOfFunctionsTwoAndFour)
{
    const std::pair<int, std::string> cases[] = {{0, "1"}, {1, "3"}, {2, "2"}, {7, "1"}, {-1, "1"}};
    for (const auto& [hasuu, expected] : cases) {
        TXmlEnvelopeInfo f = Facts(4);
        f.HasuuSyoukyaku = hasuu;
        Parsed p(Envelope(f));
        auto basic = Elements(Elements(xmlDocGetRootElement(p.doc))[1]);
        EXPECT_EQ(Text(basic.back()), expected) << "HasuuSyoukyaku " << hasuu;
    }
}

TEST(XmlEnvelope, OtherFunctionNumbersRaiseTheExportErrorAfterTheFirstBasicLeaf)
{
    for (int fid : {0, 5, -3}) {
        TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        TXmlEnvelopeInfo f = Facts(fid);
        kb::SetSystemNode(doc, f);
        try {
            kb::SetBasicNode(doc, f);
            ADD_FAILURE() << "function " << fid << " was accepted";
        } catch (const kb::EDataExportError& e) {
            EXPECT_EQ(e.Code, 256);
            EXPECT_STREQ(e.what(), "業務Prefixが条件に加えられていません。");
            EXPECT_EQ(e.Location, "SetBasicNode(BASICﾉｰﾄﾞを作成)");
        }
        auto top = Elements(doc.Root());
        ASSERT_EQ(top.size(), 2u);
        EXPECT_EQ(LeavesOf(top[1]), (Leaves{{"KOMONSAKINAME", "山田商店"}}));
    }
}

TEST(XmlEnvelope, ClientNameIsCp932BytesWithTheDoubledEscaping)
{
    TXmlEnvelopeInfo f = Facts(1);
    f.KomonsakiName = "A&B㈱～①";
    const std::string bytes = Envelope(f);
    // ㈱ 87 8A, ～ (U+FF5E) 81 60, ① 87 40 in CP932; never character references.
    const std::string expected = "<KOMONSAKINAME>A&amp;amp;B\x87\x8A\x81\x60\x87\x40</KOMONSAKINAME>";
    EXPECT_NE(bytes.find(expected), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("&#"), std::string::npos) << bytes;

    Parsed p(bytes);
    ASSERT_NE(p.doc, nullptr);
    auto basic = Elements(Elements(xmlDocGetRootElement(p.doc))[1]);
    EXPECT_EQ(Text(basic[0]), "A&amp;B㈱～①");
}

TEST(XmlEnvelope, EveryEscapedCharacterIsDoubledInTextAndAttribute)
{
    EXPECT_EQ(TXmlSaveDoc::Escape("a&b<c>d\"e'f&amp;"), "a&amp;b&lt;c&gt;d&quot;e&apos;f&amp;amp;");

    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    xmlNodePtr root = doc.CreateRoot("REPORT");
    xmlNodePtr n = doc.AddNode(nullptr, "DATA", "x&y", "NAME");
    doc.AddLeaf(n, "T", "<\"'>", "1&2", "COUNT");
    doc.AddLeaf(root, "EMPTY", "");
    const std::string bytes = doc.SaveToBytes();
    EXPECT_NE(bytes.find("<DATA NAME=\"x&amp;amp;y\"><T COUNT=\"1&amp;amp;2\">&amp;lt;&amp;quot;&amp;apos;&amp;gt;</T></DATA>"),
              std::string::npos) << bytes;

    Parsed p(bytes);
    ASSERT_NE(p.doc, nullptr);
    auto top = Elements(xmlDocGetRootElement(p.doc));
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(Text(Elements(top[0])[0]), "&lt;&quot;&apos;&gt;");
    EXPECT_EQ(Name(top[1]), "EMPTY") << "an empty text still gives the element";
    EXPECT_EQ(Text(top[1]), "");
    EXPECT_THROW(doc.AddLeaf(nullptr, "X", "y"), std::invalid_argument);
}

TEST(XmlSave, ReplacesTheTargetWithTheCompleteFile)
{
    kbtest::TempDir dir;
    const fs::path target = fs::path(dir.path()) / "renkei.xml";
    { std::ofstream(target) << "OLD"; }
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    kb::SetSystemNode(doc, Facts(2));
    doc.SaveToFile(target.string());
    EXPECT_EQ(ReadAll(target), doc.SaveToBytes());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
}

TEST(XmlSave, AFailedSaveLeavesTheExistingTargetUntouched)
{
    kbtest::TempDir dir;
    const fs::path target = fs::path(dir.path()) / "renkei.xml";
    const std::string old = "<?xml version=\"1.0\"?><REPORT>good</REPORT>";
    { std::ofstream(target, std::ios::binary) << old; }

    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    TXmlEnvelopeInfo f = Facts(1);
    f.KomonsakiName = std::string(4000, 'x');
    kb::SetSystemNode(doc, f);
    kb::SetBasicNode(doc, f);

    // The file system refuses after 64 bytes (as a full disk would), also for root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(doc.SaveToFile(target.string()), std::runtime_error);
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // A missing folder fails as well and creates nothing.
    const fs::path elsewhere = fs::path(dir.path()) / "missing" / "renkei.xml";
    EXPECT_THROW(doc.SaveToFile(elsewhere.string()), std::runtime_error);
    EXPECT_FALSE(fs::exists(elsewhere.parent_path()));
}

// Characters XML 1.0 cannot carry become blanks in texts and attributes: the file parses with a
// strict reader that reads the bytes as CP932, and what it reads is the text with the blanks.
TEST(XmlSave, CharactersXmlCannotCarryBecomeBlanksAndTheFileParses)
{
    kbtest::TempDir dir;
    const fs::path target = fs::path(dir.path()) / "renkei.xml";
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    xmlNodePtr root = doc.CreateRoot("REPORT");
    doc.AddLeaf(root, "SHOUGOU", "青色\v商店\uFFFE①\x01\t", "x\uFFFFy\x1F", "KANA");
    doc.AddNode(root, "BIKOU", "a\x0B", "NOTE");
    doc.SaveToFile(target.string());

    EXPECT_TRUE(kbtest::linkage::StrictReaderAcceptsAsCp932(target, dir.path()));

    xmlDocPtr parsed = xmlReadFile(target.c_str(), nullptr, XML_PARSE_NONET);
    ASSERT_NE(parsed, nullptr);
    xmlNodePtr leaf = xmlDocGetRootElement(parsed)->children;
    xmlChar* text = xmlNodeGetContent(leaf);
    xmlChar* attr = xmlGetProp(leaf, reinterpret_cast<const xmlChar*>("KANA"));
    EXPECT_STREQ(reinterpret_cast<const char*>(text), "青色 商店 ① \t");
    EXPECT_STREQ(reinterpret_cast<const char*>(attr), "x y ");
    xmlFree(text);
    xmlFree(attr);
    xmlFreeDoc(parsed);
}
