#pragma once
// Search conditions of a data list: the record TDataKensakuRec and the operator's stored conditions
// in KENSAKUJYOKEN (one row per operator and list type), read and written on the system database.
// The form that edits them is TDataListKensakuBox (z5DataListKensaku); the list itself is filtered
// in memory by its owner.

#include <string>
#include <vector>

namespace kb::fb { class Transaction; }

namespace kb {

struct TDataKensakuRec {
    int OPCODE = 0;
    int LISTTYPE = 0;     // 0 local data list, 1 shared-server list
    int JYOKENUSE = 0;    // 1 = apply whenever the list opens
    int DATATYPE = 0;     // 0 none; -13 the corporate kinds 1 and 3 (callers only)
    int CODETYPE = 0;
    std::string DATACODE; // prefix
    std::string DATANAME; // contained in the list name
    int TANTO = 0;        // operator code of the person in charge
    std::string DATAVER;  // "%d.%d"
    std::string YOBISTR1;
    int VERKIND = 0;      // 0 equal major.minor, 1 equal major, 2 this or newer (caller's parameters)
    std::string SEIHINNAME;
    int SORTCOL = 0;      // in memory: the data list's column
    int SORTTYPE = 0;     // 1 descending
    std::string YOBISTR2, YOBISTR3;
};

// Stored sort codes <-> data-list columns: 1<->3, 2<->4, 3<->5, 4<->6, 5<->7, 6<->1, 0<->0, else 0.
int SortColFromStored(int stored);
int SortColToStored(int column);

// The kind box: item index <-> (DATATYPE, CODETYPE).
struct TKindChoice {
    const char* Text;
    int DataType;
    int CodeType;
};
const std::vector<TKindChoice>& KindChoices();
int GetKindIndex(int dataType, int codeType);

// The operator's row of KENSAKUJYOKEN on the data module's system database, through the given
// transaction (joined when the caller has started it). A failure in a transaction started here is
// reported (ShowIBError) and answered with false; in the caller's transaction it only gives false.
class TDataKensakuIO {
public:
    explicit TDataKensakuIO(fb::Transaction& tr) : tr_(tr) {}
    // Reads the row of rec.OPCODE and rec.LISTTYPE into rec; inserts an empty row when none exists.
    bool SelectRecord(TDataKensakuRec& rec);
    bool UpdateRecord(const TDataKensakuRec& rec);
    bool UpdateRecordSortField(const TDataKensakuRec& rec);

private:
    bool RunWrite(const std::string& sql, const TDataKensakuRec& rec, const char* label);
    fb::Transaction& tr_;
};

} // namespace kb
