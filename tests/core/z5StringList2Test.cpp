#include <gtest/gtest.h>

#include "core/z5StringList2.h"

namespace {

using Items = std::vector<std::string>;

Items Comma(const std::string& text, bool trim = false)
{
    kb::TStringList2 list;
    list.TrimItems = trim;
    kb::SetCommaText2(list, text);
    return list.Items;
}

TEST(StringList2, CommaTextKeepsBlanks)
{
    EXPECT_EQ(Comma("a, b ,c"), (Items{"a", " b ", "c"}));
    EXPECT_EQ(Comma("a, b ,c", true), (Items{"a", "b", "c"}));
    EXPECT_EQ(Comma("a,"), (Items{"a", ""}));
    EXPECT_EQ(Comma("a,,b"), (Items{"a", "", "b"}));
    EXPECT_EQ(Comma(",a"), (Items{"", "a"}));
    EXPECT_EQ(Comma(""), Items{});
    EXPECT_EQ(Comma("\t\r\nx y"), (Items{"x y"}));
    EXPECT_EQ(Comma("a\r\nb"), (Items{"a", "b"})); // a control character ends an item
    EXPECT_EQ(Comma("日本,語 です"), (Items{"日本", "語 です"}));
}

TEST(StringList2, QuotedItems)
{
    EXPECT_EQ(Comma("\"x,y\",z"), (Items{"x,y", "z"}));
    EXPECT_EQ(Comma("\"ab\"cd,e"), (Items{"ab", "cd", "e"}));
    EXPECT_EQ(Comma("\"say \"\"hi\"\"\",b"), (Items{"say \"hi\"", "b"}));
    EXPECT_EQ(Comma("\"open,end"), (Items{"open,end"}));
}

TEST(StringList2, OtherDelimiter)
{
    kb::TStringList2 list;
    list.Delimiter = ';';
    kb::SetDelimitedText2(list, "a b;c,d;");
    EXPECT_EQ(list.Items, (Items{"a b", "c,d", ""}));
    EXPECT_EQ(list.Count(), 3);
}

TEST(StringList2, ComponentLibrarySplitEndsItemsAtBlanks)
{
    EXPECT_EQ(kb::SplitDelimitedText("x y,z", ','), (Items{"x", "y", "z"}));
    EXPECT_EQ(kb::SplitDelimitedText("  a ,  b", ','), (Items{"a", "b"}));
    EXPECT_EQ(kb::SplitDelimitedText("a,", ','), (Items{"a", ""}));
}

} // namespace
