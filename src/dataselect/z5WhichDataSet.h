#pragma once
// TWhichDataSetBox ("データの持ち出し／持ち帰り"): asks whether a server data set is taken out to
// this computer or brought back. It only collects the answer; the caller creates it for each use.

#include "ui/SDI.h"

#include <cstdint>

class QPushButton;
class QRadioButton;

namespace kb {

class TWhichDataSetBox : public TBSDI {
    Q_OBJECT
public:
    explicit TWhichDataSetBox(QWidget* parent = nullptr);

    std::uint8_t DisplayMode = 0;
    std::uint8_t BringBack = 0; // 0 take out, 1 bring back
    int TakenOut = 0;           // 1: the line is taken out already, take-out is not offered

    QRadioButton* btnMochidashi = nullptr;
    QRadioButton* btnMochikaeri = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    void InitDisplay(std::uint8_t displayMode);
    void ShowChoice();
    void btnOKClick();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void ShowingChanged() override;
    bool FormCloseHide() override { return true; }
};

} // namespace kb
