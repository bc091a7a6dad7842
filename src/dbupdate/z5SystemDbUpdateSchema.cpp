// System steps 0.3.1 to 5.0.0: their statements are carried here.
#include "core/DataModule.h"
#include "core/TGamenKeyValue.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DataUpScript.h"
#include "dbupdate/z5SystemDbUpdate.h"
#include "platform/Text.h"

#include <cstdio>

namespace kb {
namespace {

// Frame, [SET NAMES], statements, version record, COMMIT; then the tool.
int RunStep(int major, int minor1, int minor2, const std::vector<std::string>& statements, bool setNames)
{
    TDataUpScript s(0);
    if (setNames) s.Add("SET NAMES SJIS_0208;");
    for (const std::string& l : statements) s.Add(l);
    s.AddVersionRecord(major, minor1, minor2, DataUpTimeText());
    s.Add("COMMIT;");
    s.Save();
    return RunDataUpScript(VersionText(major, minor1, minor2));
}

const std::vector<std::string> kVersionTriggerBody = {
    "AS",
    "DECLARE VARIABLE MAXREC INTEGER;",
    "BEGIN",
    "  SELECT MAX(REC) FROM VERSION INTO :MAXREC;",
    "  IF (MAXREC IS NULL) THEN NEW.REC = 1;",
    "  ELSE NEW.REC = MAXREC + 1;",
    "END^",
};

void Append(std::vector<std::string>& to, const std::vector<std::string>& from) { to.insert(to.end(), from.begin(), from.end()); }

const char* const kRegistryTables[] = {"DATALIST", "SERVERDATALIST", "CHILD_DATALIST", "CHILD_SERVERDATALIST"};

// Only the client/server installation names its data folders by the server's system folder.
std::vector<std::string> DataListUpdateCall()
{
    if (ConnectMode != 1) return {};
    return {"SELECT * FROM SP_DATALIST_UPDATE(" + SqlLiteral(SystemDef.SysDir) + ");", "COMMIT;"};
}

} // namespace

void RegisterSystemDbUpdate031(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 0, 3, 1, SystemDbUpdate031, 1, "共有サーバー機能の追加", "共有サーバー機能を追加します。");
}
void RegisterSystemDbUpdate032(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 0, 3, 2, SystemDbUpdate032, 0, "電子帳簿用ユーザーの追加", "電子帳簿用ユーザーを追加します。");
}
void RegisterSystemDbUpdate033(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 0, 3, 3, SystemDbUpdate033, 0, "経営Azimoユーザーの追加", "経営Azimoユーザーを追加します。");
}
void RegisterSystemDbUpdate101(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 1, 0, 1, SystemDbUpdate101, 0, "データリスト上のデータフォルダ名を大文字に統一",
         "データリスト上のデータフォルダ名が大文字と小文字の混在表記のため全て大文字に統一します。");
}
void RegisterSystemDbUpdate300(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 3, 0, 0, SystemDbUpdate300, 0, "旧バージョンデータの更新を禁止する機能を追加",
         "旧バージョンデータの更新を設定により禁止することが可能になります。");
}
void RegisterSystemDbUpdate305(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 3, 0, 5, SystemDbUpdate305, 0, "データ合算機能の追加", "データの合算処理が可能になります。");
}
void RegisterSystemDbUpdate307(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 3, 0, 7, SystemDbUpdate307, 0, "処理コントロールデータの改修",
         "処理レベルによる処理コントロールのデータ関連性を改修します。");
}
void RegisterSystemDbUpdate400(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 4, 0, 0, SystemDbUpdate400, 1, "データ選択に会社コード列を追加 他",
         "１）データ選択で会社コードをキーとした検索機能が利用可能となります。\r２）コード体系保存件数が20件へ拡張となります。");
}
void RegisterSystemDbUpdate402(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 4, 0, 2, SystemDbUpdate402, 1, "データ選択でデータの破損検証",
         "１）データ選択でデータの破損を検証する機能が追加されます。");
}
void RegisterSystemDbUpdate500(TDbUpdateListRec& r)
{
    FillDbUpdateListRec(r, 5, 0, 0, SystemDbUpdate500, 1, "Ｃ／Ｓ版でフォルダ毎にデータを管理する機能を追加",
         "１）Ｃ／Ｓ版でフォルダ毎にデータを管理する機能を追加する。");
}

