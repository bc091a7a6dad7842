#include "print/z5PrintRec.h"

#include "core/uAccRecord.h"
#include "core/z5ComFunc2.h"

namespace kb {

void InitDefaultPrintRec(TDefaultPrintRec& rec)
{
    rec = TDefaultPrintRec{};
    rec.LineColor1 = static_cast<TColor>(SystemDef.PLineColor1);
    rec.LineColor2 = static_cast<TColor>(SystemDef.PLineColor2);
    rec.NetColor1 = static_cast<TColor>(SystemDef.NetColor1);
    rec.NetColor2 = static_cast<TColor>(SystemDef.NetColor2);
}

void ApplyMonoPrintColors(int colorMode, TPlotivar& p)
{
    if (colorMode != 0) return;
    p.UserColor1 = p.UserColor2 = 0;
    p.OcrGreen = p.OcrBlue = p.OcrPink = p.OcrBrown = p.OcrOrange = p.OcrViolet = p.OcrPurple = 0;
    p.NetColor1 = ColorToGray(p.NetColor1);
    p.NetColor2 = ColorToGray(p.NetColor2);
}

} // namespace kb
