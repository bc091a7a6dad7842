#pragma once
// TQtJapanese: Qt's own texts (the file dialog, standard buttons, context menus) in Japanese, from
// Qt's translation "qtbase_ja" (Debian's qt6-translations-l10n). A scope object held beside the
// QApplication. A missing translation is no error: Qt's texts then stay as they are.

#include <QTranslator>

namespace kb {

class TQtJapanese {
public:
    TQtJapanese();
    ~TQtJapanese();
    TQtJapanese(const TQtJapanese&) = delete;
    TQtJapanese& operator=(const TQtJapanese&) = delete;

    bool Loaded() const { return loaded_; }

private:
    QTranslator translator_;
    bool loaded_ = false;
};

} // namespace kb
