#pragma once
// Driving the data selection dialog as a user does: opened by name, shown offscreen, a line chosen
// and a function button pressed.

#include "core/FormRegistry.h"
#include "dataselect/z5DataSentaku.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTableView>

#include <memory>
#include <string>
#include <vector>

namespace kbtest {

// The form as the open-by-name hook makes it, prepared as Execute(1) prepares it and shown without
// a modal loop; box points into it (nullptr when the name is not registered).
inline std::unique_ptr<kb::TFormInstance> ShowDataSentaku(const std::vector<std::string>& lines, kb::TDataSentakuBox*& box)
{
    auto form = kb::CreateRegisteredForm("SzDataSenkaku");
    box = dynamic_cast<kb::TDataSentakuBox*>(form.get());
    if (!box) return form;
    kb::SupportsSyoriKidou(form.get())->SetParams(lines);
    box->InitDisplay(1);
    box->show();
    box->activateWindow();
    box->PerfectGrid1->setFocus();
    QCoreApplication::processEvents();
    return form;
}

// The line showing slot rec (-1 for none).
inline int LineOfRec(const kb::TDataSentakuBox& box, int rec)
{
    for (int i = 0; i < box.LineCount(); ++i)
        if (box.Cell(i, 0) == std::to_string(rec)) return i;
    return -1;
}

// Makes line current in the grid and clicks the key's button.
inline void PressKey(kb::TDataSentakuBox& box, int line, kb::TFuncKey key)
{
    box.SetCurrentLine(line, 0);
    box.PerfectGrid1->setFocus();
    box.UpdateFunctionKeys();
    box.FuncButtons[static_cast<std::size_t>(key)]->click();
    QCoreApplication::processEvents();
}

} // namespace kbtest
