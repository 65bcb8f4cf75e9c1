// EL_DICT over a hand-built dictionary stack, in both forms.
#include "rules/pass_fixture.h"

namespace ruletest {
namespace {

class DictElement : public PassTest {
protected:
    void SetUp() override {
        PassTest::SetUp();
        stack_[0] = older_.desc;
        stack_[1] = newer_.desc;
        scb_.lpDictStack = stack_;
        scb_.nDictStack = 2;
        scb_.fDictActive = 1;
        scb_.lpfnDictLookup = NoLookup;
    }
    // Each word of letters, digits, ESC or FS is looked up and replaced by
    // the given actions.
    static Bytes WordProgram(const std::function<void(Asm &)> &actions) {
        Asm a;
        const uint16_t word = a.ClassOf("abcdefghijklmnopqrstuvwxyz0123456789\x1b\x1c");
        a.Foreach([&] {
            a.Focus();
            a.Repeat(1, 0xFFFF, [&] { a.El(EL_CLASS, word); });
            a.FocusEnd().Resume();
        }, [&] {
            a.Rule([&] { a.Focus().Dict().FocusEnd(); }, [&] { actions(a); });
            a.End();
        });
        return a.Build();
    }

    HandDict older_{{{"cat", "k@t", 0}, {"dog", "dOg", 1}}};
    HandDict newer_{{{"cat", "kAt", 0}}};
    kav::DictDescriptor stack_[2]{};
};

TEST_F(DictElement, NewestDictionaryFirst) {
    const Bytes p = WordProgram([](Asm &a) { a.B(ACT_DICT_SPAN).B(ACT_TEXT).S("=").B(ACT_DICT); });
    EXPECT_EQ(Run(p, "cat dog cow"), "cat=kAt dog=dOg cow");  // no hit, no mark: "cow" stays
    scb_.fDictActive = 0;
    EXPECT_EQ(Run(p, "cat dog"), "cat dog");
    scb_.fDictActive = 1;
    scb_.lpfnDictLookup = nullptr;
    EXPECT_EQ(Run(p, "cat dog"), "cat dog");
}

TEST_F(DictElement, ReferencesWithPassMaskAndBack) {
    scb_.hPassMask = reinterpret_cast<HGLOBAL>(&scb_);  // only tested for null
    const Bytes p = WordProgram([](Asm &a) { a.B(ACT_DICT); });
    // cat: entry 0 of dictionary 1, tag 0 (FS); dog: entry 1 of dictionary 0, tag 1 (ESC).
    const std::string refs = Run(p, "cat dog cow");
    EXPECT_EQ(refs, "\x1c" "1 \x1b" "256 cow");
    EXPECT_EQ(Run(p, refs), "kAt dOg cow");
    // A dictionary index past the stack, an entry past the dictionary.
    EXPECT_EQ(Run(p, "\x1c" "5 \x1b" "2560"), "\x1c" "5 \x1b" "2560");
}

}  // namespace
}  // namespace ruletest