int SystemDbUpdate031()
{
    std::vector<std::string> s = {"SET TERM ^ ;", "CREATE TRIGGER VERSION_REC FOR VERSION ACTIVE BEFORE INSERT POSITION 0"};
    Append(s, kVersionTriggerBody);
    Append(s, {
        "SET TERM ;^",
        "ALTER TABLE DATALIST ADD VER_TEXT VARCHAR(20) CHARACTER SET SJIS_0208,",
        "  ADD KYOYULOCK INTEGER DEFAULT 0;",
        "DROP TRIGGER SERVERDATALIST_NO;",
        "ALTER TABLE SERVERDATALIST DROP GROUPID;",
        "DROP TABLE SERVERDATALIST;",
        "CREATE TABLE SERVERDATALIST (",
        "  GROUPID     INTEGER NOT NULL,",
        "  DRIVELETTER VARCHAR(1) CHARACTER SET ASCII NOT NULL,",
        "  REC         INTEGER NOT NULL,",
        "  ENTTEXT     VARCHAR(20) CHARACTER SET SJIS_0208,",
        "  SHOUGOU     VARCHAR(20) CHARACTER SET SJIS_0208,",
        "  PASNAME     VARCHAR(128) CHARACTER SET SJIS_0208,",
        "  DATATYPE    INTEGER,",
        "  CODETYPE    INTEGER,",
        "  NENDO       INTEGER,",
        "  KISHU       TIMESTAMP,",
        "  KIMATU      TIMESTAMP,",
        "  DATALOCK    INTEGER DEFAULT 0,",
        "  TANTOU      INTEGER DEFAULT 0,",
        "  VER_MAJOR   INTEGER DEFAULT 0,",
        "  VER_MINOR1  INTEGER DEFAULT 0,",
        "  VER_MINOR2  INTEGER DEFAULT 0,",
        "  VER_TEXT    VARCHAR(20) CHARACTER SET SJIS_0208,",
        "  CONSTRAINT PK_SERVERDATALIST PRIMARY KEY (GROUPID, DRIVELETTER, REC),",
        "  CONSTRAINT FK_SERVERDATALIST_GROUP FOREIGN KEY (GROUPID) REFERENCES USERGROUP (GROUPID)",
        "    ON UPDATE CASCADE ON DELETE CASCADE",
        ");",
        "CREATE TABLE KENSAKUJYOKEN (",
        "  OPCODE     INTEGER NOT NULL,",
        "  LISTTYPE   INTEGER NOT NULL,",
        "  JYOKENUSE  INTEGER,",
        "  DATATYPE   INTEGER,",
        "  CODETYPE   INTEGER,",
        "  DATACODE   VARCHAR(10) CHARACTER SET ASCII,",
        "  DATANAME   VARCHAR(20) CHARACTER SET SJIS_0208,",
        "  TANTO      INTEGER,",
        "  DATAVER    VARCHAR(10) CHARACTER SET ASCII,",
        "  SEIHINNAME VARCHAR(20) CHARACTER SET SJIS_0208,",
        "  SORTCOL    INTEGER,",
        "  SORTTYPE   INTEGER,",
        "  CONSTRAINT PK_KENSAKUJYOKEN PRIMARY KEY (OPCODE, LISTTYPE)",
        ");",
    });
    return RunStep(0, 3, 1, s, false);
}

int SystemDbUpdate032()
{
    return RunStep(0, 3, 2,
                   {"INSERT INTO OPERATOR(GROUPID,OPCODE,OPNAME,JOBLEVEL,PASWORD,DATAPAS,JIMUSHO,OKINIIRI,KANSA)",
                    "VALUES(10000,1,'システムユーザー',9,'1','',0,0,0);", "COMMIT;"},
                   false);
}

int SystemDbUpdate033()
{
    return RunStep(0, 3, 3, {"UPDATE OPERATOR SET PASWORD='' ", "WHERE GROUPID=10000 AND OPCODE=1;", "COMMIT;"}, false);
}

int SystemDbUpdate101() { return RunStep(1, 0, 1, DataListUpdateCall(), false); }

int SystemDbUpdate300()
{
    std::vector<std::string> s = {"SET TERM ^ ;", "ALTER TRIGGER VERSION_REC ACTIVE BEFORE INSERT POSITION 0"};
    Append(s, kVersionTriggerBody);
    Append(s, {"SET TERM ; ^", "COMMIT;",
               "ALTER TABLE DATALIST ADD UPDATE_LOCK INTEGER DEFAULT 0, ADD GASSAN INTEGER DEFAULT 0;",
               "ALTER TABLE SERVERDATALIST ADD UPDATE_LOCK INTEGER DEFAULT 0, ADD GASSAN INTEGER DEFAULT 0;",
               "UPDATE DATALIST       SET UPDATE_LOCK=0,GASSAN=0;", "UPDATE SERVERDATALIST SET UPDATE_LOCK=0,GASSAN=0;"});
    return RunStep(3, 0, 0, s, false);
}

