// Text views and the mark list of a rule pass.
#include "rules/pass_workspace.h"

#include "api/services.h"

#include <cstring>

namespace kav::rules {

namespace {
constexpr BYTE kCaptureMark = 20;
constexpr BYTE kTagMark = 21;
constexpr DWORD kMarkStep = 256;
// Counts and positions are 16-bit: a list that would pass this many records
// ends the pass as if memory had run out.
constexpr DWORD kMaxRecords = 0xFFFF;
}  // namespace

void PassWorkspace::MakeWorkCopy(const BYTE *input, WORD length) {
    input_ = input;
    view_ = input;
    length_ = length;
    foreachMode_ = false;
    work_ = static_cast<BYTE *>(AllocBlock(static_cast<size_t>(length) + 1));
    if (work_ == nullptr) throw PassAbort{SE_ERR_RULEABORT};
    std::memcpy(work_, input, static_cast<size_t>(length) + 1);
}

void PassWorkspace::FreeWorkCopy() {
    if (work_ != nullptr) FreeBlock(work_);
    if (view_ == work_) view_ = input_;
    work_ = nullptr;
}

void PassWorkspace::ClearSpan(WORD start, WORD length) {
    DWORD end = static_cast<DWORD>(start) + length;
    if (end > length_) end = length_;
    for (DWORD p = start; p < end; ++p) {
        if (work_[p] != 0) {
            work_[p] = 0;
            ++changes_;
        }
    }
}

bool PassWorkspace::HasNul(DWORD start, int n) const {
    if (n <= 0) return false;
    if (start + static_cast<DWORD>(n) > length_) return true;  // reaches the terminating NUL
    return std::memchr(view_ + start, 0, static_cast<size_t>(n)) != nullptr;
}

// ---- Marks ------------------------------------------------------------------

void PassWorkspace::InitMarks() {
    marks_ = static_cast<Mark *>(AllocBlock(kMarkStep * sizeof(Mark)));
    if (marks_ == nullptr) throw PassAbort{SE_ERR_RULEABORT};
    markCount_ = 0;
    markCapacity_ = kMarkStep;
}

PassWorkspace::Mark *PassWorkspace::NewMark() {
    if (markCount_ == markCapacity_) {
        if (markCount_ >= kMaxRecords) throw PassAbort{SE_ERR_RULEABORT};
        auto *grown = static_cast<Mark *>(ReallocBlock(marks_, (markCapacity_ + kMarkStep) * sizeof(Mark)));
        if (grown == nullptr) throw PassAbort{SE_ERR_RULEABORT};
        marks_ = grown;
        markCapacity_ += kMarkStep;
    }
    return &marks_[markCount_++];
}

void PassWorkspace::AddCapture(WORD id, WORD start, WORD length) {
    *NewMark() = Mark{kCaptureMark, 0, id, start, length, nullptr};
}

void PassWorkspace::AddTag(WORD id, WORD start, WORD length, const char *value, bool owned) {
    Mark *m;
    try {
        m = NewMark();
    } catch (const PassAbort &) {
        if (owned) FreeBlock(const_cast<char *>(value));
        throw;
    }
    *m = Mark{kTagMark, static_cast<BYTE>(owned ? 1 : 0), id, start, length, value};
}

const PassWorkspace::Mark *PassWorkspace::Newest(BYTE kind, WORD id) const {
    for (DWORD i = markCount_; i-- > 0;) {
        if (marks_[i].kind == kind && marks_[i].id == id) return &marks_[i];
    }
    return nullptr;
}

Span PassWorkspace::FindCapture(WORD id) const {
    const Mark *m = Newest(kCaptureMark, id);
    return m == nullptr ? Span{0xFFFF, 0} : Span{m->start, m->length};
}

Span PassWorkspace::FindTagSpan(WORD id) const {
    const Mark *m = Newest(kTagMark, id);
    return m == nullptr ? Span{0xFFFF, 0} : Span{m->start, m->length};
}

const char *PassWorkspace::FindTagValue(WORD id) const {
    const Mark *m = Newest(kTagMark, id);
    return m == nullptr ? nullptr : m->value;
}

// Owned values are told by a flag rather than by their leading ESC or FS, so
// a borrowed value that happens to begin with those bytes is never freed.
void PassWorkspace::ReleaseMarkValues() {
    for (DWORD i = 0; i < markCount_; ++i) {
        if (marks_[i].owned) FreeBlock(const_cast<char *>(marks_[i].value));
    }
    markCount_ = 0;
}

void PassWorkspace::FreeMarks() {
    if (marks_ == nullptr) return;
    ClearMarks();
    FreeBlock(marks_);
    marks_ = nullptr;
    markCapacity_ = 0;
}

}  // namespace kav::rules
