#include "print/z5PrnColorSet.h"

#include "core/DataModule.h"
#include "core/DataModuleSysDef.h"
#include "core/uAccRecord.h"
#include "ui/z5MessageDlg2.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <cstdio>

namespace kb {

namespace {
TColor FromQColor(const QColor& q)
{
    return static_cast<TColor>(q.red()) | static_cast<TColor>(q.green()) << 8 | static_cast<TColor>(q.blue()) << 16;
}
} // namespace

std::string PaletteText(const std::array<TColor, 16>& colours)
{
    std::string out;
    for (int i = 0; i < 16; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "Color%c=%06X\r\n", 'A' + i, static_cast<unsigned>(colours[static_cast<std::size_t>(i)] & 0xFFFFFF));
        out += line;
    }
    return out;
}

std::array<TColor, 16> ParsePalette(const std::string& text, TColor missing)
{
    std::array<TColor, 16> colours;
    colours.fill(missing);
    for (const QString& line : QString::fromStdString(text).split(QRegularExpression("\r\n|\r|\n"), Qt::SkipEmptyParts)) {
        if (line.size() < 8 || !line.startsWith("Color") || line[6] != '=') continue;
        const int index = line[5].unicode() - 'A';
        bool ok = false;
        const uint value = line.mid(7).trimmed().toUInt(&ok, 16);
        if (index >= 0 && index < 16 && ok) colours[static_cast<std::size_t>(index)] = value & 0xFFFFFF;
    }
    return colours;
}

TPrnColorSetBox::TPrnColorSetBox(QWidget* parent) : TBSDI(parent)
{
    setObjectName("PrnColorSetBox");
    setWindowTitle("帳票色の選択");
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    setFont(f);
    resize(333, 231);
    auto* root = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    const char* const labels[4] = {"枠線:", "縦横線:", "見出し行:", "合計行:"};
    for (int tag = 0; tag < 4; ++tag) {
        grid->addWidget(new QLabel(labels[tag], this), tag, 0);
        auto* panel = new QWidget(this);
        panel->setFixedSize(105, 20);
        panel->setAutoFillBackground(true);
        Panels[static_cast<std::size_t>(tag)] = panel;
        grid->addWidget(panel, tag, 1);
        auto* button = new QPushButton("変更", this);
        button->setProperty("tag", tag);
        button->setAutoDefault(false);
        Buttons[static_cast<std::size_t>(tag)] = button;
        grid->addWidget(button, tag, 2);
        connect(button, &QPushButton::clicked, this, [this, tag] { btnLineColor1Click(tag); });
    }
    root->addLayout(grid);
    lblKankyoColor = new QLabel("環境設定の色に戻す", this);
    lblKankyoColor->setCursor(Qt::PointingHandCursor);
    lblKankyoColor->installEventFilter(this);
    root->addWidget(lblKankyoColor);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    btnOK = new QPushButton("OK", this);
    btnCancel = new QPushButton("キャンセル", this);
    for (QPushButton* b : {btnOK, btnCancel}) {
        b->setAutoDefault(false);
        bottom->addWidget(b);
    }
    root->addLayout(bottom);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    ColorDialog1 = new QColorDialog(this);
    ChooseColor = [this](TColor start, TColor& chosen) {
        ColorDialog1->setCurrentColor(ToQColor(start));
        if (ColorDialog1->exec() != QDialog::Accepted) return false;
        chosen = FromQColor(ColorDialog1->selectedColor());
        return true;
    };

    F12Button = btnOK;
    LineColor1 = static_cast<TColor>(SystemDef.PLineColor1);
    LineColor2 = static_cast<TColor>(SystemDef.PLineColor2);
    NetColor1 = static_cast<TColor>(SystemDef.NetColor1);
    NetColor2 = static_cast<TColor>(SystemDef.NetColor2);
    Initialized = true;
}

