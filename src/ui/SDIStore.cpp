#include "ui/SDIStore.h"

#include "core/TGamenKeyValue.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "fb/FbError.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <stdexcept>

namespace kb {

namespace {

TDM& Dm()
{
    if (!DM)
        throw std::logic_error("the data module is not created");
    return *DM;
}

} // namespace

int TBSDIDataModuleEnvironment::OpCode() const { return SystemDef.OpCode; }
std::string TBSDIDataModuleEnvironment::PCName() const { return SystemDef.PCName; }

std::optional<int> TBSDIDataModuleEnvironment::HostMenu(int code, const std::string& text)
{
    if (!HostMenuHook)
        return std::nullopt;
    return HostMenuHook(code, text);
}

void TBSDIDataModuleEnvironment::SetHostMenuAnswer(std::uint8_t answer) { SystemDef.HostMenuAnswer = answer; }

std::optional<TFormRect> TBSDIDataModuleEnvironment::LoadFormSize(int opCode, const std::string& formName)
{
    TDM& dm = Dm();
    fb::TransactionGuard guard(dm.IBTransactionDEF);
    fb::Statement q(dm.IBDatabaseDEF, &dm.IBTransactionDEF);
    q.SetSQL("SELECT FMTOP,FMLEFT,FMHEIGHT,FMWIDTH FROM FORMRSIZE WHERE FMNAME=:FMNAME AND OPCODE=:OPCODE");
    q.ParamByName("FMNAME").SetString(formName);
    q.ParamByName("OPCODE").SetInteger(opCode);
    q.ExecQuery();
    std::optional<TFormRect> r;
    if (!q.Eof())
        r = TFormRect{q.FieldByName("FMTOP").AsInteger(), q.FieldByName("FMLEFT").AsInteger(),
                      q.FieldByName("FMHEIGHT").AsInteger(), q.FieldByName("FMWIDTH").AsInteger()};
    q.Close();
    guard.Commit();
    return r;
}

void TBSDIDataModuleEnvironment::InsertFormSize(int opCode, const std::string& formName, const TFormRect& r)
{
    TDM& dm = Dm();
    fb::TransactionGuard guard(dm.IBTransactionDEF);
    fb::Statement q(dm.IBDatabaseDEF, &dm.IBTransactionDEF);
    // No column list: the table's eight columns in their order, the default size last.
    q.SetSQL("INSERT INTO FORMRSIZE VALUES(:OPCODE ,:FNAME,:TOP,:LEFT,:HEIGHT,:WIDTH,:DEFHEIGHT,:DEFWIDTH)");
    q.ParamByName("OPCODE").SetInteger(opCode);
    q.ParamByName("FNAME").SetString(formName);
    q.ParamByName("TOP").SetInteger(r.Top);
    q.ParamByName("LEFT").SetInteger(r.Left);
    q.ParamByName("HEIGHT").SetInteger(r.Height);
    q.ParamByName("WIDTH").SetInteger(r.Width);
    q.ParamByName("DEFHEIGHT").SetInteger(r.Height);
    q.ParamByName("DEFWIDTH").SetInteger(r.Width);
    q.ExecQuery();
    guard.Commit();
}

void TBSDIDataModuleEnvironment::UpdateFormSize(int opCode, const std::string& formName, const TFormRect& r)
{
    TDM& dm = Dm();
    fb::TransactionGuard guard(dm.IBTransactionDEF);
    fb::Statement q(dm.IBDatabaseDEF, &dm.IBTransactionDEF);
    q.SetSQL("UPDATE FORMRSIZE SET FMTOP=:FMTOP,FMLEFT=:FMLEFT,FMHEIGHT=:FMHEIGHT,FMWIDTH=:FMWIDTH "
             "WHERE OPCODE=:OPCODE AND FMNAME=:FMNAME");
    q.ParamByName("FMTOP").SetInteger(r.Top);
    q.ParamByName("FMLEFT").SetInteger(r.Left);
    q.ParamByName("FMHEIGHT").SetInteger(r.Height);
    q.ParamByName("FMWIDTH").SetInteger(r.Width);
    q.ParamByName("OPCODE").SetInteger(opCode);
    q.ParamByName("FMNAME").SetString(formName);
    q.ExecQuery();
    guard.Commit();
}

void TBSDIDataModuleEnvironment::WriteOpLog(fb::Transaction& tr, int opCode, const std::string& jobName,
                                            const std::string& pcName, int mode)
{
    fb::Connection* db = tr.DefaultDatabase();
    if (!db)
        throw std::logic_error("no data database for the operation log");
    fb::TransactionGuard guard(tr);
    fb::Statement proc(*db, &tr);
    proc.SetSQL("EXECUTE PROCEDURE OPINF_DELETE(:OPCODE,:JOBNAME,:STATE)");
    proc.ParamByName("OPCODE").SetInteger(opCode);
    proc.ParamByName("JOBNAME").SetString(jobName);
    proc.ParamByName("STATE").SetString(mode == 0 ? "エラー終了" : mode == 1 ? "正常終了" : "");
    proc.ExecQuery();
    proc.Close();
    if (mode == 0) {
        fb::Statement q(*db, &tr);
        q.SetSQL("INSERT INTO OPINF(OPCODE,JOBNAME,PCNAME,OPENTIME) VALUES(:OPCODE,:JOBNAME,:PCNAME,:OPENTIME)");
        q.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        q.ParamByName("JOBNAME").SetString(jobName);
        q.ParamByName("PCNAME").SetString(pcName);
        q.ParamByName("OPENTIME").SetDateTime(DateTime::Now());
        q.ExecQuery();
    }
    guard.Commit();
}

std::string TBSDIDataModuleEnvironment::LoadGamenValue(const std::string& formName)
{
    return TGamenKeyValue().FukugenValue(formName);
}

void TBSDIDataModuleEnvironment::SaveGamenValue(const std::string& formName, const std::string& value)
{
    TGamenKeyValue().HozonValue(formName, value);
}

void TBSDIDataModuleEnvironment::ReportError(const std::string& context, std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const FbError& e) {
        ShowIBError(e, context, "");
    } catch (const std::exception& e) {
        ShowErrorDetail(context, e.what());
    } catch (...) {
        ShowErrorDetail(context, "");
    }
}

