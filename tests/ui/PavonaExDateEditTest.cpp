// The era date and time edit: the input check from tables, then typing into the real control.

#include "KeyFormFixture.h"

#include "ui/PavonaExDateEdit.h"
#include "ui/PavonaExDateEditLib.h"
#include "ui/xEdit.h"

#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace kb;
using kbtest::KeyForm;
using S = TPavonaExDateEditStyle;
using R = TPavonaExRekiSet;

namespace {
ExSettings Settings(R mode, S style = S::desYearMonthDay)
{
    ExSettings s;
    s.style = style;
    s.gengo = mode;
    if (mode != R::rsWareki) s.eraItems.push_back("西暦");
    if (mode != R::rsSeireki)
        for (const auto& g : PavonaExBuiltInGengo()) s.eraItems.push_back(g.Name);
    s.eras = PavonaExBuiltInGengo();
    s.currentYear = 2024;
    return s;
}
ExInput Ymd(const char* era, const char* y, const char* m, const char* d)
{
    ExInput in;
    in.era = era;
    in.year = y;
    in.month = m;
    in.day = d;
    return in;
}
} // namespace

TEST(ExDateRules, EraDates)
{
    struct Case { R mode; ExInput in; Date want; };
    const Case cases[] = {
        {R::rsWareki, Ymd("令和", "6", "4", "1"), Date(2024, 4, 1)},
        {R::rsWareki, Ymd("平成", "31", "5", "1"), Date(2019, 5, 1)}, // the era's end is not checked
        {R::rsWareki, Ymd("明治", "6", "1", "1"), Date(1873, 1, 1)},
        {R::rsBoth, Ymd("昭和", "64", "1", "7"), Date(1989, 1, 7)},
        {R::rsBoth, Ymd("西暦", "2024", "2", "29"), Date(2024, 2, 29)},
        {R::rsSeireki, Ymd("西暦", "2999", "1", "1"), Date(2999, 1, 1)}, // western mode takes any year
    };
    for (const Case& c : cases) {
        const ExCheckResult r = ExCheckInput(c.in, Settings(c.mode));
        EXPECT_EQ(r.error, 0) << c.in.era << c.in.year << " " << r.message;
        EXPECT_EQ(r.value, DateTime(c.want)) << c.in.era << c.in.year;
    }
    ExSettings two = Settings(R::rsSeireki);
    two.yeardigit = TPavonaExYeardigitSet::yddigit2;
    EXPECT_EQ(ExCheckInput(Ymd("西暦", "99", "1", "1"), two).value, DateTime(Date(2099, 1, 1)));
    EXPECT_EQ(ExCheckInput(Ymd("西暦", "5", "1", "1"), two).value, DateTime(Date(2005, 1, 1)));
}

TEST(ExDateRules, ErrorsAndTheirMessages)
{
    struct Case { const char* name; R mode; ExInput in; int error; const char* message; ExField focus; };
    const Case cases[] = {
        {"明治5", R::rsWareki, Ymd("明治", "5", "12", "31"), 256, exmsg::kBefore1873, ExField::Year},
        {"2999 era", R::rsWareki, Ymd("令和", "981", "1", "1"), 32768, exmsg::kYear2999, ExField::Year},
        {"2999 both", R::rsBoth, Ymd("西暦", "2999", "1", "1"), 32768, exmsg::kYear2999, ExField::Year},
        {"30 Feb", R::rsWareki, Ymd("令和", "6", "2", "30"), 1024, exmsg::kBadDate, ExField::Year},
        {"month 13", R::rsWareki, Ymd("令和", "6", "13", "1"), 1024, exmsg::kBadDate, ExField::Year},
        {"day empty", R::rsWareki, Ymd("令和", "6", "4", ""), 8, exmsg::kSomeEmpty, ExField::Day},
        {"era and day empty", R::rsWareki, Ymd("", "6", "4", ""), 2 | 8, exmsg::kSomeEmpty, ExField::Era},
    };
    for (const Case& c : cases) {
        const ExCheckResult r = ExCheckInput(c.in, Settings(c.mode));
        EXPECT_EQ(r.error, c.error) << c.name;
        EXPECT_EQ(r.message, c.message) << c.name;
        EXPECT_EQ(r.focus, c.focus) << c.name;
    }
    // All empty: fine when allowed, refused when not.
    const ExCheckResult empty = ExCheckInput(Ymd("", "", "", ""), Settings(R::rsWareki));
    EXPECT_TRUE(empty.empty);
    EXPECT_EQ(empty.message, "");
    ExSettings must = Settings(R::rsWareki);
    must.canEmpty = false;
    const ExCheckResult refused = ExCheckInput(Ymd("", "", "", ""), must);
    EXPECT_EQ(refused.error, 1);
    EXPECT_EQ(refused.message, "入力欄が全て空白です．　　");
}

