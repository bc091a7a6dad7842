#include "exchange/BaseLoader.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/AtomicFile.h"
#include "platform/Date.h"
#include "platform/Text.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kb {
namespace {

std::string WithoutTabAndBreaks(std::string_view text, int flag)
{
    std::string s(text);
    if (flag == 1) std::erase_if(s, [](char c) { return c == '\t' || c == '\r' || c == '\n'; });
    return s;
}

const char* kKindLabel = "// ファイル種別: ";
const char* kVersionLabel = "// ファイルVer : ";

int MajorOf(const std::string& version)
{
    const auto dot = version.find('.');
    if (dot == std::string::npos || version.find('.', dot + 1) != std::string::npos) return 0;
    try {
        std::size_t used = 0;
        const std::string head = version.substr(0, dot);
        const int v = std::stoi(head, &used);
        return used == head.size() ? v : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace

TBaseLoader::TBaseLoader()
{
    OpCode = SystemDef.OpCode;
    if (DM) {
        db_ = &DM->IBDatabaseDAT;
        tr_ = &DM->IBTransactionDAT;
    }
}

TBaseLoader::~TBaseLoader() = default;

void TBaseLoader::SetDatabase(fb::Connection& database)
{
    if (db_ == &database) return;
    db_ = &database;
    for (auto& q : sql_) q.reset();
}

void TBaseLoader::SetTransaction(fb::Transaction& transaction)
{
    tr_ = &transaction;
    for (auto& q : sql_)
        if (q) q->SetTransaction(tr_);
}

fb::Statement& TBaseLoader::Sql(int i)
{
    if (!db_ || !tr_) throw std::runtime_error("TBaseLoader: no database");
    auto& q = sql_[i];
    if (!q) q = std::make_unique<fb::Statement>(*db_, tr_);
    q->Close();
    return *q;
}

std::string TBaseLoader::QuoteText(std::string_view text, int flag)
{
    return ReplaceAll(WithoutTabAndBreaks(text, flag), "\"", "''");
}

std::string TBaseLoader::UnquoteText(std::string_view text, int flag)
{
    return ReplaceAll(WithoutTabAndBreaks(text, flag), "''", "\"");
}

void TBaseLoader::WriteHeader()
{
    if (!FileKind.empty()) Lines.push_back(kKindLabel + FileKind);
    if (!FileVersion.empty()) Lines.push_back(kVersionLabel + FileVersion);
    Lines.push_back("// データ名    : " + AccInf.SHOUGOU);
    const char* type = AccInf.DATATYPE == 1 ? "法人" : AccInf.DATATYPE == 2 ? "個人" : AccInf.DATATYPE == 3 ? "医療法人" : "不明";
    Lines.push_back(std::string("// データ種別  : ") + type);
    Lines.push_back("// データVer   : " + DataVersionText);
    Lines.push_back("// 作成日      : " + Date::Today().ToString());
}

bool TBaseLoader::CheckHeader() const
{
    bool kindOk = false;
    bool haveVersion = false;
    std::string version;
    const std::string kindLine = kKindLabel + FileKind;
    for (const auto& line : Lines) {
        if (line == kindLine) kindOk = true;
        const auto at = line.find(kVersionLabel);
        if (at != std::string::npos) {
            version = TrimBlanks(line.substr(at + std::string(kVersionLabel).size()));
            haveVersion = true;
        }
    }
    if (!kindOk) return false;
    if (VersionCheck == 1 && haveVersion) return MajorOf(version) == MajorOf(FileVersion);
    return true;
}

void TBaseLoader::LoadLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("ファイルを開けません: " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    Lines = SplitLines(Cp932ToUtf8(bytes.str()));
}

void TBaseLoader::SaveLines(const std::string& path) const
{
    std::string bytes;
    for (const auto& line : Lines) bytes += Utf8ToCp932(line) + "\r\n";
    WriteFileAtomically(path, bytes);
}

std::vector<std::string> TBaseLoader::Fields(const std::string& line)
{
    Splitter.Delimiter = Separator;
    Splitter.Bunkatu(line);
    return Splitter.Items;
}

} // namespace kb
