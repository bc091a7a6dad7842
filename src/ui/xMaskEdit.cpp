#include "ui/xMaskEdit.h"

#include <QKeyEvent>

namespace kb {

TxMaskEdit::TxMaskEdit(QWidget* parent) : QLineEdit(parent) {}

void TxMaskEdit::keyPressEvent(QKeyEvent* e)
{
    // Listed keys are taken before the base control sees them, so Enter never reaches the form's
    // default button and the arrows do not wander inside a button group.
    const TFocusMove m = KeyStyleMove(e->key(), e->modifiers(), keyStyles_);
    if (m != TFocusMove::None) {
        MoveFocusOnForm(this, m == TFocusMove::Next);
        e->accept(); // consumed even when there is no form to move on
        return;
    }
    QLineEdit::keyPressEvent(e);
}

} // namespace kb
