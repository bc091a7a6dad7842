#pragma once
// Helpers of the dialog tests: acting on a modal dialog once its loop runs, catching message boxes,
// and writing screenshots when KB_SCREENSHOT_DIR asks for them.

#include "ui/z5MessageDlg2.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace kbtest {

// Runs act on the modal widget as soon as the modal loop shows it.
inline void WhenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* w = QApplication::activeModalWidget(); w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

// Records every message box raised while it lives and answers it with answer.
struct MessageCatcher {
    std::vector<kb::TMessage2InfoRec> Shown;
    explicit MessageCatcher(int answer = kb::mrOk)
    {
        kb::SetMessage2Interceptor([this, answer](kb::TMessage2InfoRec& r) {
            Shown.push_back(r);
            return answer;
        });
    }
    ~MessageCatcher() { kb::SetMessage2Interceptor({}); }
    std::string FirstLine(std::size_t i = 0) const { return Shown.at(i).Lines[0].Text; }
};

// Writes the widget's picture to $KB_SCREENSHOT_DIR/name.png when that variable is set.
inline bool ScreenshotWanted() { return std::getenv("KB_SCREENSHOT_DIR") != nullptr; }
inline void SaveScreenshot(QWidget* w, const std::string& name)
{
    const char* dir = std::getenv("KB_SCREENSHOT_DIR");
    if (!dir)
        return;
    w->grab().save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
}

} // namespace kbtest
