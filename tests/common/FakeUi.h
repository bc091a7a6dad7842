#pragma once
// The shared fakes of the user-interface seams shared code calls (header-only: test folders that
// link core use them, the rest never include this file).

#include "core/DataModulePassword.h"
#include "core/ErrorReporter.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kbtest {

// The database error reporter's boxes, recorded in order with their types, and the end requests.
class RecordingErrorUi : public kb::IErrorUi {
public:
    void ShowMessageBox(const std::string& text, kb::TMsgDlgType type) override
    {
        shown.push_back(text);
        types.push_back(type);
    }
    void RequestTerminate() override { ++terminate; }

    std::vector<std::string> shown;
    std::vector<kb::TMsgDlgType> types;
    int terminate = 0;
};

// Answers the data-password tries in order; nullopt stands for closing the prompt without OK.
// Every ask is kept, and shown to onAsk when set (a driver reports it to its caller).
class ScriptedPasswordPrompt : public kb::IDataPasswordPrompt {
public:
    bool Ask(const kb::TDataPasswordAsk& ask, std::string& entry) override
    {
        asked.push_back(ask);
        if (onAsk) onAsk(ask);
        if (asked.size() > answers.size()) return false; // the script ran out: closed
        const std::optional<std::string>& a = answers[asked.size() - 1];
        if (!a) return false;
        entry = *a;
        return true;
    }

    std::vector<std::optional<std::string>> answers;
    std::vector<kb::TDataPasswordAsk> asked;
    std::function<void(const kb::TDataPasswordAsk&)> onAsk;
};

} // namespace kbtest
