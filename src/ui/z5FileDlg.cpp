#include "ui/z5FileDlg.h"

#include "core/z5FileFunc.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace kb {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
// The system's texts break lines with "\r".
QString Lines(const std::string& s) { return Q(s).replace(QLatin1Char('\r'), QLatin1Char('\n')); }

TFileDlgHooks g_hooks = DefaultFileDlgHooks();

class WritableFolderAskBox : public IWritableFolderAsk {
public:
    bool AskUseDocuments() override { return g_hooks.askYesNo(kMsgNoWriteAccess); }
};
WritableFolderAskBox g_askBox;

} // namespace

TFileDlgHooks DefaultFileDlgHooks()
{
    TFileDlgHooks h;
    h.browseFolder = [](const std::string& title, const std::string& start) -> std::optional<std::string> {
        const QString dir = QFileDialog::getExistingDirectory(QApplication::activeWindow(), Q(title), Q(start), QFileDialog::ShowDirsOnly);
        if (dir.isEmpty()) return std::nullopt;
        return dir.toStdString();
    };
    h.runFileDialog = [](QFileDialog& dialog) -> std::optional<std::string> {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().front().toStdString();
    };
    h.showError = [](const std::string& text) { QMessageBox::critical(QApplication::activeWindow(), QString(), Lines(text)); };
    h.askYesNo = [](const std::string& text) {
        return QMessageBox::warning(QApplication::activeWindow(), QString(), Lines(text), QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    h.askComputer = [](const std::string& title, const std::string& start) -> std::optional<std::string> {
        TSelectComputerDialog dlg(Q(title), Q(start), QApplication::activeWindow());
        if (dlg.exec() != QDialog::Accepted) return std::nullopt;
        return dlg.ComputerName().toStdString();
    };
    return h;
}

TFileDlgHooks SetFileDlgHooks(const TFileDlgHooks& hooks)
{
    const TFileDlgHooks previous = g_hooks;
    const TFileDlgHooks def = DefaultFileDlgHooks();
    g_hooks.browseFolder = hooks.browseFolder ? hooks.browseFolder : def.browseFolder;
    g_hooks.runFileDialog = hooks.runFileDialog ? hooks.runFileDialog : def.runFileDialog;
    g_hooks.showError = hooks.showError ? hooks.showError : def.showError;
    g_hooks.askYesNo = hooks.askYesNo ? hooks.askYesNo : def.askYesNo;
    g_hooks.askComputer = hooks.askComputer ? hooks.askComputer : def.askComputer;
    return previous;
}

bool SelectFolderDlg(const std::string& title, std::string& folder, bool noCheck)
{
    const std::string caption = title.empty() ? "フォルダを選択して下さい" : title;
    for (;;) {
        const auto chosen = g_hooks.browseFolder(caption, folder);
        if (!chosen) return false;
        // Counted in characters, as the old limit of the file name APIs was.
        if (Q(*chosen).size() > 255) {
            g_hooks.showError(kMsgPathTooLong);
            return false;
        }
        if (noCheck || !IsProtectedFolder(*chosen)) {
            folder = *chosen;
            return true;
        }
        if (g_hooks.askYesNo(kMsgNoWriteAccess)) {
            GetMyDocumentsDir(folder);
            return true;
        }
    }
}

bool CheckSaveFolder(QFileDialog& dialog, std::string& fileName)
{
    for (;;) {
        const auto chosen = g_hooks.runFileDialog(dialog);
        if (!chosen) return false;
        const std::filesystem::path p(*chosen);
        if (!IsProtectedFolder(p.parent_path().string())) {
            fileName = *chosen;
            return true;
        }
        if (g_hooks.askYesNo(kMsgNoWriteAccess)) {
            std::string docs;
            GetMyDocumentsDir(docs);
            fileName = IncludeSlash(docs) + p.filename().string();
            return true;
        }
    }
}

bool SelectComputerDlg(const std::string& title, std::string& computerName)
{
    const auto chosen = g_hooks.askComputer(title.empty() ? "コンピュータを選択して下さい" : title, computerName);
    if (!chosen) return false;
    computerName = *chosen;
    return true;
}

TSelectComputerDialog::TSelectComputerDialog(const QString& title, const QString& start, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("コンピュータ名"), this));
    edit_ = new QLineEdit(start, this);
    layout->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (!ComputerName().isEmpty()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto update = [this] { ok_->setEnabled(!ComputerName().isEmpty()); };
    connect(edit_, &QLineEdit::textChanged, this, update);
    update();
}

QString TSelectComputerDialog::ComputerName() const { return edit_->text().trimmed(); }

void InstallWritableFolderAsk() { SetWritableFolderAsk(&g_askBox); }

} // namespace kb
