#include "ui/SDI.h"

#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "ui/PavonaExDateEdit.h"
#include "ui/PavonaExDateEditLib.h"
#include "ui/xKikanPanel12.h"
#include "ui/xKikanPanel16.h"
#include "ui/xKikanPanel4.h"
#include "ui/xPlButton.h"
#include "ui/z5MessageDlg2.h"
#include "ui/z5WinFunc.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QScreen>

#include <cstdio>

namespace kb {

namespace {

TBSDIEnvironment* g_env = nullptr;
TKikanControlsInitializer g_kikanInit;
QPointer<QWidget> g_mainForm;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Access to the number of slots behind a signal, to tell a button with a click handler from one
// without (F12 only clicks the former).
struct ReceiverProbe : QObject {
    static int Receivers(QObject* o, const char* signal)
    {
        // A member pointer taken through the derived class reaches the protected member without
        // pretending the object is something it is not.
        int (QObject::*receiversOf)(const char*) const = &ReceiverProbe::receivers;
        return (o->*receiversOf)(signal);
    }
};

bool HasClickHandler(QWidget* b)
{
    if (qobject_cast<QAbstractButton*>(b))
        return ReceiverProbe::Receivers(b, SIGNAL(clicked(bool))) > 0;
    if (qobject_cast<TxPlButton*>(b))
        return ReceiverProbe::Receivers(b, SIGNAL(Clicked())) > 0;
    return false;
}

void ClickButton(QWidget* b)
{
    if (auto* a = qobject_cast<QAbstractButton*>(b))
        a->click();
    else if (auto* g = qobject_cast<TxPlButton*>(b))
        g->Click();
}

void DefaultCursor()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

// Widgets placed by hand on the form or on a plain panel (no layout manager): those the layout
// store moves. The parts of composite controls (scroll areas, date edits ...) are their
// control's business.
bool PlacedByHand(const QWidget* w)
{
    const QWidget* p = w->parentWidget();
    if (!p || p->layout())
        return false;
    const QMetaObject* m = p->metaObject();
    return p->isWindow() || m == &QWidget::staticMetaObject || m == &QFrame::staticMetaObject ||
           m == &QGroupBox::staticMetaObject;
}

} // namespace

void SetBSDIEnvironment(TBSDIEnvironment* env) { g_env = env; }
void SetKikanControlsInitializer(TKikanControlsInitializer f) { g_kikanInit = std::move(f); }

int KikanStno16(int m)
{
    if (m < 1 || m > 12)
        return 0;
    return (m - 1) / 3 * 4 + (m - 1) % 3;
}

int KikanStno12(int m) { return m - 1; }

TKikanRange KikanRange16(int m, bool move, int mode)
{
    TKikanRange r;
    if (mode > 0) {
        r.Kessan = false;
        r.Edno = move ? 2 : 0;
        return r;
    }
    r.Stno = KikanStno16(m);
    r.Edno = move ? 15 : r.Stno;
    return r;
}

TKikanRange KikanRange12(int m, bool move, int mode)
{
    TKikanRange r;
    if (mode > 0) {
        r.Edno = move ? 2 : 0;
        return r;
    }
    r.Stno = KikanStno12(m);
    r.Edno = move ? 11 : r.Stno;
    return r;
}

std::optional<TKikanRange> KikanRange4(int mode)
{
    if (mode <= 0)
        return std::nullopt;
    TKikanRange r;
    r.Enabled = false;
    return r;
}
TBSDIEnvironment* BSDIEnvironment() { return g_env; }
void SetBSDIMainForm(QWidget* w) { g_mainForm = w; }
QWidget* BSDIMainForm() { return g_mainForm.data(); }

std::string LongHint(const std::string& hint)
{
    const auto bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

TPlacement ComputeFormPosition(const TPlacementInput& in)
{
    TPlacement p;
    if (!in.PositionPending && in.Left > 0 && in.Left < in.WorkRight && in.Top > 0 && in.Top < in.WorkBottom) {
        p.Keep = true;
        p.X = in.Left;
        p.Y = in.Top;
        return p;
    }
    int x = 0, y = 0;
    if (in.Kind == 1 && in.MainShowing) {
        x = in.MainLeft + in.FrameHeight + in.Dx + (in.AreaWidth - in.Width) / 2;
        y = in.MainTop + in.FrameHeight + in.CaptionHeight + in.MenuHeight + in.BandHeight + in.Dy +
            (in.AreaHeight - in.Height) / 2;
    } else if (in.Kind == 2 && in.MainShowing) {
        x = in.MainLeft + (in.MainWidth - in.Width) / 2;
        y = in.MainTop + (in.MainHeight - in.Height) / 2;
    } else {
        p.ScreenCenter = true;
    }
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (x + in.Width > in.WorkRight) x = in.WorkRight - in.Width;
    if (y + in.Height > in.WorkBottom) y = in.WorkBottom - in.Height;
    if (in.Dialog) {
        if (x < 0) x = 0;
        if (y < 0) y = 0;
    }
    p.X = x;
    p.Y = y;
    return p;
}

TFormRect FormSizeToStore(const TFormRect& form, bool maximized, int mainClientWidth, int mainClientHeight,
                          int frameHeight, int bandHeight)
{
    TFormRect r;
    if (maximized) {
        r.Top = 0;
        r.Left = 0;
        r.Height = mainClientHeight - (bandHeight + frameHeight);
        r.Width = mainClientWidth - frameHeight;
    } else {
        r.Top = form.Top > 0 ? form.Top : 0;
        r.Left = form.Left > 0 ? form.Left : 0;
        r.Height = form.Height;
        r.Width = form.Width;
    }
    if (r.Top > mainClientHeight) r.Top = 0;
    if (r.Left > mainClientWidth) r.Left = 0;
    return r;
}

TBSDI::TBSDI(QWidget* parent, bool dialog)
    : QDialog(parent), IBTransactionDAT(g_env ? g_env->DataDatabase() : nullptr), dialog_(dialog)
{
    if (dialog)
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    else
        setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                       Qt::WindowCloseButtonHint);
    setSizeGripEnabled(!dialog);
    QFont f = font();
    f.setPixelSize(13);
    setFont(f);
    UseOpLog = !dialog;
    NoBusyCheck = !dialog;
    UseFormSize = !dialog;
    ReloadAccInfoOnShow = !dialog;
    ActivateParamFlag = !dialog ? 1 : 0;
    ShowHint = g_env ? g_env->Screen().ShowHint : true;
    // A form cannot own itself: the owner is left alone, the fields still name the form.
    SetParentWnd(this);
    qApp->installEventFilter(this);
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FocusChanged(now); });
}

