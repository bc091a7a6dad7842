#pragma once
// The yes/no form before a send overwrites different data on the relay server: the caller fills
// and shows the difference lines; HikakuAnswer is 1 after "はい" (and when the form is closed any
// other way), 0 after "いいえ".

#include <QDialog>

class QLabel;
class QPushButton;

namespace kb {

inline int HikakuAnswer = 1;

class TfmHikakuMess2 : public QDialog {
    Q_OBJECT
public:
    explicit TfmHikakuMess2(QWidget* owner = nullptr);
    // Difference headings and the two value lines of each (local blue, relay server maroon).
    QLabel* PasswordHeading;
    QLabel* ShougouHeading;
    QLabel* KikanHeading;
    QLabel* ShougouLocal;
    QLabel* ShougouServer;
    QLabel* KikanLocal;
    QLabel* KikanServer;
    QPushButton* btnYes;
    QPushButton* btnNo;
};

} // namespace kb
