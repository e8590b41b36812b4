#include "tests/support/TempDir.h"
#include "tests/ui/support/UiTest.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace keldra {
namespace {

struct GalleryRun {
    int exitCode;
    QString out;
    QString err;
};

GalleryRun gallery(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(KELDRA_GALLERY_PROGRAM), arguments);
    EXPECT_TRUE(process.waitForFinished(240000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList names(const QString& listing) {
    return listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// One style and accent per case, so the six draw side by side.
class GalleryCombination : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(GalleryCombination, EveryListedPictureIsDrawnAndNotFlat) {
    test::TempDir dir;
    const QString out = QString::fromStdString(dir.path().string());
    const QStringList choice{QStringLiteral("--style"), QString::fromLatin1(GetParam().first),
                             QStringLiteral("--accent"), QString::fromLatin1(GetParam().second)};
    const GalleryRun listed = gallery(QStringList{QStringLiteral("--list")} + choice);
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const QStringList files = names(listed.out);
    ASSERT_FALSE(files.isEmpty());
    const GalleryRun drawn = gallery(QStringList{QStringLiteral("--out"), out} + choice);
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err.toStdString();
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QImage image(out + QLatin1Char('/') + file);
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(test::hasDetail(image));
    }
}

INSTANTIATE_TEST_SUITE_P(GalleryProgram, GalleryCombination,
                         ::testing::Values(std::pair{"glass", "frost"}, std::pair{"glass", "teal"},
                                           std::pair{"glass", "snow"}, std::pair{"signal", "frost"},
                                           std::pair{"signal", "teal"}, std::pair{"signal", "snow"}),
                         [](const auto& info) {
                             return std::string(info.param.first) + "_" + info.param.second;
                         });

TEST(GalleryProgram, SixCombinationsNamedByComponentStateStyleAndAccent) {
    const QStringList all = names(
        gallery({QStringLiteral("--list"), QStringLiteral("--only"), QStringLiteral("wordmark-full")}).out);
    EXPECT_EQ(all, (QStringList{"wordmark-full-glass-frost.png", "wordmark-full-glass-teal.png",
                                "wordmark-full-glass-snow.png", "wordmark-full-signal-frost.png",
                                "wordmark-full-signal-teal.png", "wordmark-full-signal-snow.png"}));
    const QStringList one =
        names(gallery({QStringLiteral("--list"), QStringLiteral("--style"), QStringLiteral("signal"),
                       QStringLiteral("--accent"), QStringLiteral("snow"), QStringLiteral("--only"),
                       QStringLiteral("health-")})
                  .out);
    EXPECT_EQ(one.size(), 17);
    EXPECT_TRUE(one.contains(QStringLiteral("health-blocked-offline-signal-snow.png")));
}

TEST(GalleryProgram, RejectsUnknownChoicesAndMissingFolder) {
    for (const QStringList& arguments : {QStringList{"--out", "/tmp/x", "--style", "Glass"},
                                         QStringList{"--out", "/tmp/x", "--accent", "blue"}, QStringList{},
                                         QStringList{"--out", "/tmp/x", "extra"}}) {
        const GalleryRun run = gallery(arguments);
        EXPECT_NE(run.exitCode, 0) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("keldra-gallery: "))) << run.err.toStdString();
    }
}

} // namespace
} // namespace keldra