TBSDI::~TBSDI()
{
    QObject::disconnect(focusConnection_);
    if (qApp)
        qApp->removeEventFilter(this);
}

std::string TBSDI::FormName() const { return objectName().toStdString(); }
std::string TBSDI::Caption() const { return windowTitle().toStdString(); }

void TBSDI::SetParentWnd(QWidget* w)
{
    ParentWnd = w;
    if (w && w != this && !w->isAncestorOf(this) && w->window() != this) {
        // The opener's window owns the dialog: it stays above it and shares its modality.
        setParent(w->window(), windowFlags());
    }
    ParentCaption = w ? w->window()->windowTitle().toStdString() : std::string();
}

void TBSDI::SetHint(QWidget* control, const std::string& hint)
{
    control->setProperty("kbHint", Q(hint));
    const auto bar = hint.find('|');
    control->setToolTip(Q(bar == std::string::npos ? hint : hint.substr(0, bar)));
}

std::string TBSDI::Hint(const QWidget* control)
{
    return control->property("kbHint").toString().toStdString();
}

void TBSDI::ShowControlHint(QWidget* control, QPlainTextEdit* memo)
{
    if (!control || !memo)
        return;
    // A composite control (a date edit and its fields) carries one hint for all of its parts.
    QWidget* hinted = control;
    while (hinted && !hinted->isWindow() && !hinted->property("kbHint").isValid())
        hinted = hinted->parentWidget();
    if (hinted && !hinted->isWindow())
        control = hinted;
    const std::string hint = Hint(control);
    memo->setPlainText(hint.empty() ? QString() : Q(LongHint(hint)));
}

