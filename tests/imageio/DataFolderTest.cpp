// Where the programs find their data.

#include "DataFolder.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

using testutil::TempDir;

TEST(DataFolder, BesideTheProgramFirstThenTheSharedFolder)
{
    struct Case {
        const char* name;
        bool beside, installed;
        const char* expected; // relative to the prefix
    };
    const Case cases[] = {
        {"build tree or unpacked copy", true, false, "bin/data"},
        {"installed tree", false, true, "share/spritewright"},
        {"both", true, true, "bin/data"},
        {"neither: the first place, for messages", false, false, "bin/data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir prefix;
        std::filesystem::create_directories(prefix / "bin");
        if (c.beside)
            std::filesystem::create_directories(prefix / "bin/data/pal");
        if (c.installed)
            std::filesystem::create_directories(prefix / "share/spritewright/pal");
        const auto found = FindDataFolder(prefix / "bin");
        EXPECT_EQ(found, prefix / c.expected);
        EXPECT_EQ(PaletteFolder(found), prefix / c.expected / "pal");
    }

    // A file named data is no data folder.
    TempDir prefix;
    std::filesystem::create_directories(prefix / "bin");
    std::filesystem::create_directories(prefix / "share/spritewright");
    testutil::WriteFile(prefix / "bin/data", {1});
    EXPECT_EQ(FindDataFolder(prefix / "bin"), prefix / "share/spritewright");
}
