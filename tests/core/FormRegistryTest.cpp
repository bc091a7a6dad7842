#include "core/FormRegistry.h"

#include <gtest/gtest.h>

using namespace kb;

namespace {

struct TDataSentakuBoxStub : TFormInstance, ISyoriKidou {
    std::vector<std::string> params;
    int Execute(int mode) override { return mode == 1 ? 7 : 0; }
    void SetParams(const std::vector<std::string>& lines) override { params = lines; }
};
struct TPlainForm : TFormInstance {};
struct TOtherForm : TFormInstance {};

class FormRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFormRegistry(); }
    void TearDown() override { ResetFormRegistry(); }
};

} // namespace

TEST_F(FormRegistryTest, ClassOnceNameFirstMatchCaseIgnored)
{
    RegisterFormClass<TDataSentakuBoxStub>("SzDataSenkaku");
    RegisterFormClass<TDataSentakuBoxStub>("SzOtherName"); // same class again: ignored
    RegisterFormClass<TPlainForm>("SzTwice");
    RegisterFormClass<TOtherForm>("SzTwice");
    ASSERT_EQ(FormClassList().size(), 3u);
    ASSERT_EQ(FormNameList(), (std::vector<std::string>{"SzDataSenkaku", "SzTwice", "SzTwice"}));
    EXPECT_EQ(FindFormClass("SzOtherName"), nullptr);

    auto form = CreateRegisteredForm("szdatasenkaku");
    ASSERT_NE(form, nullptr);
    ISyoriKidou* syori = SupportsSyoriKidou(form.get());
    ASSERT_NE(syori, nullptr);
    syori->SetParams({"SyoriType=3", "FormStyle=2"});
    EXPECT_EQ(syori->Execute(1), 7);
    EXPECT_EQ(dynamic_cast<TDataSentakuBoxStub&>(*form).params.size(), 2u);

    auto twice = CreateRegisteredForm("SZTWICE");
    ASSERT_NE(twice, nullptr);
    EXPECT_NE(dynamic_cast<TPlainForm*>(twice.get()), nullptr); // the first registered
    EXPECT_EQ(SupportsSyoriKidou(twice.get()), nullptr);       // no processing interface

    EXPECT_EQ(CreateRegisteredForm("SzKihonWiz"), nullptr);
    EXPECT_EQ(CreateRegisteredForm(""), nullptr);
}
