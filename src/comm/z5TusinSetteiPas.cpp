#include "comm/z5TusinSetteiPas.h"

#include "core/ErrorReporter.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace kb {

namespace {
void Notice(const char* text)
{
    if (IErrorUi* ui = GetErrorUi()) ui->ShowMessageBox(text, TMsgDlgType::mtInformation);
}
} // namespace

TfmTusinSettiPas::TfmTusinSettiPas(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("削除"));
    auto* lay = new QGridLayout(this);
    CheckBox1 = new QCheckBox(QStringLiteral("削除処理を実行します"), this);
    txtConPasswd = new QLineEdit(this);
    txtConPasswd->setObjectName(QStringLiteral("txtConPasswd"));
    txtConPasswd->setMaxLength(6);
    txtConPasswd->setAttribute(Qt::WA_InputMethodEnabled, false);
    // Letters and digits only; a blank can still arrive by paste and is refused on leaving.
    txtConPasswd->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Za-z ]*")), this));
    txtConPasswd->installEventFilter(this);
    HintArea = new QPlainTextEdit(QStringLiteral("「削除処理を実行します」 にチェックをして、パスワードを入力します。"), this);
    HintArea->setReadOnly(true);
    btnOK = new QPushButton(QStringLiteral("ＯＫ"), this);
    ESC = new QPushButton(QStringLiteral("ESC:ｷｬﾝｾﾙ"), this);
    lay->addWidget(CheckBox1, 0, 0, 1, 3);
    lay->addWidget(new QLabel(QStringLiteral("パスワード:"), this), 1, 0);
    lay->addWidget(txtConPasswd, 1, 1);
    lay->addWidget(new QLabel(QStringLiteral("（英数半角６桁以内）"), this), 1, 2);
    lay->addWidget(new QLabel(QStringLiteral("例： ABC123"), this), 2, 1);
    lay->addWidget(HintArea, 3, 0, 1, 3);
    lay->addWidget(btnOK, 4, 1);
    lay->addWidget(ESC, 4, 2);
    connect(btnOK, &QPushButton::clicked, this, &TfmTusinSettiPas::OkClicked);
    connect(ESC, &QPushButton::clicked, this, [this] { done(2); });
}

void TfmTusinSettiPas::OkClicked()
{
    if (!CheckBox1->isChecked()) {
        Notice(CheckBox1->text() == QStringLiteral("削除処理を実行します") ? "「削除処理を実行します」をチェックしてください。"
                                                                            : "「解除処理を実行します」をチェックしてください。");
        txtConPasswd->setFocus();
        return;
    }
    if (txtConPasswd->text().toStdString() != MatchPassword) {
        Notice("パスワードが違います。");
        txtConPasswd->setFocus();
        return;
    }
    done(1);
}

bool TfmTusinSettiPas::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtConPasswd && event->type() == QEvent::FocusOut && txtConPasswd->text().contains(QLatin1Char(' '))) {
        Notice("パスワードはスペース（空白）なしの英数６桁以内で入力して下さい。");
        txtConPasswd->setFocus();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kb
