// The registry library is built without Qt Widgets: no object of src/dataselect/registry is
// compiled with a QtWidgets include path (read from the build's compile_commands.json).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

TEST(RegistryLayer, RegistryObjectsCompileWithoutQtWidgets)
{
    const char* build = std::getenv("KB_BUILD_DIR");
    ASSERT_TRUE(build && *build);
    std::ifstream in(std::filesystem::path(build) / "compile_commands.json");
    if (!in) GTEST_SKIP() << "no compile_commands.json in " << build;
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    // One entry per object: {"directory": ..., "command": ..., "file": ..., "output": ...}.
    int registry = 0, widgetsElsewhere = 0;
    for (std::size_t at = text.find('{'); at != std::string::npos; at = text.find('{', at + 1)) {
        const std::size_t end = text.find('}', at);
        const std::string entry = text.substr(at, end - at);
        const bool widgets = entry.find("QtWidgets") != std::string::npos;
        if (entry.find("src/dataselect/registry/") != std::string::npos &&
            entry.find("\"file\"") != std::string::npos &&
            entry.find("/registry/", entry.find("\"file\"")) != std::string::npos) {
            ++registry;
            EXPECT_FALSE(widgets) << entry;
        } else if (widgets && entry.find("src/dataselect/z5DataSentaku.cpp") != std::string::npos) {
            ++widgetsElsewhere;
        }
    }
    EXPECT_GE(registry, 6);
    // The dialog beside it does see Widgets, so the check reads the right field.
    EXPECT_GE(widgetsElsewhere, 1);
}
