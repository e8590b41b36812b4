#include "onboarding/setup/StrengthMeter.h"

#include "onboarding/setup/SetupFlowView.h"
#include "tests/ui/support/UiTest.h"

#include <QImage>
#include <gtest/gtest.h>
#include <string>

namespace keldra::test {
namespace {

std::string repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

struct ScoreCase {
    const char* what;
    std::string passphrase;
    int score;
};

TEST(StrengthMeterScore, FollowsLengthClassesAndWords) {
    const std::vector<ScoreCase> cases{
        {"empty", "", 0},
        {"one character", "a", 1},
        {"nine characters with digits and symbols", "ab1!@#cd$", 1},
        {"ten letters", "abcdefghij", 1},
        {"ten letters and a digit", "abcdefghij1", 2},
        {"fourteen letters", "abcdefghijklmn", 2},
        {"thirteen letters and a digit", "abcdefghijklm1", 3},
        {"fourteen letters and a hyphen", "abcdefghijklmn-", 3},
        {"twenty letters", repeat("a", 20), 3},
        {"four short words", "ab cd ef gh", 3},
        {"four words of thirteen characters", "abc def gh ij", 3},
        {"four words of fifteen characters", "abcd efg hi jkl", 4},
        {"long, a digit and four words", "correct horse battery 9staple", 4},
        {"twenty emoji", repeat("\U0001F600", 20), 4},
        // Ten families of four joined people: ten characters, not seventy code points.
        {"joined emoji count once each",
         repeat("\U0001F469\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466", 10), 2},
        // "e" and a combining acute, ten times: ten letters.
        {"combining marks join their base", repeat("e\u0301", 10), 1},
        {"vulgar fraction is a number", "abcdefghi\u00BD", 2},
        {"Arabic-Indic digit is a number", "abcdefghi\u0663", 2},
        {"CJK numeral is a number", "abcdefghi\u4E09", 2},
        {"Roman numeral is a number", "abcdefghi\u216B", 2},
        {"accented letters are letters", repeat("\u00E9", 10), 1},
        // Tabs are not word breaks, but each is neither letter nor number.
        {"tabs between words", "ab\tcd\tef\tgh", 2},
        {"double spaces make no empty words", "ab  cd  ef", 2},
        {"leading and trailing spaces make no words", "  ab  cd  ef  ", 3},
    };
    for (const ScoreCase& c : cases) {
        EXPECT_EQ(StrengthMeter::score(c.passphrase), c.score) << c.what;
    }
}

TEST(StrengthMeterScore, LabelsAndColours) {
    EXPECT_EQ(StrengthMeter::label(0), "");
    EXPECT_EQ(StrengthMeter::label(1), "Too short or weak");
    EXPECT_EQ(StrengthMeter::label(2), "OK");
    EXPECT_EQ(StrengthMeter::label(3), "Good");
    EXPECT_EQ(StrengthMeter::label(4), "Strong");
    EXPECT_EQ(StrengthMeter::segmentColor(1), QColor(0xBF, 0x61, 0x6A));
    EXPECT_EQ(StrengthMeter::segmentColor(2), QColor(0xEB, 0xCB, 0x8B));
    EXPECT_EQ(StrengthMeter::segmentColor(3), QColor(0xA3, 0xBE, 0x8C));
    EXPECT_EQ(StrengthMeter::segmentColor(4), QColor(0xA3, 0xBE, 0x8C));
}

TEST(StrengthMeterView, EmptyKeepsItsPlaceAndPaintsNothing) {
    StrengthMeter meter;
    meter.resize(meter.sizeHint());
    EXPECT_GT(meter.sizeHint().height(), 0);
    EXPECT_GE(meter.sizeHint().width(), 160);
    const QImage empty = grab(&meter);
    EXPECT_FALSE(hasDetail(empty)) << "an empty passphrase shows no gauge and no label";
    const QColor background = QColor::fromRgba(empty.pixel(0, 0));

    meter.setPassphrase(QStringLiteral("abcdefghijklm1"));
    EXPECT_EQ(meter.score(), 3);
    EXPECT_EQ(meter.accessibleDescription().name, "Passphrase strength: Good");
    const QImage good = grab(&meter);
    for (int i = 0; i < StrengthMeter::segmentCount; ++i) {
        const QPoint centre = meter.segmentRect(i).center().toPoint();
        const QColor expected =
            i < 3 ? StrengthMeter::segmentColor(3) : blend(StrengthMeter::unlitColor(), background);
        EXPECT_TRUE(near(QColor::fromRgba(good.pixel(centre)), expected, 6)) << "segment " << i;
    }
    EXPECT_EQ(meter.sizeHint(), StrengthMeter().sizeHint()) << "the meter keeps one size for every score";
}

TEST(SetupResumeRule, StartsAtTheFirstStepNotDone) {
    struct Case {
        bool key, device, sources;
        int current, expected;
    };
    const std::vector<Case> cases{
        {false, true, true, 0, 0}, // no key: the passphrase step, whatever else is there
        {true, false, true, 0, 1}, // a key, no device folder: the device step
        {true, true, false, 3, 2}, // sources emptied: back to the folders step
        {true, true, true, 0, 3},  // everything chosen: the schedule step
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SetupFlowView::resumeStep(c.key, c.device, c.sources, c.current), c.expected)
            << c.key << c.device << c.sources;
    }
}

} // namespace
} // namespace keldra::test
