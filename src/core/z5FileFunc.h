#pragma once
// Folder and file helpers that wrap the operating system: special folders, path forms, folder
// creation and listing, a read-buffered file stream, the information trailer of backup files, INI
// and registry access, and the decision part of the writable-folder check. The dialogs that choose
// folders and files are in ui/z5FileDlg; here are only their rules, behind an interface.
//
// Paths are POSIX and UTF-8. "Without trailing delimiter" drops a final "/" unless the path is the
// root "/". Free helpers report failure by a sentinel (false, -1, an empty text), except where a
// comment says they raise.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace kb {

// ---- special folders and paths ----------------------------------------------------------------

// The folder the program runs from (KB_PROGRAM_DIR when set, as the fixture builder uses).
std::string GetProgramDir();
// The system folder (ShellFolders::SystemDir); empty when it cannot be read.
void GetSystemDir(std::string& dir);
// The Documents folder; the program's folder when the system gives none.
void GetMyDocumentsDir(std::string& dir);
// Everyone's (common) or the user's application data folder; the program's folder when none.
void GetAppDataDir(bool common, std::string& dir);
// "desktop", "mydocument", "programfiles" (any letter case); every other name, or an empty
// answer, gives the program's folder.
void GetSpecialFolderByName(const std::string& name, std::string& dir);
// The folder named by TEMP (without trailing delimiter) when it exists, else def.
void GetTempDir(const std::string& def, std::string& dir);
// Network drive letters do not exist here: every path is already its universal name.
void GetUNCPath(const std::string& path, std::string& unc);
// There are no 8.3 names: the short form of an existing path is the path itself. Raises
// std::runtime_error("ファイルが見つかりません。") when the path does not exist.
void GetShortPath(const std::string& longPath, std::string& shortPath);
// True when the folder exists or could be created with its parents.
bool ForceDirs(const std::string& path);
void ExcludeSlash(const std::string& path, std::string& out);
void IncludeSlash(const std::string& path, std::string& out);
std::string ExcludeSlash(const std::string& path);
std::string IncludeSlash(const std::string& path);
// The subfolders of folder (names when nameOnly is 1, else folder + "/" + name), sorted by name
// so the answer does not depend on the file system. A missing or blank folder gives an empty list.
void EnumSubDirs(const std::string& folder, int nameOnly, std::vector<std::string>& list);
// Size of the first regular file (by name order) matching the path or mask ("*", "?" in the last
// part); 0 when none matches; -1 when the folder cannot be read.
std::int64_t GetFirstFileSize(const std::string& pathOrMask);
// Renames source over target; across file systems copies it beside the target (flushed to disk)
// and renames that over the target, then removes the source. An existing target stays untouched
// until the new content is complete. False on failure (the source is kept).
bool MoveFileOver(const std::string& source, const std::string& target);

// ---- files -------------------------------------------------------------------------------------

struct EBufFileStreamError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A file stream with a read buffer of n KB (1..255). Reads come from the buffer; a seek empties
// it; writes go straight to the file.
class TBufFileStream {
public:
    enum class TOpenMode { Read, ReadWrite, Create };
    enum class TSeekOrigin { Beginning, Current, End };

    // Raises EBufFileStreamError when the file cannot be opened.
    TBufFileStream(const std::string& fileName, TOpenMode mode, int bufferKB);
    ~TBufFileStream();
    TBufFileStream(const TBufFileStream&) = delete;
    TBufFileStream& operator=(const TBufFileStream&) = delete;

    // Raises EBufFileStreamError("バッファの大きさを越えています。") for a count above the buffer
    // size. Returns the bytes delivered (0 at the end).
    std::int64_t Read(void* buffer, std::int64_t count);
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin);
    std::int64_t Write(const void* buffer, std::int64_t count);
    std::int64_t Size() const;

private:
    int fd_ = -1;
    std::vector<char> buffer_;
    std::int64_t bufPos_ = 0;
    std::int64_t bufFill_ = 0;
    std::int64_t logicalPos_ = 0; // position of the next byte delivered
};

// Appends text's bytes (no line end) to an existing file. Raises when the file is missing.
void AppendTextToFile(const std::string& path, const std::string& bytes);
// The byte offset of the marker in the file and the text from there (at most 512 bytes, up to a
// zero byte); -1 and an empty text when not found. The search looks only at the file's last
// 64 KB and takes the last occurrence there, so a backup whose data holds the marker text is never
// mistaken for its trailer. An offset of 0 counts as not found.
std::int64_t FindStrInFile(const std::string& path, const std::string& marker, std::string& text);
// Reads the trailer as FindStrInFile; with cut, removes it from the file: the file is moved to
// a ".wk_" work copy, the bytes before the marker copied back under the file's name, and the work
// copy deleted. Returns the offset (-1 when there is no trailer). Raises when the copy fails (the
// work copy then stays beside the file).
std::int64_t ReadFileTrailer(const std::string& path, const std::string& marker, std::string& text, bool cut);
// How far from the end FindStrInFile looks.
inline constexpr std::int64_t kTrailerSearchBytes = 64 * 1024;

// ---- INI files and registry -------------------------------------------------------------------

using TIniValue = std::variant<std::string, int, bool>;
// Deletes the key (deleteKey) or writes the value as text ("1"/"0" for a bool); the file is written
// at once; pauses 10 ms after every call. False when the file could not be written.
bool WriteIniValue(const std::string& iniPath, const std::string& section, const std::string& key, bool deleteKey,
                   const TIniValue& value);
// The section's "key=value" lines, "\r\n" after each; nothing when the path or section is empty.
void ReadIniSection(const std::string& iniPath, const std::string& section, std::string& text);
// Erases the section and writes every "key=value" line into it.
void WriteIniSection(const std::string& iniPath, const std::string& section, const std::vector<std::string>& lines);

using TRegValue = std::variant<int, std::string>;
// The value from the registry store: text for string values, integer for number values, 0 for
// anything else or when the key or value is missing. rootKey is a hive name ("HKEY_LOCAL_MACHINE").
TRegValue ReadRegValue(const std::string& rootKey, const std::string& keyPath, const std::string& valueName);

// ---- writable-folder check --------------------------------------------------------------------

// Asks the user whether to save into Documents instead; the ui installs the message box, tests a
// fake. Without one the answer is No.
class IWritableFolderAsk {
public:
    virtual ~IWritableFolderAsk() = default;
    // "この場所に保存するアクセス許可がありません。..." with Yes and No; true for Yes.
    virtual bool AskUseDocuments() = 0;
};
void SetWritableFolderAsk(IWritableFolderAsk* ask);
IWritableFolderAsk* GetWritableFolderAsk();
inline constexpr const char* kMsgNoWriteAccess =
    "この場所に保存するアクセス許可がありません。\r管理者に連絡してアクセス許可を取得してください。\r\r代わりに［ドキュメント］フォルダに保存しますか？\r";

// The check that stood for "the protected system drive": true for the root folder "/" and when
// this user cannot create files in the folder (for a folder not made yet, its nearest existing
// parent).
bool IsProtectedFolder(const std::string& folder);
// The folder gains a trailing delimiter; a protected folder asks, Yes replaces it by Documents
// (with trailing delimiter), No answers false and leaves the folder as it was.
bool CheckWritableFolder(std::string& folder);
bool CheckWritableFile(std::string& path);

} // namespace kb
