// What the terminal question shows of a name from outside: control characters escaped, nothing else changed.
#include <gtest/gtest.h>

#include "platform/posix/terminal_password.h"

namespace {

TEST(TerminalSafe, ControlCharactersAreWrittenAsEscapesAndTheRestStaysAsItIs) {
    struct Row {
        const wchar_t* name;
        std::wstring text, shown;
    };
    const Row rows[] = {
        {L"plain", L"Kestrel-Auth", L"Kestrel-Auth"},
        {L"letters beyond ASCII", L"Étiquettes-Büro ラベル", L"Étiquettes-Büro ラベル"},
        {L"an escape sequence that would set the title", L"a\x1b]0;owned\x07z", L"a\\x1b]0;owned\\x07z"},
        {L"a line break and a carriage return", L"one\ntwo\rthree", L"one\\x0atwo\\x0dthree"},
        {L"DEL and a C1 control", L"x\x7fy\x9bz", L"x\\x7fy\\x9bz"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ks::TerminalSafe(row.text), row.shown);
    }
}

}  // namespace