void TBSDI::InitKikanControls()
{
    if (kikanDone_)
        return;
    kikanDone_ = true;
    if (g_kikanInit)
        g_kikanInit(*this);
    else
        KikanControlsFromAccInf(*this);
}

void KikanControlsFromAccInf(QWidget& form)
{
    const int m = AccInf.KAISINO;
    const int mode = SystemDef.KikanMode;
    auto setUp = [&](auto* panel) {
        panel->SetKikan(AccInf.SIME, AccInf.KISHU, AccInf.KIMATU, AccInf.KAISI);
    };
    if (auto* p = form.findChild<TxKikanPanel16*>("KikanPanel16")) {
        setUp(p);
        const TKikanRange r = KikanRange16(m, p->KikanMove(), mode);
        if (!r.Kessan)
            p->SetKESSAN(false);
        p->SetStno(r.Stno);
        p->SetEdno(r.Edno);
    }
    if (auto* p = form.findChild<TxKikanPanel12*>("KikanPanel12")) {
        setUp(p);
        const TKikanRange r = KikanRange12(m, p->KikanMove(), mode);
        p->SetStno(r.Stno);
        p->SetEdno(r.Edno);
    }
    for (const char* name : {"KikanPanel4", "KikanPanel2"}) {
        if (auto* p = form.findChild<TxKikanPanel4*>(name)) {
            setUp(p);
            if (auto r = KikanRange4(mode)) {
                p->SetStno(r->Stno);
                p->SetEdno(r->Edno);
                p->setEnabled(r->Enabled);
            }
        }
    }
    std::vector<TPavonaExGengo> eras;
    for (const TGengoRec& g : GengoList)
        eras.push_back({g.Name, g.Sign, g.StartDate, g.StartYear});
    const bool wareki = SystemDef.Reserve4Bits[10] != 0;
    for (auto* e : form.findChildren<TPavonaExDateEdit*>()) {
        e->SetEditGengo(wareki);
        e->SetGengo(wareki ? TPavonaExRekiSet::rsWareki : TPavonaExRekiSet::rsSeireki);
        if (!eras.empty())
            e->SetWarekiTable(eras);
    }
}

void TBSDI::FocusChanged(QWidget* now)
{
    if (now && now->window() == this && HintMemo)
        ShowControlHint(now, HintMemo);
}

// --- keys -------------------------------------------------------------------------------------

bool TBSDI::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::ToolTip && !ShowHint) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && w->window() == this)
            return true;
    }
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease)
        return QDialog::eventFilter(o, e);
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->window() != this || !isVisible())
        return QDialog::eventFilter(o, e);
    auto* k = static_cast<QKeyEvent*>(e);
    // The form sees Esc and F12 before its controls and acts when the key comes up; presses go
    // to the controls as usual (keyPressEvent keeps the dialog's own Esc handling out).
    if (e->type() == QEvent::KeyPress)
        return false;
    // A handled key is consumed, so it never reaches the form twice through its parents.
    return HandleKeyUp(k);
}

bool TBSDI::HandleKeyUp(QKeyEvent* k)
{
    if (k->isAutoRepeat())
        return false;
    if ((k->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || QApplication::mouseButtons() != Qt::NoButton)
        return false;
    if (k->key() == Qt::Key_Escape) {
        if (dialog_)
            close();
        return true;
    }
    if (k->key() == Qt::Key_F12) {
        if (!dialog_) {
            close();
            return true;
        }
        if (F12Button && F12Button->isVisible() && F12Button->isEnabled() && HasClickHandler(F12Button)) {
            QPointer<QWidget> button = F12Button;
            if (F12FocusFirst)
                button->setFocus();
            ClickButton(button);
            return true;
        }
    }
    return false;
}

// --- showing ----------------------------------------------------------------------------------

void TBSDI::keyPressEvent(QKeyEvent* e)
{
    // Esc closes on its release (FormKeyUp), never on the press a control left unhandled.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TBSDI::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (e->spontaneous())
        return;
    FormShow();
    CMShowingChanged();
    ShowingChanged();
}

void TBSDI::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::ActivationChange && isVisible()) {
        if (!isActiveWindow())
            Deactivated = true;
        else if (g_env)
            g_env->FormActivate(ActivateParamFlag, ActivateParamValue);
    }
    QDialog::changeEvent(e);
}