TEST(ExDateRules, Times)
{
    auto hms = [](const char* ampm, const char* h, const char* m, const char* s) {
        ExInput in;
        in.ampm = ampm;
        in.hour = h;
        in.minute = m;
        in.second = s;
        return in;
    };
    ExSettings h24 = Settings(R::rsSeireki, S::desHourMinuteSecond);
    EXPECT_EQ(ExCheckInput(hms("", "23", "59", "59"), h24).value.TimeString(), "23:59:59");
    ExCheckResult r = ExCheckInput(hms("", "24", "0", "0"), h24);
    EXPECT_EQ(r.message, "時刻の入力可能な値は23時59分59秒までです．　　");
    EXPECT_EQ(r.focus, ExField::Hour);
    r = ExCheckInput(hms("", "10", "60", "0"), h24);
    EXPECT_EQ(r.message, "時刻の入力可能な値は23時59分59秒までです．　　");
    EXPECT_EQ(r.focus, ExField::Minute);
    EXPECT_EQ(r.error, 2048);

    ExSettings h12 = h24;
    h12.editAmpm = true;
    EXPECT_EQ(ExCheckInput(hms("午後", "11", "59", "59"), h12).value.TimeString(), "23:59:59");
    EXPECT_EQ(ExCheckInput(hms("午前", "12", "0", "0"), h12).message, "時刻の入力可能な値は11時59分59秒までです．　　");
    EXPECT_EQ(ExCheckInput(hms("", "1", "0", "0"), h12).focus, ExField::Ampm);
}

TEST(ExDateRules, EraTableFilterAndWareki)
{
    const auto& t = PavonaExBuiltInGengo();
    const auto onlyReiwa = FilterExGengo(t, Date(2019, 6, 1), std::nullopt);
    ASSERT_EQ(onlyReiwa.size(), 1u);
    EXPECT_EQ(onlyReiwa[0].Name, "令和");
    const auto upToShowa = FilterExGengo(t, Date(1950, 1, 1), Date(1980, 1, 1));
    ASSERT_EQ(upToShowa.size(), 1u);
    EXPECT_EQ(upToShowa[0].Name, "昭和");
    EXPECT_EQ(FilterExGengo(t, Date(1990, 1, 1), std::nullopt).size(), 2u);
    EXPECT_EQ(FilterExGengo(t, std::nullopt, std::nullopt).size(), 5u);

    struct Case { Date d; int index, year; };
    const Case cases[] = {{Date(2019, 4, 30), 1, 31}, {Date(2019, 5, 1), 0, 1}, {Date(1989, 1, 7), 2, 64},
                          {Date(1900, 1, 1), 4, 33}};
    for (const Case& c : cases) {
        const ExWareki w = ExDateToWareki(t, c.d);
        EXPECT_EQ(w.index, c.index) << c.d.ToString();
        EXPECT_EQ(w.year, c.year) << c.d.ToString();
    }
}

namespace {
struct DateForm {
    KeyForm form;
    TPavonaExDateEdit* edit;
    TxEdit* after;
    std::vector<std::pair<QString, QString>> shown;
    DateForm()
    {
        edit = form.Add(new TPavonaExDateEdit);
        after = form.Add(new TxEdit);
        edit->OnShowMessage = [this](const QString& c, const QString& t) { shown.push_back({c, t}); };
        form.Open();
    }
};
} // namespace

