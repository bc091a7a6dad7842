#pragma once
// uAccSisanhyou: reading a trial balance into the working records (TBALANCE / TQSORT).
//
// AccSisanhyoRead fills the records from the data set's trial-balance procedures: the summary
// lines from ACCTOTALNAME (rows 1..50, each in the row its ARRAYNUM names), one record per account
// line from FirstAccountRow upward with its opening and the debits and credits of the 16 periods,
// the net change and running balance per period, a sort key per shown line, and the sort.
//
// The placement works on a row source (ISisanhyoRowSource), not on a query, so that the rules of
// placement can be tested from a table of rows; TSisanhyoPlacer holds them. AccSisanhyoRead opens
// the procedures on the data module's snapshot transaction and feeds their rows to the placer.
//
// Failures are never swallowed: a database error is reported (WriteFbErrorText, "試算表読込"),
// the snapshot transaction rolled back and the error raised again; more account lines than the
// arrays hold is reported the same way and raised as ESisanhyoCapacity. The caller must treat the
// arrays as unusable then.

#include "accounting/uAccClasses.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kb {

namespace fb {
class Statement;
class TransactionGuard;
}

// The rows of one result set, columns read by name. Positioned on the first row after creation
// (or Eof when there is none).
class ISisanhyoRowSource {
public:
    virtual ~ISisanhyoRowSource() = default;
    virtual bool Eof() const = 0;
    virtual void Next() = 0;
    virtual bool HasColumn(std::string_view name) const = 0;
    // Missing or NULL columns read as empty / 0.
    virtual std::string Text(std::string_view name) const = 0;
    virtual int Integer(std::string_view name) const = 0;
    virtual Currency Amount(std::string_view name) const = 0;
};

// A row source over an executed statement of the access layer (the statement stays the caller's).
class TStatementRowSource : public ISisanhyoRowSource {
public:
    explicit TStatementRowSource(fb::Statement& q) : q_(q) {}
    bool Eof() const override;
    void Next() override;
    bool HasColumn(std::string_view name) const override;
    std::string Text(std::string_view name) const override;
    int Integer(std::string_view name) const override;
    Currency Amount(std::string_view name) const override;

private:
    fb::Statement& q_;
};

// Rows given in memory (tests, and callers that assemble rows themselves). Values are held as
// text; amounts are decimal texts ("1500000", "-12.5").
class TTableRowSource : public ISisanhyoRowSource {
public:
    using Row = std::vector<std::pair<std::string, std::string>>;
    explicit TTableRowSource(std::vector<Row> rows) : rows_(std::move(rows)) {}
    bool Eof() const override { return pos_ >= rows_.size(); }
    void Next() override { ++pos_; }
    bool HasColumn(std::string_view name) const override;
    std::string Text(std::string_view name) const override;
    int Integer(std::string_view name) const override;
    Currency Amount(std::string_view name) const override;

private:
    const std::string* Find(std::string_view name) const;
    std::vector<Row> rows_;
    std::size_t pos_ = 0;
};

// More account lines than the working arrays hold.
class ESisanhyoCapacity : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments of one read (as AccSisanhyoRead takes them).
struct TSisanhyoReadArgs {
    std::string SisetuCode;  // facility (selections 2, 3, 4) or facility group (selection 1)
    std::string BumonCode;   // department (selections 0, 3) or department group (4, 6)
    int Tax = 0;             // :TAX, the data set's TAXDEFUH
    int Selection = 0;       // 0 all, 1 facility group, 2 facility, 3 department, 4 group's departments,
                             // 6 direct computation; closing layout 10, 20, 30
    int Layout = 0;          // 0 plain, 1 A4, 2 A3, 4 closing statement
    int StatementKind = 0;   // KESKUBUN shown; 3 also asks for the note merge in the plain layout
    int Haibun = 0;          // :HAIBUN
    int PrevTax = 0;         // closing layout: :ZENTAX = 1 when > 0, else -1
};

