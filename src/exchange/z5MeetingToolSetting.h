#pragma once
// TMeetingToolSettingBox ("Web会議設定", registered as "SzMeetingToolSetting"): type 0 edits the
// web-meeting settings of the open data set (meeting on/off, URL, mail notice, communication ID
// and password), type 1 asks before a relay send how the notice mail states the meeting's start,
// type 2 opens the stored meeting URL. The decisions and the database work are in
// z5MeetingToolSettingRules; the form applies them.

#include "core/FormRegistry.h"
#include "exchange/z5MeetingToolSettingRules.h"
#include "ui/SDI.h"

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace kb {

class TDM;
class TPavonaExDateEdit;

class TMeetingToolSettingBox : public TBSDI, public TFormInstance, public ISyoriKidou {
    Q_OBJECT
public:
    explicit TMeetingToolSettingBox(QWidget* parent = nullptr);
    ~TMeetingToolSettingBox() override;

    // ISyoriKidou
    void SetParams(const std::vector<std::string>& lines) override;
    int Execute(int mode) override;

    virtual void Setup(std::uint8_t mode);
    int AskMeetingDate();
    int ResetMeetingDate();
    bool CheckInput();
    void OpenMeetingUrl();

    // Opens an address in the browser; replaceable so tests see the address.
    static std::function<void(const std::string&)>& UrlOpener();
    // The guide page on issuing a meeting URL (AppInfo.ini; empty: the link opens nothing).
    static std::string GuidePageUrl();

    int SyoriType = 0;
    std::uint8_t SetupMode = 0;
    std::vector<std::string> Params;
    TMeetingSettings Settings;
    bool Initialised = false;

    QWidget* pnlBase = nullptr;
    QWidget* pnlHizuke = nullptr;
    QCheckBox* cboxMeetingUse = nullptr;
    QLabel* Label1 = nullptr;
    QPlainTextEdit* MemoUrl = nullptr;
    QPushButton* btnPaste = nullptr;
    QLabel* lblLinkUrl = nullptr;
    QCheckBox* cboxMailSousin = nullptr;
    QLabel* Panel1 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtConID = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* txtConPasswd = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QPushButton* btnMailAddress = nullptr;
    QRadioButton* btnContactHizuke = nullptr;
    QRadioButton* btnContactLater = nullptr;
    QRadioButton* btnContactNone = nullptr;
    TPavonaExDateEdit* txtContactHizuke = nullptr;
    QPushButton* btnHizukeClear = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* F1 = nullptr;
    QPlainTextEdit* HintArea = nullptr;

protected:
    void ShowingChanged() override;
    bool FormCloseHide() override { return SyoriType == 1; }
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    TDM& Dm();
    void ShowData();
    void ApplyEnabling();
    void UpdateDateEnabled();
    void SetHints();
    void btnOKClick();
    void btnMailAddressClick();
public:
    void lblLinkUrlClick();

private:
    void Focus(TMeetingControl c);
};

// Registers the exchange forms by name (called once by the program entry).
void RegisterExchangeForms();

} // namespace kb
