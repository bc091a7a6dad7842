#include "print/Plotivar_ImageOut.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace kb {

void InstallPrintFontSubstitutions()
{
    static bool done = false;
    if (done) return;
    done = true;
    // The print files name the Windows families; IPA stands in with the same pitch (fixed for the
    // plain names, proportional for the "Ｐ" ones), then IPAex, then Noto CJK.
    struct Map {
        const char* name;
        QStringList candidates;
    };
    const Map maps[] = {
        {"ＭＳ 明朝", {"IPAMincho", "IPAexMincho", "Noto Serif CJK JP", "Noto Sans CJK JP"}},
        {"ＭＳ ゴシック", {"IPAGothic", "IPAexGothic", "Noto Sans CJK JP", "Noto Sans Mono CJK JP"}},
        {"ＭＳ Ｐ明朝", {"IPAPMincho", "IPAexMincho", "Noto Serif CJK JP", "Noto Sans CJK JP"}},
        {"ＭＳ Ｐゴシック", {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP"}},
    };
    const QStringList installed = QFontDatabase::families();
    for (const auto& m : maps) {
        QStringList present;
        for (const QString& c : m.candidates)
            if (installed.contains(c, Qt::CaseInsensitive)) present << c;
        if (!present.isEmpty()) QFont::insertSubstitutions(QString::fromUtf8(m.name), present);
    }
}

} // namespace kb
