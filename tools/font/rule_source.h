// The parsed form of a rule program source: what the parser builds and the
// emitter lays out as bytes.  Names are resolved by the emitter, so
// definitions may come before or after their uses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kav::font {

struct SourcePos {
    int line = 0;
    int col = 0;
};

struct RuleError {
    SourcePos pos;
    std::string message;
};

enum class ElementKind {
    Literal,     // text
    Range,       // lo, hi
    Name,        // a class, keyed list or sub (text = name; tagged: $name)
    Group,       // body
    Alt,         // body: one element per alternative
    Repeat,      // body, min, max, lazy
    Seek,        // body
    Resume,      // >
    FocusStart,  // [
    FocusEnd,    // ]
    Rest,
    AtAnchor,    // ^
    AtEnd,       // $
    Dict,        // word: the operand the engine does not read
};

struct PatternElement {
    ElementKind kind = ElementKind::Literal;
    SourcePos pos;
    std::string text;
    bool tagged = false;
    uint8_t lo = 0, hi = 0;
    uint16_t min = 0, max = 0;
    bool lazy = false;
    uint16_t word = 0;
    std::vector<PatternElement> body;
};

enum class ActionKind {
    Text,      // text
    Shorthand, // $name: capture of a sub, value of a list, text of a class
    Capture,   // capture(ref)
    TagSpan,   // text(ref)
    Tag,       // value(ref)
    DictSpan,  // text(dict)
    Dict,      // dict, value(dict)
    Result,    // result byte
};

struct RuleAction {
    ActionKind kind = ActionKind::Text;
    SourcePos pos;
    std::string text;           // the string, or the referenced name
    std::optional<uint16_t> id; // a reference written as a number
    uint8_t result = 0;
};

enum class StatementKind { Rule, Block, Once, Foreach, End, Skip };

struct RuleStatement {
    StatementKind kind = StatementKind::Rule;
    SourcePos pos;
    std::vector<PatternElement> pattern;  // rule (the group's list), foreach
    bool hasActions = false;              // "->" written
    std::vector<RuleAction> actions;
    std::vector<RuleStatement> body;      // block, once, foreach
    uint16_t word = 0xFFFF;               // end, skip: the operand nothing reads
    uint8_t skipCode = 0x64;
};

// One member item of a class: a byte range, or another class by name.
struct ClassItem {
    SourcePos pos;
    uint8_t lo = 0, hi = 0;
    std::string name;  // non-empty: the members of that class
};

struct KeyedEntry {
    SourcePos pos;
    std::string key;
    std::optional<std::string> value;
};

enum class DefinitionKind { Class, Longest, First, Sub };

struct Definition {
    DefinitionKind kind = DefinitionKind::Class;
    SourcePos pos;
    std::string name;
    std::vector<ClassItem> items;       // class
    std::vector<KeyedEntry> entries;    // longest, first
    std::vector<PatternElement> body;   // sub
};

struct RuleSource {
    std::vector<Definition> definitions;  // in source order
    std::vector<RuleStatement> statements;
    std::optional<uint16_t> mask;
};

// Parses source text; syntax errors are appended to errors (parsing goes on
// at the next line, so one run reports them all).
RuleSource ParseRuleSource(const std::string &text, std::vector<RuleError> &errors);

}  // namespace kav::font
