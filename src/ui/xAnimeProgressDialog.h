#pragma once
// TxAnimeProgressDialog: a small waiting window with an animation, an information line and an
// optional Cancel button. With OnShow the window is modal and the caller's work runs inside it
// (Execute returns when the work is done; an exception of the work is raised again by Execute
// after the window has gone). Without OnShow the window is modeless over a disabled owner until
// Close. A spinner stands in for the platform's animation clips.

#include <QDialog>
#include <QPointer>

#include <exception>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QTimer;

namespace kb {

enum class TxLabelPosition { xlpRight, xlpBottom };
enum class TCommonAVI { aviNone, aviFindFolder, aviFindFile, aviFindComputer, aviCopyFiles, aviCopyFile,
                        aviRecycleFile, aviEmptyRecycle, aviDeleteFile };

// Where the animation, the information line and the Cancel button go in the 380 x 100 client.
struct TProgressLayout {
    QRect Anime, Label, Cancel;
    bool CancelShown = true;
};
TProgressLayout ComputeProgressLayout(bool cancelShown, TxLabelPosition pos, int clientHeight, int textHeight);

// The spinner that plays while the dialog waits.
class TxSpinner : public QWidget {
    Q_OBJECT
public:
    explicit TxSpinner(QWidget* parent = nullptr);
    void SetActive(bool on);
    bool Active() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QTimer* timer_;
    int step_ = 0;
};

class TxProgressForm : public QDialog {
    Q_OBJECT
public:
    explicit TxProgressForm(QWidget* parent = nullptr);
    std::function<void()> OnShowWork; // posted once the window is on screen (modal way)
    std::function<void()> OnCloseForm;
    TxSpinner* Anime = nullptr;
    QLabel* Label = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

public slots:
    void done(int r) override;
    void reject() override {} // Esc does not end the wait
};

class TxAnimeProgressDialog : public QObject {
    Q_OBJECT
public:
    explicit TxAnimeProgressDialog(QObject* parent = nullptr);
    ~TxAnimeProgressDialog() override;

    QWidget* Handle() const { return form_.data(); }
    QPointer<QWidget> ParentHandle;

    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& s);
    std::string InfoLabel() const { return info_; }
    void SetInfoLabel(const std::string& s);
    TxLabelPosition LabelPosition() const { return labelPos_; }
    void SetLabelPosition(TxLabelPosition p);
    TCommonAVI CommonAVI() const { return avi_; }
    void SetCommonAVI(TCommonAVI a);
    std::string AviFile() const { return aviFile_; }
    void SetAviFile(const std::string& file); // cleared when the file does not exist
    bool AnimeActive() const;
    void SetAnimeActive(bool on);
    bool CancelBtnShow = true;

    std::function<void(QWidget* sender)> OnShow;        // the caller's work (modal way)
    std::function<void(TxAnimeProgressDialog*)> OnClose;

    bool Running = false;
    bool Cancelled = false;

    void Execute(QWidget* ownerForm = nullptr);
    void Close();

private:
    void ApplyLabelPosition();
    void PaintNow();
    void PositionOverParent(QWidget* ownerForm);

    QPointer<TxProgressForm> form_;
    std::string caption_, info_, aviFile_;
    TxLabelPosition labelPos_ = TxLabelPosition::xlpRight;
    TCommonAVI avi_ = TCommonAVI::aviNone;
    std::exception_ptr workError_;
};

// The process's shared instance (SystemDef.ProgressDialog) is of this class; code below the user
// interface only holds the pointer.
class TProgressDialog : public TxAnimeProgressDialog {
    Q_OBJECT
public:
    using TxAnimeProgressDialog::TxAnimeProgressDialog;
};

} // namespace kb
