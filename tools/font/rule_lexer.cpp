#include "rule_lexer.h"

#include <cctype>

namespace kav::font {
namespace {

bool IsIdentStart(unsigned char c) { return std::isalpha(c) || c == '_'; }
bool IsIdentChar(unsigned char c) { return std::isalnum(c) || c == '_'; }

int HexDigit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Lexer {
public:
    Lexer(const std::string &text, std::vector<RuleError> &errors) : s_(text), errors_(errors) {}

    std::vector<Token> Run() {
        while (i_ < s_.size()) {
            const unsigned char c = s_[i_];
            const SourcePos pos = Pos();
            if (c == '\n') {
                Push(Tok::Newline, pos);
                Advance();
            } else if (c == ' ' || c == '\t' || c == '\r') {
                Advance();
            } else if (c == '#') {
                while (i_ < s_.size() && s_[i_] != '\n') Advance();
            } else if (IsIdentStart(c)) {
                Push(Tok::Ident, pos, Ident());
            } else if (c == '$' && i_ + 1 < s_.size() && IsIdentStart(s_[i_ + 1])) {
                Advance();
                Push(Tok::TagName, pos, Ident());
            } else if (std::isdigit(c)) {
                Number(pos);
            } else if (c == '"') {
                Quoted(pos);
            } else if (c == '\'') {
                CharLiteral(pos);
            } else if (c == '-' && i_ + 1 < s_.size() && s_[i_ + 1] == '>') {
                Advance();
                Advance();
                Push(Tok::Punct, pos, "->");
            } else if (std::string("(){}[]|,->^$*+?=;").find(static_cast<char>(c)) != std::string::npos) {
                Advance();
                Push(Tok::Punct, pos, std::string(1, static_cast<char>(c)));
            } else {
                Error(pos, c >= 0x20 && c < 0x7F ? std::string("unexpected character '") + static_cast<char>(c) + "'"
                                                 : "unexpected byte in the source");
                Advance();
            }
        }
        Push(Tok::Newline, Pos());
        Push(Tok::End, Pos());
        return std::move(tokens_);
    }

private:
    SourcePos Pos() const { return SourcePos{line_, col_}; }
    void Advance() {
        if (s_[i_] == '\n') {
            ++line_;
            col_ = 1;
        } else {
            ++col_;
        }
        ++i_;
    }
    void Push(Tok kind, SourcePos pos, std::string text = {}, uint32_t value = 0) {
        tokens_.push_back(Token{kind, pos, std::move(text), value});
    }
    void Error(SourcePos pos, std::string message) { errors_.push_back(RuleError{pos, std::move(message)}); }

    std::string Ident() {
        std::string out;
        while (i_ < s_.size() && IsIdentChar(s_[i_])) {
            out += s_[i_];
            Advance();
        }
        return out;
    }

    void Number(SourcePos pos) {
        uint64_t v = 0;
        bool hex = s_[i_] == '0' && i_ + 1 < s_.size() && (s_[i_ + 1] == 'x' || s_[i_ + 1] == 'X');
        if (hex) {
            Advance();
            Advance();
        }
        const size_t start = i_;
        while (i_ < s_.size() && (hex ? HexDigit(s_[i_]) >= 0 : std::isdigit(static_cast<unsigned char>(s_[i_])))) {
            v = v * (hex ? 16 : 10) + static_cast<uint64_t>(HexDigit(s_[i_]));
            if (v > 0xFFFFFFFFu) v = 0x100000000u;  // saturate; callers refuse it
            Advance();
        }
        if (i_ == start) Error(pos, "a hexadecimal number needs digits");
        if (i_ < s_.size() && IsIdentChar(s_[i_])) Error(Pos(), "a number cannot run into a name");
        Push(Tok::Number, pos, {}, static_cast<uint32_t>(v > 0xFFFFFFFFu ? 0xFFFFFFFFu : v));
    }

    // One character of a quoted string or char literal, escapes decoded;
    // -1 at the end of the line or the source.
    int QuotedChar() {
        if (i_ >= s_.size() || s_[i_] == '\n') return -1;
        const unsigned char c = s_[i_];
        Advance();
        if (c != '\\') return c;
        const SourcePos pos = Pos();
        if (i_ >= s_.size() || s_[i_] == '\n') {
            Error(pos, "unfinished escape");
            return -1;
        }
        const unsigned char e = s_[i_];
        Advance();
        switch (e) {
            case 'n': return '\n';
            case 't': return '\t';
            case 'r': return '\r';
            case 'e': return 27;
            case '\\': case '"': case '\'': return e;
            case 'x': {
                int hi = i_ < s_.size() ? HexDigit(s_[i_]) : -1;
                int lo = i_ + 1 < s_.size() ? HexDigit(s_[i_ + 1]) : -1;
                if (hi < 0 || lo < 0) {
                    Error(pos, "\\x needs two hexadecimal digits");
                    return '?';
                }
                Advance();
                Advance();
                return hi * 16 + lo;
            }
            default:
                Error(pos, std::string("unknown escape '\\") + static_cast<char>(e) + "'");
                return e;
        }
    }

    void Quoted(SourcePos pos) {
        Advance();
        std::string out;
        for (;;) {
            if (i_ < s_.size() && s_[i_] == '"') {
                Advance();
                break;
            }
            const SourcePos at = Pos();
            const int c = QuotedChar();
            if (c < 0) {
                Error(pos, "string not closed on its line");
                break;
            }
            if (c == 0) {
                Error(at, "a string cannot hold the byte 0 (it ends strings in the program)");
                continue;
            }
            out += static_cast<char>(c);
        }
        Push(Tok::String, pos, out);
    }

    void CharLiteral(SourcePos pos) {
        Advance();
        const int c = QuotedChar();
        if (c < 0 || i_ >= s_.size() || s_[i_] != '\'') {
            Error(pos, "a character is written as one character between single quotes");
            while (i_ < s_.size() && s_[i_] != '\n' && s_[i_] != '\'') Advance();
            if (i_ < s_.size() && s_[i_] == '\'') Advance();
            Push(Tok::Char, pos, {}, 0);
            return;
        }
        Advance();
        Push(Tok::Char, pos, {}, static_cast<uint32_t>(c));
    }

    const std::string &s_;
    std::vector<RuleError> &errors_;
    std::vector<Token> tokens_;
    size_t i_ = 0;
    int line_ = 1, col_ = 1;
};

}  // namespace

std::vector<Token> LexRuleSource(const std::string &text, std::vector<RuleError> &errors) {
    return Lexer(text, errors).Run();
}

}  // namespace kav::font