TEST(TPavonaExDateEdit, TypedReiwaDateGivesTheWesternDate)
{
    DateForm f;
    TPavonaExDateEdit* e = f.edit;
    e->EraBox()->setFocus();
    e->EraBox()->setCurrentIndex(e->EraBox()->findText("令和"));
    QTest::keyClick(e->EraBox(), Qt::Key_Return);
    ASSERT_EQ(KeyForm::Focus(), e->YearEdit());
    QTest::keyClicks(KeyForm::Focus(), "6x"); // letters have no effect
    QTest::keyClick(KeyForm::Focus(), Qt::Key_Return);
    QTest::keyClicks(KeyForm::Focus(), "4");
    QTest::keyClick(KeyForm::Focus(), Qt::Key_Return);
    ASSERT_EQ(KeyForm::Focus(), e->DayEdit());
    QTest::keyClicks(KeyForm::Focus(), "1");
    QTest::keyClick(KeyForm::Focus(), Qt::Key_Return);
    EXPECT_EQ(KeyForm::Focus(), f.after); // past the last field the form's order goes on
    EXPECT_EQ(e->YearEdit()->text(), "6");
    EXPECT_EQ(e->GetDate(), DateTime(Date(2024, 4, 1)));
    EXPECT_TRUE(f.shown.empty());

    QTest::keyClick(e->DayEdit(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(KeyForm::Focus(), e->MonthEdit());
}

TEST(TPavonaExDateEdit, ImpossibleDateShowsTheMessageAndStops)
{
    DateForm f;
    TPavonaExDateEdit* e = f.edit;
    e->EraBox()->setCurrentIndex(e->EraBox()->findText("令和"));
    e->YearEdit()->setFocus();
    QTest::keyClicks(e->YearEdit(), "6");
    e->MonthEdit()->setFocus();
    QTest::keyClicks(e->MonthEdit(), "2");
    e->DayEdit()->setFocus();
    QTest::keyClicks(e->DayEdit(), "30");
    f.after->setFocus();
    EXPECT_THROW(e->CheckInput(), EAbort);
    ASSERT_EQ(f.shown.size(), 1u);
    EXPECT_EQ(f.shown[0].first, "日付時刻入力");
    EXPECT_EQ(f.shown[0].second, "日付が正しくありません（変換できません）．　　");
    EXPECT_EQ(e->ErrorCode(), 1024);
    EXPECT_EQ(KeyForm::Focus(), e->YearEdit());

    e->DayEdit()->clear();
    EXPECT_THROW(e->GetDate(), EAbort);
    EXPECT_EQ(f.shown.back().second, "空白の入力欄があります．　　");
    EXPECT_EQ(KeyForm::Focus(), e->DayEdit());
}

TEST(TPavonaExDateEdit, SetDateShowsEraAndLimits)
{
    DateForm f;
    TPavonaExDateEdit* e = f.edit;
    e->SetDate(DateTime(Date(2019, 4, 30)));
    EXPECT_EQ(e->EraBox()->currentText(), "平成");
    EXPECT_EQ(e->YearEdit()->text(), "31");
    EXPECT_EQ(e->MonthEdit()->text(), "4");
    EXPECT_EQ(e->DayEdit()->text(), "30");

    std::vector<TPavonaExGengo> table(PavonaExBuiltInGengo().begin(), PavonaExBuiltInGengo().end());
    e->SetWarekiTable(table);
    e->SetMinDate(DateTime(Date(2019, 6, 1)));
    EXPECT_EQ(e->EraBox()->count(), 1);
    EXPECT_EQ(e->EraBox()->itemText(0), "令和");
    e->SetDate(DateTime(Date(2019, 1, 1))); // below MinDate: MinDate is shown
    EXPECT_EQ(e->EraBox()->currentText(), "令和");
    EXPECT_EQ(e->YearEdit()->text(), "1");
    EXPECT_EQ(e->MonthEdit()->text(), "6");
    EXPECT_EQ(e->GetDate(), DateTime(Date(2019, 6, 1)));

    e->SetGengo(R::rsBoth);
    EXPECT_EQ(e->EraBox()->itemText(0), "西暦");
    EXPECT_EQ(e->EraBox()->itemText(1), "令和");

    e->SetDate(DateTime{});
    EXPECT_EQ(e->YearEdit()->text(), "");
    EXPECT_EQ(e->GetDate(), DateTime{});
}

TEST(TPavonaExDateEdit, FocusGoesToTheFirstShownField)
{
    DateForm f;
    TPavonaExDateEdit* e = f.edit;
    e->setFocus();
    EXPECT_EQ(KeyForm::Focus(), e->EraBox());
    f.after->setFocus();
    e->SetEditGengo(false);
    e->setFocus();
    EXPECT_EQ(KeyForm::Focus(), e->YearEdit());
    EXPECT_EQ(e->YearEdit()->maxLength(), 4); // western years take four digits
    f.after->setFocus();
    e->SetEditStyle(S::desHourMinute);
    e->setFocus();
    EXPECT_EQ(KeyForm::Focus(), e->HourEdit());
}

TEST(TPavonaExDateEdit, TimeFieldsAndBoxes)
{
    DateForm f;
    TPavonaExDateEdit* e = f.edit;
    e->SetEditStyle(S::desYearMonthDayHMS);
    e->SetEditAmpm(true);
    e->SetDate(DateTime(Date(2024, 4, 1), 15, 4, 5));
    EXPECT_EQ(e->AmpmBox()->currentText(), "午後");
    EXPECT_EQ(e->HourEdit()->text(), "3");
    EXPECT_EQ(e->MinuteEdit()->text(), "4");
    EXPECT_EQ(e->SecondEdit()->text(), "5");
    EXPECT_EQ(e->GetDate(), DateTime(Date(2024, 4, 1), 15, 4, 5));
    // A value at midnight leaves the time fields as they were.
    e->SetDate(DateTime(Date(2024, 5, 1)));
    EXPECT_EQ(e->HourEdit()->text(), "3");

    int changes = 0;
    QObject::connect(e, &TPavonaExDateEdit::Change, [&](QObject* s) { changes += s == e->EraBox(); });
    e->EraBox()->setFocus();
    QTest::keyClick(e->EraBox(), Qt::Key_Delete);
    EXPECT_EQ(e->EraBox()->currentIndex(), -1);
    EXPECT_EQ(changes, 1);
}
