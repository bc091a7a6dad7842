#pragma once
// TDataPlaceBox ("データの場所の設定"): names, renames, deletes and orders the data places of the
// server modes. Every change is written at once; "閉じる" only closes. The table work is
// TDataPlaceIO's (registry/DataPlace); the decisions on keys and moves are plain functions below.

#include "dataselect/registry/DataPlace.h"
#include "ui/SDI.h"

#include <array>
#include <string>

class QPushButton;
class QTableWidget;

namespace kb {

class TDM;
class TInputDlgBox;

// The captions of F2, F3, F5, "上へ" and "下へ" for the current place, and whether the two move
// buttons are enabled. A bare caption ("F2:") does nothing.
struct TPlaceKeys {
    std::string F2 = "F2:", F3 = "F3:", F5 = "F5:";
    bool UpEnabled = false, DownEnabled = false;
};
TPlaceKeys PlaceKeysOf(const TDataPlaceList& places, int index);

// Moves the place at index one line (delta -1 up, +1 down), gives every place its position as
// ORDERKBN and marks those whose order changed (state 2). The new index, or index when it cannot move.
int MovePlace(TDataPlaceList& places, int index, int delta);

class TDataPlaceBox : public TBSDI {
    Q_OBJECT
public:
    explicit TDataPlaceBox(TDM& dm, QWidget* parent = nullptr);
    ~TDataPlaceBox() override;

    TDataPlaceIO IO;
    std::uint8_t DisplayMode = 0;

    QTableWidget* PerfectGrid1 = nullptr;
    QPushButton* F1 = nullptr;
    QPushButton* F2 = nullptr;
    QPushButton* F3 = nullptr;
    QPushButton* F5 = nullptr;
    QPushButton* F6 = nullptr;  // "上へ"
    QPushButton* F7 = nullptr;  // "下へ"
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    void InitDisplay(std::uint8_t displayMode);
    void ShowPlaces();
    void UpdateFunctionKeys();
    int CurrentIndex() const;

    void F2Click();  // new
    void F3Click();  // rename
    void F5Click();  // delete
    void MoveClick(int delta);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    // Made once by its owner and shown again for every use: closing hides it.
    bool FormCloseHide() override { return true; }

private:
    // Asks for a name; false when cancelled.
    bool AskName(const std::string& caption, const std::string& prompt, const std::string& hint, std::string& name);
    void FillGrid(int current);
    bool Save();
    // The place at index takes name and state (1 first naming, 2 renamed), written at once.
    void ApplyName(int index, const std::string& name, int state);
    void LoadHints();
};

} // namespace kb
