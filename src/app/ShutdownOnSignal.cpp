#include "app/ShutdownOnSignal.h"

#include "app/MainForm.h"
#include "platform/ShutdownSignals.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <iostream>

namespace kb {
namespace {

// Closes the modal dialogs one by one (each runs its own loop inside the code that opened it),
// and the main form once none is left.
void CloseAll(QPointer<TForm1> form)
{
    if (!form) return;
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != form) {
        if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
        else modal->close();
        QTimer::singleShot(0, form, [form] { CloseAll(form); });
        return;
    }
    form->WMClose();
}

} // namespace

ShutdownOnSignal::ShutdownOnSignal(TForm1& form)
{
    QPointer<TForm1> f(&form);
    ShutdownSignals::Install([f](int sig) {
        std::cerr << "kenbo-rendo: signal " << sig << ", ending as cancelled" << std::endl;
        CloseAll(f);
    });
}

ShutdownOnSignal::~ShutdownOnSignal() { ShutdownSignals::Uninstall(); }

} // namespace kb
