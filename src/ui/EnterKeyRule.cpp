#include "ui/EnterKeyRule.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

#include <cstring>

namespace kb {

TEnterKeyRule::TEnterKeyRule()
{
    if (qApp) qApp->installEventFilter(this);
}

TEnterKeyRule::~TEnterKeyRule()
{
    if (qApp) qApp->removeEventFilter(this);
}

bool TEnterKeyRule::IsKitWindow(const QWidget* w)
{
    if (!w) return false;
    const char* name = w->window()->metaObject()->className();
    return std::strncmp(name, "kb::", 4) == 0;
}

bool TEnterKeyRule::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::Polish) {
        auto* b = qobject_cast<QPushButton*>(o);
        if (b && b->autoDefault() && !b->isDefault() && IsKitWindow(b)) b->setAutoDefault(false);
        return false;
    }
    if (e->type() != QEvent::KeyPress) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter) return false;
    if (k->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return false;
    auto* b = qobject_cast<QPushButton*>(o);
    // Only the press delivered to the button that holds its window's focus.
    if (!b || b->window()->focusWidget() != b || b->menu()) return false;
    if (k->isAutoRepeat()) return true; // one press per stroke: a held key never runs a step twice
    if (b->isEnabled() && b->isVisible()) b->click();
    return true;
}

} // namespace kb
