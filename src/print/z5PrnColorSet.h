#pragma once
// TPrnColorSetBox: the four colours forms print with (frame lines, ruled lines, heading-row shade,
// total-row shade). Per-form mode (PerForm 1) only returns them; environment mode (0) also makes
// them the operator's environment colours and writes the SYSDEF row. The colour dialog's sixteen
// custom colours are kept per operator in STYLECOLOR under "Pallet_CustomColor", as the lines
// "ColorA=" to "ColorP=" with the $00BBGGRR value in six upper-case hexadecimal digits.

#include "print/Plotivar_Record.h"
#include "ui/SDI.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QColorDialog;
class QLabel;
class QPushButton;

namespace kb {

inline constexpr const char* kPaletteStyleName = "Pallet_CustomColor";

// "ColorA=FFFFFF\r\n" ... for the colour dialog's custom colours, and back (unknown or malformed
// lines are skipped).
std::string PaletteText(const std::array<TColor, 16>& colours);
std::array<TColor, 16> ParsePalette(const std::string& text, TColor missing = 0xFFFFFF);

class TPrnColorSetBox : public TBSDI {
    Q_OBJECT
public:
    explicit TPrnColorSetBox(QWidget* parent = nullptr);

    std::array<QWidget*, 4> Panels{};          // frame lines, ruled lines, heading rows, total rows
    std::array<QPushButton*, 4> Buttons{};     // "変更", tags 0..3
    QLabel* lblKankyoColor = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QColorDialog* ColorDialog1 = nullptr;

    std::uint8_t Mode = 0;
    int PerForm = 0;
    TColor LineColor1 = 0, LineColor2 = 0, NetColor1 = 0, NetColor2 = 0;
    std::string Palette;

    void SetLineColor1(TColor c);
    void SetLineColor2(TColor c);
    void SetNetColor1(TColor c);
    void SetNetColor2(TColor c);
    void Setup(std::uint8_t mode);

    // What the "変更" buttons ask: runs the colour dialog from start, true with the chosen colour on
    // OK. Tests answer it.
    std::function<bool(TColor start, TColor& chosen)> ChooseColor;

    void btnLineColor1Click(int tag);
    void lblKankyoColorClick();
    void btnOKClick();

    TColor PanelColor(int tag) const;

protected:
    bool FormCloseHide() override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void ShowColors();
    void Paint(int tag, TColor c);
};

} // namespace kb