int SystemDbUpdate305()
{
    return RunStep(3, 0, 5,
                   {
                       "RECREATE TABLE CHILD_DATALIST (",
                       "  REC         INTEGER NOT NULL,",
                       "  ROWNO       INTEGER NOT NULL,",
                       "  GROUPID     INTEGER DEFAULT 10000,",
                       "  ENTTEXT     VARCHAR(20) CHARACTER SET SJIS_0208,",
                       "  SHOUGOU     VARCHAR(20) CHARACTER SET SJIS_0208,",
                       "  PASNAME     VARCHAR(127) CHARACTER SET SJIS_0208,",
                       "  NETDRIVE    INTEGER,",
                       "  DATATYPE    INTEGER,",
                       "  CODETYPE    INTEGER,",
                       "  NENDO       INTEGER,",
                       "  KISHU       TIMESTAMP,",
                       "  KIMATU      TIMESTAMP,",
                       "  DATALOCK    INTEGER DEFAULT 0,",
                       "  TANTOU      INTEGER DEFAULT 0,",
                       "  VER_MAJOR   INTEGER DEFAULT 0,",
                       "  VER_MINOR1  INTEGER DEFAULT 0,",
                       "  VER_MINOR2  INTEGER DEFAULT 0,",
                       "  VER_TEXT    VARCHAR(20) CHARACTER SET SJIS_0208,",
                       "  KYOYULOCK   INTEGER DEFAULT 0,",
                       "  UPDATE_LOCK INTEGER DEFAULT 0,",
                       "  GASSAN      INTEGER DEFAULT 0,",
                       "  CONSTRAINT PK_CHILD_DATALIST PRIMARY KEY (REC, ROWNO),",
                       "  CONSTRAINT FK_CHILD_DATALIST FOREIGN KEY (REC) REFERENCES DATALIST (REC)",
                       "    ON UPDATE CASCADE ON DELETE CASCADE",
                       ");",
                       "RECREATE TABLE CHILD_SERVERDATALIST (",
                       "  GROUPID     INTEGER NOT NULL,",
                       "  DRIVELETTER VARCHAR(1) CHARACTER SET ASCII NOT NULL,",
                       "  REC         INTEGER NOT NULL,",
                       "  ROWNO       INTEGER NOT NULL,",
                       "  ENTTEXT     VARCHAR(20) CHARACTER SET SJIS_0208,",
                       "  SHOUGOU     VARCHAR(20) CHARACTER SET SJIS_0208,",
                       "  PASNAME     VARCHAR(127) CHARACTER SET SJIS_0208,",
                       "  DATATYPE    INTEGER,",
                       "  CODETYPE    INTEGER,",
                       "  NENDO       INTEGER,",
                       "  KISHU       TIMESTAMP,",
                       "  KIMATU      TIMESTAMP,",
                       "  DATALOCK    INTEGER DEFAULT 0,",
                       "  TANTOU      INTEGER DEFAULT 0,",
                       "  VER_MAJOR   INTEGER DEFAULT 0,",
                       "  VER_MINOR1  INTEGER DEFAULT 0,",
                       "  VER_MINOR2  INTEGER DEFAULT 0,",
                       "  VER_TEXT    VARCHAR(20) CHARACTER SET SJIS_0208,",
                       "  UPDATE_LOCK INTEGER DEFAULT 0,",
                       "  GASSAN      INTEGER DEFAULT 0,",
                       "  CONSTRAINT PK_CHILD_SERVERDATALIST PRIMARY KEY (GROUPID, DRIVELETTER, REC, ROWNO),",
                       "  CONSTRAINT FK_CHILD_SERVERDATALIST FOREIGN KEY (GROUPID, DRIVELETTER, REC)",
                       "    REFERENCES SERVERDATALIST (GROUPID, DRIVELETTER, REC) ON UPDATE CASCADE ON DELETE CASCADE",
                       ");",
                       "COMMIT;",
                   },
                   false);
}

