#pragma once
// DataModulePassword: the data password check the data module runs right after a data set has been
// opened and its facts loaded (AccInf): up to three tries at the data set's password.
//
// The prompt itself is a dialog of the user interface; core asks through IDataPasswordPrompt,
// which ui installs (TDataPasswordPrompt) and tests replace to see what would be shown.

#include "core/ScopedInstall.h"

#include <string>

namespace kb {

// What the prompt shows on one try.
struct TDataPasswordAsk {
    int Attempt = 1;                                  // 1..3
    std::string Caption = "パスワードの確認";
    std::string Prompt = "パスワードを入力して下さい。";
    bool PromptRed = false;                           // false: the window text colour
    std::string Hint = "パスワード(英数字8文字以内)を入力し、[OK]ボタンを押して下さい。3回続けて失敗すると「データ選択」画面に戻ります。";
    int MaxLength = 8;
    int CharFilter = 30;                              // letters and digits
    bool ImeOff = true;
    bool Masked = true;                               // masked entry with the box that shows it plainly
};

class IDataPasswordPrompt {
public:
    virtual ~IDataPasswordPrompt() = default;
    // Shows the prompt modally, centred on the screen. False when it was closed other than with
    // OK; otherwise entry holds what was typed.
    virtual bool Ask(const TDataPasswordAsk& ask, std::string& entry) = 0;
};

void SetDataPasswordPrompt(IDataPasswordPrompt* prompt);
IDataPasswordPrompt* GetDataPasswordPrompt();
using TScopedDataPasswordPrompt = TScopedInstall<IDataPasswordPrompt*, &SetDataPasswordPrompt, &GetDataPasswordPrompt>;

// The texts of the tries: the first asks, the second and third ask again in red.
TDataPasswordAsk DataPasswordAsk(int attempt);

// True when the open data set may be used: AppKind 1 or 3, no password (AccInf.DataPassword
// empty), or the right password entered within three tries (half- and full-width blanks trimmed
// at both ends, compared case-sensitively). Closing the prompt other than with OK refuses at once.
// Throws std::logic_error when a password is set and no prompt is installed.
bool CheckDataPassword();

} // namespace kb
