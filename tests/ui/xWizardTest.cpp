// The wizard notebook driven by its Back and Next buttons.

#include "KeyFormFixture.h"

#include "ui/xWizard.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace kb;
using kbtest::KeyForm;

namespace {
struct WizardForm {
    KeyForm form;
    TxWizard* wiz;
    QPushButton* back;
    QPushButton* next;
    QLabel* header;
    QLabel* info;
    std::vector<std::string> log;

    explicit WizardForm(int pages)
    {
        wiz = form.Add(new TxWizard);
        for (int i = 0; i < pages; ++i) wiz->addWidget(new QLabel(QString("page %1").arg(i)));
        header = form.Add(new QLabel("before"));
        info = form.Add(new QLabel("before"));
        back = form.Add(new QPushButton);
        next = form.Add(new QPushButton);
        wiz->SetHeaderCaption({"データの選択", "出力先の指定"}); // no entry for a third page
        wiz->SetInfoCaption({"info0", "info1", "info2"});
        wiz->SetLblHeader(header);
        wiz->SetLblInfo(info);
        wiz->SetBackButton(back);
        wiz->SetNextButton(next);
        wiz->OnBackClick = [this](QObject* s) { log.push_back(s == back ? "back" : "back?"); };
        wiz->OnNextClick = [this](QObject* s, bool fin) { log.push_back(std::string(s == next ? "next" : "next?") + (fin ? " final" : "")); };
        form.Open();
    }
};
} // namespace

TEST(TxWizard, BackAndNextPageAndCaptionsFollow)
{
    WizardForm w(3);
    EXPECT_EQ(w.header->text(), "データの選択");
    EXPECT_FALSE(w.back->isVisible());
    EXPECT_EQ(w.next->text(), "次へ(&N) >");
    EXPECT_EQ(w.back->text(), "< 戻る(&B)");

    QTest::mouseClick(w.next, Qt::LeftButton);
    EXPECT_EQ(w.wiz->PageIndex(), 1);
    EXPECT_EQ(w.header->text(), "出力先の指定");
    EXPECT_EQ(w.info->text(), "info1");
    EXPECT_TRUE(w.back->isVisible());
    EXPECT_EQ(w.next->text(), "次へ(&N) >");

    QTest::mouseClick(w.next, Qt::LeftButton);
    EXPECT_EQ(w.wiz->PageIndex(), 2);
    EXPECT_EQ(w.header->text(), "出力先の指定"); // no header entry for page 2: the label keeps its text
    EXPECT_EQ(w.info->text(), "info2");
    EXPECT_EQ(w.next->text(), "完了(&F)");

    QTest::mouseClick(w.next, Qt::LeftButton); // Finish
    EXPECT_EQ(w.wiz->PageIndex(), 2);

    QTest::mouseClick(w.back, Qt::LeftButton);
    EXPECT_EQ(w.wiz->PageIndex(), 1);
    EXPECT_EQ(w.next->text(), "次へ(&N) >");
    QTest::mouseClick(w.back, Qt::LeftButton);
    EXPECT_EQ(w.wiz->PageIndex(), 0);
    EXPECT_FALSE(w.back->isVisible());
    EXPECT_EQ(w.log, (std::vector<std::string>{"next", "next", "next final", "back", "back"}));
}

TEST(TxWizard, VetoHoldsThePage)
{
    WizardForm w(3);
    bool sawFinal = true;
    bool allowNext = false;
    w.wiz->OnNextClicking = [&](QObject*, bool fin, bool& allow) {
        sawFinal = fin;
        allow = allowNext;
    };
    QTest::mouseClick(w.next, Qt::LeftButton);
    EXPECT_EQ(w.wiz->PageIndex(), 0);
    EXPECT_FALSE(w.back->isVisible());
    EXPECT_EQ(w.header->text(), "データの選択");
    EXPECT_EQ(w.next->text(), "次へ(&N) >");
    EXPECT_FALSE(sawFinal);
    EXPECT_TRUE(w.log.empty());

    allowNext = true;
    QTest::mouseClick(w.next, Qt::LeftButton);
    QTest::mouseClick(w.next, Qt::LeftButton);
    QTest::mouseClick(w.next, Qt::LeftButton);
    EXPECT_FALSE(sawFinal); // the form hears False even on the Finish click
    EXPECT_EQ(w.log.back(), "next final");
}

TEST(TxWizard, OnePageWizardFinishesAtOnce)
{
    WizardForm w(1);
    EXPECT_EQ(w.next->text(), "完了(&F)");
    QTest::mouseClick(w.next, Qt::LeftButton);
    EXPECT_EQ(w.log, (std::vector<std::string>{"next final"}));
    EXPECT_FALSE(w.back->isVisible());
}
