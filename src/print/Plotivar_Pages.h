#pragma once
// Page lists, paper sizes and ratios, and the engine's small utilities: how many pages a data file
// and its form hold, where a page starts, which orientation and number each page has, the reduction
// ratios between the data's and the printer's paper, and the engine's error log.

#include "print/Plotivar_ImageOut.h"

#include <string>
#include <vector>

namespace kb {

// Opens fileName into f. False for an empty name; a missing file shows
// "<" + name + "> が見つかりません。" and answers false.
bool AssignPrintFile(TPrintTextFile& f, const std::string& fileName);
// Separator lines + 1 (1 when the file cannot be read). With collect and numbering on, rebuilds
// PageNumberList and NumberedPages.
int CountPages(TPlotivarEngine& engine, const std::string& fileName, bool collect);
// Reads f forward until page - 1 separators have passed; with wrap the end starts the file again
// and counts as a separator. True when the page was reached.
bool SkipToPage(TPrintTextFile& f, int page, bool wrap);
// PageTotal from the form and data page counts; PageCurrent 1.
void GetPageCounts(TPlotivarEngine& engine);
// One line per page with the page's orientation number.
std::string GetOrientationList(const std::string& fileName, int defaultOrientation);
// The orientation of page (from 1) in the lines of GetOrientationList: the line's number, fallback
// when it is not one, -1 when the list has no such line.
int PageOrientation(const std::vector<std::string>& list, int page, int fallback);
// VScale and HScale for the data's and the printer's paper.
void CalcPaperRatio(TPlotivarEngine& engine);
// Paper size in millimetres; an unknown code gives the printer's printable size (height + 20) and
// sets PaperMode 2.
void GetPaperSizeMM(TPlotivarEngine& engine, int code, int& width, int& height);
// Appends "yy/mm/dd hh:nn:ss  " + message to "Plotivar_Error.log" in Documents; I/O failures throw.
void WritePrintErrorLog(const std::string& message);
// WritePrintErrorLog for the handlers that must go on: a failing log write is swallowed.
void LogPrintError(const std::string& message) noexcept;
// True for an existing regular file (an empty name is none).
bool PrintFileExists(const std::string& name);
// The settings both the preview and the printing job take over from a block other than the
// engine's own: printer, paper, titles, margins and corrections, colours, switches and job settings.
void CopyBlockSettings(const TPlotivarDEF& from, TPlotivarDEF& to);
// The engine log's path.
std::string PrintErrorLogPath();
double StrToFloat0(const std::string& text);
// Splits at separator after cutting at "//"; answers the index of the last field (0 for an empty text).
int SplitFields(const std::string& text, const std::string& separator, std::vector<std::string>& fields);
// Field index (from 0), trimmed; empty when the line has fewer fields.
std::string GetFieldAt(const std::string& text, const std::string& separator, int index);

} // namespace kb
