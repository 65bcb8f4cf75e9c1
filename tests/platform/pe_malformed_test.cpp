#include "pe_test_files.h"
#include "pe_writer.h"
#include "platform/posix/pe_image.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace {

using Bytes = std::vector<uint8_t>;
using kav::posix::ParsePeImage;
using kav::posix::ResourceIndex;

// Offsets in the writer's fixed layout.
constexpr size_t kRsrc = 0x200, kOptional = 0x58, kSection = 0x138;

uint32_t Get32(const Bytes &b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
void Set32(Bytes &b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

Bytes SmallFont() {
    kav::font::PeWriter w;
    EXPECT_TRUE(w.Add("RULE", 300, Bytes{1, 2, 3, 4, 5}));
    EXPECT_TRUE(w.Add(10, "NUMRULEPASSES", Bytes{1, 0, 0, 0}));
    return w.Build();
}

bool Parses(const Bytes &image) {
    ResourceIndex index;
    Bytes exact(image);  // exactly sized, so the sanitizer sees any overread
    return ParsePeImage(exact.data(), exact.size(), index);
}

TEST(PeMalformed, EveryTruncationBeforeTheLastResourceByteFails) {
    const Bytes font = SmallFont();
    const size_t needed = kRsrc + Get32(font, kSection + 8);  // headers + virtual size
    ASSERT_TRUE(Parses(font));
    for (size_t n = 0; n < font.size(); ++n)
        EXPECT_EQ(Parses(Bytes(font.begin(), font.begin() + n)), n >= needed) << n;
}

TEST(PeMalformed, CorruptHeadersAndDirectoriesFail) {
    const Bytes font = SmallFont();
    // The first type is "RULE" (names sort first); follow it down to its leaf.
    const size_t typeDir = kRsrc + (Get32(font, kRsrc + 20) & 0x7FFFFFFF);
    const size_t langDir = kRsrc + (Get32(font, typeDir + 20) & 0x7FFFFFFF);
    const size_t leaf = kRsrc + Get32(font, langDir + 20);
    const std::pair<const char *, std::function<void(Bytes &)>> cases[] = {
        {"PE header past the end", [](Bytes &b) { Set32(b, 0x3C, 0xFFFFFFF0); }},
        {"no PE signature", [](Bytes &b) { b[0x40] = 'X'; }},
        {"PE32+ optional header", [](Bytes &b) { b[kOptional + 1] = 0x02; }},
        {"optional header too short", [](Bytes &b) { b[0x54] = 60; }},
        {"too many sections", [](Bytes &b) { b[0x46] = 0xFF; }},
        {"raw data past the end", [](Bytes &b) { Set32(b, kSection + 20, 0xFFFFFE00); }},
        {"directory outside every section", [](Bytes &b) { Set32(b, kOptional + 112, 0x5000); }},
        {"type points back at the root", [](Bytes &b) { Set32(b, kRsrc + 20, 0x80000000); }},
        {"name directory points at itself",
         [&](Bytes &b) { Set32(b, typeDir + 20, 0x80000000 | static_cast<uint32_t>(typeDir - kRsrc)); }},
        {"two types share one directory", [](Bytes &b) { Set32(b, kRsrc + 28, Get32(b, kRsrc + 20)); }},
        {"absurd entry count", [](Bytes &b) { b[kRsrc + 14] = 0xFF, b[kRsrc + 15] = 0xFF; }},
        {"name string past the end", [](Bytes &b) { Set32(b, kRsrc + 16, 0xFFFFFFF0); }},
        {"id with high bits", [](Bytes &b) { Set32(b, kRsrc + 24, 0x0001000A); }},
        {"type entry is a leaf", [](Bytes &b) { b[kRsrc + 23] = 0; }},
        {"language entry is a directory", [&](Bytes &b) { b[langDir + 23] = 0x80; }},
        {"empty language directory", [&](Bytes &b) { b[langDir + 14] = 0; }},
        {"leaf past the end", [&](Bytes &b) { Set32(b, langDir + 20, 0x7FFFFFF0); }},
        {"data outside every section", [&](Bytes &b) { Set32(b, leaf, 0x10); }},
        {"data size past the section", [&](Bytes &b) { Set32(b, leaf + 4, 0xFFFFFFFF); }},
    };
    for (const auto &[what, corrupt] : cases) {
        Bytes bad = font;
        corrupt(bad);
        EXPECT_FALSE(Parses(bad)) << what;
    }
}

TEST(PeMalformed, ModuleWithoutResourcesLoadsButBadFilesDoNot) {
    kav::test::TempDir dir;
    Bytes bare = SmallFont();
    Set32(bare, kOptional + 112, 0);
    Bytes bad = SmallFont();
    Set32(bad, kRsrc + 20, 0x80000000);
    for (auto [name, bytes] : {std::pair{"bare.dll", &bare}, std::pair{"bad.dll", &bad}})
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char *>(bytes->data()),
                                                          static_cast<std::streamsize>(bytes->size()));
    std::ofstream(dir / "empty.dll").close();

    HMODULE m = LoadLibraryA((dir / "bare.dll").c_str());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(FindResourceA(m, "NUMRULEPASSES", RT_RCDATA), nullptr);
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_EQ(LoadLibraryA((dir / "bad.dll").c_str()), nullptr);
    EXPECT_EQ(LoadLibraryA((dir / "empty.dll").c_str()), nullptr);
    EXPECT_EQ(LoadLibraryA(dir.path().c_str()), nullptr);  // a directory
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
}

}  // namespace
