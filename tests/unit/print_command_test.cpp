// The Print command: which printer gets the job, the spooler calls it makes, what the user is told.
#include <gtest/gtest.h>

#include "fakes/fakes.h"

namespace ks {
namespace {

using fakes::Step;

class PrintCommand : public ::testing::Test {
protected:
    fakes::FakePlatform fake;
    void SetUp() override {
        fake.printers.installed = {L"Laser", L"Label", L"Laser"};
        fake.printers.system_default = L"Laser";
    }
};

TEST_F(PrintCommand, SendsTheWholeBufferAsOneRawJob) {
    Kestrelspooler app(fake.services());
    fake.files.files[L"/data/fw.bin"] = {1, 2, 3};
    app.Window().SetText(L"Text2", L"/data/fw.bin");
    ASSERT_TRUE(app.OpenFi());
    app.Window().SetText(L"Combo1", L"Label");
    EXPECT_TRUE(app.Print());
    EXPECT_EQ(fake.spooler.Steps(), (std::vector<Step>{Step::Open, Step::StartDoc, Step::StartPage,
                                                       Step::Write, Step::EndPage, Step::EndDoc,
                                                       Step::Close}));
    EXPECT_EQ(fake.spooler.received, (std::vector<std::uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace ks
