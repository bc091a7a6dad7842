#pragma once
// The base form's process side in the program: the operator and screen settings of SystemDef, the
// hosting menu's hook, FORMRSIZE on the data module's system database, OPINF on the data database
// through the form's own transaction, and the saved screen values of TGamenKeyValue.

#include "ui/SDI.h"

#include <functional>

namespace kb {

class TBSDIDataModuleEnvironment : public TBSDIEnvironment {
public:
    int OpCode() const override;
    std::string PCName() const override;
    std::optional<int> HostMenu(int code, const std::string& text) override;
    void SetHostMenuAnswer(std::uint8_t answer) override;
    std::optional<TFormRect> LoadFormSize(int opCode, const std::string& formName) override;
    void InsertFormSize(int opCode, const std::string& formName, const TFormRect& r) override;
    void UpdateFormSize(int opCode, const std::string& formName, const TFormRect& r) override;
    void WriteOpLog(fb::Transaction& formTransaction, int opCode, const std::string& jobName,
                    const std::string& pcName, int mode) override;
    std::string LoadGamenValue(const std::string& formName) override;
    void SaveGamenValue(const std::string& formName, const std::string& value) override;
    void ReportError(const std::string& context, std::exception_ptr error) override;
    TScreenSettings Screen() const override;
    void ReloadAccInfo() override;
    fb::Connection* DataDatabase() override;
    void FormActivate(std::uint8_t flag, std::int32_t value) override;

    // Reloads the open data set's facts (the data module's fnGetAccInfo, installed by whoever
    // provides it). Without one, forms that ask for a reload fail their first show clearly.
    std::function<void()> AccInfoReloader;
};

} // namespace kb
