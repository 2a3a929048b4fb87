// The exception fence: whatever a method body throws, the caller gets the component's
// failure code (or, for a text, E_OUTOFMEMORY / E_UNEXPECTED and a null string).
#include "module/com_call.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace velmor {
namespace {

constexpr long kFailure = 56;

TEST(ComCallTest, AResultMethodHandsBackItsFailureCode) {
    long result = -1;
    EXPECT_EQ(S_OK, ResultCall(&result, kFailure, [] { return 7L; }));
    EXPECT_EQ(7, result);
    EXPECT_EQ(S_OK, ResultCall(&result, kFailure, []() -> long { throw std::bad_alloc(); }));
    EXPECT_EQ(kFailure, result);
    result = -1;
    EXPECT_EQ(S_OK, ResultCall(&result, kFailure, []() -> long { throw 1; }));
    EXPECT_EQ(kFailure, result);
    EXPECT_EQ(E_POINTER, ResultCall(static_cast<long*>(nullptr), kFailure, [] { return 0L; }));
}

TEST(ComCallTest, ATextMethodAnswersWithAnHresultAndNoString) {
    struct Case {
        std::wstring (*body)();
        HRESULT hr;
        bool quiet;  // QuietTextCall: success whatever happens
    };
    const Case cases[] = {
        {[] { return std::wstring(L"text"); }, S_OK, false},
        {[]() -> std::wstring { throw std::bad_alloc(); }, E_OUTOFMEMORY, false},
        {[]() -> std::wstring { throw std::runtime_error("x"); }, E_UNEXPECTED, false},
        {[] { return std::wstring(L"text"); }, S_OK, true},
        {[]() -> std::wstring { throw std::bad_alloc(); }, E_OUTOFMEMORY, true},
    };
    for (const Case& c : cases) {
        BSTR text = reinterpret_cast<BSTR>(1);  // whatever the caller left there
        EXPECT_EQ(c.quiet ? S_OK : c.hr,
                  c.quiet ? QuietTextCall(&text, c.body) : TextCall(&text, c.body));
        if (c.hr == S_OK) {
            EXPECT_EQ(std::wstring(L"text"), std::wstring(text, SysStringLen(text)));
        } else {
            EXPECT_EQ(nullptr, text);
        }
        SysFreeString(text);
    }
}

TEST(ComCallTest, AMethodWithoutAResultSwallowsWhatIsThrown) {
    EXPECT_EQ(S_OK, ActionCall([] { throw std::runtime_error("x"); }));
}

}  // namespace
}  // namespace velmor
