#include "app/AppDataTusinLink.h"

#include "comm/CloudShare.h"
#include "comm/TusinDataSide.h"
#include "comm/z5WaitMess.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "ui/z5MessageDlg2.h"

#include <QApplication>

namespace kb {

namespace {

// The engine's messages as the program's boxes; the comparison before a restore with its consent box.
class TAppTusinView : public TTusinWaitView {
public:
    TAppTusinView() : TTusinWaitView(QApplication::activeWindow()) {}
    void Information(const std::string& t) override { ShowMessage2(2, t, Btn(TMsgDlgBtn::mbOK)); }
    void Warning(const std::string& t) override { ShowMessage2(0, t, Btn(TMsgDlgBtn::mbOK)); }
    void Error(const std::string& t) override { ShowMessage2(1, t, Btn(TMsgDlgBtn::mbOK)); }
    bool Confirm(const std::string& t) override
    {
        return ShowMessage2(3, t, Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) == mrYes;
    }
    bool AgreeDifferences(const std::string& label, const std::vector<std::string>& lines) override
    {
        TMessage2InfoRec m;
        InitMessage2Info(2, m);
        m.Caption = "データ照合チェックの結果";
        m.Buttons = Btn(TMsgDlgBtn::mbOK) | Btn(TMsgDlgBtn::mbCancel);
        m.Lines[0].Text = "以下の項目に違いが検出されました。";
        for (std::size_t i = 0; i < lines.size() && i + 1 < m.Lines.size(); ++i) m.Lines[i + 1].Text = lines[i];
        m.AgreeMode = 1;
        m.AgreeCaption = "データ" + label + "処理の続行に同意します。";
        return MessageDlg2(m) == mrOk && m.AgreeResult;
    }
    void ListButtons(bool) override {}
};

// One call's communication objects: the view, the data side on the data module, the engine and
// the cloud-share calls on them.
struct TCall {
    TAppTusinView view;
    TTusinDataSide data{*DM, view};
    TDataTusinEngine engine{view, data};
    TCloudShareOps ops{engine, data, view};
};

void NotAvailable(const std::string& what) { ShowErrorDetail("「" + what + "」はこのプログラムでは使用できません。", ""); }

} // namespace

int TAppDataTusinLink::ChooseSharedData(QWidget*, TServerChoice&)
{
    NotAvailable("共有データの選択");
    return 2;
}

int TAppDataTusinLink::ExecuteCloudShare(QWidget*, const std::string&, TCloudShareChoice&)
{
    NotAvailable("クラウドシェアの設定");
    return 1;
}

int TAppDataTusinLink::CloudShareSend(const std::string& folder, int automatic)
{
    if (!DM) return 1;
    TCall call;
    return call.ops.CloudShareSend(folder, "", automatic);
}

int TAppDataTusinLink::CloudShareReceive(const std::string& folder, int automatic)
{
    if (!DM) return 1;
    TCall call;
    return call.ops.CloudShareReceive(folder, automatic, 0);
}

int TAppDataTusinLink::ReleaseCloudShare(const std::string& folder)
{
    if (!DM) return 1;
    TCall call;
    return call.ops.ReleaseCloudShare(folder);
}

} // namespace kb