void TBSDI::FormShow()
{
    if (Shown)
        return;
    // The derived form's controls exist only now (its constructor has run).
    InitKikanControls();
    try {
        if (UseOpLog)
            PutProcRirekiInfo(0);
        if (ReloadAccInfoOnShow && g_env) {
            try {
                g_env->ReloadAccInfo();
            } catch (const std::exception&) {
                g_env->ReportError("TBSDI.FormShow", std::current_exception());
                throw;
            }
        }
        ShiftControls();
        SaveLayout();
        ApplyFontScale();
        GetFormSize();
        Shown = true;
    } catch (const std::exception&) {
        // Already reported where it happened; the remaining first-show steps are skipped.
    }
}

void TBSDI::SetGridColor(QAbstractItemView* grid, int mode)
{
    if (grid)
        ApplyGridColors(grid, ComputeGridColors(g_env ? g_env->Screen() : TScreenSettings{}, mode));
}

void TBSDI::CMShowingChanged()
{
    // Clicks and keys queued while the form was coming up are not meant for it.
    FlushInputMessages(this);
    if (g_env) {
        g_env->SetHostMenuAnswer(0);
        if (HostMenuNotify) {
            auto busy = g_env->HostMenu(10, "");
            if (busy && *busy > 0)
                HostMenuNotify = false;
            if (busy && HostMenuNotify) {
                auto answer = g_env->HostMenu(11, "LumoraMenu");
                g_env->SetHostMenuAnswer(static_cast<std::uint8_t>(answer.value_or(0) & 0xFF));
                g_env->HostMenu(4, "");
            }
        }
    }
    DefaultCursor();
}

// --- closing ----------------------------------------------------------------------------------

void TBSDI::reject() { done(mrCancel); }

void TBSDI::done(int r)
{
    if (closing_)
        return;
    closing_ = true;
    FormClose();
    const bool hide = FormCloseHide() || KeepOnClose;
    QDialog::done(r);
    closing_ = false;
    emit formClosed();
    if (!hide)
        deleteLater();
}

void TBSDI::FormClose()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        if (UseFormSize && !NoSizeStore)
            PutFormSize();
        if (UseOpLog)
            PutProcRirekiInfo(1);
    } catch (const std::exception&) {
        // Reported by the failing step; the form still closes.
    }
    DefaultCursor();
}

// --- stores -----------------------------------------------------------------------------------

void TBSDI::PutProcRirekiInfo(int mode)
{
    if (!g_env)
        return;
    try {
        if (!IBTransactionDAT.DefaultDatabase())
            IBTransactionDAT.SetDefaultDatabase(g_env->DataDatabase());
        g_env->WriteOpLog(IBTransactionDAT, g_env->OpCode(), Caption(), g_env->PCName(), mode);
    } catch (const std::exception&) {
        g_env->ReportError("TBSDI.PutProcRirekiInfo", std::current_exception());
        throw;
    }
}

void TBSDI::GetFormSize()
{
    if (!UseFormSize || !g_env)
        return;
    try {
        const int op = g_env->OpCode();
        if (auto r = g_env->LoadFormSize(op, FormName())) {
            move(r->Left, r->Top);
            resize(r->Width, r->Height);
            return;
        }
        const TScreenSettings s = g_env->Screen();
        const int ppi = ComputeFontScale(s.ScreenPPI, s.BaseFontSize, s.ChosenFontSize).FormPPI;
        TFormRect r;
        r.Height = AdjustByFrame(ScaleByPPI(648, ppi, 96), 0, s.SizingFrame);
        r.Width = AdjustByFrame(ScaleByPPI(1012, ppi, 96), 0, s.SizingFrame);
        move(0, 0);
        resize(r.Width, r.Height);
        g_env->InsertFormSize(op, FormName(), r);
    } catch (const std::exception&) {
        g_env->ReportError("TBSDI.GetFormSize", std::current_exception());
    }
}

