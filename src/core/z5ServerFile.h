#pragma once
// File and folder operations by connection mode: on this computer's disk in stand-alone mode
// (mode 0), on the database server's disk in the server modes (1, 2) through the selectable
// procedures FILEOPERATION, DIRECTORYTEST and LONGTOSHORTFILENAME of the system database (the
// server side is our UDR plugin, src/fb/udr, which refuses paths outside its data roots; see
// docs/server-files.md). Any other mode does nothing and answers false.
//
// Every operation answers false rather than raising; the server routines report their failures
// through the database error reporter and leave a caller's transaction untouched.

#include <string>

namespace kb {

class TDM;

bool DExist(TDM& dm, const std::string& path, int mode);
bool MkDir(TDM& dm, const std::string& path, int mode);
bool RmDir(TDM& dm, const std::string& path, int mode, bool allowUndo);
bool FExist(TDM& dm, const std::string& path, int mode);
bool FDel(TDM& dm, const std::string& path, int mode, bool allowUndo);
bool FCopy(TDM& dm, const std::string& source, const std::string& target, int mode);
// Moves source over target. An existing target is replaced only once the new content is complete
// (rename over it; across file systems a copy beside the target renamed over it); the server route
// copies and then deletes the source, keeping the source when the copy failed.
bool FMove(TDM& dm, const std::string& source, const std::string& target, int mode);
// The short form of the path (on Linux the path itself); the path unchanged when it cannot be had.
void GetShortFileName(TDM& dm, const std::string& path, int mode, std::string& shortName);

// "FEXIST", "FCOPY", "FDEL", "DEXIST", "MKDIR", "RMDIR" in any letter case; true when the server
// answered WBOOL 1. Connects the system database for the call when it is not connected.
bool ServerFileOperation(TDM& dm, const std::string& operation, const std::string& path1, const std::string& path2);
// shortName unchanged on failure or for an empty path.
void ServerLongToShortFileName(TDM& dm, const std::string& path, std::string& shortName);

} // namespace kb