// Row number of general-layout row r through AccZanLineRows (rows 46..49 are fixed).
int AccZanRow(int r);

// The number of periods (settlement periods included) before the period of the start month.
int PeriodsBeforeStartMonth(int Month);

// Element i of a working array, refused (std::out_of_range) beyond last.
template <class T>
T& AccZanAt(std::vector<T>& v, int i, int last, const char* what)
{
    if (i < 0 || i > last || i >= static_cast<int>(v.size())) throw std::out_of_range(what + std::to_string(i));
    return v[static_cast<std::size_t>(i)];
}

// The opening and the 16 periods' debits and credits of an account row added into its record, with
// the net change and running balance per period.
void AccZanAddRowAmounts(ISisanhyoRowSource& Rows, TBALANCE& b);
// The sub-account rows that follow an account row of the plain layout (announced by its HOJCNT)
// into the record's breakdown; Rows is left on the first row that is not one of them.
void AccZanReadSubAccountRows(ISisanhyoRowSource& Rows, TBALANCE& b, int hojCount);

// Placement of one read on the caller's arrays. Every write is bounded by the arrays; an account
// line beyond them raises ESisanhyoCapacity.
class TSisanhyoPlacer {
public:
    // Answers the closing-statement layout line (KAMOKUMST.EXT1_KS of an account in use) or 0.
    using TLayoutLineLookup = std::function<int(const std::string& kcode)>;

    TSisanhyoPlacer(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort,
                    const TSisanhyoReadArgs& Args);

    // Rows of "SELECT * FROM ACCTOTALNAME ORDER BY KGROUP". departmentBumon: ACCDEF1.BUMON, read
    // only when DepartmentView.
    void SetTotalLines(ISisanhyoRowSource& Names, bool DepartmentView, const std::function<int()>& departmentBumon = {});
    // Places the rows of one procedure from FirstAccountRow; returns the last row placed
    // (FirstAccountRow - 1 when none).
    int AccSisanhyoSetRows(ISisanhyoRowSource& Rows, bool Closing, bool NoteMergeAsked,
                           const TLayoutLineLookup& layoutLine = {});
    // The closing layout's keys and names by selection (10, 20, 30).
    void SetClosingLines();
    // The plain layout's fixed keys (rows 29, 30 and, without cost reports, 35).
    void SetPlainKeys(int genkaUse);
    // Sorts entries 0..lastRow by key.
    void SortEntries(int lastRow);

    // Hidden helpers, public for their tests.
    int FindAccountRow(const std::string& code, bool NoteMergeAsked, const TLayoutLineLookup& layoutLine) const;
    void MoveNoteLine(int T, int F, int P);

private:
    TBALANCE& Rec(int row);
    TQSORT& Sort(int row);
    void SetKey(int row, const std::string& key);
    void Hide(int row, bool clearName);
    std::string& Name(int row) { return Rec(row).KAMOKU.KNAME; }

    std::vector<TBALANCE>& recs_;
    std::vector<TQSORT>& sorts_;
    int lastRec_;
    int lastSort_;
    TSisanhyoReadArgs args_;
    int lastPlaced_ = FirstAccountRow - 1;
};

// Empties both arrays for a new read, the breakdowns and layout positions included.
void AccZanClearArrays(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort);

// Runs the work of a read on the transaction of its guard and commits what the guard started. A
// database error or more lines than the arrays hold is reported ("試算表読込") and raised again after
// the rollback; any other failure is rolled back and raised.
void AccZanReadReported(fb::TransactionGuard& guard, const std::function<void()>& work);

// Reads the trial balance of the open data set (AccInf, DM's data connection) into the arrays.
// Layout and Selection as in TSisanhyoReadArgs; an unknown combination reads only the summary
// lines. Raises after reporting on failure (see the top of this file).
void AccSisanhyoRead(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort,
                     const std::string& SisetuCode, const std::string& BumonCode, int Tax, int Selection, int Layout,
                     int StatementKind, int Haibun, int PrevTax);

} // namespace kb
