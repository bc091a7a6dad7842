#include "ui/z5WinFunc.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QScreen>
#include <QWindow>

#include <cmath>

namespace kb {

namespace {

constexpr QEvent::Type kInputEvents[] = {
    QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseMove,
    QEvent::Wheel,            QEvent::KeyPress,           QEvent::KeyRelease,          QEvent::ShortcutOverride,
};

void DropInput(QObject* target)
{
    for (const QEvent::Type t : kInputEvents) QCoreApplication::removePostedEvents(target, t);
}

} // namespace

void ForceForegroundWindow(QWidget* window)
{
    if (!window) return;
    QWidget* top = window->window();
    if (top->isMinimized()) top->showNormal();
    top->raise();
    top->activateWindow();
}

void FlushInputMessages(QWidget* window)
{
    if (!window) return;
    DropInput(window);
    if (QWindow* handle = window->windowHandle()) DropInput(handle);
    for (QWidget* child : window->findChildren<QWidget*>()) DropInput(child);
}

QWidget* FindWindowByName(const std::string& className, const std::string& caption)
{
    if (className.empty() && caption.empty()) return nullptr;
    const QString cls = QString::fromStdString(className);
    if (cls.compare(QStringLiteral("desktop"), Qt::CaseInsensitive) == 0) return nullptr;
    const QString title = QString::fromStdString(caption);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!cls.isEmpty() && cls.compare(QString::fromLatin1(w->metaObject()->className()), Qt::CaseInsensitive) != 0)
            continue;
        if (!title.isEmpty() && w->windowTitle() != title) continue;
        return w;
    }
    return nullptr;
}

int ScaleByPPI(int size, int targetPPI, int basePPI)
{
    if (basePPI == 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        basePPI = screen ? static_cast<int>(std::lround(screen->logicalDotsPerInch())) : 96;
        if (basePPI <= 0) basePPI = 96;
    }
    if (targetPPI == basePPI) return size;
    return static_cast<int>(static_cast<long long>(size) * targetPPI / basePPI);
}

int AdjustByFrame(int size, int kind, int frameHeight)
{
    const int twice = 2 * frameHeight;
    if (twice == 8 || twice <= 6) return size;
    switch (kind) {
    case 0: return size - twice + 8;
    case 1: return size - 2 * twice + 16;
    default: return size;
    }
}

int AdjustByFrame(int size, int kind)
{
    return AdjustByFrame(size, kind, 0);
}

int TextWidthByFont(const std::string& text, const QFont& font, double factor)
{
    const int w = QFontMetrics(font).horizontalAdvance(QString::fromStdString(text));
    return static_cast<int>(std::trunc(w * factor));
}

} // namespace kb
