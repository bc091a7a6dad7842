#include "ui/QtJapanese.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace kb {

TQtJapanese::TQtJapanese()
{
    loaded_ = translator_.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
              QCoreApplication::installTranslator(&translator_);
}

TQtJapanese::~TQtJapanese()
{
    if (loaded_) QCoreApplication::removeTranslator(&translator_);
}

} // namespace kb