void TBSDI::PutFormSize()
{
    if (!UseFormSize || !g_env)
        return;
    FreeLayout();
    try {
        const TScreenSettings s = g_env->Screen();
        QRect main;
        if (QWidget* m = BSDIMainForm())
            main = m->rect();
        else if (QScreen* sc = screen())
            main = sc->availableGeometry();
        const TFormRect now{pos().y(), pos().x(), height(), width()};
        const TFormRect r = FormSizeToStore(now, isMaximized(), main.width(), main.height(), s.FrameHeight,
                                            s.BandHeight);
        g_env->UpdateFormSize(g_env->OpCode(), FormName(), r);
    } catch (const std::exception&) {
        g_env->ReportError("TBSDI.PutFormSize", std::current_exception());
    }
}

void TBSDI::GetGamenKeyValue()
{
    GamenKeyText = g_env ? g_env->LoadGamenValue(FormName()) : std::string();
}

void TBSDI::PutGamenKeyValue()
{
    if (g_env)
        g_env->SaveGamenValue(FormName(), GamenKeyText);
}

std::unique_ptr<fb::Statement> TBSDI::CreateQuery()
{
    try {
        fb::Connection* db = g_env ? g_env->DataDatabase() : nullptr;
        if (!db)
            return nullptr;
        if (!IBTransactionDAT.DefaultDatabase())
            IBTransactionDAT.SetDefaultDatabase(db);
        return std::make_unique<fb::Statement>(*db, &IBTransactionDAT);
    } catch (const std::exception&) {
        return nullptr;
    }
}

void TBSDI::SetFormPosition(int dx, int dy, int areaWidth, int areaHeight, int kind)
{
    TPlacementInput in;
    in.Kind = kind;
    in.Dx = dx;
    in.Dy = dy;
    in.AreaWidth = areaWidth;
    in.AreaHeight = areaHeight;
    in.PositionPending = PositionPending;
    in.Left = x();
    in.Top = y();
    in.Width = width();
    in.Height = height();
    const QRect work = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
    in.WorkRight = work.x() + work.width();
    in.WorkBottom = work.y() + work.height();
    if (QWidget* m = BSDIMainForm(); m && m->isVisible()) {
        in.MainShowing = true;
        in.MainLeft = m->x();
        in.MainTop = m->y();
        in.MainWidth = m->width();
        in.MainHeight = m->height();
    }
    if (g_env) {
        const TScreenSettings s = g_env->Screen();
        in.FrameHeight = s.FrameHeight;
        in.CaptionHeight = s.CaptionHeight;
        in.MenuHeight = s.MenuHeight;
        in.BandHeight = s.BandHeight;
    }
    in.Dialog = dialog_;
    const TPlacement p = ComputeFormPosition(in);
    if (p.Keep)
        return;
    if (p.ScreenCenter) {
        move(work.x() + (work.width() - width()) / 2, work.y() + (work.height() - height()) / 2);
        return;
    }
    move(p.X, p.Y);
}

int TBSDI::ExecuteForm(bool modal, const std::function<void()>& setup)
{
    DefaultCursor();
    if (!modal) {
        if (setup)
            setup();
        show();
        return 1;
    }
    if (!NoBusyCheck && g_env) {
        auto busy = g_env->HostMenu(10, "");
        if (busy && *busy > 0) {
            ShowMessage2(0, "メニュー以外の処理が開いています。\r全ての処理を閉じてから処理を実行してください。",
                         Btn(TMsgDlgBtn::mbYes));
            return -1;
        }
    }
    if (!Initialized) {
        std::string text = "%s画面の初期化に失敗しました。\r処理を終了します。";
        text.replace(text.find("%s"), 2, Caption());
        ShowMessage2(1, text, Btn(TMsgDlgBtn::mbYes));
        return -1;
    }
    SetFormPosition(0, 0, 0, 0, 3);
    if (setup)
        setup();
    return exec();
}

// --- layout -----------------------------------------------------------------------------------

