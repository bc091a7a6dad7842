#pragma once
// The general message box: an icon by message type, up to ten coloured (optionally linked) lines,
// up to three buttons in a fixed order and an agree box that may gate the first button.
// Callers fill a TMessage2InfoRec (usually after InitMessage2Info) and call MessageDlg2.

#include "core/ErrorReporter.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QWidget;

namespace kb {

// Colours are kept in the system's $BBGGRR form, as they are stored and passed around.
using TColor = std::uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clPurple = 0x800080;
QColor ToQColor(TColor c);

// Modal results as the callers compare them.
enum : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
             mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10 };

// Message buttons in the order the box places them.
enum class TMsgDlgBtn : int { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll,
                              mbYesToAll, mbHelp };
using TMsgDlgButtons = std::uint16_t; // bit n = TMsgDlgBtn n
constexpr TMsgDlgButtons Btn(TMsgDlgBtn b) { return static_cast<TMsgDlgButtons>(1u << static_cast<int>(b)); }

struct TMessage2CaptionRec {
    std::string Text;  // empty = no line
    TColor Color = 0;
    std::string URL;   // non-empty: the line is a link
};

struct TMessage2InfoRec {
    std::int32_t ID = 0;           // non-zero selects a preset
    std::uint8_t MsgType = 0;      // 0 warning, 1 error, 2 information, 3 confirmation
    TMsgDlgButtons Buttons = 0;
    std::array<std::string, 3> ButtonCaptions;
    std::int32_t DefaultButton = 0; // 0..2 among the shown buttons
    std::string Caption;
    std::array<TMessage2CaptionRec, 10> Lines;
    std::int32_t AgreeMode = 0;    // 0 none, 1 gates the first button, other: shown only
    std::string AgreeCaption;
    bool AgreeResult = false;      // in: initial tick; out: tick at closing
};

void InitMessage2Info(int kind, TMessage2InfoRec& rec);
// Replaces rec by the preset of id (InitMessage2Info(2) first, so an unknown id leaves an empty
// information box). Returns whether id is in the table.
bool ApplyMessage2Preset(std::int32_t id, TMessage2InfoRec& rec);

// One button the box shows: which, its caption and its modal result.
struct Message2Button {
    TMsgDlgBtn Kind;
    std::string Caption;
    int ModalResult;
};
// The (at most three) buttons of rec in the fixed order, custom captions applied.
std::vector<Message2Button> Message2Buttons(const TMessage2InfoRec& rec);
std::string Message2StandardCaption(TMsgDlgBtn b);
int Message2ModalResult(TMsgDlgBtn b);
// Client height: the bottom panel plus the top of the label two rows below the last line
// (label tops start at 24 and are 24 apart); ten lines take the whole client panel.
int Message2ClientHeight(int nonEmptyLines, int bottomHeight, int clientPanelHeight);
// Left edges of the shown buttons: one centred, two either side of the middle, three around
// the centred second, gap g apart.
std::vector<int> Message2ButtonLefts(int formWidth, const std::vector<int>& widths, int gap);
// What the copy shortcut puts on the clipboard (CR LF rows).
std::string Message2ClipboardText(const TMessage2InfoRec& rec);

class TMessageBox2 : public QDialog {
    Q_OBJECT
public:
    explicit TMessageBox2(QWidget* parent = nullptr);

    void SetInfo(const TMessage2InfoRec& rec);
    void Rebuild();
    void ApplyPreset(std::int32_t id);
    bool GetAgreeResult();

    // Opens a link line's address. Replaceable so tests see the address instead of a browser.
    static std::function<void(const std::string&)>& UrlOpener();

    QLabel* Label(int i) const { return labels_[i]; }
    QPushButton* Button(int i) const { return buttons_[i]; }
    QCheckBox* AgreeBox() const { return btnAgree_; }
    const TMessage2InfoRec& Info() const { return info_; }

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

public slots:
    void reject() override;

private:
    void Layout();
    void LinkClick(int index);
    void btnAgreeClick();

    TMessage2InfoRec info_;
    std::int32_t id_ = 0;
    std::int32_t agreeMode_ = 0;
    std::string agreeCaption_;
    bool agreeResult_ = false;
    QWidget* pnlClient_ = nullptr;
    QWidget* pnlAgree_ = nullptr;
    QWidget* pnlBottom_ = nullptr;
    QLabel* image1_ = nullptr;
    std::array<QLabel*, 10> labels_{};
    std::array<QPushButton*, 3> buttons_{};
    std::array<int, 3> results_{};
    QCheckBox* btnAgree_ = nullptr;
};

// Shows the box modally and returns its modal result (2 when closed without a button);
// stores the agree tick in rec.AgreeResult.
int MessageDlg2(TMessage2InfoRec& rec);

// The short messages dialogs raise ("入力してから…", initialisation failures): a box of
// InitMessage2Info(kind) with one line per "\r" of text. Goes through MessageDlg2.
int ShowMessage2(int kind, const std::string& text, TMsgDlgButtons buttons = 0);

// Lets tests answer message boxes without showing them: when set, MessageDlg2 hands the
// prepared record to it and returns its answer.
using Message2Interceptor = std::function<int(TMessage2InfoRec&)>;
void SetMessage2Interceptor(Message2Interceptor f);
Message2Interceptor GetMessage2Interceptor();
using TScopedMessage2Interceptor = TScopedInstall<Message2Interceptor, &SetMessage2Interceptor, &GetMessage2Interceptor>;

// The database error reporter's boxes, shown with MessageDlg2 (single OK button); the end request
// quits the event loop once control returns to it.
class TMessage2ErrorUi : public IErrorUi {
public:
    void ShowMessageBox(const std::string& text, TMsgDlgType type) override;
    void RequestTerminate() override;
};

} // namespace kb
