#include "ui/xCheckBox.h"

#include <QKeyEvent>

namespace kb {

TxCheckBox::TxCheckBox(QWidget* parent) : QCheckBox(parent) {}

void TxCheckBox::keyPressEvent(QKeyEvent* e)
{
    // Listed keys are taken before the base control sees them, so Enter never reaches the form's
    // default button and the arrows do not wander inside a button group.
    const TFocusMove m = KeyStyleMove(e->key(), e->modifiers(), keyStyles_);
    if (m != TFocusMove::None) {
        MoveFocusOnForm(this, m == TFocusMove::Next);
        e->accept(); // consumed even when there is no form to move on
        return;
    }
    // Arrows with a modifier are no navigation keys here (Qt's buttons would move the focus on them).
    const bool arrow = e->key() == Qt::Key_Left || e->key() == Qt::Key_Right || e->key() == Qt::Key_Up ||
                       e->key() == Qt::Key_Down;
    if (arrow && (e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
        e->accept();
        return;
    }
    QCheckBox::keyPressEvent(e);
}

} // namespace kb
