#pragma once
// The DATA step of the income-tax linkage: picks the statement reader by the data set's code type,
// reads the statement and lets the data maker write DATA. The export frame's
// TSyotokuzeiDataExport::WriteData calls it with its own fields.
//
// Every failure raises EDataExportError, so the frame writes no file: a reader that could not read
// the whole statement, a kind whose statement cannot be made from this data set, a kind whose
// reader is not built yet.

#include "linkage/XMLSaveDoc.h"

namespace kb {

namespace fb {
class Connection;
class Transaction;
} // namespace fb

struct TSyotokuzeiWriteArgs {
    int SyotokuSyurui = 0;   // 1 business, 2 other, 3 real estate, 4 agriculture
    int CodeType = 0;        // the data set's CODETYPE
    bool WithDetails = false;
    int TaxMode = 0;         // 0 tax-inclusive, 1 tax-exclusive
};

// On DM.IBDatabaseDAT with DM.IBTransactionDAT.
void SyotokuzeiWriteData(TXmlSaveDoc& doc, const TSyotokuzeiWriteArgs& args);
void SyotokuzeiWriteData(TXmlSaveDoc& doc, const TSyotokuzeiWriteArgs& args, fb::Connection& db, fb::Transaction& tr);

// The reader a code type takes: 2 real estate, 4 agriculture, every other code type the general
// statement (as the options page offers business or other income for them).
enum class TKessansyoReaderKind { Ippan, Fudosan, Nougyou };
TKessansyoReaderKind ReaderKindOfCodeType(int codeType);

} // namespace kb