void TBSDI::ShiftControls()
{
    if (dialog_ || !g_env)
        return;
    const int d = g_env->Screen().FrameAdjust;
    if (d <= 0)
        return;
    for (QWidget* w : findChildren<QWidget*>()) {
        if (!PlacedByHand(w) || qobject_cast<QGroupBox*>(w->parentWidget()))
            continue;
        bool fixedPanel = false;
        for (QWidget* p = w->parentWidget(); p && p != this; p = p->parentWidget())
            if (p->objectName() == "pnlSwkInA" || p->objectName() == "pnlChoseiNasi")
                fixedPanel = true;
        if (fixedPanel)
            continue;
        w->move(std::max(0, w->x() - d), w->y());
    }
}

void TBSDI::SaveLayout()
{
    const auto children = findChildren<QWidget*>();
    if (Layout.size() != static_cast<std::size_t>(children.size())) {
        FreeLayout();
        Layout.resize(children.size());
    }
    if (DesignWidth == 0) DesignWidth = width();
    if (DesignHeight == 0) DesignHeight = height();
    if (UseFormSize && !dialog_) {
        if (MinWidth == 0 || MinHeight == 0) {
            const TMinSize m = ComputeMinSize(UseFormSize, dialog_, width(), height());
            MinWidth = m.Width;
            MinHeight = m.Height;
        }
    } else {
        MinWidth = 0;
        MinHeight = 0;
    }
    setMinimumSize(MinWidth, MinHeight);
    const TScreenSettings s = g_env ? g_env->Screen() : TScreenSettings{};
    for (int i = 0; i < children.size(); ++i) {
        QWidget* w = children[i];
        TLayoutRec& rec = Layout[i];
        rec.Control = w;
        rec.Left = w->x();
        rec.Top = w->y();
        rec.Width = w->width();
        rec.Height = w->height();
        rec.Tag = w->property("Tag").toInt();
        rec.ItemHeight = 0;
        if (auto* c = qobject_cast<QComboBox*>(w))
            rec.ItemHeight = c->view() ? c->view()->sizeHintForRow(0) : 0;
        if (s.IryouHoujin)
            if (auto* l = qobject_cast<QLabel*>(w))
                l->setText(Q(MedicalRelabel(l->text().toStdString())));
        if (auto* g = qobject_cast<QAbstractItemView*>(w); g && !qobject_cast<QComboBox*>(w->parentWidget())) {
            if (!rec.Grid)
                rec.Grid = std::make_unique<TGridLayoutRec>();
            RecordGrid(g, *rec.Grid);
        }
    }
}

void TBSDI::FreeLayout() { Layout.clear(); }

void TBSDI::ApplyFontScale()
{
    const TScreenSettings s = g_env ? g_env->Screen() : TScreenSettings{};
    const TFontScale fs = ComputeFontScale(s.ScreenPPI, s.BaseFontSize, s.ChosenFontSize);
    setUpdatesEnabled(false);
    struct Unlock {
        QWidget* w;
        ~Unlock() { w->setUpdatesEnabled(true); }
    } unlock{this};
    if (fs.FormPPI != fs.BasePPI) {
        auto scale = [&](int v) { return ScaleByPPI(v, fs.FormPPI, fs.BasePPI); };
        for (TLayoutRec& rec : Layout) {
            QWidget* w = rec.Control.data();
            if (!w || !PlacedByHand(w))
                continue;
            w->setGeometry(scale(rec.Left), scale(rec.Top), scale(rec.Width), scale(rec.Height));
        }
        resize(scale(width()), scale(height()));
    }
    for (TLayoutRec& rec : Layout) {
        if (auto* g = qobject_cast<QAbstractItemView*>(rec.Control.data()); g && rec.Grid)
            ScaleGrid(g, *rec.Grid, fs.FormPPI);
        // A gradient button without a picture keeps its caption in the vertical middle.
        if (auto* b = qobject_cast<TxPlButton*>(rec.Control.data()); b && b->Image().Picture().isNull()) {
            b->SetCaptionVertCenter(true);
            b->Image().SetVertCenter(true);
        }
    }
    QFont f = font();
    if (!s.ChosenFontName.empty())
        f.setFamily(Q(s.ChosenFontName));
    if (fs.FormPPI != fs.BasePPI)
        f.setPixelSize(ScaleByPPI(f.pixelSize() > 0 ? f.pixelSize() : 13, fs.FormPPI, fs.BasePPI));
    setFont(f);
}

} // namespace kb
