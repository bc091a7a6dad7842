#pragma once
// The writer of the linkage file: an XML 1.0 document saved as CP932 bytes under
// encoding="Shift_JIS". Every name, text and attribute is escaped by our own rule first and then
// handed to libxml2 as plain text, which escapes it once more when it saves: the tax-return
// application reads the doubled entities ("A&amp;amp;B"), so the doubling is part of the format.
//
// glibc's SHIFT_JIS converter lacks the CP932 extensions ("①", "㈱", "～"), which libxml2 would then
// write as character references; we register our own CP932 handler under the name "Shift_JIS".

#include <libxml/tree.h>

#include <set>
#include <string>
#include <string_view>

#include "platform/Date.h"

namespace kb {

class TXmlSaveDoc {
public:
    // version "1.0", standalone "" (none), encoding "Shift_JIS" is what the wizard passes.
    TXmlSaveDoc(std::string_view version, std::string_view standalone, std::string_view encoding);
    ~TXmlSaveDoc();
    TXmlSaveDoc(const TXmlSaveDoc&) = delete;
    TXmlSaveDoc& operator=(const TXmlSaveDoc&) = delete;

    // Writes the document through WriteFileAtomically, so a failed save never leaves a truncated
    // file over a good one.
    // Throws std::runtime_error (folder missing, no write right, disk full ...).
    void SaveToFile(const std::string& path) const;
    // The bytes SaveToFile writes.
    std::string SaveToBytes() const;

    // & < > " ' become &amp; &lt; &gt; &quot; &apos;, the ampersand first.
    static std::string Escape(std::string_view text);
    // The text with each character XML 1.0 cannot carry (C0 controls other than TAB, LF and CR;
    // U+FFFE, U+FFFF) as a blank, so a saved file always parses. Every text and attribute goes
    // through it; the first replacement in a field (element or attribute name) is logged.
    std::string LegalText(std::string_view text, std::string_view field);

    // Creates the document element (namespace may be empty).
    xmlNodePtr CreateRoot(std::string_view name, std::string_view nameSpace = {});
    // Appends an element to parent, or to the document element when parent is null; the attribute
    // is set only when its name is not empty.
    xmlNodePtr AddNode(xmlNodePtr parent, std::string_view name, std::string_view attrValue = {},
                       std::string_view attrName = {});
    // Appends an element with text to parent (never null). Returns nothing, as the callers expect
    // no node back from a leaf.
    void AddLeaf(xmlNodePtr parent, std::string_view name, std::string_view text,
                 std::string_view attrValue = {}, std::string_view attrName = {});

    xmlDocPtr Document() const { return doc_; }
    xmlNodePtr Root() const { return xmlDocGetRootElement(doc_); }

private:
    xmlDocPtr doc_ = nullptr;
    std::string encoding_;
    std::set<std::string> reportedFields_;
};

// Registers the CP932 converter with libxml2 under "Shift_JIS" (and "CP932"); idempotent. The
// writer calls it itself; a reader of linkage files calls it before parsing.
void RegisterCp932Encoding();

// The facts of the export that the envelope carries (held by the export frame; filled by it).
struct TXmlEnvelopeInfo {
    std::string GyoumuPrefix = "ST14";
    int FileVersion = 1;
    int FunctionId = 1;                       // the caller's function number, 1 when started by the user
    std::string ConnectedProgramVer = "15.0.1";
    std::string ProgramName;                  // installed accounting product (registry Product)
    std::string ProgramVer;                   // its Version
    std::string KomonsakiName;                // client name
    Date JigyouNendoFrom;
    Date JigyouNendoTo;
    int SyotokuSyurui = 0;                    // 1 business, 2 other, 3 real estate, 4 agriculture
    int HasuuSyoukyaku = 0;
};

// REPORT (no namespace) with SYSTEM and its six leaves.
void SetSystemNode(TXmlSaveDoc& doc, const TXmlEnvelopeInfo& info);
// BASIC with the leaves of the function number; any number but 1 to 4 raises EDataExportError 256
// after the first leaf, and the caller then saves nothing.
void SetBasicNode(TXmlSaveDoc& doc, const TXmlEnvelopeInfo& info);

// "yyyymmdd"; the null date gives the day-zero date "18991230", as the stored day serial 0 reads.
std::string FormatYyyymmdd(const Date& d);

} // namespace kb