int SystemDbUpdate307()
{
    std::vector<std::string> s;
    const int moves[6][2] = {{10, 100}, {11, 110}, {12, 120}, {110, 12}, {100, 11}, {120, 10}};
    for (const auto& m : moves) {
        s.push_back("UPDATE JOBCONTROL SET PAGENO=" + std::to_string(m[1]) + " ");
        s.push_back("WHERE (LEVELNO>1000) AND (PAGENO=" + std::to_string(m[0]) + ");");
    }
    s.push_back("COMMIT;");
    return RunStep(3, 0, 7, s, false);
}

int SystemDbUpdate400()
{
    std::vector<std::string> s = {
        "RECREATE TABLE GENGO (",
        "  GName      VARCHAR(10) CHARACTER SET SJIS_0208 DEFAULT '',",
        "  GSign      VARCHAR(2) CHARACTER SET ASCII DEFAULT '',",
        "  StartDate  TIMESTAMP,",
        "  YearOffSet INTEGER DEFAULT 0",
        ");",
        "INSERT INTO GENGO VALUES('明治','M','1868/09/08',1868);",
        "INSERT INTO GENGO VALUES('大正','T','1912/07/30',1912);",
        "INSERT INTO GENGO VALUES('昭和','S','1926/12/25',1926);",
        "INSERT INTO GENGO VALUES('平成','H','1989/01/08',1989);",
        "COMMIT;",
    };
    for (const char* t : kRegistryTables)
        s.push_back(std::string("ALTER TABLE ") + t + " ADD DATACODE VARCHAR(10) CHARACTER SET ASCII DEFAULT '';");
    for (const char* t : kRegistryTables) s.push_back(std::string("UPDATE ") + t + " SET DATACODE='';");
    Append(s, {
        "COMMIT;",
        "SET TERM ^ ;",
        "CREATE OR ALTER PROCEDURE SP_DATALIST_INSERT (",
        "  MAXCNT   INTEGER,",
        "  PATHTEXT VARCHAR(254) CHARACTER SET SJIS_0208)",
        "RETURNS (",
        "  REC     INTEGER,",
        "  PASNAME VARCHAR(254) CHARACTER SET SJIS_0208)",
        "AS",
        "DECLARE VARIABLE CNT INTEGER;",
        "DECLARE VARIABLE NUMTEXT VARCHAR(8);",
        "BEGIN",
        "  SELECT MAX(REC) FROM DATALIST INTO :CNT;",
        "  IF (CNT IS NULL) THEN CNT = 0;",
        "  WHILE (CNT < MAXCNT) DO",
        "  BEGIN",
        "    CNT = CNT + 1;",
        "    REC = CNT;",
        "    NUMTEXT = CAST(CNT + 10000 AS VARCHAR(8));",
        "    PASNAME = PATHTEXT || '/' || SUBSTRING(NUMTEXT FROM CHAR_LENGTH(NUMTEXT) - 3 FOR 4);",
        "    INSERT INTO DATALIST (REC, GROUPID, ENTTEXT, SHOUGOU, PASNAME, NETDRIVE, DATATYPE,",
        "                          CODETYPE, NENDO, KISHU, KIMATU)",
        "      VALUES (:REC, 10000, '', '', :PASNAME, 0, 0, 0, 0, '1899-12-30', '1899-12-30');",
        "    SUSPEND;",
        "  END",
        "END^",
        "SET TERM ; ^",
        "COMMIT;",
        "DELETE FROM USERCODE WHERE RECNO>10;",
    });
    for (int n = 11; n <= 20; ++n)
        s.push_back("INSERT INTO USERCODE(RECNO,NAME,DATATYPE,CODETYPE,INIDAT1,INIDAT2,INIDAT3,INIDAT4,INIDAT5,INIDAT6,"
                    "INIDAT7,INIDAT8) VALUES(" + std::to_string(n) + ",'',0,0,'','','','','','','','');");
    Append(s, {"COMMIT;", "UPDATE SYSTEMINI SET RESERVE2=63 ", "WHERE (REC=10) AND (RESERVE1=1);", "COMMIT;"});
    return RunStep(4, 0, 0, s, false);
}

int SystemDbUpdate402()
{
    std::vector<std::string> s;
    if (OemFlag == 0) {
        s = DataListUpdateCall();
        for (const char* t : kRegistryTables)
            s.push_back(std::string("ALTER TABLE ") + t +
                        " ADD DATA_STATUS INTEGER DEFAULT 0, ADD YOBI1 VARCHAR(10) CHARACTER SET ASCII DEFAULT '',"
                        " ADD YOBI2 VARCHAR(10) CHARACTER SET ASCII DEFAULT '', ADD YOBI3 VARCHAR(10) CHARACTER SET ASCII DEFAULT '';");
        for (const char* t : kRegistryTables)
            s.push_back(std::string("UPDATE ") + t + " SET DATA_STATUS=0,YOBI1='',YOBI2='',YOBI3='';");
        s.push_back("COMMIT;");
    }
    return RunStep(4, 0, 2, s, true);
}

