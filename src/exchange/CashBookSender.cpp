#include "exchange/CashBookSender.h"

#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "exchange/CashBookLog.h"
#include "fb/Statement.h"

#include <iostream>

namespace kb {

TCashBookSender::TCashBookSender()
{
    Info.Text = "CashBookSender";
    if (DM) tr_ = &DM->IBTransactionDAT;
}

int TCashBookSender::GetResultCode()
{
    Result = LumoraResultCode(Log);
    return Result;
}

void TCashBookSender::AddLog()
{
    Log.push_back(Info);
    GetResultCode();
}

void TCashBookSender::ClearLog()
{
    Result = 0;
    Info.Kind = 0;
    Info.Code = 0;
    Info.Message.clear();
    Log.clear();
}

void TCashBookSender::Execute()
{
    ClearLog();
    if (ForceIncremental == 1) Mode = 1;
    try {
        if (!DM || !tr_) throw std::runtime_error("会計データが開かれていません。");
        fb::Connection& db = *tr_->DefaultDatabase();
        fb::TransactionGuard guard(*tr_);
        fb::Statement sel(db, tr_), upd(db, tr_);
        const std::string cash = AccInf.SysKcode[0];
        const std::string cashLines = " AND (TAISHAKU=1) AND ((KCODE=:KCODE OR R_KCODE=:R_KCODE) OR (LINKREC>0))";
        if (Mode == 0) {
            sel.SetSQL("SELECT REC,SWKREC,DELFLG,KCODE,R_KCODE FROM SIWAKE\nWHERE (DELFLG IN (0,1))" + cashLines);
            upd.SetSQL("UPDATE SIWAKE SET RESERVE1=:RESERVE1,RESERVE2=:RESERVE2,LINKKEY=:LINKKEY,LINKKUB=:LINKKUB,LINKREC=:LINKREC\n"
                       ",LOCALFLG=:LOCALFLG\nWHERE SWKREC=:SWKREC");
        } else {
            sel.SetSQL("SELECT REC,SWKREC,LINKKUB,LINKKEY,RESERVE1 FROM SIWAKE\nWHERE (DELFLG=0) AND (LINKKUB=0)" + cashLines);
            upd.SetSQL("UPDATE SIWAKE SET LINKKEY=:LINKKEY,LINKKUB=:LINKKUB\nWHERE SWKREC=:SWKREC");
        }
        sel.ParamByName("KCODE").SetString(cash);
        sel.ParamByName("R_KCODE").SetString(cash);
        for (sel.ExecQuery(); !sel.Eof(); sel.Next()) {
            const int rec = sel.FieldByName("REC").AsInteger();
            upd.ParamByName("SWKREC").SetInteger(sel.FieldByName("SWKREC").AsInteger());
            if (Mode == 0) {
                const bool isCash = sel.FieldByName("KCODE").AsString() == cash || sel.FieldByName("R_KCODE").AsString() == cash;
                const bool live = isCash && sel.FieldByName("DELFLG").AsInteger() == 0;
                upd.ParamByName("RESERVE1").SetInteger(isCash ? rec : 0);
                upd.ParamByName("RESERVE2").SetInteger(0);
                upd.ParamByName("LINKKEY").SetString(live ? std::to_string(rec) : "");
                upd.ParamByName("LINKKUB").SetInteger(live ? 10 : 0);
                upd.ParamByName("LINKREC").SetInteger(0);
                upd.ParamByName("LOCALFLG").SetInteger(0);
            } else {
                upd.ParamByName("LINKKEY").SetString(std::to_string(rec));
                upd.ParamByName("LINKKUB").SetInteger(10);
            }
            upd.ExecQuery();
        }
        sel.Close();
        guard.Commit();
        Info.Kind = 1;
        Info.Code = 1;
        Info.Message = "出納帳データの送信処理が成功しました。";
        AddLog();
    } catch (const std::exception& e) {
        // The guard has rolled back what this run started when the scope was left.
        const std::string cause = "原因: " + ErrorCause(e);
        Info.Kind = 3;
        Info.Code = -100;
        Info.Message = "出納帳データの送信処理に失敗しました。 " + cause;
        AddLog();
        const std::string box = "出納帳データの送信処理中にエラーが発生しました。\r\r" + cause;
        if (auto* ui = GetErrorUi()) ui->ShowMessageBox(box, TMsgDlgType::mtError);
        else std::cerr << box << "\n";
    }
}

} // namespace kb
