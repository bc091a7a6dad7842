#include "core/DataModulePassword.h"

#include "core/uAccRecord.h"
#include "core/z5ComFunc.h"

#include <stdexcept>

namespace kb {
namespace {
IDataPasswordPrompt* g_prompt = nullptr;
} // namespace

void SetDataPasswordPrompt(IDataPasswordPrompt* prompt) { g_prompt = prompt; }
IDataPasswordPrompt* GetDataPasswordPrompt() { return g_prompt; }

TDataPasswordAsk DataPasswordAsk(int attempt)
{
    TDataPasswordAsk ask;
    ask.Attempt = attempt;
    if (attempt > 1) {
        ask.Prompt = "正しいパスワードを入力して下さい。";
        ask.PromptRed = true;
    }
    return ask;
}

bool CheckDataPassword()
{
    if (AppKind == 1 || AppKind == 3 || AccInf.DataPassword.empty()) return true;
    if (!g_prompt) throw std::logic_error("the data password prompt is not available");
    for (int attempt = 1; attempt <= 3; ++attempt) {
        std::string entry;
        if (!g_prompt->Ask(DataPasswordAsk(attempt), entry)) return false;
        if (TrimZen(entry) == AccInf.DataPassword) return true;
    }
    return false;
}

} // namespace kb