void TPrnColorSetBox::Paint(int tag, TColor c)
{
    QWidget* panel = Panels[static_cast<std::size_t>(tag)];
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, ToQColor(c));
    panel->setPalette(pal);
}

TColor TPrnColorSetBox::PanelColor(int tag) const
{
    return FromQColor(Panels[static_cast<std::size_t>(tag)]->palette().color(QPalette::Window));
}

void TPrnColorSetBox::SetLineColor1(TColor c) { LineColor1 = c; Paint(0, c); }
void TPrnColorSetBox::SetLineColor2(TColor c) { LineColor2 = c; Paint(1, c); }
void TPrnColorSetBox::SetNetColor1(TColor c) { NetColor1 = c; Paint(2, c); }
void TPrnColorSetBox::SetNetColor2(TColor c) { NetColor2 = c; Paint(3, c); }

void TPrnColorSetBox::Setup(std::uint8_t mode)
{
    Mode = mode;
    ShowColors();
    PositionPending = false;
}

void TPrnColorSetBox::ShowColors()
{
    Paint(0, LineColor1);
    Paint(1, LineColor2);
    Paint(2, NetColor1);
    Paint(3, NetColor2);
    lblKankyoColor->setStyleSheet("color: #0000FF; text-decoration: underline;");
    lblKankyoColor->setVisible(PerForm == 1);
    Palette.clear();
    if (DM) GetStyleColor(*DM, SystemDef.OpCode, kPaletteStyleName, Palette);
    if (Palette.empty()) {
        std::array<TColor, 16> white;
        white.fill(0xFFFFFF);
        Palette = PaletteText(white);
    }
    const auto colours = ParsePalette(Palette);
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, ToQColor(colours[static_cast<std::size_t>(i)]));
}

void TPrnColorSetBox::btnLineColor1Click(int tag)
{
    TColor chosen = 0;
    if (ChooseColor && ChooseColor(PanelColor(tag), chosen)) Paint(tag, chosen);
}

void TPrnColorSetBox::lblKankyoColorClick()
{
    if (ShowMessage2(3, "帳票の色を環境設定の色に戻します。\r\nよろしいですか？", Btn(TMsgDlgBtn::mbYes) | Btn(TMsgDlgBtn::mbNo)) != mrYes)
        return;
    lblKankyoColor->setStyleSheet("color: #800080; text-decoration: underline;");
    SetLineColor1(static_cast<TColor>(SystemDef.PLineColor1));
    SetLineColor2(static_cast<TColor>(SystemDef.PLineColor2));
    SetNetColor1(static_cast<TColor>(SystemDef.NetColor1));
    SetNetColor2(static_cast<TColor>(SystemDef.NetColor2));
}

void TPrnColorSetBox::btnOKClick()
{
    LineColor1 = PanelColor(0);
    LineColor2 = PanelColor(1);
    NetColor1 = PanelColor(2);
    NetColor2 = PanelColor(3);
    if (PerForm == 0) {
        SystemDef.PLineColor1 = static_cast<int>(LineColor1);
        SystemDef.PLineColor2 = static_cast<int>(LineColor2);
        SystemDef.NetColor1 = static_cast<int>(NetColor1);
        SystemDef.NetColor2 = static_cast<int>(NetColor2);
        if (DM) fnPutSysDef(*DM);
    }
    done(mrOk);
}

bool TPrnColorSetBox::eventFilter(QObject* o, QEvent* e)
{
    // Only a click on the label itself.
    if (o == lblKankyoColor && e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        lblKankyoColorClick();
        return true;
    }
    return TBSDI::eventFilter(o, e);
}

bool TPrnColorSetBox::FormCloseHide()
{
    std::array<TColor, 16> colours;
    for (int i = 0; i < 16; ++i) colours[static_cast<std::size_t>(i)] = FromQColor(QColorDialog::customColor(i));
    Palette = PaletteText(colours);
    if (DM) PutStyleColor(*DM, SystemDef.OpCode, kPaletteStyleName, Palette);
    return true;
}

} // namespace kb
