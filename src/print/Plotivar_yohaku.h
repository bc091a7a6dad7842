#pragma once
// Tfmyohaku: the preview's margin and pitch dialog. The whole print moves by up to 10 mm each way
// (tenths of a millimetre, negative up or left) and the line and character pitch stretch or shrink
// by up to 5 percent (tenths of a percent). Each value is a TxEdit stepped by an up-down partner.

#include <QDialog>

#include <cstdint>
#include <string>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace kb {

class TxEdit;

// Whether a typed character passes a number edit of the dialog: digits and backspace (a "0" not
// after a lone "0" or "-" unless everything is selected), "-" only at the start of an empty or
// wholly selected text.
bool FilterNumericKey(char32_t key, const std::string& text, bool wholeSelected);

// The up-down control: steps its partner edit's number within Min..Max and shows its position there.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(TxEdit* partner, int min, int max, int increment, QWidget* parent);
    int Position() const;
    void SetPosition(int v);
    void Step(int direction);
    QToolButton* UpButton = nullptr;
    QToolButton* DownButton = nullptr;

private:
    TxEdit* partner_;
    int min_, max_, increment_;
};

class Tfmyohaku : public QDialog {
    Q_OBJECT
public:
    explicit Tfmyohaku(QWidget* parent = nullptr);

    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLabel* Label7 = nullptr;
    TUpDown* UpDown1 = nullptr;
    TUpDown* UpDown2 = nullptr;
    TUpDown* UpDown3 = nullptr;
    TUpDown* UpDown4 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* Button1 = nullptr;
    TxEdit* EdTop = nullptr;
    TxEdit* EdLeft = nullptr;
    TxEdit* EdVRatio = nullptr;
    TxEdit* EdHRatio = nullptr;

    std::int32_t TopValue = 0, LeftValue = 0;        // tenths of a mm
    std::int32_t VRatioValue = 0, HRatioValue = 0;   // per mille; 1000 unchanged

    void SetTopOffset(int v);
    void SetLeftOffset(int v);
    void SetVRatio(int v);
    void SetHRatio(int v);
    // Shows or hides the pitch group (the pitch applies only on the data's own paper).
    void SetPitchShown(bool shown);

    void ED_TOPExit(TxEdit* edit);
    void Button1Click();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    TxEdit* MakeEdit(QWidget* parent, int x, int y);
};

} // namespace kb
