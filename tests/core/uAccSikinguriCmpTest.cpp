// The cash-flow item list of the open data set.

#include "core/uAccSikinguriCmp.h"

#include <gtest/gtest.h>

#include <set>

namespace kb {
namespace {

TEST(AccSikinguriSetTable, GeneralAndMedicalListsReplaceEachOther)
{
    AccSikinguriSetTable(true);
    ASSERT_EQ(AccSikinguriItems.size(), 38u);
    EXPECT_EQ(AccSikinguriItems[1], (TSikinguriItem{"11", "窓口収入", ""}));
    EXPECT_EQ(AccSikinguriItems[25], (TSikinguriItem{"35", "その他の支出", "（設備等収支）"}));

    AccSikinguriSetTable(false);
    ASSERT_EQ(AccSikinguriItems.size(), 39u);
    EXPECT_EQ(AccSikinguriItems.back(), (TSikinguriItem{"99", "流動性現預金", ""}));
    EXPECT_EQ(AccSikinguriItems[25], (TSikinguriItem{"35", "法人税等", ""}));
    // nothing of the medical list survives
    for (const auto& item : AccSikinguriItems) EXPECT_NE(item[1], "窓口収入");
    AccSikinguriItems.clear();
}

TEST(AccSikinguriSetTable, CodesAreUniqueAndAscendingInBothLists)
{
    for (const auto* list : {&AccSikinguriGeneralList(), &AccSikinguriMedicalList()}) {
        std::set<std::string> names;
        int previous = -1;
        for (const auto& item : *list) {
            const int code = std::stoi(item[0]);
            EXPECT_GT(code, previous) << item[0];
            previous = code;
            // a qualifier is what tells apart items of the same name
            EXPECT_TRUE(names.insert(item[1] + item[2]).second) << item[1] << item[2];
        }
    }
}

} // namespace
} // namespace kb
