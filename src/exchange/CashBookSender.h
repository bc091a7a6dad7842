#pragma once
// TCashBookSender: marks the cash journal entries of the open data set around cash-book sends, so
// that a later cash-book import pairs every entry that comes back with the one it came from.
// Master mode links every cash entry to itself (RESERVE1 = REC, LINKKUB 10, LINKKEY = REC) and
// clears the links of the rest; incremental mode links the live cash entries not linked yet. One
// run is one transaction unless the caller holds one; a failure leaves no mark, logs -100 and
// shows the error box (through the error reporter's user interface), never propagating.

#include "core/uAccRecord.h"
#include "fb/Database.h"

namespace kb {

class TCashBookSender {
public:
    TCashBookSender();
    virtual ~TCashBookSender() = default;

    int ForceIncremental = 0;
    int Mode = 1; // 1 incremental, 0 master

    virtual void Execute();
    int GetResultCode();
    void AddLog();
    void ClearLog();

    TLumoraSyoriInfo Info;
    TLumoraSyoriLog Log;
    int Result = 0;

    // The transaction the marks run in (the open data set's default one unless set).
    void SetTransaction(fb::Transaction& tr) { tr_ = &tr; }

private:
    fb::Transaction* tr_ = nullptr;
};

} // namespace kb
