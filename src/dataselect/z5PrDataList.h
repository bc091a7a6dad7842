#pragma once
// The data-list printout: one line per listed data set, the members of a consolidated data set on
// the lines below it, written as a print-data file and handed to the preview or the printing job.

#include "dataselect/registry/z5ComDataSentaku.h"
#include "print/Plotivar_Class.h"
#include "print/z5PrintRec.h"

#include <cstdint>

namespace kb {

class TPrDataList {
public:
    TPlotivar Plotivar;
    std::uint8_t ServerList = 0;   // 1: the shared-server list, numbered 1, 2, ... over the printed rows
    TDefaultPrintRec PrintRec;
    TDataSentakuRecArray Rows;
    TDataSentakuRecDispArray DispIndex;   // indices into Rows, in display order
    int Orientation = 0;                  // 0 portrait, 1 landscape (adds the code column)

    // Writes the file, then prints it (true) or previews it (false). The answer is the writer's.
    bool Print(bool toPrinter);

private:
    void NextLine();
    void WriteCells(const TDataListRec& rec, const std::string& no, bool child);
    void Text(int x, const std::string& text, int size, const char* align);

    int linesPerPage_ = 55, right_ = 2000, bottom_ = 2820;
    int line_ = 0, page_ = 1, y_ = 0;
    std::string font_;
};

} // namespace kb
