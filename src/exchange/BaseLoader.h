#pragma once
// TBaseLoader: a loader of quoted comma-separated text files with a header of "// label: value"
// lines (CP932, CR LF). The line list is written to and read from disk whole. Its SQL objects work
// on the open data set's connection and transaction unless SetDatabase/SetTransaction point them
// elsewhere (the cash-book import uses the received database inside its two-database transaction).

#include "core/TMojiBunkatu.h"
#include "fb/Database.h"
#include "fb/Statement.h"

#include <memory>
#include <string>
#include <vector>

namespace kb {

class TBaseLoader {
public:
    TBaseLoader();
    virtual ~TBaseLoader();
    TBaseLoader(const TBaseLoader&) = delete;
    TBaseLoader& operator=(const TBaseLoader&) = delete;

    void SetDatabase(fb::Connection& database);
    void SetTransaction(fb::Transaction& transaction);

    // flag 1: TAB, CR and LF go first. A double quote becomes two apostrophes (and back).
    static std::string QuoteText(std::string_view text, int flag);
    static std::string UnquoteText(std::string_view text, int flag);

    void WriteHeader();
    bool CheckHeader() const;
    virtual int CountRecords() { return 0; }

    int OpCode = 0;
    std::string FileKind;
    std::string FileVersion;
    int VersionCheck = 1;
    std::vector<std::string> Lines; // UTF-8 inside; CP932 with CR LF on disk
    char QuoteChar = '"';
    char Separator = ',';
    TMojiBunkatu Splitter;

protected:
    // The two SQL objects the loaders use (created on the current database and transaction).
    fb::Statement& Sql(int i);
    fb::Transaction& Tr() const { return *tr_; }
    void LoadLines(const std::string& path);
    void SaveLines(const std::string& path) const;
    // Fields of one line split at the separator, honouring the quote character.
    std::vector<std::string> Fields(const std::string& line);

private:
    fb::Connection* db_ = nullptr;
    fb::Transaction* tr_ = nullptr;
    std::unique_ptr<fb::Statement> sql_[2];
};

} // namespace kb
