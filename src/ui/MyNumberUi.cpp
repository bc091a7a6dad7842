#include "ui/MyNumberUi.h"

#include "ui/DataPasswordPrompt.h"
#include "ui/z5MessageDlg2.h"

namespace kb {
namespace {

int Box(int kind, const std::string& line, TMsgDlgButtons buttons)
{
    TMessage2InfoRec rec;
    InitMessage2Info(kind, rec);
    if (buttons) rec.Buttons = buttons;
    rec.Lines[0].Text = line;
    return MessageDlg2(rec);
}

} // namespace

bool TMyNumberUi::AskPassword(const TDataPasswordAsk& ask, std::string& entry)
{
    // The same masked prompt as the data password, with this prompt's texts.
    return TDataPasswordPrompt(parent_).Ask(ask, entry);
}

bool TMyNumberUi::Confirm(const std::string& line)
{
    return Box(3, line, Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) == mrYes;
}

void TMyNumberUi::Inform(const std::string& line) { Box(2, line, 0); }

void TMyNumberUi::Warn(const std::string& line) { Box(0, line, 0); }

} // namespace kb
