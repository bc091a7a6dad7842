#pragma once
// Folder, file and computer choice. The folder and file dialogs apply the write check of
// core/z5FileFunc (a folder this user cannot write is offered to be replaced by Documents); the
// computer choice, which has no browser here, is a small dialog where the host name is typed.
// The platform dialogs and boxes go through TFileDlgHooks, so tests can answer them.

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QFileDialog;
class QLineEdit;
class QPushButton;

namespace kb {

struct TFileDlgHooks {
    // The folder browser: the chosen folder, or nothing for Cancel.
    std::function<std::optional<std::string>(const std::string& title, const std::string& start)> browseFolder;
    // Runs a file dialog; the chosen file, or nothing for Cancel.
    std::function<std::optional<std::string>(QFileDialog& dialog)> runFileDialog;
    // An error box with one OK button.
    std::function<void(const std::string& text)> showError;
    // A warning box with Yes and No; true for Yes.
    std::function<bool(const std::string& text)> askYesNo;
    // The computer-name dialog: the typed name, or nothing for Cancel.
    std::function<std::optional<std::string>(const std::string& title, const std::string& start)> askComputer;
};
// The Qt dialogs and message boxes.
TFileDlgHooks DefaultFileDlgHooks();
// Replaces the hooks (an empty member keeps the default); returns the previous set.
TFileDlgHooks SetFileDlgHooks(const TFileDlgHooks& hooks);

inline constexpr const char* kMsgPathTooLong = "選択した場所(パス)の文字長が処理できる範囲を超えました。\r別の場所を選択して下さい。\r";

// title empty: "フォルダを選択して下さい". True with the chosen folder; a path longer than 255
// characters is refused with kMsgPathTooLong; unless noCheck, a folder that cannot be written asks
// to use Documents instead (Yes: Documents; No: the browser again).
bool SelectFolderDlg(const std::string& title, std::string& folder, bool noCheck);
// Runs the file dialog; a file in a folder that cannot be written asks as above (No: the dialog
// again; Yes: the file name moved into Documents). False on Cancel.
bool CheckSaveFolder(QFileDialog& dialog, std::string& fileName);
// title empty: "コンピュータを選択して下さい". True with the typed host name.
bool SelectComputerDlg(const std::string& title, std::string& computerName);

// The dialog where a computer's host name is typed; OK stays disabled while the name is blank.
class TSelectComputerDialog : public QDialog {
    Q_OBJECT
public:
    TSelectComputerDialog(const QString& title, const QString& start, QWidget* parent = nullptr);
    QString ComputerName() const;
    QLineEdit* Edit() const { return edit_; }
    QPushButton* OkButton() const { return ok_; }

private:
    QLineEdit* edit_;
    QPushButton* ok_;
};

// Installs the message-box answer of core's CheckWritableFolder / CheckWritableFile.
void InstallWritableFolderAsk();

} // namespace kb
