#pragma once
// TxWizard: a page stack that drives a wizard through a Back and a Next button placed elsewhere on
// the form. It keeps a header and an information label in step with the page, turns Next into
// Finish on the last page, and lets the form veto or follow each step.

#include <QPointer>
#include <QStackedWidget>
#include <QStringList>
#include <functional>

class QAbstractButton;
class QLabel;

namespace kb {

class TxWizard : public QStackedWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;
    using TNextClickEvent = std::function<void(QObject* sender, bool finalState)>;
    using TNextClickingEvent = std::function<void(QObject* sender, bool finalState, bool& allowChange)>;

    explicit TxWizard(QWidget* parent = nullptr);

    int PageIndex() const { return currentIndex(); }
    void SetPageIndex(int i) { setCurrentIndex(i); }
    int PageCount() const { return count(); }

    QString NextButtonCap() const { return nextCap_; }
    void SetNextButtonCap(const QString& v) { nextCap_ = v; }
    QString NextButtonFinCap() const { return nextFinCap_; }
    void SetNextButtonFinCap(const QString& v) { nextFinCap_ = v; }
    QString BackButtonCap() const { return backCap_; }
    void SetBackButtonCap(const QString& v) { backCap_ = v; }

    QAbstractButton* NextButton() const { return next_; }
    void SetNextButton(QAbstractButton* b);
    QAbstractButton* BackButton() const { return back_; }
    void SetBackButton(QAbstractButton* b);
    QLabel* LblHeader() const { return lblHeader_; }
    void SetLblHeader(QLabel* l);
    QLabel* LblInfo() const { return lblInfo_; }
    void SetLblInfo(QLabel* l);

    QStringList HeaderCaption() const { return headerCaption_; }
    void SetHeaderCaption(const QStringList& v) { headerCaption_ = v; }
    QStringList InfoCaption() const { return infoCaption_; }
    void SetInfoCaption(const QStringList& v) { infoCaption_ = v; }

    TNotifyEvent OnBackClick;
    TNextClickEvent OnNextClick;
    TNextClickingEvent OnNextClicking;

    // The steps the two buttons run; public so that a form can run them from a key of its own.
    void BackStep();
    void NextStep();

private:
    void ShowCaptions();

    QString nextCap_ = QStringLiteral("次へ(&N) >");
    QString nextFinCap_ = QStringLiteral("完了(&F)");
    QString backCap_ = QStringLiteral("< 戻る(&B)");
    QPointer<QAbstractButton> next_, back_;
    QPointer<QLabel> lblHeader_, lblInfo_;
    QMetaObject::Connection nextConn_, backConn_;
    QStringList headerCaption_, infoCaption_;
};

} // namespace kb
