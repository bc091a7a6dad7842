#pragma once
// TxCheckedComboBox: looks like a drop-down list but lets the user tick several items. The display
// field shows the ticked items or their count ("%d件選択"); the drop button opens a pop-up check
// list whose context menu selects or clears all. The ticking rules live in TCheckedComboLogic.

#include <QFrame>
#include <QPointer>

#include <functional>
#include <string>
#include <vector>

#include <QLabel>
class QListWidget;
class QListWidgetItem;
class QMenu;
class QAction;

namespace kb {

enum class TCHBQuoteStyle { qsNone, qsSingle, qsDouble };
enum class TCHBDispStyle { dsKensu, dsItems };

// The ticked set as the control keeps it: the ticked texts joined with "," in ticking order and
// their count, beside the tick of every item.
class TCheckedComboLogic {
public:
    std::vector<std::string> Items;
    std::vector<bool> Checked;
    std::string TickedText;
    int TickedCount = 0;
    bool MultiSelect = true;
    TCHBDispStyle DispStyle = TCHBDispStyle::dsKensu;
    bool SortDisplay = false;
    std::string EmptyValue = "未選択";
    std::string KensuValueFormat = "%d件選択";

    void SetItems(const std::vector<std::string>& items); // every tick cleared
    void Tick(int index, bool checked);                    // the list's check notification
    bool SelectAll();                                      // false (nothing done) without MultiSelect
    void ClearAll();
    std::string DisplayText() const;
    std::vector<std::string> TickedItems() const;          // in list order

    // Lines of the open pop-up.
    static int PopupLines(int dropDownLines, int columns, int itemCount);
    // Pop-up rectangle below the control, or above it when it would come within 20 pixels of the
    // screen's bottom.
    static QRect PopupRect(QPoint controlBottomLeft, int controlWidth, int controlHeight, int dropDownWidth,
                           int itemHeight, int lines, int screenBottom);
};

class TxCheckedComboBox : public QFrame {
    Q_OBJECT
public:
    explicit TxCheckedComboBox(QWidget* parent = nullptr);
    ~TxCheckedComboBox() override;

    std::vector<std::string> Items() const { return logic_.Items; }
    void SetItems(const std::vector<std::string>& items);
    std::string CapSelectAll = "&全て選択";
    std::string CapDeSelectAll = "&選択解除";
    bool Sorted() const { return sorted_; }
    void SetSorted(bool on);
    TCHBQuoteStyle QuoteStyle = TCHBQuoteStyle::qsNone;
    int Columns() const { return columns_; }
    void SetColumns(int n);
    int DropDownLines() const { return dropDownLines_; }
    void SetDropDownLines(int n); // only 1..20
    std::string EmptyValue() const { return logic_.EmptyValue; }
    void SetEmptyValue(const std::string& s);
    bool SortDisplay() const { return logic_.SortDisplay; }
    void SetSortDisplay(bool on);
    int DropDownWidth = 120;
    TCHBDispStyle DispStyle() const { return logic_.DispStyle; }
    void SetDispStyle(TCHBDispStyle s);
    std::string KensuValueFormat() const { return logic_.KensuValueFormat; }
    void SetKensuValueFormat(const std::string& s);
    bool KeyUse = false;
    int KeyLength = 0;
    std::string KeyDelimiter = ":";
    std::string Version() const { return "1.0.3"; }
    bool MultiSelect() const { return logic_.MultiSelect; }
    void SetMultiSelect(bool on);

    // Readers of the ticked set.
    std::string TickedText() const { return logic_.TickedText; }
    int TickedCount() const { return logic_.TickedCount; }
    std::vector<std::string> TickedItems() const { return logic_.TickedItems(); }
    bool IsChecked(int index) const;
    std::string DisplayText() const;

    void DropDown();           // what the drop button and F4 do
    void CloseUp();
    bool IsDroppedDown() const;
    void SelectAll();
    void DeSelectAll();
    std::string ButtonState() const { return buttonState_; } // DROPDOWN_NORMAL, _HOT, _PRESS, _GRAY

    QListWidget* List() const { return list_; }
    QWidget* Popup() const { return popup_; }
    QWidget* DropButton() const { return button_; }

signals:
    void OnChange();
    void OnCloseUp();
    void OnClickCheck();
    void OnPanelClick();
    void OnButtonClick();
    void OnEnter();
    void OnExit();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void ItemsChanged();
    void Refresh();
    void SetButtonState(const char* state);
    void ListItemChanged(QListWidgetItem* item);

    TCheckedComboLogic logic_;
    bool sorted_ = false;
    int columns_ = 0;
    int dropDownLines_ = 15;
    bool closeByButton_ = false;
    bool syncing_ = false;
    std::string buttonState_ = "DROPDOWN_NORMAL";
    QLabel* display_ = nullptr;
    QLabel* button_ = nullptr;
    QWidget* popup_ = nullptr;
    QListWidget* list_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* actSelectAll_ = nullptr;
    QAction* actDeSelectAll_ = nullptr;
};

} // namespace kb
