#include "dict_compiler.h"
#include "font/kal_group_writer.h"
#include "font_linker.h"
#include "font_resource_pe.h"
#include "kal_group.h"
#include "platform/pe_test_files.h"
#include "platform/testing.h"
#include "rule_compiler.h"
#include "rule_trace.h"
#include "voice_resources.h"

#include <kavsyn.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kav::font {
namespace {

std::vector<uint8_t> CompileShipped(const std::string &file, uint16_t *mask = nullptr) {
    std::ifstream in(std::string(KAVREL_SOURCE_DIR) + "/fonts/KAL16/rules/" + file);
    std::stringstream s;
    s << in.rdbuf();
    const CompiledRules r = CompileRules(s.str());
    EXPECT_TRUE(r.ok()) << FormatRuleErrors(file, r.errors);
    if (mask != nullptr) *mask = r.mask;
    return r.bytes;
}

FontParts ShippedParts() {
    const std::vector<kavtest::SyntheticDiphone> d{
        kavtest::NoiseDiphone("pau-pau", 800, 2), kavtest::PulseDiphone("pau-aa", 1600, 80, 160, 2),
        kavtest::PulseDiphone("aa-pau", 1600, 80, 160, 5)};
    const auto group = kavtest::WriteGroupFile(d);
    FontParts parts;
    parts.voice = BuildVoice(ReadKalGroup(group.data(), group.size()), FormatOf(VoiceVariant::Kal8)).resources;
    parts.sentenceProgram = CompileShipped("sentence.rules");
    // The text passes run in the order of their file names.
    std::vector<std::string> passes;
    for (const auto &entry : std::filesystem::directory_iterator(std::string(KAVREL_SOURCE_DIR) + "/fonts/KAL16/rules"))
        if (const std::string name = entry.path().filename(); name[0] >= '0' && name[0] <= '9') passes.push_back(name);
    std::sort(passes.begin(), passes.end());
    for (const std::string &pass : passes) {
        uint16_t mask = 0;
        parts.passes.push_back(CompileShipped(pass, &mask));
        parts.passMasks.push_back(mask);
    }
    parts.kernelDictionary = "KERNEL.DIC";
    return parts;
}

// The linked font, its kernel dictionary and the registration file in one
// directory: the engine finds, checks and reads them as it would an
// installed font.
TEST(FontLinker, LinkedAndRegisteredFontSpeaksThroughTheEngine) {
    kav::test::TempDir dir;
    PeWriter writer;
    ASSERT_TRUE(AddFontResources(writer, LinkFont(ShippedParts()), nullptr));
    ASSERT_TRUE(writer.WriteFile(dir / "TINY.DLL"));
    Diagnostics errors;
    auto entries = ParseLexicon("HELLO\th\\'Elo\nWORLD\tw\\'Rld\n", "lex", KeyCase::Upper, errors);
    SortDictionaryEntries(entries, "lex", errors);
    ASSERT_TRUE(errors.empty());
    ASSERT_EQ(WriteDictionary(entries, dir / "KERNEL.DIC"), 0);
    std::ofstream(dir / "kavrel.reg") << RegistrationText(dir.path(), {{"TINY", "A \"tiny\" font", ""}});

    kav::testing::ReloadRegistry((dir / "kavrel.reg").c_str());
    LPSCB scb = OpenSpeech(nullptr, 0, "TINY");
    ASSERT_NE(scb, nullptr);
    EXPECT_EQ(scb->nFontVersionMajor, 2);
    EXPECT_EQ(scb->nFontVersionMinor, 11);
    EXPECT_EQ(static_cast<size_t>(scb->nRulePasses), ShippedParts().passes.size());
    EXPECT_EQ(scb->nDictCase, 1);
    EXPECT_EQ(std::string(scb->szFontPath), dir.path());
    const auto phonetics = [&](const char *text) {
        char *out = TextToPhonetics(scb, text, 1);
        std::string s = out == nullptr ? "(null)" : out;
        FreePhoneticsBuffer(out);
        return s;
    };
    EXPECT_EQ(phonetics("Hello, world."), "h\\'Elow\\'Rld");  // the comma's pause vanishes in plain mode
    // A word the dictionary lacks goes through the letter-to-sound rules:
    // phonemes with stress, nothing of its spelling or marks left.
    const std::string unknown = phonetics("hello Kavrel");
    ASSERT_EQ(unknown.rfind("h\\'Elo", 0), 0u) << unknown;
    EXPECT_NE(unknown.find("\\'", 6), std::string::npos) << unknown;
    EXPECT_EQ(unknown.find_first_of("#BFHKLMNPQVX"), std::string::npos) << unknown;
    CloseSpeech(scb);
    kav::testing::ReloadRegistry(nullptr);
}

// The sentence program keeps exactly the first sentence: its length is how
// far the engine moves on.
TEST(FontLinker, SentenceProgramEndsAtPunctuationBeforeWhiteSpace) {
    std::ifstream in(std::string(KAVREL_SOURCE_DIR) + "/fonts/KAL16/rules/sentence.rules");
    std::stringstream s;
    s << in.rdbuf();
    const CompiledRules program = CompileRules(s.str());
    ASSERT_TRUE(program.ok());
    const std::pair<const char *, const char *> cases[] = {
        {"Hi there. Next one", "Hi there."},
        {"Is 3.5 big?\nYes", "Is 3.5 big?"},  // a point inside a number ends nothing
        {"Stop!", "Stop!"},
        {"no end at all", "no end at all"},
        {"e.g. this. That", "e.g. this."},  // an abbreviation's point ends nothing
    };
    for (const auto &[text, expected] : cases) {
        const RuleTrace trace = TraceRulePass(program, text);
        EXPECT_EQ(trace.output, expected) << text;
    }
}

TEST(FontLinker, RefusesPartsThatCannotMakeAFont) {
    FontParts parts;
    parts.sentenceProgram = {1};
    EXPECT_THROW(LinkFont(parts), std::invalid_argument);  // no pass
    parts.passes = {{1}, {2}};
    parts.passMasks = {kMaskAlways};
    EXPECT_THROW(LinkFont(parts), std::invalid_argument);  // a mask missing
    parts.passMasks.push_back(kMaskAlways);
    parts.kernelDictionary = "../KERNEL.DIC";
    EXPECT_THROW(LinkFont(parts), std::invalid_argument);
    parts.kernelDictionary = "KERNEL.DIC";
    const auto font = LinkFont(parts);
    const FontResource *kernel = FindResource(font, ResourceKey::Named("KERNEL_DIC"), ResourceKey::Id(100));
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(kernel->bytes.back(), 0);
    parts.passes.resize(kMaxRulePasses + 1, {1});
    parts.passMasks.resize(kMaxRulePasses + 1, kMaskAlways);
    EXPECT_THROW(LinkFont(parts), std::invalid_argument);
}

TEST(FontLinker, RegistrationPathMustFitTheEnginesBuffer) {
    const std::string longest = "/" + std::string(kMaxFontPath - 1, 'd');
    EXPECT_NE(RegistrationText(longest, {}).find(longest), std::string::npos);
    EXPECT_THROW(RegistrationText(longest + "d", {}), std::invalid_argument);
    EXPECT_THROW(RegistrationText("fonts", {}), std::invalid_argument);  // relative
    EXPECT_THROW(RegistrationText("/f", {{"A]B", "", ""}}), std::invalid_argument);
    EXPECT_THROW(RegistrationText("/f", {{"A", "two\nlines", ""}}), std::invalid_argument);
}

}  // namespace
}  // namespace kav::font
