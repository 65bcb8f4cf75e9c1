#include "text_input.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kavrel {
namespace {

bool ReadStream(FILE *in, std::string *text) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) text->append(buf, n);
    return std::ferror(in) == 0;
}

}  // namespace

void TextInput::AddWord(const std::string &word) {
    if (word == "-") {
        stdin_ = true;
        return;
    }
    if (hasWords_) words_ += ' ';
    words_ += word;
    hasWords_ = true;
}

std::string TextInput::Check() const {
    const int sources = int(hasWords_) + int(hasFile_) + int(stdin_);
    if (sources == 0) return "no text given (TEXT, -f FILE or - for standard input)";
    if (sources > 1) return "give the text one way only: TEXT, -f FILE or -";
    return "";
}

bool TextInput::Read(std::string *text, std::string *error) const {
    text->clear();
    if (hasWords_) {
        *text = words_;
    } else if (stdin_ || file_ == "-") {
        if (!ReadStream(stdin, text)) {
            *error = std::string("standard input: ") + std::strerror(errno);
            return false;
        }
    } else {
        FILE *in = std::fopen(file_.c_str(), "rb");
        const bool ok = in != nullptr && ReadStream(in, text);
        const int err = errno;
        if (in != nullptr) std::fclose(in);
        if (!ok) {
            *error = file_ + ": " + std::strerror(err);
            return false;
        }
    }
    std::replace(text->begin(), text->end(), '\0', ' ');
    return true;
}

}  // namespace kavrel
