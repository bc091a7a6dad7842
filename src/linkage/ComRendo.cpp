#include "linkage/ComRendo.h"

#include <memory>

#include "core/DataModule.h"
#include "linkage/EDataExportError.h"
#include "linkage/st14.h"
#include "linkage/z5ComKojinFudosan.h"
#include "linkage/z5ComKojinKessansyo.h"
#include "linkage/z5ComKojinNougyou.h"

namespace kb {

namespace {
constexpr const char* kLocation = "WriteData(DATAﾉｰﾄﾞを作成)";
}

TKessansyoReaderKind ReaderKindOfCodeType(int codeType)
{
    switch (codeType) {
    case 2: return TKessansyoReaderKind::Fudosan;
    case 4: return TKessansyoReaderKind::Nougyou;
    default: return TKessansyoReaderKind::Ippan;
    }
}

void SyotokuzeiWriteData(TXmlSaveDoc& doc, const TSyotokuzeiWriteArgs& args)
{
    if (!DM) throw EDataExportError("データが接続されていません。", kLocation, -1);
    SyotokuzeiWriteData(doc, args, DM->IBDatabaseDAT, DM->IBTransactionDAT);
}

void SyotokuzeiWriteData(TXmlSaveDoc& doc, const TSyotokuzeiWriteArgs& args, fb::Connection& db, fb::Transaction& tr)
{
    TSyotokuZeiDataMake maker;
    maker.CodeType = args.CodeType;
    maker.WithDetails = args.WithDetails;

    std::unique_ptr<TIppanKessansyoIO> ippan;
    std::unique_ptr<TFudosanKessansyoIO> fudosan;
    std::unique_ptr<TNougyouKessansyoIO> nougyou;
    auto read = [&](auto& reader) {
        reader.SetTransaction(tr);
        reader.TaxMode = args.TaxMode;
        if (reader.Select(0) != 1)
            throw EDataExportError(reader.LastError.empty() ? "青色申告決算書レコードの取得に失敗しました。"
                                                            : reader.LastError,
                                   kLocation, -1);
    };
    switch (ReaderKindOfCodeType(args.CodeType)) {
    case TKessansyoReaderKind::Ippan:
        ippan = std::make_unique<TIppanKessansyoIO>(db, tr);
        ippan->SetTransaction(tr);
        ippan->TaxMode = args.TaxMode;
        if (ippan->Select(0) != 1)
            throw EDataExportError(ippan->LastError.empty() ? "青色申告決算書レコードの取得に失敗しました。"
                                                            : ippan->LastError,
                                   kLocation, -1);
        maker.Ippan = ippan.get();
        break;
    case TKessansyoReaderKind::Fudosan:
        fudosan = std::make_unique<TFudosanKessansyoIO>(db, tr);
        read(*fudosan);
        maker.Fudosan = fudosan.get();
        break;
    case TKessansyoReaderKind::Nougyou:
        nougyou = std::make_unique<TNougyouKessansyoIO>(db, tr);
        read(*nougyou);
        maker.Nougyou = nougyou.get();
        break;
    }

    // An empty DATA is no linkage file: the kind asked for a statement this data set does not keep.
    if (maker.MakeData(doc, args.SyotokuSyurui, args.TaxMode) != 1)
        throw EDataExportError("所得の種類（" + std::to_string(args.SyotokuSyurui) +
                                   "）に合う決算書がこのデータにないため、連動データを作成できません。",
                               kLocation, -1);
}

} // namespace kb
