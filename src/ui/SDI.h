#pragma once
// TBSDI: the base dialog form the program's dialogs derive from. It closes by Esc, clicks its
// default button on F12, shows the focused control's long hint in a memo, tells the hosting menu
// when it is shown, writes the operation log of the open data set, keeps its position and size per
// operator, places itself on the screen and rescales itself to the operator's screen font.
//
// The database and process-wide work goes through TBSDIEnvironment, one object installed for the
// process (the data module's adapter in the program, a fake or a test database in tests). With none
// installed a form has no saved sizes, no operation log and no hosting menu.

#include "ui/SDILayout.h"

#ifndef Q_MOC_RUN
#include "fb/Database.h"
#include "fb/Statement.h"
#endif

#include <QDialog>
#include <QPointer>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAbstractItemView;
class QPlainTextEdit;

namespace kb {

// Position and size of a form as FORMRSIZE keeps them.
struct TFormRect {
    int Top = 0;
    int Left = 0;
    int Height = 0;
    int Width = 0;
    bool operator==(const TFormRect&) const = default;
};

// What the base form needs of the process: the operator, the hosting menu's hook, the size store
// (FORMRSIZE of the system database), the operation log (OPINF of the data database) and the saved
// screen values (STYLECOLOR). Store errors are thrown; TBSDI decides which it swallows.
class TBSDIEnvironment {
public:
    virtual ~TBSDIEnvironment() = default;
    virtual int OpCode() const = 0;
    virtual std::string PCName() const = 0;
    // The hosting menu's hook: nullopt when no hook is installed.
    virtual std::optional<int> HostMenu(int code, const std::string& text) = 0;
    virtual void SetHostMenuAnswer(std::uint8_t answer) = 0;
    // FORMRSIZE: the stored rectangle of (operator, form name), or nullopt when there is none.
    virtual std::optional<TFormRect> LoadFormSize(int opCode, const std::string& formName) = 0;
    virtual void InsertFormSize(int opCode, const std::string& formName, const TFormRect& r) = 0;
    virtual void UpdateFormSize(int opCode, const std::string& formName, const TFormRect& r) = 0;
    // OPINF on the form's own transaction: mode 0 open (OPINF_DELETE "エラー終了" then the insert),
    // 1 close ("正常終了").
    virtual void WriteOpLog(fb::Transaction& formTransaction, int opCode, const std::string& jobName,
                            const std::string& pcName, int mode) = 0;
    // STYLECOLOR screen values.
    virtual std::string LoadGamenValue(const std::string& formName) = 0;
    virtual void SaveGamenValue(const std::string& formName, const std::string& value) = 0;
    // Reports a store error (the exception being handled) under the routine's name.
    virtual void ReportError(const std::string& context, std::exception_ptr error) = 0;
    // The operator's screen settings the layout needs (SYSDEF and the two screen fonts).
    virtual TScreenSettings Screen() const = 0;
    // Reloads the open data set's facts (first show of forms that ask for it).
    virtual void ReloadAccInfo() = 0;
    // The data database the forms' own transactions work on (nullptr: none connected).
    virtual fb::Connection* DataDatabase() { return nullptr; }
    // The form-activation hook of the hosting application (called only when one is installed).
    virtual void FormActivate(std::uint8_t /*flag*/, std::int32_t /*value*/) {}
};

void SetBSDIEnvironment(TBSDIEnvironment* env);
TBSDIEnvironment* BSDIEnvironment();

// The main window forms centre on (kinds 1 and 2 of SetFormPosition); none by default.
void SetBSDIMainForm(QWidget* w);
QWidget* BSDIMainForm();

// Sets up the period panels and era date edits of a form from the open data set's facts. Run once
// per form, before its first layout. KikanControlsFromAccInf is what forms get unless another
// initializer is installed (tests install their own).
using TKikanControlsInitializer = std::function<void(QWidget& form)>;
void SetKikanControlsInitializer(TKikanControlsInitializer f);
// The panels "KikanPanel16", "KikanPanel12", "KikanPanel4" and "KikanPanel2" get the fiscal year of
// AccInf and their start range; every era date edit gets the era display of the operator
// (SYSDEF Reserve4 bit 10) and the process era list.
void KikanControlsFromAccInf(QWidget& form);
// The 16-period panel's first cell for the data's start month: months 1-3 are cells 0-2, 4-6 cells
// 4-6, 7-9 cells 8-10, 10-12 cells 12-14 (3, 7, 11 and 15 are settlement cells); else 0.
int KikanStno16(int kaisino);
// The 12-month panel's first cell: the start month less one.
int KikanStno12(int kaisino);
// The range a period panel starts with, for the initializer: the data's start month, whether the
// panel lets the range move (KikanMove) and the period display mode (KikanMode of SystemDef).
struct TKikanRange {
    int Stno = 0;
    int Edno = 0;
    bool Kessan = true;   // 16-period panel: settlement cells offered (cleared in display mode > 0)
    bool Enabled = true;  // quarter panels are disabled in display mode > 0
};
TKikanRange KikanRange16(int kaisino, bool kikanMove, int kikanMode);
TKikanRange KikanRange12(int kaisino, bool kikanMove, int kikanMode);
// Quarter panels keep their own layout in the normal mode; nullopt leaves them alone.
std::optional<TKikanRange> KikanRange4(int kikanMode);

// The part of a hint a hint area shows: after the first "|", else the whole hint.
std::string LongHint(const std::string& hint);

// SetFormPosition as a computation. Inputs are what the form reads off the screen and main form.
struct TPlacementInput {
    int Kind = 3;
    int Dx = 0, Dy = 0, AreaWidth = 0, AreaHeight = 0;
    bool PositionPending = true;
    int Left = 0, Top = 0, Width = 0, Height = 0;   // the form now
    int WorkRight = 0, WorkBottom = 0;              // work area edges
    bool MainShowing = false;
    int MainLeft = 0, MainTop = 0, MainWidth = 0, MainHeight = 0;
    int FrameHeight = 0, CaptionHeight = 0, MenuHeight = 0, BandHeight = 0;
    bool Dialog = true;
};
struct TPlacement {
    bool Keep = false;          // the current position stays
    bool ScreenCenter = false;  // Position poScreenCenter (x, y computed from 0)
    int X = 0, Y = 0;
};
TPlacement ComputeFormPosition(const TPlacementInput& in);

// PutFormSize's rectangle: maximized forms store the main form's client area less the frame;
// negative or off-main-form Top and Left store 0.
TFormRect FormSizeToStore(const TFormRect& form, bool maximized, int mainClientWidth, int mainClientHeight,
                          int frameHeight, int bandHeight);

class TBSDI : public QDialog {
    Q_OBJECT
public:
    // dialog: the form's border style is bsDialog (all of the program's derived forms are).
    explicit TBSDI(QWidget* parent = nullptr, bool dialog = true);
    ~TBSDI() override;

