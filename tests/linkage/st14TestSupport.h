#pragma once
// Linkage XML compared as parsed trees: both documents are parsed, flattened to one line per element
// ("DATA/EIGYOUSYOTOKU/SONEKIKEISANSYO/URIAGEKINGAKU = 12054000", attributes in brackets), and a
// mismatch is reported as a line diff ("-" expected only, "+" written only), so a failure names the
// item that differs instead of two unreadable files.

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/TestDb.h"
#include "linkage/XMLSaveDoc.h"

namespace kbtest::linkage {

struct XmlTree {
    xmlDocPtr doc = nullptr;
    explicit XmlTree(const std::string& bytes)
    {
        kb::RegisterCp932Encoding();
        doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                            XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    }
    ~XmlTree()
    {
        if (doc) xmlFreeDoc(doc);
    }
    XmlTree(const XmlTree&) = delete;
    XmlTree& operator=(const XmlTree&) = delete;
    xmlNodePtr Root() const { return doc ? xmlDocGetRootElement(doc) : nullptr; }
};

inline std::string Name(xmlNodePtr n) { return reinterpret_cast<const char*>(n->name); }

inline void Flatten(xmlNodePtr node, const std::string& parent, std::vector<std::string>& out)
{
    for (xmlNodePtr c = node->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE) continue;
        std::string path = parent.empty() ? Name(c) : parent + "/" + Name(c);
        for (xmlAttrPtr a = c->properties; a; a = a->next) {
            xmlChar* v = xmlGetProp(c, a->name);
            path += std::string("[") + reinterpret_cast<const char*>(a->name) + "=" + reinterpret_cast<const char*>(v) + "]";
            xmlFree(v);
        }
        bool hasElement = false;
        for (xmlNodePtr g = c->children; g; g = g->next)
            if (g->type == XML_ELEMENT_NODE) hasElement = true;
        if (hasElement) {
            out.push_back(path);
            Flatten(c, path, out);
        } else {
            xmlChar* t = xmlNodeGetContent(c);
            out.push_back(path + " = " + (t ? reinterpret_cast<const char*>(t) : ""));
            if (t) xmlFree(t);
        }
    }
}

// The lines of everything under the document element.
inline std::vector<std::string> Lines(const XmlTree& t)
{
    std::vector<std::string> out;
    if (t.Root()) {
        out.push_back(Name(t.Root()));
        Flatten(t.Root(), Name(t.Root()), out);
    }
    return out;
}

inline std::string LineDiff(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    const std::size_t n = a.size(), m = b.size();
    std::vector<std::vector<int>> l(n + 1, std::vector<int>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            l[i][j] = a[i] == b[j] ? l[i + 1][j + 1] + 1 : std::max(l[i + 1][j], l[i][j + 1]);
    std::ostringstream o;
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[i] == b[j]) {
            ++i;
            ++j;
        } else if (i < n && (j == m || l[i + 1][j] >= l[i][j + 1])) {
            o << "- " << a[i++] << "\n";
        } else {
            o << "+ " << b[j++] << "\n";
        }
    }
    return o.str();
}

inline std::string ReadFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + p.string());
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Whether xmllint, a strict reader, accepts a written linkage file with its bytes read as CP932 (the
// file declares "Shift_JIS", whose table lacks the Windows extensions such as "①"): a copy with the
// declaration renamed is checked in scratch; xmllint's complaints come with a refusal.
inline ::testing::AssertionResult StrictReaderAcceptsAsCp932(const std::filesystem::path& file,
                                                             const std::filesystem::path& scratch)
{
    std::string bytes = ReadFile(file);
    const std::string decl = "encoding=\"Shift_JIS\"";
    const auto at = bytes.find(decl);
    if (at == std::string::npos) return ::testing::AssertionFailure() << "no Shift_JIS declaration in " << file;
    const std::filesystem::path copy = scratch / ("cp932-" + file.filename().string());
    std::ofstream(copy, std::ios::binary) << bytes.replace(at, decl.size(), "encoding=\"CP932\"");
    FILE* lint = ::popen(("xmllint --noout '" + copy.string() + "' 2>&1").c_str(), "r");
    if (!lint) return ::testing::AssertionFailure() << "xmllint could not be started";
    std::string said;
    char buf[512];
    while (std::fgets(buf, sizeof buf, lint)) said += buf;
    const int status = ::pclose(lint);
    if (status != 0) return ::testing::AssertionFailure() << "xmllint refused " << file << ":\n" << said;
    return ::testing::AssertionSuccess();
}

inline std::filesystem::path Expected(const std::string& name)
{
    return kbtest::SourceDir() / "tests" / "linkage" / "expected" / name;
}

// Expected lines are those of a hand-written file, possibly edited by the test (kind 2 renames the
// kind element; without details the detail blocks are dropped).
inline ::testing::AssertionResult SameTree(const std::vector<std::string>& expected, const std::string& writtenBytes)
{
    XmlTree w(writtenBytes);
    if (!w.Root()) return ::testing::AssertionFailure() << "the written document does not parse";
    const std::vector<std::string> got = Lines(w);
    if (got == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "trees differ (- expected, + written):\n" << LineDiff(expected, got);
}

inline std::vector<std::string> ExpectedLines(const std::string& file)
{
    XmlTree t(ReadFile(Expected(file)));
    if (!t.Root()) throw std::runtime_error("expected file does not parse: " + file);
    return Lines(t);
}

// Kind 2: the same content under SONOTASYOTOKU.
inline std::vector<std::string> AsKind2(std::vector<std::string> lines)
{
    for (std::string& l : lines) {
        const std::string from = "DATA/EIGYOUSYOTOKU";
        const auto p = l.find(from);
        if (p != std::string::npos) l.replace(p, from.size(), "DATA/SONOTASYOTOKU");
    }
    return lines;
}

// Without details: every line under one of the eight detail blocks goes.
inline std::vector<std::string> WithoutDetails(const std::vector<std::string>& lines)
{
    static const char* blocks[] = {"KYUURYOUTINGIN", "SENJUUSYA",        "KASIDAOREKURIIRE", "AOIROKOUJO",
                                   "RISIWARIBIKIRYOU", "TIDAIYATIN",     "ZEIRISIHOUSYUU",   "TOKUSYUJIJOU"};
    std::vector<std::string> out;
    for (const std::string& l : lines) {
        bool detail = false;
        for (const char* b : blocks) {
            // a block element directly under the kind element (not the profit-and-loss item of the same name)
            for (const char* kind : {"DATA/EIGYOUSYOTOKU/", "DATA/SONOTASYOTOKU/"}) {
                const std::string prefix = std::string("REPORT/") + kind + b;
                if (l.rfind(prefix, 0) == 0 && (l.size() == prefix.size() || l[prefix.size()] == '/'))
                    detail = true;
            }
        }
        if (!detail) out.push_back(l);
    }
    return out;
}

} // namespace kbtest::linkage
