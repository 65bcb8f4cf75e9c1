// The edit list of a rule pass and the assembly of its output.
#include "rules/pass_workspace.h"

#include "api/services.h"

#include <algorithm>
#include <cstring>

namespace kav::rules {

namespace {
constexpr DWORD kEditStep = 512;
constexpr DWORD kOutputStep = 2048;
constexpr DWORD kTextStep = 2048;
// Texts and counts are 16-bit: an output or edit text that would not leave
// room for its NUL below 0xFFFF ends the pass as if memory had run out.
constexpr DWORD kMaxText = 0xFFFE;
constexpr DWORD kMaxRecords = 0xFFFF;

template <typename T>
T *Grow(T *block, DWORD newCount) {
    auto *grown = static_cast<T *>(ReallocBlock(block, static_cast<size_t>(newCount) * sizeof(T)));
    if (grown == nullptr) throw PassAbort{SE_ERR_RULEABORT};
    return grown;
}
}  // namespace

void PassWorkspace::InitEdits() {
    edits_ = static_cast<Edit *>(AllocBlock(kEditStep * sizeof(Edit)));
    if (edits_ == nullptr) throw PassAbort{SE_ERR_RULEABORT};
    editCount_ = 0;
    editCapacity_ = kEditStep;
    textUsed_ = 0;
}

void PassWorkspace::AddEdit(WORD statement, WORD position, const BYTE *source, DWORD length) {
    if (length == 0) return;
    const void *nul = std::memchr(source, 0, length);
    if (nul != nullptr) length = static_cast<DWORD>(static_cast<const BYTE *>(nul) - source);
    const bool merge = editCount_ > 0 && edits_[editCount_ - 1].statement == statement &&
                       edits_[editCount_ - 1].position == position;
    if (!merge && editCount_ == editCapacity_) {
        if (editCount_ >= kMaxRecords) throw PassAbort{SE_ERR_RULEABORT};
        edits_ = Grow(edits_, editCapacity_ + kEditStep);
        editCapacity_ += kEditStep;
    }
    if (length > kMaxText - textUsed_) throw PassAbort{SE_ERR_RULEABORT};
    if (textUsed_ + length > textCapacity_) {
        const DWORD want = (textUsed_ + length + kTextStep - 1) / kTextStep * kTextStep;
        texts_ = Grow(texts_, want);
        textCapacity_ = want;
    }
    if (length > 0) std::memcpy(texts_ + textUsed_, source, length);
    if (merge) {
        edits_[editCount_ - 1].length += length;
        if (length > 0) ++changes_;
    } else {
        edits_[editCount_++] = Edit{statement, position, textUsed_, length};
        ++changes_;
    }
    textUsed_ += length;
}

void PassWorkspace::AppendOutput(const BYTE *bytes, DWORD n) {
    if (n > kMaxText - outputUsed_) throw PassAbort{SE_ERR_RULEABORT};
    if (outputUsed_ + n + 1 >= outputCapacity_) {
        // One step per append would not be enough for a long string: grow by
        // as many steps as it takes.
        const DWORD want = (outputUsed_ + n + 1) / kOutputStep * kOutputStep + kOutputStep;
        output_ = Grow(output_, want);
        outputCapacity_ = want;
    }
    std::memcpy(output_ + outputUsed_, bytes, n);
    outputUsed_ += n;
    output_[outputUsed_] = 0;
}

char *PassWorkspace::BuildOutput() {
    sorted_ = static_cast<WORD *>(AllocBlock((editCount_ > 0 ? editCount_ : 1) * sizeof(WORD)));
    if (sorted_ == nullptr) throw PassAbort{SE_ERR_RULEABORT};
    for (DWORD i = 0; i < editCount_; ++i) sorted_[i] = static_cast<WORD>(i);
    // Equal positions keep the order the edits were made in.
    std::sort(sorted_, sorted_ + editCount_, [this](WORD a, WORD b) {
        return edits_[a].position != edits_[b].position ? edits_[a].position < edits_[b].position : a < b;
    });
    output_ = static_cast<BYTE *>(AllocBlock(kOutputStep));
    if (output_ == nullptr) throw PassAbort{SE_ERR_RULEABORT};
    outputCapacity_ = kOutputStep;
    outputUsed_ = 0;

    DWORD next = 0;  // next sorted edit
    DWORD p = 0;
    while (p < length_) {
        while (next < editCount_ && edits_[sorted_[next]].position == p) {
            const Edit &e = edits_[sorted_[next++]];
            AppendOutput(texts_ + e.text, e.length);
        }
        // The positions up to the next edit (sorted, so beyond p), without
        // the bytes cleared in the work copy.
        const DWORD stop = next < editCount_ && edits_[sorted_[next]].position < length_
                               ? edits_[sorted_[next]].position
                               : length_;
        DWORD runStart = p;
        for (; p < stop; ++p) {
            if (view_[p] == 0) {
                AppendOutput(input_ + runStart, p - runStart);
                runStart = p + 1;
            }
        }
        AppendOutput(input_ + runStart, p - runStart);
    }
    while (next < editCount_) {
        const Edit &e = edits_[sorted_[next++]];
        AppendOutput(texts_ + e.text, e.length);
    }
    char *result = reinterpret_cast<char *>(output_);
    output_ = nullptr;
    ReleaseEdits();
    return result;
}

void PassWorkspace::ReleaseEdits() {
    if (sorted_ != nullptr) FreeBlock(sorted_);
    if (texts_ != nullptr) FreeBlock(texts_);
    if (edits_ != nullptr) FreeBlock(edits_);
    if (output_ != nullptr) FreeBlock(output_);
    sorted_ = nullptr;
    texts_ = nullptr;
    edits_ = nullptr;
    output_ = nullptr;
    editCount_ = editCapacity_ = textUsed_ = textCapacity_ = outputUsed_ = outputCapacity_ = 0;
}

}  // namespace kav::rules
