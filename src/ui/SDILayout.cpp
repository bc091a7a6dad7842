#include "ui/SDILayout.h"

#include "ui/z5MessageDlg2.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QListView>
#include <QTableView>
#include <QTreeView>

#include <cmath>

namespace kb {

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long double v = static_cast<long double>(a) * b / c;
    return static_cast<int>(std::llround(v)); // llround rounds half away from zero
}

// ScaleByPPI and AdjustByFrame come from z5WinFunc.

TFontScale ComputeFontScale(int screenPPI, int baseFontSize, int chosenFontSize)
{
    TFontScale s;
    s.BasePPI = baseFontSize == 10 ? screenPPI : 96;
    const int a = MulDiv(chosenFontSize, screenPPI, 96);
    const int b = MulDiv(baseFontSize, screenPPI, 96);
    s.Ratio = b > 0 ? static_cast<int>(static_cast<double>(a) / b * 100.0 + 1e-9) : 100;
    // base * ratio / 100 in ten-thousandths, rounded half away from zero to a whole number
    const long long tenThousandths = static_cast<long long>(s.BasePPI) * s.Ratio * 100;
    s.FormPPI = static_cast<int>((tenThousandths + 5000) / 10000);
    return s;
}

TMinSize ComputeMinSize(bool useFormSize, bool dialog, int width, int height)
{
    if (!useFormSize || dialog)
        return {};
    return {static_cast<int>(width * 0.6), static_cast<int>(height * 0.6)};
}

std::string MedicalRelabel(const std::string& caption)
{
    auto replaceAll = [](std::string s, const std::string& from, const std::string& to) {
        for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
            s.replace(p, from.size(), to);
        return s;
    };
    return replaceAll(replaceAll(caption, "本・支店", "施設"), "支店", "施設");
}

TGridColors ComputeGridColors(const TScreenSettings& s, int mode)
{
    TGridColors c{};
    c.FixedBackColor = s.ColHeaderColor;
    c.FixedBorderColor = 0x808080;
    c.BackColor = s.ClientColor;
    c.OddRowBackColor = s.ClientColor;
    c.FocusBorderColor = s.ActiveColor;
    c.BorderColor = 0x808080;
    c.ThruBorderColor = (s.OemFlag == 1 || s.OemFlag == 2) ? 0x246BFF : 0x008000;
    c.DisabledColor = 0x808080;
    if (mode != 1) {
        c.BackColor = s.ClientColor1;
        c.OddRowBackColor = s.ClientColor2;
    }
    return c;
}

void ApplyGridColors(QAbstractItemView* view, const TGridColors& c)
{
    QPalette p = view->palette();
    p.setColor(QPalette::Base, ToQColor(c.BackColor));
    p.setColor(QPalette::AlternateBase, ToQColor(c.OddRowBackColor));
    p.setColor(QPalette::Disabled, QPalette::Text, ToQColor(c.DisabledColor));
    view->setPalette(p);
    view->setAlternatingRowColors(c.BackColor != c.OddRowBackColor);
    view->setStyleSheet(QString("QHeaderView::section { background-color: %1; border: 1px solid %2; }"
                                "QAbstractItemView { gridline-color: %3; }")
                            .arg(ToQColor(c.FixedBackColor).name(), ToQColor(c.FixedBorderColor).name(),
                                 ToQColor(c.BorderColor).name()));
}

namespace {
QHeaderView* ColumnHeader(QAbstractItemView* view)
{
    if (auto* t = qobject_cast<QTableView*>(view))
        return t->horizontalHeader();
    if (auto* t = qobject_cast<QTreeView*>(view))
        return t->header();
    return nullptr;
}
} // namespace

bool IsGrid(const QWidget* w) { return qobject_cast<const QAbstractItemView*>(w) != nullptr; }

void RecordGrid(QAbstractItemView* view, TGridLayoutRec& rec)
{
    if (auto* t = qobject_cast<QTableView*>(view)) {
        rec.DefRowHeight = t->verticalHeader()->defaultSectionSize();
        rec.DefColWidth = t->horizontalHeader()->defaultSectionSize();
    }
    rec.ColWidths.clear();
    if (QHeaderView* h = ColumnHeader(view))
        for (int i = 0; i < h->count(); ++i)
            rec.ColWidths.push_back(h->sectionSize(i));
}

void ScaleGrid(QAbstractItemView* view, const TGridLayoutRec& rec, int formPPI)
{
    if (auto* t = qobject_cast<QTableView*>(view)) {
        if (rec.DefRowHeight > 0)
            t->verticalHeader()->setDefaultSectionSize(ScaleByPPI(static_cast<int>(rec.DefRowHeight), formPPI, 96));
    }
    if (QHeaderView* h = ColumnHeader(view))
        for (int i = 0; i < h->count() && i < static_cast<int>(rec.ColWidths.size()); ++i)
            h->resizeSection(i, ScaleByPPI(rec.ColWidths[i], formPPI, 96));
}

} // namespace kb
