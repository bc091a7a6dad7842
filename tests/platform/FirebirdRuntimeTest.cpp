#include "platform/FirebirdRuntime.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <sstream>

TEST(FirebirdRuntime, BuildsRootWithSuperClassicOnce)
{
    QTemporaryDir dir;
    const std::filesystem::path root = dir.path().toStdString() + "/fb";
    EXPECT_EQ(kb::FirebirdRuntime::Prepare(root), root);
    EXPECT_STREQ(std::getenv("FIREBIRD"), root.c_str());
    std::ifstream in(root / "firebird.conf");
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_NE(ss.str().find("ServerMode = SuperClassic"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(root / "intl" / "libfbintl.so"));
    EXPECT_NO_THROW(kb::FirebirdRuntime::Prepare(root)); // complete roots are left alone
}
