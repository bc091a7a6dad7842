#pragma once
// TxRadioButton: the standard control with keyboard-first focus movement (Enter and the arrows of KeyStyles).

#include "ui/PavonaEditLib.h"

#include <QRadioButton>

namespace kb {

class TxRadioButton : public QRadioButton {
    Q_OBJECT
public:
    explicit TxRadioButton(QWidget* parent = nullptr);

    TKeyStyles KeyStyles() const { return keyStyles_; }
    void SetKeyStyles(TKeyStyles v) { keyStyles_ = TKeyStyles::FromByte(v.Byte()); }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    TKeyStyles keyStyles_{TKeyStyle::ksEnter, TKeyStyle::ksUp};
};

} // namespace kb
