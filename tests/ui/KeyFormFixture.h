#pragma once
// A small dialog shown offscreen and made active, so that focus moves and keys behave as on screen.

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QVBoxLayout>

namespace kbtest {

class KeyForm : public QDialog {
public:
    KeyForm() { layout_ = new QVBoxLayout(this); }
    template <typename W>
    W* Add(W* w)
    {
        layout_->addWidget(w);
        return w;
    }
    // Shows the form and waits until it is the active window.
    void Open()
    {
        show();
        activateWindow();
        QApplication::setActiveWindow(this);
        (void)QTest::qWaitForWindowActive(this);
    }
    static QWidget* Focus() { return QApplication::focusWidget(); }

private:
    QVBoxLayout* layout_;
};

} // namespace kbtest
