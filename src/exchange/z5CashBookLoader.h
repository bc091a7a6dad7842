#pragma once
// TCashBookLoader: the cash-book import run without its window. It brings a received accounting
// database into the open data set: merge mode pairs the received cash entries with the open data
// set's (checks, sub-accounts, opening balances, entries, balance comparison); replace mode adapts
// the received database (dictionaries, list name, operator tables) and puts it in place of the
// data file. Every change of a run, in both databases, is one transaction over the two; an error
// entry or any failure rolls both back. The outcome follows the processing log (CashBookLog.h).
// TCashBookLoaderBox (z5CashBookLoaderBox.h) shows a run; tests drive this class directly.

#include "accounting/SitenList.h"
#include "accounting/z5SiwakeIO.h"
#include "core/uAccRecord.h"
#include "exchange/JisyoLoader.h"
#include "fb/Database.h"
#include "fb/Statement.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace kb {

class TCashBookLoader {
public:
    TCashBookLoader();
    ~TCashBookLoader();
    TCashBookLoader(const TCashBookLoader&) = delete;
    TCashBookLoader& operator=(const TCashBookLoader&) = delete;

    int AutoFlag = 0;  // 0 a client's cash book (interactive), 1 data from a sender
    int MergeFlag = 1; // 1 merge, 0 replace

    void SetReceiveFile(const std::string& path);
    // One run (the box's OK): in-use test, connections, steps, replacement; always ends with the
    // open data set connected again.
    void Run();
    int GetResultCode();
    void AddLog();
    void ClearLog();
    // Summary texts of the log export: kind name, code, message, each enclosed and followed by the
    // separator; CR LF ends a line and an empty line follows each entry. csv: "'" and ",", else TAB.
    std::string ExportLog(bool csv) const;

    TLumoraSyoriInfo Info;
    TLumoraSyoriLog Log;
    int Result = 0;
    std::array<int, 3> RecvVersion{}; // Major, Minor1, Minor2 of the received data
    std::string ReceivePath;

    // What a view shows: the progress label and position, and each log entry.
    std::function<void(const std::string& label)> OnLabel;
    std::function<void(int position, int max)> OnProgress;
    std::function<void(const TLumoraSyoriInfo& entry)> OnLog;
    std::function<void()> OnClear;
    // Test seam of the data-file swap: asked before each step ("copy", "safety", "rename",
    // "cleanup") with the file the step writes; false makes the step fail as a full disk would.
    std::function<bool(const std::string& step, const std::string& target)> SwapSeam;

    // The steps (public so that a test can call one on its own).
    bool CheckReceiveData();
    bool CheckDataVersion();
    bool CheckKamokuTaikei();
    std::string RemapOldCodes(const std::string& group, const std::string& kcode) const;
    void MigrateHojo();
    void MigrateKaisiZandaka();
    void CompareGenkinZandaka();
    bool MigrateGenkinSiwake();
    void MigrateJisyo();
    void UpdateDataList();
    bool FinishImport();
    void ReplaceDataFile();

    fb::Connection RecvDb;
    fb::Transaction RecvTr;

private:
    void RunSteps();
    void Step(const std::string& label, const std::function<void()>& body);
    void FinishTransaction(bool commit);
    void MakeSummary();
    void Progress();
    void Log3(int code, const std::string& message);
    // Runs body; a failure logs kind 3, -100, failureText + "原因: " + the error's text, and goes on up.
    void Guarded(const std::string& failureText, const std::function<void()>& body);
    fb::Statement& Acc(int i);  // open data set
    fb::Statement& Recv(int i); // received data
    Currency CashBalance(fb::Statement& q, bool received, int dac);
    void ReadRecvVersion();

    std::unique_ptr<fb::Statement> acc_[2], recv_[2];
    std::unique_ptr<TSitenList> siten_;
    TJisyoLoader jisyo_;
    TSiwakeWrite writer_;
    bool startedTr_ = false;
    bool failedReplace_ = false;
    int progress_ = 0;
};

} // namespace kb
