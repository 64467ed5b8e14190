// What a drop's data offers, read from the MIME data Qt hands to a drop target.
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

#include "platform/qt/qt_drop_data.h"

namespace {

struct DropCase {
    const char* name;
    QList<QUrl> urls;
    QString text;
    bool has_list;
    std::optional<std::wstring> first;
};

class QtDropDataTest : public testing::TestWithParam<DropCase> {};

TEST_P(QtDropDataTest, ReadsOnlyListsOfLocalFiles) {
    const DropCase& c = GetParam();
    QMimeData mime;
    if (!c.urls.isEmpty())
        mime.setUrls(c.urls);
    if (!c.text.isEmpty())
        mime.setText(c.text);
    const ks::QtDropData data(mime);
    EXPECT_EQ(data.HasFileList(), c.has_list);
    EXPECT_EQ(data.FirstPath(), c.first);
}

const QUrl kA = QUrl::fromLocalFile("/tmp/drop/a.prn");
const QUrl kB = QUrl::fromLocalFile("/tmp/drop/b b.prn");
const QUrl kUnicode = QUrl::fromLocalFile(QString::fromUtf8("/tmp/drop/\xc3\xa4rger \xe2\x82\xac.bin"));

INSTANTIATE_TEST_SUITE_P(
    Drops, QtDropDataTest,
    testing::Values(
        DropCase{"ThreeFilesGiveTheFirst", {kA, kB, QUrl::fromLocalFile("/c")}, {}, true,
                 L"/tmp/drop/a.prn"},
        DropCase{"SpacesStayInThePath", {kB}, {}, true, L"/tmp/drop/b b.prn"},
        DropCase{"NonAsciiNamesDecode", {kUnicode}, {}, true, L"/tmp/drop/\u00e4rger \u20ac.bin"},
        DropCase{"TextIsNoFileList", {}, "/tmp/drop/a.prn", false, std::nullopt},
        DropCase{"WebLinkIsNoFileList", {QUrl("https://example.org/a.prn")}, {}, false,
                 std::nullopt},
        DropCase{"OneWebLinkSpoilsTheList", {kA, QUrl("https://example.org/b")}, {}, false,
                 std::nullopt},
        DropCase{"RelativeUrlIsNoFile", {QUrl("a.prn")}, {}, false, std::nullopt},
        DropCase{"NothingAtAll", {}, {}, false, std::nullopt}),
    [](const testing::TestParamInfo<DropCase>& info) { return std::string(info.param.name); });

}  // namespace
