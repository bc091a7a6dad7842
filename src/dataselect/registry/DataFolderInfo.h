#pragma once
// The state and description of a data folder as the selection uses them: the information file
// "vqacc.ini" (sections DATASTS and DATAINFO), read and written through the data-set information
// class TDataInfomation (which owns the file's format and writes it only in stand-alone mode), and
// the data set's own facts read from its database over an attachment of its own, so that several
// folders can be read at once while the open data set stays connected.

#include <string>

namespace kb {

namespace fb {
class Connection;
}

struct TDataFolderInfoRec {
    int STATUS = 1;            // 1 free, 2 in use, 3 data lock, ... 10 damaged
    int OPCODE = 0;            // operator number of the status
    std::string OPERATOR;
    int SHARE_STATUS = 1;      // 1 free, 2 taken
    int SHARE_OPCODE = 0;
    std::string SHARE_OPERATOR;
    int UPDATE_LOCK = 0;
    int READ_ONLY = 0;
    std::string DATALISTNAME;
    std::string CODE;
    int DATAKBN = 0;
    int CODEKBN = 0;
    std::string SHOUGOU;
    std::string KANA;
    int NENDO = 0;
    std::string KISHU;         // "yyyy/mm/dd"
    std::string KIMATU;
    int TANTO = 0;
    int SIWAKE = 0;
    int TOTALSIWAKE = 0;
    std::string VERSION1;      // "15.0.0"
    std::string VERSION2;      // version label
    int GASSANKBN = 0;
    int CLOUD_SHARE = 0;
};

struct TDataInfomationRec;
// The selection's record of the data-set information class's record.
TDataFolderInfoRec FolderInfoFrom(const TDataInfomationRec& info);

// "folder/vqacc.ini".
std::string DataIniPath(const std::string& folder);
// Status 1, share status 1, every text empty.
void ClearDataInfoRec(TDataFolderInfoRec& rec);
// Reads the information file into rec (cleared first). True when the folder's data file or its
// information file exists.
bool ReadDataIni(const std::string& folder, TDataFolderInfoRec& rec);
// Writes DATASTS STATUS with this operator's number and name (stand-alone mode only).
void SetDataStatus(const std::string& folder, int status);
// Writes DATASTS SHARE_STATUS (stand-alone mode only).
void SetShareStatus(const std::string& folder, int status);
// Reads the data set's own facts (ACCDEF1 row 1, the newest ACCVERSION) from the folder's database
// over a connection of its own into rec (the fields the file does not hold stay). 1 on success,
// 0 when the database cannot be read.
int ReadDataInfoFromFolder(const std::string& folder, TDataFolderInfoRec& rec);
// An attachment of the caller's own to the data set of folder (on the server in the server modes).
void OpenDataSet(fb::Connection& db, const std::string& folder);
// Whether the data set's database opens and answers now (an attachment closed at once).
bool DataSetOpens(const std::string& folder);
// Copies the fields ReadDataInfoFromFolder fills.
void CopyDataFacts(const TDataFolderInfoRec& from, TDataFolderInfoRec& to);
// Writes one value, or the DATAINFO section, of the information file (stand-alone mode only).
void WriteIniValue(const std::string& folder, const std::string& section, const std::string& key, int value);
void WriteDataInfoSection(const std::string& folder, const TDataFolderInfoRec& rec);

} // namespace kb
