#pragma once
// TWebDbSqlDump: writes the open data set as one MySQL import script for the management-analysis
// cloud service: drop and recreate the service's database, create its tables from the installed
// table file, fill 46 tables from the data set, create the indexes from the installed index file.
//
// Rows are streamed as they are read (the data set is never held whole) and all 46 tables are read
// in one snapshot (IBTransactionDATSS), so an entry posted meanwhile cannot leave the journal and
// the balances disagreeing. The header lines are CP932, the rows UTF-8. Every text goes through
// EscapeSqlText, NULL is written as null (never as a missing value), numbers keep every digit.
// The script is written into a private temporary folder of its own; the caller deletes it.

#include "fb/Statement.h"
#include "platform/Date.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kb {

class TDM;

class TWebDbSqlDump {
public:
    explicit TWebDbSqlDump(TDM& dm);
    ~TWebDbSqlDump();
    TWebDbSqlDump(const TWebDbSqlDump&) = delete;
    TWebDbSqlDump& operator=(const TWebDbSqlDump&) = delete;

    std::string SqlFileName = "vqacc.sql";
    std::string TableFilePath;  // BaseDir + "/init/azimoban_empty_data.sql"
    std::string IndexFilePath;  // BaseDir + "/init/azimoban_empty_index.sql"
    std::string SqlFilePath;    // <folder>/vqacc.sql; the caller gives the folder (SetWorkFolder)
    std::string DatabaseName;   // MySQL database; letters, digits and "_" only
    std::string HeaderVersion;  // open data set's version as "major.minor1.minor2"
    std::int16_t JobLevel = 200;
    int RowsPerInsert = 100;
    std::uint8_t AnsiOutput = 0; // 1: rows stay CP932
    bool HadTransaction = false;
    // Runs every query and fetches every row but formats nothing (the benchmark's baseline).
    bool FetchOnly = false;
    // The last failure's text (also shown through ShowErrorDetail).
    std::string ErrorText;

    void SetWorkFolder(const std::filesystem::path& folder);

    // Writes the whole file at SqlFilePath; true when it was completed. False without writing
    // anything when DatabaseName is empty or not a plain identifier. A file that cannot be created
    // throws std::runtime_error ("…" + path + "が使用中です。"); every later failure is shown
    // (ShowErrorDetail "SQLDumpファイルの作成に失敗しました。"), ends the transactions this writer
    // started and answers false.
    bool WriteSqlDump();

    // ---- value encodings (one column of the current row of q)
    static std::string FieldToSqlValue(const fb::Statement& q, const std::string& column, const std::string& typeWord,
                                       int length = 0);
    static std::string DateToSqlValue(const std::string& typeWord, const DateTime& value);
    static std::string EscapeSqlText(const std::string& text);
    // A colour as 0x00BBGGRR (or a system colour 0xFF0000nn) as the decimal of R*65536+G*256+B.
    static std::string ColorToSqlInt(std::int32_t colour);
    std::string EncodeDumpLine(const std::string& line) const;
    // The column's text form: integers in decimal, scaled numbers without trailing zeros and without
    // exponent, DATE yyyy/MM/dd, TIMESTAMP without the time at midnight, texts as stored.
    static std::string TextForm(const fb::Field& f);

private:
    struct Impl;
    TDM& dm_;
    std::unique_ptr<Impl> d_;
};

// True from data version 8.0.2 on.
bool IsVersion802On(int major, int minor1, int minor2);

} // namespace kb
