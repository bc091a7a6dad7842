#pragma once
// TCashBookLoaderBox: the window of a cash-book import ("現金出納帳の取り込み"). Mode 0 (a client's
// cash book) is shown modally and starts itself 1500 ms later; modes 1 and 2 run at once through
// StartLoad without showing, and the box appears only after an aborted run so that the user sees
// why. The run itself is TCashBookLoader; the box shows its progress and log and exports the log.

#include "exchange/z5CashBookLoader.h"

#include <QDialog>
#include <QTimer>

class QLabel;
class QTreeWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace kb {

class TxSpinner;

class TCashBookLoaderBox : public QDialog {
public:
    explicit TCashBookLoaderBox(QWidget* parent = nullptr);

    TCashBookLoader Loader;
    int StartPending = 1;
    int ShownAfterAbort = 0;
    QTimer Timer1;

    void SetReceiveFile(const std::string& path) { Loader.SetReceiveFile(path); }
    void SetAutoStart(bool on);
    void StartLoad();
    int GetResultCode() { return Loader.GetResultCode(); }
    void SetTitles();
    void SetResultTitles();
    // The log export to a file (CP932): csv true for the CSV filter, false for text.
    bool SaveLog(std::string path, bool csv);

    // The widgets, for the form's tests.
    QLabel* Title[3]{};
    QTreeWidget* ListView1 = nullptr;
    QPlainTextEdit* Detail = nullptr;
    QWidget* ProgressPanel = nullptr;
    QLabel* ProgressLabel = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    TxSpinner* Animate1 = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnOutput = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void btnOkClick();
    void btnCancelClick();
    void btnOutputClick();
    void Animate(bool on);
    bool running_ = false;
};

} // namespace kb
