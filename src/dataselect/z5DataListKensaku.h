#pragma once
// TDataListKensakuBox: the modal form that edits a data list's search conditions. The record and
// its stored row in KENSAKUJYOKEN are the registry's (registry/DataKensakuJyoken.h).

#include "dataselect/registry/DataKensakuJyoken.h"
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

    std::unique_ptr<fb::Transaction> IBTransactionDEF;
    std::vector<std::pair<int, std::string>> operators_;
    std::vector<TSeihinVersionEntry> versions_;
};

} // namespace kb
