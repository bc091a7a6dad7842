#include "ui/DataPasswordPrompt.h"

#include "ui/z5InputDlg.h"

#include <QApplication>
#include <QPalette>
#include <QScreen>

namespace kb {

namespace {

// The palette's window text colour in the $BBGGRR form the dialog takes.
TColor WindowTextColor()
{
    const QColor c = QApplication::palette().color(QPalette::WindowText);
    return static_cast<TColor>(c.red()) | (static_cast<TColor>(c.green()) << 8) | (static_cast<TColor>(c.blue()) << 16);
}

} // namespace

void TDataPasswordPrompt::Prepare(TInputDlgBox& dlg, const TDataPasswordAsk& ask)
{
    dlg.InputKind = ask.Masked ? 1 : 0;
    dlg.InputCaption = ask.Caption;
    dlg.MainText = ask.Prompt;
    dlg.MainColor = ask.PromptRed ? clRed : WindowTextColor();
    dlg.InputText.clear();
    dlg.InputMaxLength = ask.MaxLength;
    dlg.InputImeMode = ask.ImeOff ? TImeMode::imDisable : TImeMode::imDontCare;
    dlg.CharFilter = ask.CharFilter;
    dlg.InputHint = ask.Hint;
    dlg.Setup(1);
}

bool TDataPasswordPrompt::Ask(const TDataPasswordAsk& ask, std::string& entry)
{
    TInputDlgBox dlg(parent_);
    Prepare(dlg, ask);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        dlg.move(area.center() - QPoint(dlg.width() / 2, dlg.height() / 2));
    }
    if (dlg.exec() != mrOk) return false;
    entry = dlg.InputText;
    return true;
}

} // namespace kb
