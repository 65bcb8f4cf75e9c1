// Tokens of the rule language.  A newline ends a statement (so one bad
// line cannot swallow the next), as does ';'.
#pragma once

#include "rule_source.h"

#include <string>
#include <vector>

namespace kav::font {

enum class Tok {
    Ident,    // text
    TagName,  // $name (text = name)
    String,   // "..." (text = bytes)
    Char,     // '.' (value)
    Number,   // value
    Punct,    // text: ( ) { } [ ] | , - -> > ^ $ * + ? = ;
    Newline,
    End,
};

struct Token {
    Tok kind = Tok::End;
    SourcePos pos;
    std::string text;
    uint32_t value = 0;
};

// Lexical errors are appended to errors; the bad characters are skipped.
std::vector<Token> LexRuleSource(const std::string &text, std::vector<RuleError> &errors);

}  // namespace kav::font
