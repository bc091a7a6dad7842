#include "ui/xWizard.h"

#include <QAbstractButton>
#include <QLabel>

namespace kb {

TxWizard::TxWizard(QWidget* parent) : QStackedWidget(parent) {}

void TxWizard::SetBackButton(QAbstractButton* b)
{
    if (backConn_) disconnect(backConn_);
    back_ = b;
    if (!b) return;
    backConn_ = connect(b, &QAbstractButton::clicked, this, [this] { BackStep(); });
    b->hide();
    b->setText(backCap_);
}

void TxWizard::SetNextButton(QAbstractButton* b)
{
    if (nextConn_) disconnect(nextConn_);
    next_ = b;
    if (!b) return;
    nextConn_ = connect(b, &QAbstractButton::clicked, this, [this] { NextStep(); });
    b->setText(count() == 1 ? nextFinCap_ : nextCap_);
}

void TxWizard::SetLblHeader(QLabel* l)
{
    lblHeader_ = l;
    if (l && !headerCaption_.isEmpty() && currentIndex() >= 0 && currentIndex() < headerCaption_.size())
        l->setText(headerCaption_[currentIndex()]);
}

void TxWizard::SetLblInfo(QLabel* l)
{
    lblInfo_ = l;
    if (l && !infoCaption_.isEmpty() && currentIndex() >= 0 && currentIndex() < infoCaption_.size())
        l->setText(infoCaption_[currentIndex()]);
}

void TxWizard::ShowCaptions()
{
    const int i = currentIndex();
    // A label keeps its text when the list has no entry for the page.
    if (lblHeader_ && i >= 0 && i < headerCaption_.size()) lblHeader_->setText(headerCaption_[i]);
    if (lblInfo_ && i >= 0 && i < infoCaption_.size()) lblInfo_->setText(infoCaption_[i]);
}

void TxWizard::BackStep()
{
    QObject* sender = back_.data();
    if (count() <= 1 || currentIndex() <= 0) {
        if (back_) back_->hide();
    } else {
        setCurrentIndex(currentIndex() - 1);
        ShowCaptions();
        if (next_) next_->setText(nextCap_);
    }
    if (currentIndex() == 0 && count() > 1 && back_) back_->hide();
    if (OnBackClick) OnBackClick(sender);
}

void TxWizard::NextStep()
{
    QObject* sender = next_.data();
    bool finalState = false;
    bool allow = true;
    // The final state is decided only after the form had its say, so it always hears False here.
    if (OnNextClicking) OnNextClicking(sender, finalState, allow);
    if (!allow) return;
    if (count() <= 1 || currentIndex() >= count() - 1) {
        finalState = true;
    } else {
        setCurrentIndex(currentIndex() + 1);
        ShowCaptions();
        if (back_) back_->show();
    }
    if (currentIndex() == count() - 1 && next_) next_->setText(nextFinCap_);
    if (OnNextClick) OnNextClick(sender, finalState);
}

} // namespace kb
