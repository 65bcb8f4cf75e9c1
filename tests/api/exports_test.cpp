// The shared library exports the interface's functions and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <string>

namespace {

TEST(Exports, LibraryExportsExactlyTheDeclaredFunctions) {
    std::set<std::string> declared;
    std::ifstream header(KAVREL_SOURCE_DIR "/include/kavsyn.h");
    const std::regex decl(R"(^KAVAPI .* KAVCALL ([A-Za-z_][A-Za-z0-9_]*)\()");
    std::smatch m;
    for (std::string line; std::getline(header, line);)
        if (std::regex_search(line, m, decl)) declared.insert(m[1]);
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