std::string DataPlaceName(const std::string& folder)
{
    // The folder names its place when it fits NAME (20 characters, 40 bytes); else the standard name.
    std::size_t chars = 0;
    for (unsigned char c : folder)
        if ((c & 0xC0) != 0x80) ++chars;
    return sjis::ByteLength(folder) <= 40 && chars <= 20 ? folder : "標準の場所";
}

std::vector<std::string> DataPlaceRows(const std::string& folder)
{
    std::vector<std::string> s;
    s.push_back("INSERT INTO DATAPLACEMAN(REC,ORDERKBN,NAME,PATH) VALUES(0,1," + SqlLiteral(DataPlaceName(folder)) + "," +
                SqlLiteral(folder) + ");");
    for (int n = 1; n <= 99; ++n) {
        char two[8];
        std::snprintf(two, sizeof two, "%.2d", n);
        s.push_back("INSERT INTO DATAPLACEMAN(REC,ORDERKBN,NAME,PATH) VALUES(" + std::to_string(n) + "," +
                    std::to_string(n + 1) + ",''," + SqlLiteral(folder + two) + ");");
    }
    return s;
}

namespace {

// OEM edition: the installation's code-system files into the slots 1 to 10 (slot 7 none); the first
// failure ends the imports. The step goes on whatever happens here.
void ImportOemCodeSystems()
{
    if (!DM) return;
    const char* const files[10] = {"販売業.txt", "製造業.txt", "建設業.txt", "運送業.txt", "病院.txt", "その他.txt", nullptr,
                                   "個人　一般.txt", "個人　不動産.txt", "個人　医業.txt"};
    const bool wasConnected = DM->IBDatabaseDEF.Connected();
    try {
        if (wasConnected || DM->fnAccDefConnected(SystemDef.HostName, true)) {
            TCodeTaikeiIO io(DM->IBDatabaseDEF, DM->IBTransactionDEF);
            for (int slot = 1; slot <= 10; ++slot) {
                if (!files[slot - 1]) continue;
                if (!io.ImportFromFile(PerVersionFile(5, 0, 0, files[slot - 1]), slot)) break;
            }
        }
    } catch (const std::exception&) {
    }
    if (!wasConnected) DM->IBDatabaseDEF.Close();
}

} // namespace

