#pragma once
// TEnterKeyRule: the kit's one rule for Enter and push buttons, kept for the whole application.
//
// - Enter (Return or the keypad's Enter, no Shift, Ctrl or Alt) on a focused, enabled push button
//   presses it, in every window. A held key presses it once.
// - The program's own windows (classes of namespace kb) have no implicit default button: Qt would
//   make the first "auto default" button of a dialog its default, so that Enter in any control
//   that leaves the key alone (a line edit, a list) pressed that button. Their buttons are made
//   plain when they are first shown; a button a form marks default itself (setDefault) stays so.
//
// Entry controls keep their own Enter: the key styles move the focus (TxEdit, TxComboBox, ...).
// Qt's own dialogs (the file dialog, ...) keep Qt's behaviour apart from the first point, which
// they already have.
//
// A scope object: the program and the test main hold one beside their QApplication.

#include <QObject>

class QWidget;

namespace kb {

class TEnterKeyRule : public QObject {
    Q_OBJECT
public:
    TEnterKeyRule();
    ~TEnterKeyRule() override;
    TEnterKeyRule(const TEnterKeyRule&) = delete;
    TEnterKeyRule& operator=(const TEnterKeyRule&) = delete;

    // True when w's window is one of the program's own forms.
    static bool IsKitWindow(const QWidget* w);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
};

} // namespace kb
