#include "pe_test_files.h"
#include "pe_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using kav::font::PeWriter;
using kav::test::ReadResource;
using kav::test::TempDir;
using Bytes = std::vector<uint8_t>;

Bytes Pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
    return b;
}

TEST(PeModule, EveryResourceReadsBackByIdOrNameInAnyCase) {
    PeWriter w;
    ASSERT_TRUE(w.Add(10, "NumRulePasses", Bytes{3, 0, 0, 0}));
    ASSERT_TRUE(w.Add(10, "EMPTY", Bytes{}));
    ASSERT_TRUE(w.Add("RULE", 300, Pattern(1, 1)));
    ASSERT_TRUE(w.Add("RULE", "300", Pattern(3, 2)));  // a name, not the id
    ASSERT_TRUE(w.Add(7, "\xe9t\xe9", Pattern(5, 3)));  // Windows-1252 letters
    ASSERT_TRUE(w.Add("Sel", "Sel", Pattern(4097, 4)));
    for (int id = 400; id < 700; ++id) ASSERT_TRUE(w.Add("INST", id, Pattern(id % 13, id & 0xFF)));
    EXPECT_FALSE(w.Add(10, "numrulepasses", Bytes{1}));  // same name, other case
    EXPECT_FALSE(w.Add(0, "X", Bytes{1}));
    EXPECT_FALSE(w.Add("RULE", "", Bytes{1}));
    TempDir dir;
    ASSERT_TRUE(w.WriteFile(dir / "font.dll"));

    HMODULE m = LoadLibraryA((dir / "font.dll").c_str());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(ReadResource(m, "NUMRULEPASSES", RT_RCDATA), (Bytes{3, 0, 0, 0}));
    EXPECT_EQ(ReadResource(m, "numRulePasses", MAKEINTRESOURCEA(10)), (Bytes{3, 0, 0, 0}));
    EXPECT_EQ(ReadResource(m, "empty", RT_RCDATA), Bytes{});
    EXPECT_EQ(ReadResource(m, MAKEINTRESOURCEA(300), "rule"), Pattern(1, 1));
    EXPECT_EQ(ReadResource(m, "300", "RULE"), Pattern(3, 2));
    EXPECT_EQ(ReadResource(m, "\xc9T\xc9", MAKEINTRESOURCEA(7)), Pattern(5, 3));
    EXPECT_EQ(ReadResource(m, "sel", "SEL"), Pattern(4097, 4));
    for (int id = 400; id < 700; ++id)
        ASSERT_EQ(ReadResource(m, MAKEINTRESOURCEA(id), "INST"), Pattern(id % 13, id & 0xFF)) << id;
    EXPECT_EQ(FindResourceA(m, MAKEINTRESOURCEA(700), "INST"), nullptr);
    EXPECT_EQ(FindResourceA(m, MAKEINTRESOURCEA(300), RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceA(m, "NUMRULEPASSE", RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceA(m, nullptr, RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "EMPTY", RT_RCDATA), nullptr);

    HRSRC r = FindResourceA(m, "EMPTY", RT_RCDATA);
    EXPECT_EQ(LoadResource(m, reinterpret_cast<HRSRC>(reinterpret_cast<uintptr_t>(r) + 1)), nullptr);
    EXPECT_TRUE(FreeLibrary(m));
}

TEST(PeModule, SecondLoadSharesTheModuleAndTheLastFreeEndsItsHandles) {
    TempDir dir;
    PeWriter w;
    ASSERT_TRUE(w.Add(10, "A", Bytes{1, 2, 3}));
    ASSERT_TRUE(w.WriteFile(dir / "kal16.dll"));
    // A registry path: backslashes and the file name in another case.
    std::string windowsPath = dir.path() + "\\KAL16.DLL";
    HMODULE m1 = LoadLibraryA(windowsPath.c_str());
    HMODULE m2 = LoadLibraryA((dir / "kal16.dll").c_str());
    ASSERT_NE(m1, nullptr);
    EXPECT_EQ(m1, m2);
    EXPECT_EQ(LoadLibraryA((dir / "kal17.dll").c_str()), nullptr);
    EXPECT_EQ(LoadLibraryA((dir.path() + "/").c_str()), nullptr);

    HRSRC r = FindResourceA(m1, "A", RT_RCDATA);
    HGLOBAL early = LoadResource(m1, r), kept = LoadResource(m1, r);
    EXPECT_TRUE(FreeResource(early));
    EXPECT_FALSE(FreeResource(early));  // a stale handle is refused, not freed twice
    EXPECT_TRUE(FreeLibrary(m1));
    EXPECT_EQ(ReadResource(m2, "A", RT_RCDATA), (Bytes{1, 2, 3}));  // one reference left
    EXPECT_TRUE(FreeLibrary(m2));
    EXPECT_EQ(LockResource(kept), nullptr);
    EXPECT_EQ(SizeofResourceData(kept), 0u);
    EXPECT_EQ(FindResourceA(m1, "A", RT_RCDATA), nullptr);
    EXPECT_EQ(LoadResource(m1, r), nullptr);
    EXPECT_FALSE(FreeLibrary(m1));

    HMODULE again = LoadLibraryA(windowsPath.c_str());
    EXPECT_NE(again, m1);  // a released handle never names a later module
    EXPECT_TRUE(FreeLibrary(again));
}

TEST(PeModule, RewritingALoadedFontLeavesTheLoadedModuleIntact) {
    TempDir dir;
    PeWriter before, after;
    ASSERT_TRUE(before.Add(10, "V", Pattern(8000, 1)));
    ASSERT_TRUE(after.Add(10, "V", Bytes{2}));
    ASSERT_TRUE(before.WriteFile(dir / "f.dll"));
    HMODULE old = LoadLibraryA((dir / "f.dll").c_str());
    ASSERT_TRUE(after.WriteFile(dir / "f.dll"));
    HMODULE fresh = LoadLibraryA((dir / "f.dll").c_str());
    EXPECT_NE(fresh, old);
    EXPECT_EQ(ReadResource(old, "V", RT_RCDATA), Pattern(8000, 1));
    EXPECT_EQ(ReadResource(fresh, "V", RT_RCDATA), Bytes{2});
    EXPECT_TRUE(FreeLibrary(old) && FreeLibrary(fresh));
    EXPECT_FALSE(after.WriteFile(dir / "missing/f.dll"));
}

TEST(PeModule, ExactFileNameWinsOverOtherCases) {
    TempDir dir;
    PeWriter upper, lower;
    ASSERT_TRUE(upper.Add(10, "WHO", Bytes{'U'}));
    ASSERT_TRUE(lower.Add(10, "WHO", Bytes{'L'}));
    ASSERT_TRUE(upper.WriteFile(dir / "F.DLL") && lower.WriteFile(dir / "f.dll"));
    using Case = std::pair<const char *, char>;
    for (auto [name, expected] : {Case{"F.DLL", 'U'}, Case{"f.dll", 'L'}, Case{"f.DLL", 'U'}}) {
        HMODULE m = LoadLibraryA((dir / name).c_str());
        EXPECT_EQ(ReadResource(m, "WHO", RT_RCDATA), Bytes{static_cast<uint8_t>(expected)}) << name;
        FreeLibrary(m);
    }
}

TEST(PeModule, ConcurrentLookupsWhileOthersLoadAndFree) {
    TempDir dir;
    PeWriter w;
    for (int id = 1; id <= 50; ++id) ASSERT_TRUE(w.Add("DEMI", id, Pattern(id, 9)));
    ASSERT_TRUE(w.WriteFile(dir / "t.dll"));
    HMODULE m = LoadLibraryA((dir / "t.dll").c_str());
    ASSERT_NE(m, nullptr);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                if (t == 0) {
                    HMODULE again = LoadLibraryA((dir / "T.DLL").c_str());
                    if (again != m || !FreeLibrary(again)) ++wrong;
                } else {
                    int id = 1 + (i + t) % 50;
                    if (ReadResource(m, MAKEINTRESOURCEA(id), "DEMI") != Pattern(id, 9)) ++wrong;
                }
            }
        });
    }
    for (auto &t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_TRUE(FreeLibrary(m));
}

}  // namespace
