#pragma once
// uAccRecord: the state every part of the system reads without passing it around.
//   SystemDef  environment, operator and screen settings of this run
//   AccInf     facts about the open data set
//   AppInfo    the values of "AppInfo.ini" (read once at start-up by LoadAppInfo)
// plus the mode flags, the hooks through which shared code reaches the hosting main form, the
// typed constants (file and folder names that start-up may replace from AppInfo.ini, fixed texts,
// default colours) and the small records several units exchange.
//
// Texts are UTF-8; paths are POSIX ("/" joins folders). Dates of the records are kb::Date (the
// null date where the original stored 0), amounts and tax rates kb::Currency.
// Only the user-interface thread writes these records. ResetAccRecord() puts everything back to
// its state at program load (tests use it between cases).

#include "platform/Currency.h"
#include "platform/Date.h"
#include "core/z5AppInfo.h"
#include "core/z5DateVersion.h"

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace kb {

class TProgressDialog; // the shared progress dialog of the user-interface kit (opaque here)

// ---- mode flags

inline std::uint8_t AppKind = 0;      // 0 accounting; 1, 2 viewers; 3 cash book. Always 0 here.
inline std::uint8_t ConnectMode = 0;  // 0 stand-alone, 1 client of a database server, 2 server-based computing
inline std::uint8_t OemFlag = 0;      // 0 normal; 1 or 2 OEM editions
inline bool IBErrorShown = false;     // a fatal database error was reported; later reports are silent
inline int DataReadOnly = 0;          // 1 when the open data set is read-only
inline std::string DataVersionText;   // written into error logs; nothing in this program fills it
// Data version numbers of the open data and the version a program requires; nothing here assigns them.
inline std::array<int, 3> DataVersionNumbers{};
inline std::array<int, 3> RequiredDataVersion{};

// ---- hooks (empty until the main form installs them; callers test before calling)

// code 10: is a menu job running (> 0 busy); code 11 "LumoraMenu": low byte -> HostMenuAnswer; code 4: shown
using THostMenuHook = std::function<int(int code, const std::string& text)>;
using THostNotifyHook = std::function<void(int code)>;
using TFormActivateHook = std::function<void(std::uint8_t flag, int value)>;
using THostStatusFlagHook = std::function<void(int panel, int flag)>;
using THostStatusTextHook = std::function<void(int panel, const std::string& text)>;
// Opens a registered form by name with "Name=Value" lines; -1 when nothing ran.
using TOpenRegisteredFormHook = std::function<int(const std::string& name, int mode, const std::string& params)>;
// Validates the data database in folder; 1 intact, 0 damaged; quiet 0 shows the damage message.
using TDataDamageCheckHook = std::function<int(const std::string& host, const std::string& folder, int quiet)>;

inline THostMenuHook HostMenuHook;
inline THostNotifyHook HostNotifyHook;
inline TFormActivateHook FormActivateHook;
inline THostStatusFlagHook HostStatusFlagHook;
inline THostStatusTextHook HostStatusTextHook;
inline TOpenRegisteredFormHook OpenRegisteredFormHook;
inline TDataDamageCheckHook DataDamageCheckHook;

// ---- small records

struct TSystemIniRec {
    int REC = 0;
    int RESERVE1 = 0, RESERVE2 = 0, RESERVE3 = 0, RESERVE4 = 0, RESERVE5 = 0;
    std::string SSTR;
};

struct TErrInfomation {
    std::uint8_t ErrFlag = 0;
    std::string FuncName;
    std::string ResultCode;
    std::string Message;
    std::string Detail;
};

// Settings of one direct trial-balance computation (AccSisanhyoDirect of the accounting subsystem).
struct TCalcSisanhyoSettingRec {
    std::string SisetuCode;     // facility code, or facility-group code
    int SisetuSingle = 0;       // 1: SisetuCode is one facility; 0: a facility group
    std::string BumonCode;      // department code, or department-group code; "00" the common department
    int BumonSingle = 0;        // 1: BumonCode is one department; 0: a department group
    int Selection = 0;          // the reader's selection (6 = direct computation)
    int Tax = 0;                // 0 tax-included amounts, 1 tax-excluded amounts
    int Haibun = 0;             // 1: allocate the common department by the HAIBUNnn ratios
    int Layout = 0;             // 0 plain, 1 A4, 2 A3, 3 and 4 closing-statement layout
    int StatementKind = 0;      // kind of statement whose summary lines are shown
    int PrevTax = 0;            // previous-year tax mode (closing layout)
    int Jigyou = 0;             // medical business division (1, 2, 4 or 8); 0 otherwise
};

struct TComListRec_s {
    std::string Code;
    std::string Name;
};

// An account-code cache entry.
struct TKamokuCodeRec {
    std::string KCODE, USERCODE, HCODE, BCODE;
    int Value1 = 0, Value2 = 0;
};

struct TLumoraSyoriInfo {
    std::string Text;
    std::uint8_t Kind = 0; // 1 情報, 2 警告, 3 エラー
    int Code = 0;
    std::string Message;
};
using TLumoraSyoriLog = std::vector<TLumoraSyoriInfo>;

using TSWKUPLIST = std::vector<std::array<std::uint8_t, 16>>;
inline TSWKUPLIST SwkUpList;

struct TScreenFont {
    std::string Name;
    int Size = 9;
    int Style = 0; // 0 none, 1 bold, 2 italic, 3 both
    int CharSet = 128;
    int Height = 0;
};

// ---- TSystemDef

struct TSystemDef {
    // start-up
    int GroupId = 0;
    std::string IniFile;
    std::string LogonUser;
    std::string WinSysDir;
    std::string DocumentsDir;
    std::string AppDataDir;
    std::string ExeDir;
    std::string BaseDir;
    std::string PrintDir;
    std::string HelpDir;
    std::string SqlDir;
    std::string IniDir;
    std::string LogDir;
    std::string WorkDir;
    std::string TempDir;
    std::string TempSubDir;
    std::string SysDir;
    std::string DataDir;
    std::string HostName;        // "127.0.0.1" = this computer; empty in stand-alone mode
    bool GoGlobal = false;
    bool GroupMode = false;
    std::string DbUser;
    std::string DbPassword;
    std::string SerialText;
    std::string PCName;
    // log-on
    int OpCode = 0;              // GroupId * 10000 + operator code
    int OpNo = 0;
    std::string OpName;
    int JobLevel = 0;            // 9 = every right
    bool AllSisetu = false;
    std::string DefSisetuCode;
    bool MyNumberAdmin = false;
    bool Approver = false;
    int DefJigyoKbn = 0;
    std::string SisetuCode;
    int KikanMode = 0;           // stays 0 in this system

    // SYSDEF columns (one field per column, named after it)
    std::string PrinterName;
    int MFLeft = 0, MFTop = 0, MFWidth = 0, MFHeight = 0;
    int LastMenu = 0;
    std::string FontName;
    int FontSize = 0, FontStyle = 0, FontCharSet = 0, FontHeight = 0;
    int GridResize = 0, ShowHint = 0, GridMaxRow = 0, GridRsiz = 0;
    int ClientColor = 0, ClientColor1 = 0, ClientColor2 = 0, ClientColor3 = 0;
    int ForeColor = 0, BorderColor = 0, ThruBorderColor = 0;
    int ActiveColor = 0;
    int ColHeaderColor = 0, FixedTopColor = 0, RowHeaderColor = 0, FixedLeftColor = 0;
    int TotalColor = 0;
    int NetColor1 = 0, NetColor2 = 0;
    int PLineColor1 = 0, PLineColor2 = 0;
    int PreviewZOOM = 0, PanelColor = 0, PanelBackColor = 0, MenuPrintSw = 0, HojWait = 0;
    int DicSwitch = 0, DicTekAuto = 0, DicTorAuto = 0;
    int DicUsednt = 0, DicType = 0, DicNum1 = 0, DicNum2 = 0, DicSortType = 0;
    int ColHeaderGradColor1 = 0, ColHeaderGradColor2 = 0;
    int ShowDataSentaku = 0;
    std::string ZenkaiDrive;
    int UserPrint = 0, SwkTotal = 0, SwkLine = 0, KingakuPlus = 0, ZeroPrint = 0;
    int SankakuPlus = 0;
    int TEK_AUTOUP = 0, TOR_AUTOUP = 0;
    int Reserve1 = 0, Reserve2 = 0, Reserve3 = 0, Reserve4 = 0, Reserve5 = 0;
    std::string SSTR;
    int Shouhyou = 0;
    int Reserve2Bit1 = 0, Reserve2Bit2 = 0;
    // Bits of Reserve4, indexed by bit number 1..11. [1] is AutoShareFlag; [5] holds the
    // three-valued field of bits 5 and 6 (1 bit 5, 2 bit 6, else 0) and [6] is unused.
    std::array<int, 12> Reserve4Bits{};
    int AutoShareFlag = 0; // bit 1 of Reserve4 (kept in step with Reserve4Bits[1] by its writers)

    // SYSREG keys of the operator (key text in the comment)
    int JiKoumokuIdou = 0;          // 次項目移動区分
    int KamokuCodeKeta = 0;         // 科目コード桁数
    int HojoCodeKeta = 0;           // 補助コード桁数
    int BumonCodeKeta = 0;          // 部門コード桁数
    int SiwakeDateFocus = 0;        // 仕訳日付フォーカス
    int MotoLastZanOut = 0;         // 元帳最終行残高出力区
    int SisanSyukeiOut = 0;         // 試算表集計出力区分
    int MotoTitleOut = 0;           // 元帳タイトル出力区分
    int SisanBSKaiPage = 0;         // 試算表ＢＳ改ページ区
    int SisanTitleOut = 0;          // 試算表タイトル出力区
    int SisanKikanOut = 0;          // 試算表期間出力区分
    std::string SisanTitle;         // 試算表タイトル
    std::string Sisan2KiTitle;      // ２期試算表タイトル
    int DataCheckKbn = 0;           // データ破損チェック区分 (group key; 1 = check)
    int TekiyouEditMode = 0;        // 摘要項目の編集モード
    int TekiyouInputKbn = 0;        // 摘要項目の入力区分
    int TorihikiInputKbn = 0;       // 取引先項目の入力区分
    int UramenKeisenPrint = 0;      // 裏面の罫線印刷区分
    int TaxCodePrint = 0;           // 消費税コード印刷区分
    int KessanTegataSousai = 0;     // 決算書手形相殺区分
    int KessanHanbaiKumiire = 0;    // 決算書販売費組入区分
    int SisanGyouChousei = 0;       // 試算表行数調整区分
    int RensouCodeInput = 0;        // 連想辞書コード入力区
    int RensouListOrder = 0;        // 連想辞書リスト並び順
    int Moto1GyouOut = 0;           // 元帳１行出力区分
    int MotoFusenOut = 0;           // 元帳付箋マーク出力区
    int RensouChusyutu = 0;         // 連想辞書抽出条件区分
    int TekDicOpen = 0;             // 摘要＿辞書開く区分
    int TorDicOpen = 0;             // 取引先＿辞書開く区分
    int TekRensouOpen = 0;          // 摘要＿連想開く区分
    int TorRensouOpen = 0;          // 取引先＿連想開く区分
    int TekAutoOpen = 0;            // 摘要＿自動開く区分
    int TorAutoOpen = 0;            // 取引先＿自動開く区分
    int TekNoInput = 0;             // 摘要＿入力なし区分
    int TorNoInput = 0;             // 取引先＿入力なし区分
    int SisanSeizouSyukeiOut = 0;   // 試算表製造集計行出区
    int DataSelectFree = 0;         // 1 = data selection not restricted per operator

    std::string AppTitle;           // title used in messages ("%sを終了します。")
    std::string AppVersion;         // nothing in this program writes it
    int OsMajorVersion = 0;
    std::array<TScreenFont, 2> ScreenFont{};
    int MenuHeight = 0, FrameHeight = 0, CaptionHeight = 0, FrameAdjust = 0;
    int BandHeight = 0;
    std::string DataSelResultParams;
    std::uint8_t HostMenuAnswer = 0;
    std::string HoujinName, HoujinAddress, HoujinTel;
    std::array<int, 3> HoujinReserve{};
    int AllSisetuSwitch = 0;
    int DataCheckFailed = 0;
    // Statement titles [balance sheet, assets, liabilities, profit and loss, expenses][all, A4, A3]
    std::array<std::array<std::string, 3>, 5> TitleTexts{};
    int DataPlaceRec = 0;
    std::string DataShareFolder;
    int DefSisetuColor = 0;
    std::string DefSisetuName;
    std::string ServerTempDir;
    int SysDbMajor = 0, SysDbMinor1 = 0, SysDbMinor2 = 0;
    TProgressDialog* ProgressDialog = nullptr;
};

// ---- TACCINF

struct TACCINF {
    int GROUPID = 0;
    std::string ENTTEXT, SERIAL;
    int TANTOU = 0, GYOUSHU = 0, DATATYPE = 0;
    std::string DataTypeName;
    int CODETYPE = 0;
    std::string CodeTypeName;
    int BumonCount = 0;
    std::string SCODE1, SCODE2, SKANA, SHOUGOU, POST, ADD1, ADD2, TEL, AO_ADD1, AO_ADD2, AO_KANA, AO_SIMEI,
        AO_GYOUSHU, AO_YAGO, AO_KANYU, AO_TEL, AO_SHOKUGYO1, AO_SHOKUGYO2, MAIL;
    Date zzKISHU, zKISHU;
    int NENDO = 0;
    Date KISHU, KIMATU, KAISI;
    int SIME = 0;
    int KAISINO = 0;
    int KaisiKikanIdx = 0;
    int KimatuKikanNo = 0;
    int KaisiMonths = 0, KimatuMonths = 0;
    int GENGOU_FLG = 0, GENGOU_HOSEI = 0;
    std::string GENGOU_NAME;
    std::array<std::string, 3> YAKUMEI{};
    std::array<Currency, 5> OLD_TAX_RATE{}, NEW_TAX_RATE{};
    std::array<Date, 5> CHG_DAYS{};
    Date KANSA_FIXDATE;
    bool KansaKessanInclude = false;
    Date KANSA_DATE;
    int CALCU = 0, TAXU_HASUU = 0, TAXH_HASUU = 0, TAXDEFUH = 0, TAXKANNI = 0, TAXJIGYOU = 0, GENKAPRINT = 0,
        KANSA_LOCK = 0, TEGATADICSW = 0, KESSAN_KIKAN = 0, CASHFLOW_KIKAN1 = 0, CASHFLOW_KIKAN2 = 0, CASHFLOWSW = 0,
        SDAI_HASUU1 = 0, SDAI_HASUU2 = 0, SDAI_HASUU3 = 0, CONVERT = 0, SHOUHYOU = 0;
    int SITEN = 0, BUMON = 0, DATALOCK = 0, GENKA_USE = 0;
    std::array<std::string, 5> GENKA_HWORD{}; // GENKA_HWORD1..5
    std::array<std::string, 5> PlusName{};    // PlusName1..5
    std::string Pasword, WebHolder;
    std::array<std::string, 6> TusinPasword{}, TusinHolder{};
    std::array<std::string, 12> SysKcode{}, SysUserCode{};
    std::string FUMEI_KCODE, FumeiUserCode;
    int SysCodeLoaded = 0;
    bool IryouHoujin = false;
    std::array<Date, 3> NendoKishu{}, NendoKimatu{}, NendoKaisi{};
    int KakoMeisai = 0;
    std::uint8_t GassanKubun = 0;
    int GassanCount = 0;
    std::uint8_t KamokuCodeKeta = 0, HojoCodeKeta = 0, BumonCodeKeta = 0;
    int IkkatuZeinuki = 0;
    std::string DataPassword;
    int PrintKikanUse = 0;
    Date PrintKikanFrom, PrintKikanTo;
    std::array<std::string, 3> TegataKcode{}, TegataUserCode{};
    std::array<int, 3> TaxDefUHList{};
    std::string GENKA_HWORD6;
    std::string PlusName6;
    int DataVerMajor = 0, DataVerMinor1 = 0, DataVerMinor2 = 0;
    int KobetuGenkaUse = 0;
    std::string KobetuGenkaName;
    std::uint8_t KobetuGenkaKeta = 0;
    int MyNumberUse = 0;
    std::string MyNumberKey, MyNumberValue;
    int CloudKubun = 0;
    int CloudLine = 0;
    DateTime CloudTime;
    std::array<bool, 5> ZeirituUse{};
    int ReadOnly = 0;
    std::array<Date, 4> QuarterEnd{};
};

inline TSystemDef SystemDef;
inline TACCINF AccInf;
// AppInfo (TAppInfoRec) lives in z5AppInfo.h with its loader.

// ---- typed constants (start-up replaces the file and folder names from AppInfo.ini)

inline const std::array<std::string, 10> InUseMessages = {
    " 他のユーザーが実行中です。《書込が制限されます。》", " 他のユーザーが実行中です。",
    " 他のユーザーがログインしています。,,（排他アクセスが必要です）", " 実行中の処理画面を閉じてください。",
    " マスターの同時編集はできません。,,（実行中のジョブがみつかりました）", "", "", "", "", ""};
inline const std::array<std::string, 4> TerminalKindNames = {"", "GO-Global", "RDS", "XenDesktop"};
inline const std::array<std::string, 13> FuncKeyLabels = {"ESC:", "F1:", "F2:", "F3:", "F4:", "F5:", "F6:",
                                                          "F7:", "F8:", "F9:", "F10:", "F11:", "F12:"};
inline const std::array<std::string, 3> TaxMarks = {"込", "抜", "－"};
inline const std::array<std::string, 3> TaxKindTexts = {"税込", "税抜", "税外"};
inline const std::string NoSelectionText = "選択なし";
inline const std::array<std::string, 2> SignMarks = {"▲", "▼"};
inline const std::array<std::string, 2> SignMarks2 = {"⊿", "▼"};
inline const std::array<std::string, 4> FontNames = {"ＭＳ 明朝", "ＭＳ ゴシック", "ＭＳ Ｐ明朝", "ＭＳ Ｐゴシック"};
inline const std::array<std::string, 6> DataKindNames = {"法人", "個人(一般)", "個人(不動産)", "医療法人", "個人(クリニック)", "個人(農業)"};
inline const std::array<std::string, 3> WholeUnitNames = {"法人全体", "総体", "法人全体"};
inline const std::array<std::string, 5> MedicalBusinessNames = {"法人全体", "病院・診療所", "老人保健施設", "指定訪問看護", "その他の事業"};
inline const std::string BumonTotalName = "全部門合計";
inline const std::array<std::string, 2> TaxInExTexts = {"税込", "税抜"};
inline const std::array<std::string, 2> TaxInExTexts2 = {"（税込）", "（税抜）"};
inline const std::array<std::string, 4> TaisyakuSignTexts = {"借＋", "借－", "貸＋", "貸－"};
inline const std::array<std::string, 2> TaisyakuTexts = {"借方", "貸方"};
inline const std::array<std::string, 6> TaxBusinessNames = {"第一種事業", "第二種事業", "第三種事業", "第四種事業", "第五種事業", "第六種事業"};
inline const std::set<int> LocalGassanKinds = {0, 1, 2};
inline const std::set<int> ConsolidatedGassanKinds = {1, 2};

inline std::string MakerDirName = "zandrel";
inline std::string AppNameText = "vqzaimu";
inline std::string HomeDirName = "zandrel/dadozizidiv";
inline std::string ViewerAppName = "vqzview";
inline std::string AzimoDirName = "zandrel/Azimo";
inline std::string ShareDirName = "dadozizidiv";
inline std::string ServerDirName = "/dadozizidiv/data";
inline std::string ServerTempDirName = "/dadozizidiv/temp";
inline std::string DataDefFileName = "vqaccdef.fdb";
inline std::string DataFileName = "vqacc.fdb";
inline std::string DataBackupFileName = "vqacc.fbk";
inline std::string DataIniFileName = "vqacc.ini";
inline std::array<std::string, 6> TemplateBackupNames = {"acc11.gbk", "acc21.gbk", "acc22.gbk", "acc23.gbk", "acc24.gbk", "acc31.gbk"};
inline std::string CashBookDirName = "cb_data";
inline std::string CashBookBackupFileName = "vqcashbook.fbk";
// Colours as 0x00BBGGRR values, as the system stores them.
inline std::array<int, 8> DefaultScreenColors = {0xDBDBDB, 0xFFFFFF, 0xDBDBDB, 0xFFFFFF, 0xFFFFFF, 0xE1F0FF, 0x8EC7FF, 0x246BFF};
inline std::string BackupFileName = "vqacc.fbk";
inline int DataListSlotMax = 120;

// The fixed date and time formats of the system (never a locale's). kb::Date::ToString and
// kb::DateTime::ShortTime/TimeString produce the short forms; LongDateText the long one.
inline constexpr const char* ShortDateFormat = "yyyy/MM/dd";
inline constexpr const char* LongDateFormat = "yyyy年MM月dd日";
inline constexpr const char* ShortTimeFormat = "hh:mm";
inline constexpr const char* LongTimeFormat = "hh:mm:ss";
inline constexpr char DateSeparator = '/';
inline constexpr char TimeSeparator = ':';
std::string LongDateText(Date d); // "2024年02月09日"; empty for the null date

// Back to the state at program load: records cleared, flags 0, hooks removed, constants restored.
void ResetAccRecord();

} // namespace kb
