// CheckDataPassword through a scripted prompt: what each try shows and when the check gives up.

#include "common/FakeUi.h"
#include "core/DataModulePassword.h"
#include "core/uAccRecord.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace kb;

namespace {

using ScriptedPrompt = kbtest::ScriptedPasswordPrompt;

struct PromptEnv {
    ScriptedPrompt prompt;
    PromptEnv()
    {
        ResetAccRecord();
        AccInf.DataPassword = "Pass8";
        SetDataPasswordPrompt(&prompt);
    }
    ~PromptEnv()
    {
        SetDataPasswordPrompt(nullptr);
        ResetAccRecord();
    }
};

} // namespace

TEST(DataModulePassword, TriesAndOutcomes)
{
    struct Case {
        const char* name;
        std::vector<std::optional<std::string>> answers;
        bool result;
        std::size_t asks;
    };
    const Case cases[] = {
        {"right at once", {"Pass8"}, true, 1},
        {"right on the third try", {"x", "pass8", "Pass8"}, true, 3},
        {"blanks of both widths trimmed", {"\u3000 Pass8\u3000"}, true, 1},
        {"inner blank is not trimmed", {"Pa ss8", "Pass 8", "P ass8"}, false, 3},
        {"three wrong, no fourth prompt", {"a", "b", "c", "Pass8"}, false, 3},
        {"closed without OK", {"a", std::nullopt, "Pass8"}, false, 2},
    };
    for (const auto& c : cases) {
        PromptEnv env;
        env.prompt.answers = c.answers;
        EXPECT_EQ(CheckDataPassword(), c.result) << c.name;
        EXPECT_EQ(env.prompt.asked.size(), c.asks) << c.name;
    }
}

TEST(DataModulePassword, PromptTextsPerTry)
{
    PromptEnv env;
    env.prompt.answers = {"a", "b", "c"};
    EXPECT_FALSE(CheckDataPassword());
    ASSERT_EQ(env.prompt.asked.size(), 3u);
    const auto& first = env.prompt.asked[0];
    EXPECT_EQ(first.Caption, "パスワードの確認");
    EXPECT_EQ(first.Prompt, "パスワードを入力して下さい。");
    EXPECT_FALSE(first.PromptRed);
    EXPECT_EQ(first.MaxLength, 8);
    EXPECT_EQ(first.CharFilter, 30);
    EXPECT_TRUE(first.ImeOff);
    EXPECT_EQ(first.Hint,
              "パスワード(英数字8文字以内)を入力し、[OK]ボタンを押して下さい。3回続けて失敗すると「データ選択」画面に戻ります。");
    for (int i : {1, 2}) {
        EXPECT_EQ(env.prompt.asked[i].Prompt, "正しいパスワードを入力して下さい。");
        EXPECT_TRUE(env.prompt.asked[i].PromptRed);
        EXPECT_EQ(env.prompt.asked[i].Attempt, i + 1);
    }
}

TEST(DataModulePassword, NoPromptWhenNothingToAsk)
{
    PromptEnv env;
    AccInf.DataPassword.clear();
    EXPECT_TRUE(CheckDataPassword());
    AccInf.DataPassword = "x";
    for (std::uint8_t kind : {1, 3}) {
        AppKind = kind;
        EXPECT_TRUE(CheckDataPassword());
    }
    EXPECT_TRUE(env.prompt.asked.empty());
    AppKind = 0;
    SetDataPasswordPrompt(nullptr);
    EXPECT_THROW(CheckDataPassword(), std::logic_error);
}