int SystemDbUpdate500()
{
    if (OemFlag != 0) ImportOemCodeSystems();
    std::vector<std::string> s = {
        "CREATE TABLE DATAPLACEMAN (",
        "  REC      INTEGER NOT NULL,",
        "  ORDERKBN INTEGER DEFAULT 0,",
        "  NAME     VARCHAR(20) CHARACTER SET SJIS_0208 DEFAULT '',",
        "  PATH     VARCHAR(127) CHARACTER SET SJIS_0208 DEFAULT '',",
        "  YOBI1    VARCHAR(10) CHARACTER SET ASCII DEFAULT '',",
        "  YOBI2    VARCHAR(10) CHARACTER SET ASCII DEFAULT '',",
        "  YOBI3    VARCHAR(10) CHARACTER SET ASCII DEFAULT '',",
        "  CONSTRAINT PK_DATAPLACEMAN PRIMARY KEY (REC)",
        ");",
        "CREATE TABLE DATALIST_EX (",
        "  DATAPLACEREC INTEGER NOT NULL,",
        "  REC          INTEGER NOT NULL,",
        "  GROUPID      INTEGER DEFAULT 10000,",
        "  ENTTEXT      VARCHAR(20) CHARACTER SET SJIS_0208 DEFAULT '',",
        "  SHOUGOU      VARCHAR(20) CHARACTER SET SJIS_0208 DEFAULT '',",
        "  PASNAME      VARCHAR(127) CHARACTER SET SJIS_0208 DEFAULT '',",
        "  NETDRIVE     INTEGER DEFAULT 0,",
        "  DATATYPE     INTEGER DEFAULT 0,",
        "  CODETYPE     INTEGER DEFAULT 0,",
        "  NENDO        INTEGER DEFAULT 0,",
        "  KISHU        TIMESTAMP,",
        "  KIMATU       TIMESTAMP,",
        "  DATALOCK     INTEGER DEFAULT 0,",
        "  TANTOU       INTEGER DEFAULT 0,",
        "  VER_MAJOR    INTEGER DEFAULT 0,",
        "  VER_MINOR1   INTEGER DEFAULT 0,",
        "  VER_MINOR2   INTEGER DEFAULT 0,",
        "  VER_TEXT     VARCHAR(20) DEFAULT '',",
        "  KYOYULOCK    INTEGER DEFAULT 0,",
        "  UPDATE_LOCK  INTEGER DEFAULT 0,",
        "  GASSAN       INTEGER DEFAULT 0,",
        "  DATACODE     VARCHAR(10) CHARACTER SET ASCII DEFAULT '',",
        "  DATA_STATUS  INTEGER DEFAULT 0,",
        "  YOBI1        VARCHAR(10) CHARACTER SET ASCII DEFAULT '',",
        "  YOBI2        VARCHAR(10) CHARACTER SET ASCII DEFAULT '',",
        "  YOBI3        VARCHAR(10) CHARACTER SET ASCII DEFAULT '',",
        "  CONSTRAINT PK_DATALIST_EX PRIMARY KEY (DATAPLACEREC, REC),",
        "  CONSTRAINT FK_DATALIST_EX_PLACE FOREIGN KEY (DATAPLACEREC) REFERENCES DATAPLACEMAN (REC)",
        "    ON UPDATE CASCADE ON DELETE CASCADE,",
        "  CONSTRAINT FK_DATALIST_EX_GROUP FOREIGN KEY (GROUPID) REFERENCES USERGROUP (GROUPID)",
        "    ON UPDATE CASCADE ON DELETE CASCADE",
        ");",
        "SET TERM ^ ;",
        "CREATE OR ALTER PROCEDURE SP_DATALIST_INSERT (",
        "  DATAPLACEREC INTEGER,",
        "  PATHTEXT     VARCHAR(254) CHARACTER SET SJIS_0208,",
        "  MAXCNT       INTEGER)",
        "RETURNS (",
        "  REC      INTEGER,",
        "  PATHNAME VARCHAR(254) CHARACTER SET SJIS_0208)",
        "AS",
        "DECLARE VARIABLE CNT INTEGER;",
        "DECLARE VARIABLE NUMTEXT VARCHAR(8);",
        "BEGIN",
        "  IF (DATAPLACEREC = 0) THEN",
        "    SELECT MAX(REC) FROM DATALIST INTO :CNT;",
        "  ELSE",
        "    SELECT MAX(REC) FROM DATALIST_EX WHERE DATAPLACEREC = :DATAPLACEREC INTO :CNT;",
        "  IF (CNT IS NULL) THEN CNT = 0;",
        "  WHILE (CNT < MAXCNT) DO",
        "  BEGIN",
        "    CNT = CNT + 1;",
        "    REC = CNT;",
        "    NUMTEXT = CAST(CNT + 10000 AS VARCHAR(8));",
        "    PATHNAME = PATHTEXT || '/' || SUBSTRING(NUMTEXT FROM CHAR_LENGTH(NUMTEXT) - 3 FOR 4);",
        "    IF (DATAPLACEREC = 0) THEN",
        "      INSERT INTO DATALIST (REC, GROUPID, ENTTEXT, SHOUGOU, PASNAME, NETDRIVE, DATATYPE,",
        "                            CODETYPE, NENDO, KISHU, KIMATU)",
        "        VALUES (:REC, 10000, '', '', :PATHNAME, 0, 0, 0, 0, '1899-12-30', '1899-12-30');",
        "    ELSE",
        "      INSERT INTO DATALIST_EX (DATAPLACEREC, REC, GROUPID, ENTTEXT, SHOUGOU, PASNAME, NETDRIVE,",
        "                               DATATYPE, CODETYPE, NENDO, KISHU, KIMATU)",
        "        VALUES (:DATAPLACEREC, :REC, 10000, '', '', :PATHNAME, 0, 0, 0, 0, '1899-12-30', '1899-12-30');",
        "    SUSPEND;",
        "  END",
        "END^",
        "SET TERM ; ^",
        "COMMIT;",
    };
    Append(s, DataPlaceRows(SystemDef.SysDir));
    s.push_back("COMMIT;");
    if (OemFlag != 0) Append(s, {"UPDATE SYSREG SET STEXT='1' WHERE SCODE='試算表集計出力区分';", "COMMIT;"});
    return RunStep(5, 0, 0, s, true);
}

} // namespace kb
