// The shared library exports the interface's functions and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

namespace {

TEST(Exports, LibraryExportsExactlyTheDeclaredFunctions) {
    std::set<std::string> declared;
    std::ifstream header(KAVREL_SOURCE_DIR "/include/kavsyn.h");
    for (std::string line; std::getline(header, line);) {
        const size_t call = line.find(" KAVCALL ");
        const size_t paren = line.find('(', call);
        if (line.rfind("KAVAPI ", 0) == 0 && call != std::string::npos && paren != std::string::npos)
            declared.insert(line.substr(call + 9, paren - call - 9));
    }
    ASSERT_FALSE(declared.empty());

    FILE *nm = popen("nm -D --defined-only " KAVREL_BINARY_DIR "/lib/libkavsyn.so 2>/dev/null", "r");
    ASSERT_NE(nm, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof line, nm) != nullptr) {
        char type = 0;
        char name[400];
        if (std::sscanf(line, "%*s %c %399s", &type, name) == 2 && type != 'A') exported.insert(name);
    }
    if (pclose(nm) != 0) GTEST_SKIP() << "nm is not available";
    EXPECT_EQ(exported, declared);
}

}  // namespace
