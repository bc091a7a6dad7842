#include "linkage/XMLSaveDoc.h"

#include <libxml/encoding.h>
#include <libxml/xmlsave.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <stdexcept>

#include <iconv.h>

#include "linkage/EDataExportError.h"
#include "platform/AtomicFile.h"

namespace kb {

namespace {

const xmlChar* X(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

// One converter per direction for the process. CP932 is stateless, so a converter can be shared
// between calls as long as two calls never run at once.
struct Cp932Converters {
    std::mutex lock;
    iconv_t toCp932 = reinterpret_cast<iconv_t>(-1);
    iconv_t fromCp932 = reinterpret_cast<iconv_t>(-1);
};

Cp932Converters& Converters()
{
    static Cp932Converters c;
    return c;
}

// libxml2's converter protocol: consume from in, write to out, report both counts; return 0 when
// done, -1 when out is full, -2 for a character the target cannot hold, -3 for a sequence cut at
// the end of in (libxml2 feeds the rest later).
int Convert(iconv_t cd, unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    if (in == nullptr || *inlen <= 0) {
        *outlen = 0;
        if (inlen) *inlen = 0;
        return 0;
    }
    Cp932Converters& c = Converters();
    std::lock_guard<std::mutex> guard(c.lock);
    char* src = const_cast<char*>(reinterpret_cast<const char*>(in));
    char* dst = reinterpret_cast<char*>(out);
    size_t srcLeft = static_cast<size_t>(*inlen);
    size_t dstLeft = static_cast<size_t>(*outlen);
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    int err = errno;
    *inlen -= static_cast<int>(srcLeft);
    *outlen -= static_cast<int>(dstLeft);
    if (r == static_cast<size_t>(-1)) {
        if (err == EILSEQ) return -2;
        if (err == E2BIG) return -1;
        return -3;
    }
    return 0;
}

int Utf8ToCp932Xml(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    return Convert(Converters().toCp932, out, outlen, in, inlen);
}

int Cp932ToUtf8Xml(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    return Convert(Converters().fromCp932, out, outlen, in, inlen);
}

std::string Decimal(int v) { return std::to_string(v); }

} // namespace

void RegisterCp932Encoding()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        Cp932Converters& c = Converters();
        c.toCp932 = iconv_open("CP932", "UTF-8");
        c.fromCp932 = iconv_open("UTF-8", "CP932");
        if (c.toCp932 == reinterpret_cast<iconv_t>(-1) || c.fromCp932 == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("CP932 の文字コード変換を開けません。");
        // libxml2 upper-cases the names and looks registered handlers up before iconv, so
        // "Shift_JIS" in a declaration, in a save or in a parse reaches this one.
        xmlNewCharEncodingHandler("Shift_JIS", Cp932ToUtf8Xml, Utf8ToCp932Xml);
        xmlNewCharEncodingHandler("CP932", Cp932ToUtf8Xml, Utf8ToCp932Xml);
    });
}

TXmlSaveDoc::TXmlSaveDoc(std::string_view version, std::string_view standalone, std::string_view encoding)
    : encoding_(encoding)
{
    RegisterCp932Encoding();
    const std::string v(version);
    doc_ = xmlNewDoc(X(v));
    if (!doc_) throw std::bad_alloc();
    if (!encoding_.empty()) doc_->encoding = xmlStrdup(X(encoding_));
    if (!standalone.empty()) {
        // The DOM takes "yes"/"no"; anything else leaves the declaration without it.
        if (standalone == "yes") doc_->standalone = 1;
        else if (standalone == "no") doc_->standalone = 0;
    }
}

TXmlSaveDoc::~TXmlSaveDoc()
{
    if (doc_) xmlFreeDoc(doc_);
}

