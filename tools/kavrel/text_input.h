// Where the text of a speaking command comes from: the words of the command
// line joined by blanks, a file (-f FILE), or standard input (- or -f -).
#pragma once

#include <string>

namespace kavrel {

// Collects the text operands of a command as it parses its arguments.
class TextInput {
public:
    // A word of the text, or "-" for standard input.
    void AddWord(const std::string &word);
    // -f FILE ("-" is standard input).
    void SetFile(const std::string &path) { file_ = path; hasFile_ = true; }

    // Whether any text was given, in whichever way.
    bool Given() const { return hasWords_ || hasFile_ || stdin_; }
    // A usage error in words, or empty when the operands make one text.
    std::string Check() const;
    // Reads the text; false with a message when the file cannot be read.
    // NUL bytes, which would end the text early for the engine, become
    // blanks.
    bool Read(std::string *text, std::string *error) const;

private:
    std::string words_;
    bool hasWords_ = false;
    std::string file_;
    bool hasFile_ = false;
    bool stdin_ = false;
};

}  // namespace kavrel
