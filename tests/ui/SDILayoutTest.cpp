#include "ui/SDI.h"
#include "ui/SDILayout.h"

#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <gtest/gtest.h>

using namespace kb;

TEST(FormLayout, FontScaleTable)
{
    struct Case { int ppi, baseSize, chosenSize, basePPI, ratio, formPPI; };
    const Case cases[] = {
        {96, 10, 12, 96, 120, 115},  // 115.2 rounds down
        {96, 8, 10, 96, 125, 120},   // base font not 10: designed at 96
        {96, 10, 10, 96, 100, 96},
        {144, 9, 9, 96, 100, 96},    // base not 10: 96 whatever the screen
        {120, 10, 10, 120, 100, 120},
        {96, 10, 9, 96, 90, 86},     // 86.4
        {96, 8, 9, 96, 112, 108},    // 107.52 rounds up
    };
    for (const auto& c : cases) {
        const auto s = ComputeFontScale(c.ppi, c.baseSize, c.chosenSize);
        EXPECT_EQ(s.BasePPI, c.basePPI) << c.ppi << "/" << c.baseSize << "/" << c.chosenSize;
        EXPECT_EQ(s.Ratio, c.ratio) << c.ppi << "/" << c.baseSize << "/" << c.chosenSize;
        EXPECT_EQ(s.FormPPI, c.formPPI) << c.ppi << "/" << c.baseSize << "/" << c.chosenSize;
    }
}

TEST(FormLayout, ScaleFrameAndMulDiv)
{
    EXPECT_EQ(ScaleByPPI(1012, 120, 96), 1265);
    EXPECT_EQ(ScaleByPPI(1012, 96, 96), 1012);
    EXPECT_EQ(AdjustByFrame(1012, 0, 4), 1012);
    EXPECT_EQ(AdjustByFrame(1012, 0, 3), 1012);
    EXPECT_EQ(AdjustByFrame(1012, 0, 5), 1010);
    EXPECT_EQ(AdjustByFrame(1012, 1, 5), 1008);
    EXPECT_EQ(AdjustByFrame(1012, 2, 5), 1012);
    EXPECT_EQ(MulDiv(5, 3, 2), 8);   // 7.5 away from zero
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(FormLayout, MinSizeAndMedicalLabels)
{
    EXPECT_EQ(ComputeMinSize(true, false, 1012, 648).Width, 607);
    EXPECT_EQ(ComputeMinSize(true, false, 1012, 648).Height, 388);
    EXPECT_EQ(ComputeMinSize(true, true, 1012, 648).Width, 0);
    EXPECT_EQ(ComputeMinSize(false, false, 1012, 648).Height, 0);

    EXPECT_EQ(MedicalRelabel("本・支店名"), "施設名");
    EXPECT_EQ(MedicalRelabel("支店コード"), "施設コード");
    EXPECT_EQ(MedicalRelabel("本・支店／支店"), "施設／施設");
    EXPECT_EQ(MedicalRelabel("本店"), "本店");
}

TEST(FormLayout, GridColours)
{
    TScreenSettings s;
    s.ColHeaderColor = 0x111111;
    s.ClientColor = 0x222222;
    s.ClientColor1 = 0x333333;
    s.ClientColor2 = 0x444444;
    s.ActiveColor = 0x555555;
    auto c = ComputeGridColors(s, 1);
    EXPECT_EQ(c.BackColor, 0x222222u);
    EXPECT_EQ(c.OddRowBackColor, 0x222222u);
    EXPECT_EQ(c.FixedBackColor, 0x111111u);
    EXPECT_EQ(c.FocusBorderColor, 0x555555u);
    EXPECT_EQ(c.ThruBorderColor, 0x008000u);
    c = ComputeGridColors(s, 0);
    EXPECT_EQ(c.BackColor, 0x333333u);
    EXPECT_EQ(c.OddRowBackColor, 0x444444u);
    s.OemFlag = 2;
    EXPECT_EQ(ComputeGridColors(s, 0).ThruBorderColor, 0x246BFFu);

    QTableView view;
    ApplyGridColors(&view, c);
    EXPECT_EQ(view.palette().color(QPalette::Base), QColor(0x33, 0x33, 0x33));
    EXPECT_TRUE(view.alternatingRowColors());
}

namespace {
struct ScaleEnv : TBSDIEnvironment {
    TScreenSettings S;
    int OpCode() const override { return 0; }
    std::string PCName() const override { return {}; }
    std::optional<int> HostMenu(int, const std::string&) override { return std::nullopt; }
    void SetHostMenuAnswer(std::uint8_t) override {}
    std::optional<TFormRect> LoadFormSize(int, const std::string&) override { return std::nullopt; }
    void InsertFormSize(int, const std::string&, const TFormRect&) override {}
    void UpdateFormSize(int, const std::string&, const TFormRect&) override {}
    void WriteOpLog(fb::Transaction&, int, const std::string&, const std::string&, int) override {}
    std::string LoadGamenValue(const std::string&) override { return {}; }
    void SaveGamenValue(const std::string&, const std::string&) override {}
    void ReportError(const std::string&, std::exception_ptr) override {}
    TScreenSettings Screen() const override { return S; }
    void ReloadAccInfo() override {}
};
} // namespace

TEST(FormLayout, WideGridIsRecordedAndRescaled)
{
    ScaleEnv env;
    env.S.ChosenFontSize = 12; // ratio 120: the form goes to 115 dpi
    env.S.IryouHoujin = true;
    SetBSDIEnvironment(&env);
    {
        TBSDI form;
        form.KeepOnClose = true;
        form.resize(600, 400);
        auto* label = new QLabel("本・支店コード", &form);
        label->setGeometry(10, 20, 100, 20);
        auto* grid = new QTableView(&form);
        QStandardItemModel model(3, 2500);
        grid->setModel(&model);
        grid->setGeometry(10, 50, 400, 200);
        grid->horizontalHeader()->resizeSection(2400, 50);
        grid->verticalHeader()->setDefaultSectionSize(20);
        form.show();

        ASSERT_EQ(form.Layout.size(), static_cast<std::size_t>(form.findChildren<QWidget*>().size()));
        const TGridLayoutRec* rec = nullptr;
        for (const auto& l : form.Layout)
            if (l.Control == grid)
                rec = l.Grid.get();
        ASSERT_NE(rec, nullptr);
        ASSERT_EQ(rec->ColWidths.size(), 2500u); // more than the old fixed 2001 entries
        EXPECT_EQ(rec->ColWidths[2400], 50);
        EXPECT_EQ(grid->horizontalHeader()->sectionSize(2400), 50 * 115 / 96);
        EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 20 * 115 / 96);
        EXPECT_EQ(label->text().toStdString(), "施設コード");
        EXPECT_EQ(label->geometry(), QRect(10 * 115 / 96, 20 * 115 / 96, 100 * 115 / 96, 20 * 115 / 96));
        EXPECT_EQ(form.size(), QSize(600 * 115 / 96, 400 * 115 / 96));

        const TGridLayoutRec* before = rec;
        form.SaveLayout(); // same component count: grid records kept
        for (const auto& l : form.Layout) {
            if (l.Control == grid) {
                EXPECT_EQ(l.Grid.get(), before);
            }
        }
    }
    SetBSDIEnvironment(nullptr);
}
