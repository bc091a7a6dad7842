#pragma once
// TfmWebMenuL: the small dialog "ログインユーザー" that tells who else is logged on to the system,
// for the moment a version-up cannot go on. Registered as "WebMenuL"; a hosting menu opens it by
// that name through ISyoriKidou.

#include "core/FormRegistry.h"

#include <QDialog>

#include <string>
#include <vector>

class QTableWidget;
class QPlainTextEdit;
class QPushButton;

namespace kb {

class TDM;

struct TLoginUserR {
    int OpCode = 0;  // operator code within the group
    int GroupId = 0;
    std::string OpName;
};

// Every LOGONUSERLIST row of another operator number than ownOpCode (all groups; an operator logged
// on from two computers twice), with the operator's name (empty when OPERATOR has no row).
// Throws on a database error after reporting it.
std::vector<TLoginUserR> ReadLoggedOnOperators(TDM& dm, int ownOpCode);

class TfmWebMenuL : public QDialog, public TFormInstance, public ISyoriKidou {
    Q_OBJECT
public:
    TfmWebMenuL();
    ~TfmWebMenuL() override;

    int Execute(int mode) override;
    void SetParams(const std::vector<std::string>& lines) override;
    void SetShowMode(int mode) { showMode_ = mode; }

    QTableWidget* PerfectGrid1 = nullptr;
    QPlainTextEdit* HintArea = nullptr;
    QPushButton* F12 = nullptr;
    const std::vector<TLoginUserR>& Operators() const { return ops_; }
    int SyoriType = 0;

protected:
    void showEvent(QShowEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    std::vector<TLoginUserR> ops_;
    std::vector<std::string> params_;
    int showMode_ = 0;
    bool initialised_ = false;
};

} // namespace kb
