#pragma once
// TxCheckBox: the standard control with keyboard-first focus movement (Enter and the arrows of KeyStyles).

#include "ui/PavonaEditLib.h"

#include <QCheckBox>

namespace kb {

class TxCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TxCheckBox(QWidget* parent = nullptr);

    TKeyStyles KeyStyles() const { return keyStyles_; }
    void SetKeyStyles(TKeyStyles v) { keyStyles_ = TKeyStyles::FromByte(v.Byte()); }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    TKeyStyles keyStyles_{TKeyStyle::ksEnter, TKeyStyle::ksUp};
};

} // namespace kb