std::string TXmlSaveDoc::Escape(std::string_view text)
{
    std::string s;
    s.reserve(text.size());
    // One pass gives the same result as the five replacements in turn with the ampersand first:
    // an entity made for a later character is never escaped again.
    for (char ch : text) {
        switch (ch) {
        case '&': s += "&amp;"; break;
        case '<': s += "&lt;"; break;
        case '>': s += "&gt;"; break;
        case '"': s += "&quot;"; break;
        case '\'': s += "&apos;"; break;
        default: s += ch;
        }
    }
    return s;
}

namespace {

void CheckUtf8(const std::string& s)
{
    if (!xmlCheckUTF8(X(s))) throw std::invalid_argument("XML に書けない文字列です（UTF-8 ではありません）。");
}

// Element names and attribute names are fixed ASCII words of the format; the escape leaves them
// as they are, and a name that needed it could not be written at all.
std::string CheckedName(std::string_view name)
{
    std::string n = TXmlSaveDoc::Escape(name);
    if (n.empty() || xmlValidateName(X(n), 0) != 0)
        throw std::invalid_argument("XML の要素名または属性名が不正です: " + n);
    return n;
}

} // namespace

std::string TXmlSaveDoc::LegalText(std::string_view text, std::string_view field)
{
    std::string out;
    bool replaced = false;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            out += ' ';
            replaced = true;
            ++i;
        } else if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
                   (static_cast<unsigned char>(text[i + 2]) == 0xBE || static_cast<unsigned char>(text[i + 2]) == 0xBF)) {
            out += ' ';  // U+FFFE, U+FFFF
            replaced = true;
            i += 3;
        } else {
            out += text[i++];
        }
    }
    if (replaced && reportedFields_.insert(std::string(field)).second)
        std::cerr << "TXmlSaveDoc: XML に書けない文字を空白にしました（" << field << "）\n";
    return out;
}

namespace {

void SetAttr(TXmlSaveDoc& doc, xmlNodePtr node, std::string_view attrValue, std::string_view attrName)
{
    if (attrName.empty()) return;
    const std::string n = CheckedName(attrName);
    const std::string v = TXmlSaveDoc::Escape(doc.LegalText(attrValue, n));
    CheckUtf8(v);
    // xmlSetProp stores the value as plain text (no entity parsing); the save escapes it.
    if (!xmlSetProp(node, X(n), X(v))) throw std::bad_alloc();
}

} // namespace

xmlNodePtr TXmlSaveDoc::CreateRoot(std::string_view name, std::string_view nameSpace)
{
    const std::string n = CheckedName(name);
    xmlNodePtr root = xmlNewDocNode(doc_, nullptr, X(n), nullptr);
    if (!root) throw std::bad_alloc();
    if (!nameSpace.empty()) {
        const std::string ns = Escape(nameSpace);
        xmlNsPtr p = xmlNewNs(root, X(ns), nullptr);
        xmlSetNs(root, p);
    }
    xmlNodePtr old = xmlDocSetRootElement(doc_, root);
    if (old) xmlFreeNode(old);
    return root;
}

xmlNodePtr TXmlSaveDoc::AddNode(xmlNodePtr parent, std::string_view name, std::string_view attrValue,
                                std::string_view attrName)
{
    if (!parent) parent = Root();
    if (!parent) throw std::logic_error("XML の親要素がありません（ルート未作成）。");
    const std::string n = CheckedName(name);
    xmlNodePtr node = xmlNewDocNode(doc_, nullptr, X(n), nullptr);
    if (!node) throw std::bad_alloc();
    xmlAddChild(parent, node);
    SetAttr(*this, node, attrValue, attrName);
    return node;
}

