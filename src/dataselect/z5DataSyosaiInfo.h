#pragma once
// TDataSyosaiInfoBox ("データの詳細情報"): the facts of one data set as its folder's information
// records them; the operator may change the list name, the update lock and the read-only flag,
// clear a hanging status and rebuild the database (a backup restored onto itself). Only the rebuild
// writes from here; every other result goes back to the caller through the fields.

#include "accounting/DataInfomation.h"
#include "dataselect/registry/DataSyosaiRules.h"
#include "dataselect/registry/z5ComDataSentaku.h"
#include "ui/SDI.h"

#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kb {

class TxEdit;
class TxAnimeProgressDialog;

// The rebuild's job: back up source into backup and restore it onto source. True on success;
// otherwise error holds why. The backup worker by default; tests put their own in its place.
// Empty: no rebuild is available.
using TRebuildJob = std::function<bool(const std::string& source, const std::string& backup, std::string& error)>;
void SetRebuildJob(TRebuildJob job);
TRebuildJob GetRebuildJob();

class TDataSyosaiInfoBox : public TBSDI {
    Q_OBJECT
public:
    explicit TDataSyosaiInfoBox(QWidget* parent = nullptr);
    ~TDataSyosaiInfoBox() override;

    // ---- fields (set before InitDisplay, read after the modal run)
    std::uint8_t ListType = 0;
    TDataListRec Row;
    std::string DataFolder;
    std::string ListName;
    int UpdateLock = 0;
    int ReadOnlyFlag = 0;
    std::uint8_t Editable = 1;
    std::uint8_t StatusClearAllowed = 0;
    std::uint8_t StatusCleared = 0;
    std::uint8_t RebuildAllowed = 0;
    std::uint8_t Rebuilt = 0;
    TDataInfomationRec InfoRec;
    std::uint8_t DisplayMode = 0;

    // ---- components
    QLabel* lblStatus = nullptr;
    QPlainTextEdit* txtDataPath = nullptr;
    QCheckBox* cboxStatusClear = nullptr;
    QLabel* Label14 = nullptr;
    QCheckBox* cboxDataUpdateLock = nullptr;
    QLabel* Label15 = nullptr;
    QCheckBox* cboxDataReadOnly = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* lblDataSeigenMessage = nullptr;
    QLabel *lblCode = nullptr, *lblDataKbn = nullptr, *lblName = nullptr, *lblKana = nullptr, *lblNendo = nullptr,
           *lblKikan = nullptr, *lblTanto = nullptr, *lblBumonKanri = nullptr, *lblSitenKanri = nullptr,
           *lblSiwakeKensu = nullptr;
    TxEdit* txtListName = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    std::array<QPushButton*, 8> F{};  // F1 .. F8
    TxAnimeProgressDialog* xAnimeProgressDialog1 = nullptr;

    void InitDisplay(std::uint8_t displayMode);
    void ShowData();
    void UpdateFunctionKeys();
    void btnOKClick();
    void F7Click();
    // 1 rebuilt, 0 failed.
    int RebuildData();
    void SetDataListLock(bool set);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    // Made once by its owner and shown again for every use: closing hides it.
    bool FormCloseHide() override { return true; }

private:
    void LoadHints();
};

} // namespace kb
