#pragma once
// TxPFbtn: a clickable function-key caption ("ESC", "F1" .. "F10" by its object name). A left click
// gives the owner form the key's number through the form's "Tag" property (ESC 0, F1..F10 1..10).

#include <QFrame>
#include <QTimer>

namespace kb {

// 0 for "ESC", 1..10 for "F1".."F10" (exact, case-sensitive); -1 for any other name.
int PFbtnKeyNumber(const QString& name);

class TxPFbtn : public QFrame {
    Q_OBJECT
public:
    explicit TxPFbtn(QWidget* parent = nullptr);
    bool Lowered() const { return frameShadow() == QFrame::Sunken; }

signals:
    void Clicked(int keyNumber);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void Raise();

    QTimer timer_;
    bool pressFrame_ = false;
};

} // namespace kb
