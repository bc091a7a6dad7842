#include "comm/TusinDataSide.h"

#include "comm/DataTusinDb.h"
#include "core/ErrorReporter.h"

namespace kb {

namespace {
// The backup and restore worker of the data management is not part of this program yet; a
// transfer that needs it stops here and says so instead of sending or restoring nothing.
bool NotBuilt()
{
    const char* text = "データ通信のバックアップ・復元処理は、このプログラムではまだ利用できません。";
    if (IErrorUi* ui = GetErrorUi()) ui->ShowMessageBox(text, TMsgDlgType::mtError);
    return false;
}
} // namespace

bool TTusinDataSide::SaveSendData(const std::filesystem::path&) { return NotBuilt(); }

bool TTusinDataSide::RestoreReceivedData(const std::filesystem::path&) { return NotBuilt(); }

bool TTusinDataSide::SetCloudTime(const DateTime& time) { return TDataTusinDb(folder_).SetCloudTime(time); }

bool TTusinDataSide::ReadGassanSettings(std::string& kubun, std::string& count)
{
    return TDataTusinDb(folder_).ReadGassanSettings(kubun, count);
}

void TTusinDataSide::WriteGassanSettings(const std::string& kubun, const std::string& count)
{
    TDataTusinDb(folder_).WriteGassanSettings(kubun, count);
}

} // namespace kb
