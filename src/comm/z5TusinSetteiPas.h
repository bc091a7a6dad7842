#pragma once
// The confirmation before a delete or a release of an in-use mark: a tick and the communication
// password. Result 1 only when the tick is set and the typed password equals MatchPassword;
// 2 when cancelled. Notices go through the error reporter's box (a single Yes button).

#include <QDialog>

#include <string>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kb {

class TfmTusinSettiPas : public QDialog {
    Q_OBJECT
public:
    explicit TfmTusinSettiPas(QWidget* owner = nullptr);
    std::string MatchPassword; // the password to match
    QCheckBox* CheckBox1;
    QLineEdit* txtConPasswd;
    QPlainTextEdit* HintArea;
    QPushButton* btnOK;
    QPushButton* ESC;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OkClicked();
};

} // namespace kb