    // Fields derived forms switch in their constructor.
    QPointer<QWidget> ParentWnd;
    std::string ParentCaption;
    bool HostMenuNotify = false;
    bool UseOpLog = false;
    bool NoBusyCheck = false;
    bool UseFormSize = false;
    bool ReloadAccInfoOnShow = false;
    std::uint8_t ActivateParamFlag = 0;
    std::int32_t ActivateParamValue = 0;
    bool NoSizeStore = false;
    bool Initialized = false;
    bool Shown = false;
    bool PositionPending = true;
    QPlainTextEdit* HintMemo = nullptr;
    bool KeepOnClose = false;
    TLayout Layout;
    int DesignWidth = 0, DesignHeight = 0;
    int MinWidth = 0, MinHeight = 0;
    std::string GamenKeyText;
    QWidget* F12Button = nullptr; // a push button or a gradient button (TxPlButton)
    bool F12FocusFirst = true;
    bool Deactivated = false;
    bool ShowHint = true; // the operator's SYSDEF ShowHint switch: tool tips on or off
    // The form's own transaction on the data database ("read_committed", "rec_version", "nowait"),
    // not active at creation; the operation log and CreateQuery work on it.
    fb::Transaction IBTransactionDAT;

    bool IsDialogStyle() const { return dialog_; }

    void SetParentWnd(QWidget* w);
    static void ShowControlHint(QWidget* control, QPlainTextEdit* memo);
    // Sets a control's hint ("short|long"): the tool tip shows the short part.
    static void SetHint(QWidget* control, const std::string& hint);
    static std::string Hint(const QWidget* control);

    void InitKikanControls();
    void ShiftControls();
    void SaveLayout();
    void FreeLayout();
    void ApplyFontScale();
    // The operator's colours on a grid (mode 1 keeps the plain client colour for both rows).
    void SetGridColor(QAbstractItemView* grid, int mode);
    void PutProcRirekiInfo(int mode);
    void GetFormSize();
    void PutFormSize();
    void SetFormPosition(int dx, int dy, int areaWidth, int areaHeight, int kind);
    void GetGamenKeyValue();
    void PutGamenKeyValue();
    // A query on the data database and the form's transaction; nullptr when none can be made.
    std::unique_ptr<fb::Statement> CreateQuery();

    // Opening by the derived forms' contract: -1 when the hosting menu is busy or creation failed,
    // else the modal result (modal) or 1 (modeless). setup runs before showing.
    int ExecuteForm(bool modal, const std::function<void()>& setup = {});

    // The form's name (FORMRSIZE FMNAME, screen values) and caption (OPINF JOBNAME).
    std::string FormName() const;
    std::string Caption() const;

    // The modal result of a closed form (mrCancel for Esc and the close box).
    void done(int r) override;
    void reject() override;

signals:
    void formClosed();

protected:
    // FormShow's once-only work and the showing notification.
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    // The derived form's share of the showing notification (after the base's).
    virtual void ShowingChanged() {}
    // The derived form's share of FormClose (after the base's); return true to keep the form
    // (caHide), false to let the base decide by KeepOnClose.
    virtual bool FormCloseHide() { return false; }
    void FormClose();

private:
    void FormShow();
    void CMShowingChanged();
    bool HandleKeyUp(QKeyEvent* e);
    void FocusChanged(QWidget* now);
    // Cut in the destructor: the widget base classes still move the focus while they are torn down.
    QMetaObject::Connection focusConnection_;

    bool dialog_ = true;
    bool closing_ = false;
    bool kikanDone_ = false;
};

} // namespace kb
