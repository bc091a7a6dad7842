#pragma once
// z5SiwakeIO: TSiwakeWrite, the one class through which journal entries (仕訳, table SIWAKE of the
// open data set) are read, checked, inserted, corrected, deleted and restored. Every write goes
// through SP_SIWAKE_INS / SP_SIWAKE_UPD / SP_SIWAKE_DEL, so the journal triggers keep KAMOKU_MS,
// KAMOKU_TAX and SISETUMST.SIWAKECOUNT in step.
//
// The writer works on a transaction its owner hands in (SetTransaction) and opens no connection of
// its own; each SQL text gets one statement, prepared once. Transactions follow AutoCommit, a
// one-shot flag: while it is 0 nothing is started, committed or rolled back here; when it is set,
// the next operation starts the transaction if needed and ends it (a commit; a failed write rolls
// back), also when the caller had started it, and clears the flag.
//
// The facts of the open data set (period, audit lock, branches, individual costing, tax settings,
// data version) come from AccInf, the operator from SystemDef. Database errors are reported
// through ShowIBError under "TSiwakeWrite.<operation>" with an empty message and passed on.

#include "accounting/SwkRec.h"
#include "accounting/uAccClasses.h"
#include "core/uAccRecord.h"
#include "fb/Database.h"
#include "fb/Statement.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kb {

// One row of a facility's account array. The two flags are meaningful on the first row of an
// account only.
struct TKamokuRec {
    TKMKREC KAMOKU;
    THOJREC HOJO;
    TBUMREC BUMON;
    bool HasHojo = false;
    bool HasBumon = false;
};

// How PutSiwake waits for a journal row another workstation holds (lock conflict): at most Tries
// executions with Wait(Pause) between them; then the conflict is raised. Wait empty: sleep.
struct TSiwakeLockRetry {
    int Tries = 5;
    std::chrono::milliseconds Pause{200};
    std::function<void(std::chrono::milliseconds)> Wait;
};

class TSiwakeWrite {
public:
    TSiwakeWrite();
    ~TSiwakeWrite();
    TSiwakeWrite(const TSiwakeWrite&) = delete;
    TSiwakeWrite& operator=(const TSiwakeWrite&) = delete;

    std::uint8_t MessageMode = 0; // 0 texts for interactive entry, 1 for imported entries
    std::uint8_t AutoCommit = 0;  // one-shot: see the head of this file

    std::string Scode;            // facility of the loaded account array
    TBALANCE Kamoku;              // the account FindKamoku found
    std::vector<TKamokuRec> KamokuArray;
    std::vector<std::string> KamokuIndex; // "usercode=row" for each account's first row
    int KamokuCount = 0;

    bool CheckKamoku = true;
    bool CheckZei = true;
    bool CheckKingaku = true;
    bool CleanText = true;
    bool CheckKobetuGenka = true;
    bool CheckShonin = true;

    int KakoKubun = 0;            // journal GetSiwake reads: 0 this year, 1 and 2 the past years

    std::vector<TComListRec_s> KobetuGenkaList; // valid individual-cost codes, from the owner
    int KobetuGenkaCount = 0;
    int KobetuGenkaIndex = 0;

    TSiwakeLockRetry LockRetry;

    // Remembers the transaction (not owned); statements run on its default database.
    void SetTransaction(fb::Transaction& transaction);

    // The defaults of a new entry for the date and settlement flag.
    void InitSiwakeRec(TSWKREC& rec, int kessan, Date date);
    // The stored entry whose debit line is rec; a missing one leaves the defaults of today.
    void GetSiwake(TSWKREC& rec, int recNo, bool useView);
    // Checks and completes the entry (period, group, funds code, codes, names, tax attributes,
    // rate, cleaned texts). False with a code and the message of MessageMode when it may not be
    // written.
    bool TestSiwake(TSWKREC& rec, int& code, std::string& message);
    // Writes the entry. The new REC after an insert, 0 after a correction, -1 when the stored
    // entry was deleted meanwhile, -2 when it was corrected meanwhile (rec.REC then names the live
    // version).
    int PutSiwake(TSWKREC& rec);
    // Deletes the entry; the procedure's result plus 1.
    int DeleteSiwake(int swkrec);
    // Undeletes an entry deleted by DeleteSiwake (DELFLG 1), behind the live entries of its date:
    // 1 when it was restored, 0 when there was no deleted entry of that key (a replaced version,
    // DELFLG 2, is history and stays so).
    int RestoreSiwake(int swkrec);

    void SetScode(const std::string& scode);
    bool GetKamokuArray(const std::string& scode);
    bool FindKamoku(const std::string& scode, const std::string& bcode, const std::string& userCode,
                    const std::string& hcode);
    bool FindKobetuGenka(const std::string& code);

private:
    struct StoredNames; // the codes and names of the stored entry, for TestSiwake's name rule

    fb::Statement& Sql(const std::string& text);
    // With AutoCommit set: clears it and puts into guard one that ends the transaction in any case.
    void TakeAutoCommit(std::optional<fb::TransactionGuard>& guard, fb::TransactionGuard::Unfinished ending);
    bool FindKamokuRow(const std::string& scode, const std::string& bcode, const std::string& userCode,
                       const std::string& hcode);
    bool TestSiwakeRows(TSWKREC& rec, int& code, std::string& message);
    bool TestSide(TSWKREC& rec, bool debit, const StoredNames* stored, int& code, std::string& message);
    bool TestSideTax(TSWKREC& rec, bool debit, int& code, std::string& message);
    int CountAccountRows(const char* sql, const std::string& scode, const std::string& userCode);
    int ExecutePut(TSWKREC& rec);
    std::string Text(int code, int variant = 0) const;

    fb::Transaction* tr_ = nullptr;
    std::map<std::string, std::unique_ptr<fb::Statement>> statements_;
};

} // namespace kb
