#pragma once
// TDbUpdateBox: the dialog "データベースの更新". It lists the pending steps of one database with
// their descriptions, asks for consent for accounting data and runs the update through
// TDbUpdateRun. The data selection keeps one only for its version check and never shows it.

#include "dbupdate/z5DbUpdateList.h"
#include "dbupdate/z5DbUpdateRun.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class QWidget;

namespace kb {

class TDM;

class TDbUpdateBox : public QDialog, public IDbUpdateRunView {
    Q_OBJECT
public:
    explicit TDbUpdateBox(TDM* dm, QWidget* parent = nullptr);
    ~TDbUpdateBox() override;

    TDbUpdatePlan Plan;
    TDbUpdateRun& Run() { return *run_; }

    // Computes the update state (from versionText, else from the database of kind) and fills the
    // dialog for the kind.
    void PrepareUpdate(int kind, const std::string& versionText);
    bool NeedUpdate() const { return Plan.NeedUpdate; }

    QTreeWidget* ListView1 = nullptr;
    QTextEdit* RichEdit1 = nullptr;
    QCheckBox* cboxAgree = nullptr;
    QLabel* lblTitle1 = nullptr;
    QLabel* lblTitle2 = nullptr;
    QLabel* lblTitle3 = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QWidget* pnlProgress = nullptr;
    QLabel* lblProgress = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    void btnOkClick();
    void btnCancelClick();
    void cboxAgreeClick();

    // IDbUpdateRunView
    void ShowJobProgress(const std::string& caption, const std::string& info) override;
    void HideJobProgress() override;
    void StartSteps(int count) override;
    void StepFinished(int item, int result) override;
    void EndSteps() override;

protected:
    void keyReleaseEvent(QKeyEvent* e) override;
    void reject() override;

private:
    void ListView1SelectItem();
    std::unique_ptr<TDbUpdateRun> run_;
    TDM* dm_;
    bool running_ = false;
};

// Registers the forms of the database update in the form-class registry ("WebMenuL").
void RegisterDbUpdateForms();

} // namespace kb
