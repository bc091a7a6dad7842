#include "comm/z5HikakuMess2.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace kb {

namespace {
QLabel* Colored(QWidget* parent, const char* color)
{
    auto* l = new QLabel(parent);
    l->setStyleSheet(QStringLiteral("color: %1;").arg(QString::fromLatin1(color)));
    l->hide();
    return l;
}
} // namespace

TfmHikakuMess2::TfmHikakuMess2(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    HikakuAnswer = 1;
    setWindowTitle(QStringLiteral("確認"));
    const double dpi = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->logicalDotsPerInch() : 96.0;
    resize(static_cast<int>(456 * dpi / 96), static_cast<int>(190 * dpi / 96));
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(new QLabel(QStringLiteral("中継サーバーに下記相違点のあるデータが存在します。"), this));
    PasswordHeading = new QLabel(QStringLiteral("パスワードが違います。"), this);
    ShougouHeading = new QLabel(QStringLiteral("商号が違います。"), this);
    ShougouLocal = Colored(this, "blue");
    ShougouServer = Colored(this, "maroon");
    KikanHeading = new QLabel(QStringLiteral("会計期間が違います。"), this);
    KikanLocal = Colored(this, "blue");
    KikanServer = Colored(this, "maroon");
    for (QLabel* l : {PasswordHeading, ShougouHeading, KikanHeading}) l->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{PasswordHeading, ShougouHeading, ShougouLocal, ShougouServer,
                                                      KikanHeading, KikanLocal, KikanServer})
        lay->addWidget(w);
    lay->addWidget(new QLabel(QStringLiteral("このまま送信して上書きしてもいいですか？"), this));
    auto* buttons = new QHBoxLayout;
    btnYes = new QPushButton(QStringLiteral("はい"), this);
    btnNo = new QPushButton(QStringLiteral("いいえ"), this);
    buttons->addStretch();
    buttons->addWidget(btnYes);
    buttons->addWidget(btnNo);
    lay->addLayout(buttons);
    connect(btnYes, &QPushButton::clicked, this, [this] {
        HikakuAnswer = 1;
        close();
    });
    connect(btnNo, &QPushButton::clicked, this, [this] {
        HikakuAnswer = 0;
        close();
    });
}

} // namespace kb
