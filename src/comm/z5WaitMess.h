#pragma once
// The wait forms of a transfer: borderless, centred, with a spinner in place of the old animation
// file and the transfer's step lines as check boxes that the caller renames, ticks, colours and
// hides (a running step blue and ticked, a finished one grey). TfmWaitMess has five lines,
// TfmWaitMess2 one ("クラウドシェア認証チェック"). The spinner keeps turning by its own timer and a
// 100 ms timer repaints it while the caller holds the thread between explicit refreshes.
//
// TEscKeyGuard drops the Escape key application-wide while it lives (the archiver's run), so the
// wait form and the dialog behind it cannot be closed by it.

#include "comm/DataTusinEngine.h"

#include <QDialog>
#include <QObject>

#include <vector>

class QCheckBox;
class QTimer;

namespace kb {

class TxSpinner;

class TfmWaitMessBase : public QDialog {
    Q_OBJECT
public:
    TfmWaitMessBase(QWidget* owner, const std::vector<QString>& lines);
    QCheckBox* Line(int index) const; // 1-based
    void SetLine(int index, const QString& text, TWaitLineState state);
    TxSpinner* Spinner() const { return spinner_; }

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    std::vector<QCheckBox*> lines_;
    TxSpinner* spinner_;
    QTimer* timer_;
};

class TfmWaitMess : public TfmWaitMessBase {
    Q_OBJECT
public:
    explicit TfmWaitMess(QWidget* owner = nullptr);
};

class TfmWaitMess2 : public TfmWaitMessBase {
    Q_OBJECT
public:
    explicit TfmWaitMess2(QWidget* owner = nullptr);
};

class TEscKeyGuard : public QObject {
    Q_OBJECT
public:
    TEscKeyGuard();
    ~TEscKeyGuard() override;
    TEscKeyGuard(const TEscKeyGuard&) = delete;
    TEscKeyGuard& operator=(const TEscKeyGuard&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kb

namespace kb {

// The wait-form half of the engine's view: the five-line wait form sized 435 x 194, and the
// Escape guard while the archiver runs. The data-communication form adds the messages.
class TTusinWaitView : public ITusinView {
public:
    explicit TTusinWaitView(QWidget* owner) : owner_(owner) {}
    ~TTusinWaitView() override;
    void WaitOpen(const std::string& caption, const std::vector<std::string>& lines) override;
    void WaitLine(int line, const std::string& text, TWaitLineState state) override;
    void WaitClose() override;
    void EscGuard(bool on) override;
    TfmWaitMess* Form() const { return form_; }

private:
    QWidget* owner_;
    TfmWaitMess* form_ = nullptr;
    TEscKeyGuard* esc_ = nullptr;
};

} // namespace kb
