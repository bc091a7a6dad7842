#pragma once
// The data selection dialog on a whole fixture data root, as the open-by-name hook makes it: every
// message form answers `answer` and its text is kept in `messages`.

#include "DataRootFixture.h"
#include "core/FormRegistry.h"
#include "dataselect/z5DataSentaku.h"
#include "ui/z5MessageDlg2.h"

#include <QCoreApplication>
#include <QTableView>

#include <memory>
#include <string>
#include <vector>

namespace kbtest {

class DataSentakuBoxFixture : public DataRootTest {
protected:
    void SetUp() override
    {
        DataRootTest::SetUp();
        if (HasFatalFailure()) return;
        kb::SetMessage2Interceptor([this](kb::TMessage2InfoRec& r) {
            std::string text;
            for (const auto& l : r.Lines) text += l.Text;
            messages.push_back(text);
            return answer;
        });
        kb::ResetFormRegistry();
        kb::RegisterDataSelectForms();
    }
    void TearDown() override
    {
        kb::SetMessage2Interceptor(nullptr);
        DataRootTest::TearDown();
        kb::ResetFormRegistry();
    }

    // The form as the open-by-name hook makes it.
    std::unique_ptr<kb::TFormInstance> Open(const std::vector<std::string>& lines, kb::TDataSentakuBox*& box)
    {
        auto form = kb::CreateRegisteredForm("SzDataSenkaku");
        box = dynamic_cast<kb::TDataSentakuBox*>(form.get());
        kb::ISyoriKidou* s = kb::SupportsSyoriKidou(form.get());
        EXPECT_NE(s, nullptr);
        s->SetParams(lines);
        return form;
    }

    // Prepared and shown without a modal loop, as Execute(1) prepares it.
    std::unique_ptr<kb::TFormInstance> Show(const std::vector<std::string>& lines, kb::TDataSentakuBox*& box)
    {
        auto form = Open(lines, box);
        box->InitDisplay(1);
        box->show();
        box->activateWindow();
        box->PerfectGrid1->setFocus();
        QCoreApplication::processEvents();
        return form;
    }

    static int LineOfCode(kb::TDataSentakuBox* box, const std::string& code)
    {
        for (int i = 0; i < box->LineCount(); ++i)
            if (box->Cell(i, 1) == code) return i;
        return -1;
    }

    std::vector<std::string> messages;
    int answer = kb::mrOk; // what every message form answers
};

} // namespace kbtest
