#pragma once
// TDataSentakuPrintDlg: the print dialog of the data list. The common print dialog with the paper
// orientation added ("P010=" in the options kept per operator) and the colour, start-page and
// two-sided choices hidden.

#include "print/z5PrintDlg.h"

class QGroupBox;
class QLabel;
class QRadioButton;

namespace kb {

class TDataSentakuPrintDlg : public TPrintDlgBox {
    Q_OBJECT
public:
    explicit TDataSentakuPrintDlg(QWidget* parent = nullptr);

    QLabel* Label2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* btnYousiTate = nullptr;
    QRadioButton* btnYousiYoko = nullptr;
    int Orientation = 0;   // 0 portrait, 1 landscape

    void Setup(std::uint8_t mode) override;
    void ArrangeControls() override;
    void LoadHints() override;
    // "Hozon" stores the orientation line, "Fukugen" restores it (case ignored).
    void OrientationIO(const std::string& direction);

protected:
    void btnOKClick(QPushButton* sender) override;
};

} // namespace kb