void TXmlSaveDoc::AddLeaf(xmlNodePtr parent, std::string_view name, std::string_view text,
                          std::string_view attrValue, std::string_view attrName)
{
    if (!parent) throw std::invalid_argument("XML の葉要素に親要素が指定されていません。");
    const std::string n = CheckedName(name);
    const std::string t = Escape(LegalText(text, n));
    CheckUtf8(t);
    xmlNodePtr node = xmlNewDocNode(doc_, nullptr, X(n), nullptr);
    if (!node) throw std::bad_alloc();
    xmlAddChild(parent, node);
    // A text node takes its content literally; the entities of our escape are escaped again on save.
    xmlNodePtr txt = xmlNewDocText(doc_, X(t));
    if (!txt) throw std::bad_alloc();
    xmlAddChild(node, txt);
    SetAttr(*this, node, attrValue, attrName);
}

std::string TXmlSaveDoc::SaveToBytes() const
{
    xmlChar* mem = nullptr;
    int size = 0;
    if (encoding_.empty()) xmlDocDumpFormatMemory(doc_, &mem, &size, 0);
    else xmlDocDumpFormatMemoryEnc(doc_, &mem, &size, encoding_.c_str(), 0);
    if (!mem || size <= 0) {
        if (mem) xmlFree(mem);
        throw std::runtime_error("XML 文書を書き出せません（文字コード " + encoding_ + "）。");
    }
    std::string bytes(reinterpret_cast<const char*>(mem), static_cast<size_t>(size));
    xmlFree(mem);
    return bytes;
}

void TXmlSaveDoc::SaveToFile(const std::string& path) const
{
    const std::string bytes = SaveToBytes();
    try {
        WriteFileAtomically(path, bytes);
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("連動ファイルを保存できません: ") + e.what());
    }
}

std::string FormatYyyymmdd(const Date& d)
{
    if (d.IsNull()) return "18991230";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.Year(), d.Month(), d.Day());
    return buf;
}

void SetSystemNode(TXmlSaveDoc& doc, const TXmlEnvelopeInfo& info)
{
    xmlNodePtr report = doc.CreateRoot("REPORT", "");
    xmlNodePtr system = doc.AddNode(report, "SYSTEM");
    doc.AddLeaf(system, "GYOUMUPREFIX", info.GyoumuPrefix);
    doc.AddLeaf(system, "VERSION", Decimal(info.FileVersion));
    doc.AddLeaf(system, "FUNCTIONID", Decimal(info.FunctionId));
    doc.AddLeaf(system, "CONNECTEDPROGRAMVER", info.ConnectedProgramVer);
    doc.AddLeaf(system, "PROGRAMNAME", info.ProgramName);
    doc.AddLeaf(system, "PROGRAMVER", info.ProgramVer);
}

void SetBasicNode(TXmlSaveDoc& doc, const TXmlEnvelopeInfo& info)
{
    xmlNodePtr basic = doc.AddNode(nullptr, "BASIC");
    doc.AddLeaf(basic, "KOMONSAKINAME", info.KomonsakiName);
    switch (info.FunctionId) {
    case 1:
    case 3:
        doc.AddLeaf(basic, "AOSIROKUBUN", "1");
        doc.AddLeaf(basic, "JIGYOUNENDOFROM", FormatYyyymmdd(info.JigyouNendoFrom));
        doc.AddLeaf(basic, "JIGYOUNENDOTO", FormatYyyymmdd(info.JigyouNendoTo));
        doc.AddLeaf(basic, "SYOTOKUSYURUI", Decimal(info.SyotokuSyurui));
        break;
    case 2:
    case 4: {
        doc.AddLeaf(basic, "JIGYOUNENDOFROM", FormatYyyymmdd(info.JigyouNendoFrom));
        doc.AddLeaf(basic, "JIGYOUNENDOTO", FormatYyyymmdd(info.JigyouNendoTo));
        const char* hasuu = info.HasuuSyoukyaku == 1 ? "3" : info.HasuuSyoukyaku == 2 ? "2" : "1";
        doc.AddLeaf(basic, "HASUU_SYOUKYAKU", hasuu);
        break;
    }
    default:
        throw EDataExportError("業務Prefixが条件に加えられていません。", "SetBasicNode(BASICﾉｰﾄﾞを作成)", 256);
    }
}

} // namespace kb
