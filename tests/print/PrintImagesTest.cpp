// Images on a page: decodable bitmaps and JPEGs, a broken JPEG that must not end the job, metafiles
// that nothing here reads, the AND mode, and chart panels; failures land in the engine's error log.

#include "print/Plotivar_ImageOut.h"
#include "print/Plotivar_Pages.h"
#include "platform/Text.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace kb;

namespace {

struct Fixture {
    kbtest::TempDir dir;
    kbtest::ScopedEnv env{"KB_DOCUMENTS_DIR", dir.path().string()};
    TPlotivarDEF def;
    TPlotivarEngine engine;
    QImage image{400, 400, QImage::Format_RGB32};
    Fixture()
    {
        engine.Def = &def;
        image.fill(Qt::white);
        QImage yellow(10, 10, QImage::Format_RGB32);
        yellow.fill(Qt::yellow);
        yellow.save(QString::fromStdString((dir / "yellow.bmp").string()), "BMP");
        yellow.save(QString::fromStdString((dir / "yellow.JPG").string()), "JPG");
        kbtest::WriteFile(dir / "broken.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00 not really", 20));
        kbtest::WriteFile(dir / "chart.wmf", std::string("\xD7\xCD\xC6\x9A\x00\x00", 6));
    }
    std::string Path(const char* name) const { return (dir / name).string(); }
    std::vector<std::string> Log() const
    {
        return SplitLines(Cp932ToUtf8(kbtest::ReadFile(dir / "Plotivar_Error.log")));
    }
    QRgb At(int x, int y) const { return image.pixel(x, y) | 0xFF000000; }
};

TEST(PrintImages, BrokenImageLogsAndTheNextPageIsDrawn)
{
    Fixture fx;
    TPrintTextFile f;
    f.Assign({"FRECT;10;10;20;20;青;0;", "E;",
              "IMAGE;100;100;200;200;" + fx.Path("broken.jpg") + ";0;", "FRECT;210;210;220;220;赤;0;", "E;",
              "FRECT;300;300;310;310;緑;0;"});
    QPainter p(&fx.image);
    EXPECT_FALSE(DrawPrintPage(fx.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0));
    EXPECT_FALSE(DrawPrintPage(fx.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0)); // not the last page
    EXPECT_TRUE(DrawPrintPage(fx.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0));
    p.end();
    EXPECT_EQ(fx.At(305, 305), 0xFF008000u); // page 3 was drawn
    EXPECT_EQ(fx.At(215, 215), 0xFFFFFFFFu); // the broken page ended at its image
    const auto log = fx.Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("  ImageOut.(IMAGE):" + fx.Path("broken.jpg")), std::string::npos) << log[0];
}

TEST(PrintImages, MetafileIsLoggedAndThePageGoesOn)
{
    Fixture fx;
    TPrintTextFile f;
    f.Assign({"IMAGE;100;100;200;200;" + fx.Path("chart.wmf") + ";0;", "FRECT;210;210;220;220;赤;0;",
              "IMAGE;10;10;50;50;" + fx.Path("missing.bmp") + ";0;", "IMAGE;10;10;50;50;" + fx.Path("yellow.png") + ";0;"});
    QPainter p(&fx.image);
    EXPECT_TRUE(DrawPrintPage(fx.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0));
    p.end();
    EXPECT_EQ(fx.At(215, 215), 0xFFFF0000u);
    EXPECT_EQ(fx.At(150, 150), 0xFFFFFFFFu);
    const auto log = fx.Log();
    ASSERT_EQ(log.size(), 1u); // a missing file and an unknown extension are silent
    EXPECT_EQ(log[0].substr(17), "  ImageOut.(IMAGE):" + fx.Path("chart.wmf") + ":WMF/EMF形式の画像は描画できません。");
}

TEST(PrintImages, ImagesFillTheirRectangleAndAndModeDarkens)
{
    Fixture fx;
    TPrintTextFile f;
    f.Assign({"IMAGE;10;10;110;110;" + fx.Path("yellow.bmp") + ";0;", "IMAGE;150;10;250;110;" + fx.Path("yellow.JPG") + ";0;",
              "FRECT;10;200;110;300;赤;0;", "IMAGE;10;200;110;300;" + fx.Path("yellow.bmp") + ";1;",
              "IMAGE;200;200;300;300;" + fx.Path("yellow.bmp") + ";1;"});
    QPainter p(&fx.image);
    DrawPrintPage(fx.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0);
    p.end();
    EXPECT_EQ(fx.At(12, 12), 0xFFFFFF00u);
    EXPECT_EQ(fx.At(108, 108), 0xFFFFFF00u);
    EXPECT_EQ(fx.At(111, 111), 0xFFFFFFFFu);
    EXPECT_EQ(qGray(fx.At(200, 60)), qGray(qRgb(255, 255, 0)));  // the JPEG, up to its compression
    EXPECT_EQ(fx.At(60, 250), 0xFFFF0000u);  // yellow AND red is red
    EXPECT_EQ(fx.At(250, 250), 0xFFFFFF00u); // yellow AND white is yellow
    EXPECT_FALSE(std::filesystem::exists(fx.dir / "Plotivar_Error.log"));
}

TEST(PrintImages, ChartPanelsPaintTheirRectangle)
{
    struct Panel : ChartPanel {
        QRect got;
        void paint(QPainter& p, QRect r) override
        {
            got = r;
            p.fillRect(QRect(0, 0, 400, 400), Qt::blue); // clipped to the rectangle
        }
    };
    Fixture fx;
    auto panel = std::make_shared<Panel>();
    ChartHolder holder{panel};
    fx.engine.Charts = &holder;
    TPrintTextFile f;
    // At zoom 20 the chart's tenths of a millimetre are device units times 2.
    f.Assign({"CHART;any.tee;50;50;25;25;0;", "CHART;any.tee;1;1;2;2;3;"});
    QPainter p(&fx.image);
    DrawPrintPage(fx.engine, "DAT", f, p, 254, 1, 1, 20, false, 0, 0, 0);
    p.end();
    EXPECT_EQ(panel->got, QRect(QPoint(50, 50), QPoint(100, 100)));
    EXPECT_EQ(fx.At(75, 75), 0xFF0000FFu);
    EXPECT_EQ(fx.At(150, 150), 0xFFFFFFFFu);
    const auto log = fx.Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("ImageOut.(CHART):"), std::string::npos);
}

} // namespace

namespace {

TEST(PrintImages, AFailingChartEndsItsPageOnly)
{
    struct Throwing : ChartPanel {
        void paint(QPainter& p, QRect) override
        {
            p.scale(3, 3);
            throw std::runtime_error("グラフの描画に失敗しました");
        }
    };
    Fixture fx;
    ChartHolder holder{std::make_shared<Throwing>()};
    fx.engine.Charts = &holder;
    TPrintTextFile f;
    f.Assign({"CHART;a;10;10;20;20;0;", "E;", "FRECT;300;300;310;310;赤;0;"});
    QPainter p(&fx.image);
    EXPECT_FALSE(DrawPrintPage(fx.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0));
    EXPECT_TRUE(DrawPrintPage(fx.engine, "DAT", f, p, 254, 1, 1, 10, false, 0, 0, 0));
    p.end();
    EXPECT_EQ(fx.At(305, 305), 0xFFFF0000u); // no clip or scale of the failed chart is left behind
    const auto log = fx.Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].substr(17), "  ImageOut.(CHART):グラフの描画に失敗しました");
}

} // namespace
