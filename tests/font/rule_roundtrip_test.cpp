// Disassembly compiles back to the same bytes: the documented programs,
// a program with every construct, and random programs.  Error reports carry
// their positions, all of them in one run.
#include "rule_compiler.h"
#include "rule_disasm.h"

#include <gtest/gtest.h>

#include <random>

namespace kav::font {
namespace {

using Bytes = std::vector<uint8_t>;

void ExpectRoundTrip(const Bytes &bytes) {
    const RuleDisassembly d = DisassembleRules(bytes.data(), bytes.size());
    ASSERT_TRUE(d.ok) << d.error;
    const CompiledRules again = CompileRules(d.text);
    ASSERT_TRUE(again.ok()) << FormatRuleErrors("disasm", again.errors) << d.text;
    EXPECT_EQ(again.bytes, bytes) << d.text;
}

TEST(RuleRoundTrip, DocumentedProgramsFromTheirBytes) {
    ExpectRoundTrip({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x03, 0xFF, 0xFF, 0x05, 0x0E, 0x00, 0x45, 0x42, 0x70, 0x68,
                     0x00, 0x46, 0x44, 0x00, 0x50, 0x66, 0x00, 0x00});
    Bytes words{2, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    for (int c = 0; c < 256; ++c) words.push_back(c >= 'a' && c <= 'z');
    const Bytes code{0x04, 0x12, 0x00, 0x45, 0x3D, 0x0F, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x3A, 0x00,
                     0x00, 0x00, 0x46, 0x44, 0x00, 0x03, 0x23, 0x00, 0x05, 0x1F, 0x00, 0x49, 0x45,
                     0x3A, 0x00, 0x00, 0x46, 0x00, 0x50, 0x2A, 0x00, 0x00, 0x00, 0xFF, 0xFF};
    words.insert(words.end(), code.begin(), code.end());
    ExpectRoundTrip(words);
}

TEST(RuleRoundTrip, EveryConstruct) {
    const CompiledRules c = CompileRules(
        "class v = \"aeiou\" 'y' '\\x80'-'\\xff'\n"
        "class q = v '\\''\n"
        "longest k {\n  \"\" \"e\"\n  \"ch\" \"x\\\"y\"\n  \"c\"\n}\n"
        "first f {\n  \"b\"\n  \"\" \"empty\"\n  \"a\" \"A\"\n}\n"
        "sub s = v (s | \"z\")?\n"
        "skip 'e' 3\n"
        "once {\n  ^ [$v] > $k -> $v value(v) text(k) $k capture(s) result 'V'\n  [k f $f] -> text(dict) dict stop\n}\n"
        "block {\n  skip\n}\n"
        "block { }\n"
        "'a'-'c' seek(rest) $ alt() alt(\"x\") alt(\"a\" \"b\") ((\"x\")) (\"p\" | ()) ->\n"
        "dict 9 $s* s+? (s){3} (v q){2,}? ((v)*)? (v | q){0,7} [\"\\e\\n\"]\n"
        "foreach [$s] {\n  block { }\n  end 5\n}\n");
    ASSERT_TRUE(c.ok()) << FormatRuleErrors("src", c.errors);
    ExpectRoundTrip(c.bytes);
}

// Random programs from a small grammar: they must compile, and their
// disassembly must compile to the same bytes.
class RandomProgram {
public:
    explicit RandomProgram(uint32_t seed) : rng_(seed) {}

    std::string Make() {
        std::string defs, body;
        const int statements = Pick(1, 6);
        for (int i = 0; i < statements; ++i) body += Statement(0, i + 1 == statements);
        for (int i = 0; i < 3; ++i) {
            defs += "class c" + std::to_string(i) + " = " + Char() + "-'z' " + String() + "\n";
            defs += "longest k" + std::to_string(i) + " {\n" + Table() + "}\n";
            defs += "first f" + std::to_string(i) + " {\n" + Table() + "}\n";
            defs += "sub s" + std::to_string(i) + " = " + Sequence(2, i) + "\n";
        }
        return defs + body;
    }

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    std::string Char() { return std::string("'") + static_cast<char>('a' + Pick(0, 5)) + "'"; }
    std::string String() {
        std::string s = "\"";
        for (int n = Pick(1, 3); n > 0; --n) s += static_cast<char>('a' + Pick(0, 5));
        return s + "\"";
    }
    std::string Table() {
        std::string t;
        std::set<std::string> keys;
        for (int n = Pick(0, 5); n > 0; --n) {
            std::string key = Pick(0, 6) == 0 ? "\"\"" : String();
            if (!keys.insert(key).second) continue;
            t += "  " + key + (Pick(0, 1) ? " " + String() : "") + "\n";
        }
        return t;
    }
    std::string Name(bool tagged, int maxSub = 3) {
        static const char *kinds[] = {"c", "k", "f", "s"};
        const int kind = Pick(0, maxSub < 1 ? 2 : 3);
        const int index = kind == 3 ? Pick(0, maxSub - 1) : Pick(0, 2);
        std::string n = std::string(kinds[kind]) + std::to_string(index);
        if (tagged) used_.push_back(n);
        return (tagged ? "$" : "") + n;
    }
    std::string Count() {
        switch (Pick(0, 5)) {
            case 0: return "*";
            case 1: return "+";
            case 2: return "?";
            case 3: return "{" + std::to_string(Pick(0, 3)) + "}";
            case 4: return "{" + std::to_string(Pick(0, 3)) + ",}";
            default: return "{" + std::to_string(Pick(0, 2)) + "," + std::to_string(Pick(2, 9)) + "}";
        }
    }
    std::string Element(int depth, int maxSub) {
        const int choice = Pick(0, depth > 0 ? 13 : 17);
        switch (choice) {
            case 0: return String();
            case 1: return Char() + "-'z'";
            case 2: case 3: return Name(Pick(0, 1) == 1, maxSub);
            case 4: return "[";
            case 5: return "]";
            case 6: return ">";
            case 7: return "^";
            case 8: return "$";
            case 9: return "rest";
            case 10: return "dict";
            case 11: return "dict " + std::to_string(Pick(1, 300));
            case 12: return Pick(0, 1) ? "alt()" : "alt(" + String() + ")";
            case 13: return "()";
            case 14: return "(" + Sequence(depth - 1, maxSub) + ")" + (Pick(0, 1) ? Count() : "");
            case 15: return "(" + Sequence(depth - 1, maxSub) + " | " + Sequence(depth - 1, maxSub) + ")";
            case 16: return "seek(" + Sequence(depth - 1, maxSub) + ")";
            default: return Element(depth - 1, maxSub) + Count() + (Pick(0, 1) ? "?" : "");
        }
    }
    std::string Sequence(int depth, int maxSub = 3) {
        std::string s;
        for (int n = Pick(1, 4); n > 0; --n) s += (s.empty() ? "" : " ") + Element(depth, maxSub);
        return s;
    }
    std::string Actions() {
        std::string a;
        for (int n = Pick(0, 4); n > 0; --n) {
            switch (Pick(0, 6)) {
                case 0: a += " " + String(); break;
                case 1: a += " dict"; break;
                case 2: a += " text(dict)"; break;
                case 3: a += " stop"; break;
                case 4: a += " result 'q'"; break;
                case 5: a += " value(" + std::to_string(Pick(0, 999)) + ")"; break;
                default:
                    if (!used_.empty()) a += " $" + used_[static_cast<size_t>(Pick(0, int(used_.size()) - 1))];
            }
        }
        return a;
    }
    std::string Statement(int nest, bool last) {
        const std::string pad(2 * nest, ' ');
        const int choice = Pick(0, nest < 3 ? 9 : 5);
        if (choice <= 4 || (choice == 9 && !last)) {
            used_.clear();
            std::string pattern = Sequence(2);
            return pad + pattern + (Pick(0, 3) ? " ->" + Actions() : "") + "\n";
        }
        if (choice == 5) return pad + (Pick(0, 1) ? "skip\n" : "skip 'e' 7\n");
        if (choice == 9) return pad + "foreach " + Sequence(2) + " {\n" + List(nest + 1) + pad + "}\n";
        return pad + (choice == 6 ? "once" : "block") + " {\n" + List(nest + 1) + pad + "}\n";
    }
    // A foreach may only end a list, so none comes before an end.
    std::string List(int nest) {
        std::string s;
        const int n = Pick(0, 3);
        const bool end = Pick(0, 3) == 0;
        for (int i = 0; i < n; ++i) s += Statement(nest, i + 1 == n && !end);
        if (end) s += std::string(2 * nest, ' ') + "end\n";
        return s;
    }

    std::mt19937 rng_;
    std::vector<std::string> used_;
};

TEST(RuleRoundTrip, RandomPrograms) {
    for (uint32_t seed = 1; seed <= 1000; ++seed) {
        const std::string src = RandomProgram(seed).Make();
        const CompiledRules c = CompileRules(src);
        ASSERT_TRUE(c.ok()) << "seed " << seed << "\n" << FormatRuleErrors("random", c.errors) << src;
        const RuleDisassembly d = DisassembleRules(c.bytes.data(), c.bytes.size());
        ASSERT_TRUE(d.ok) << "seed " << seed << ": " << d.error << "\n" << src;
        const CompiledRules again = CompileRules(d.text);
        ASSERT_EQ(again.bytes, c.bytes) << "seed " << seed << "\n" << src << "----\n" << d.text;
    }
}

TEST(RuleRoundTrip, LayoutsWithoutNotationAreRefusedNotFollowed) {
    // A rule whose next statement is itself, a bad version, a cut program.
    const Bytes loop{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x03, 0x00, 0x00, 0x05, 0xFF, 0xFF, 0x42, 0x61, 0x00, 0x00};
    RuleDisassembly d = DisassembleRules(loop.data(), loop.size());
    EXPECT_FALSE(d.ok);
    EXPECT_NE(d.error.find("byte 10"), std::string::npos) << d.error;
    const Bytes v3{3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    EXPECT_FALSE(DisassembleRules(v3.data(), v3.size()).ok);
    const Bytes cut{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x03, 0xFF, 0xFF, 0x05, 0xFF, 0xFF, 0x42, 0x61};
    d = DisassembleRules(cut.data(), cut.size());
    EXPECT_FALSE(d.ok);
    EXPECT_NE(d.error.find("outside"), std::string::npos);
}

TEST(RuleErrors, EveryMistakeIsReportedWithItsPosition) {
    const CompiledRules c = CompileRules(
        "class v = 'a'-'z'\n"
        "class v = 'b'\n"            // 2:1 defined twice
        "[\"ph\" -> \"f\n"           // 3:10 string not closed
        "[nothing] -> \"x\"\n"       // 4:2 unknown name
        "[v]{3,2} -> \"y\"\n"        // 5:4 counts the wrong way round
        "foreach [v] { }\n"
        "[v] -> $v\n"                // 7:1 after a foreach
        "[v] -> $v wobble\n"         // 8:11 unknown action
        "mask vowels\n");            // 9:6 unknown text class
    ASSERT_EQ(c.errors.size(), 7u) << FormatRuleErrors("bad.rules", c.errors);
    const int expected[][2] = {{2, 1}, {3, 10}, {4, 2}, {5, 4}, {7, 1}, {8, 11}, {9, 6}};
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(c.errors[i].pos.line, expected[i][0]) << c.errors[i].message;
        EXPECT_EQ(c.errors[i].pos.col, expected[i][1]) << c.errors[i].message;
    }
    EXPECT_TRUE(c.bytes.empty());
    EXPECT_EQ(FormatRuleErrors("bad.rules", {c.errors[2]}), "bad.rules:4:2: unknown name 'nothing'\n");
}

TEST(RuleErrors, ReferencesTheCompilerCannotHonour) {
    const CompiledRules c = CompileRules(
        "class v = w\nclass w = v\n"                // 2:11 a class that includes itself
        "longest l {\n  \"a\"\n  \"a\" \"b\"\n}\n"  // 5:3 duplicate key
        "sub s = v\n"
        "[l] -> $s\n"                                // 8:8 s is matched by no pattern
        "[\"x\\x00\"] -> \"y\"\n");                  // 9:4 NUL in a string
    ASSERT_EQ(c.errors.size(), 4u) << FormatRuleErrors("bad.rules", c.errors);
    EXPECT_EQ(c.errors[0].pos.line, 2);
    EXPECT_EQ(c.errors[1].pos.line, 5);
    EXPECT_EQ(c.errors[2].pos.line, 8);
    EXPECT_EQ(c.errors[3].pos.line, 9);
}

}  // namespace
}  // namespace kav::font
