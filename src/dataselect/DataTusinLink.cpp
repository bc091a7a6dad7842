#include "dataselect/DataTusinLink.h"

#include "core/ErrorReporter.h"

namespace kb {

namespace {

void NotAvailable(const std::string& what)
{
    ShowErrorDetail("「" + what + "」はこのプログラムでは使用できません。", "");
}

// Until the communication is installed: each call says so and fails.
class TNoDataTusin : public IDataTusinLink {
public:
    int ChooseSharedData(QWidget*, TServerChoice&) override
    {
        NotAvailable("共有データの選択");
        return 2;
    }
    int ExecuteCloudShare(QWidget*, const std::string&, TCloudShareChoice&) override
    {
        NotAvailable("クラウドシェアの設定");
        return 1;
    }
    int CloudShareSend(const std::string&, int) override
    {
        NotAvailable("クラウドシェア送信");
        return 1;
    }
    int CloudShareReceive(const std::string&, int) override
    {
        NotAvailable("クラウドシェア受信");
        return 1;
    }
    int ReleaseCloudShare(const std::string&) override
    {
        NotAvailable("クラウドシェアの使用解除");
        return 1;
    }
};

IDataTusinLink*& Installed()
{
    static IDataTusinLink* link = nullptr;
    return link;
}

} // namespace

IDataTusinLink& DataTusinLink()
{
    static TNoDataTusin none;
    return Installed() ? *Installed() : none;
}

void SetDataTusinLink(IDataTusinLink* link) { Installed() = link; }
IDataTusinLink* GetDataTusinLink() { return Installed(); }

} // namespace kb
