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
        {L"letters beyond ASCII", L"Étiquettes-Büro ラベル", L"Étiquettes-Büro ラベル"},
        {L"a title-setting sequence and line breaks", L"a\x1b]0;owned\x07z\n\r", L"a\\x1b]0;owned\\x07z\\x0a\\x0d"},
        {L"DEL and a C1 control", L"x\x7fy\x9bz", L"x\\x7fy\\x9bz"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ks::TerminalSafe(row.text), row.shown);
    }
}

}  // namespace
