#pragma once
// Search conditions of a data list: the record TDataKensakuRec, the operator's stored conditions in
// KENSAKUJYOKEN (one row per operator and list type) and the modal form TDataListKensakuBox that
// edits them. The list itself is filtered in memory by its owner.

#include "ui/SDI.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

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

// An entry of the product-version box.
struct TSeihinVersionEntry {
    std::string Name;  // product name
    int Major = 0;
    int Minor = 0;
};
// Where the form takes its product versions from (none installed: the installation's editions,
// TSeihinVersionList).
using TSeihinVersionSource = std::function<std::vector<TSeihinVersionEntry>()>;
void SetSeihinVersionSource(TSeihinVersionSource source);

class TDataListKensakuBox : public TBSDI {
    Q_OBJECT
public:
    explicit TDataListKensakuBox(QWidget* parent = nullptr);
    ~TDataListKensakuBox() override;

    int ListType = 0;
    TDataKensakuRec Jyoken;

    QLineEdit* txtCode = nullptr;
    QComboBox* cmbDataKbn = nullptr;
    QLineEdit* txtListName = nullptr;
    QComboBox* cmbTanto = nullptr;
    QComboBox* cmbDataVer = nullptr;
    QCheckBox* cboxYukou = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    void SetListType(int flag);
    void LoadControls();
    void InitKensakuRec(TDataKensakuRec& rec) const;
    bool SelectRecord(TDataKensakuRec& rec);
    bool UpdateRecord(const TDataKensakuRec& rec);
    bool UpdateRecordSortField(const TDataKensakuRec& rec);

    // Operator entries of cmbTanto after the empty one (code, name).
    const std::vector<std::pair<int, std::string>>& Operators() const { return operators_; }

private:
    void btnOKClick();
    void ReadOperators();
    bool RunWrite(const std::string& sql, const TDataKensakuRec& rec, const char* label);

    std::unique_ptr<fb::Transaction> IBTransactionDEF;
    std::vector<std::pair<int, std::string>> operators_;
    std::vector<TSeihinVersionEntry> versions_;
};

} // namespace kb