TScreenSettings TBSDIDataModuleEnvironment::Screen() const
{
    TScreenSettings s;
    if (QScreen* sc = QGuiApplication::primaryScreen())
        s.ScreenPPI = static_cast<int>(std::lround(sc->logicalDotsPerInch()));
    s.BaseFontSize = SystemDef.ScreenFont[0].Size;
    s.ChosenFontSize = SystemDef.ScreenFont[1].Size;
    s.ChosenFontName = SystemDef.ScreenFont[1].Name;
    s.ShowHint = SystemDef.ShowHint != 0;
    s.FrameAdjust = SystemDef.FrameAdjust;
    s.FrameHeight = SystemDef.FrameHeight;
    s.CaptionHeight = SystemDef.CaptionHeight;
    s.MenuHeight = SystemDef.MenuHeight;
    s.BandHeight = SystemDef.BandHeight;
    s.IryouHoujin = AccInf.IryouHoujin;
    s.OemFlag = OemFlag;
    s.ColHeaderColor = static_cast<std::uint32_t>(SystemDef.ColHeaderColor);
    s.ClientColor = static_cast<std::uint32_t>(SystemDef.ClientColor);
    s.ClientColor1 = static_cast<std::uint32_t>(SystemDef.ClientColor1);
    s.ClientColor2 = static_cast<std::uint32_t>(SystemDef.ClientColor2);
    s.ActiveColor = static_cast<std::uint32_t>(SystemDef.ActiveColor);
    return s;
}

void TBSDIDataModuleEnvironment::ReloadAccInfo()
{
    if (!AccInfoReloader)
        throw std::logic_error("reloading the open data set's facts is not available");
    AccInfoReloader();
}

void TBSDIDataModuleEnvironment::FormActivate(std::uint8_t flag, std::int32_t value)
{
    if (FormActivateHook)
        FormActivateHook(flag, value);
}

fb::Connection* TBSDIDataModuleEnvironment::DataDatabase() { return DM ? &DM->IBDatabaseDAT : nullptr; }

} // namespace kb
