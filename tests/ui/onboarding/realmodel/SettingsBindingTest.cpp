#include "onboarding/common/SettingsBinding.h"

#include "tests/ui/onboarding/realmodel/OnboardingFixture.h"

#include <fstream>

namespace keldra::test {
namespace {

class SettingsBindings : public OnboardingFixture {
protected:
    std::string savedText() {
        EXPECT_TRUE(defaults->flush());
        std::ifstream in(temp / "defaults.json");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::optional<BackupSettings> saved() {
        const auto value = defaults->value("settings." + scopeKey(email));
        if (!value) {
            return std::nullopt;
        }
        return BackupSettings::load(*defaults, scopeKey(email));
    }
};

TEST_F(SettingsBindings, EveryValueTypeWritesOnlyRealChanges) {
    AppModel& m = startSignedIn();
    int changes = 0;
    QObject::connect(&m, &AppModel::settingsChanged, [&] { ++changes; });

    EXPECT_TRUE(SettingsBinding::setBool(true, m, [](BackupSettings& s) -> bool& { return s.onlyOnPower; }));
    EXPECT_TRUE(
        SettingsBinding::setInt(9, m, [](BackupSettings& s) -> std::int64_t& { return s.schedule.hour; }));
    EXPECT_TRUE(SettingsBinding::setDouble(
        2.5, m, [](BackupSettings& s) -> double& { return s.bandwidthLimitMBps; }));
    EXPECT_TRUE(SettingsBinding::setOptionalInt(
        std::nullopt, m,
        [](BackupSettings& s) -> std::optional<std::int64_t>& { return s.deletedGraceDays; }));
    EXPECT_TRUE(SettingsBinding::setScheduleKind(ScheduleKind::weekly, m));
    EXPECT_EQ(changes, 5);

    // Each saved the whole value under the account's key, the nested hour and the absent grace included.
    const auto stored = saved();
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(*stored, m.settings());
    EXPECT_TRUE(stored->onlyOnPower);
    EXPECT_EQ(stored->schedule.hour, 9);
    EXPECT_EQ(stored->schedule.kind, ScheduleKind::weekly);
    EXPECT_EQ(stored->bandwidthLimitMBps, 2.5);
    EXPECT_FALSE(stored->deletedGraceDays.has_value());
    EXPECT_EQ(SettingsBinding::getInt(m, [](BackupSettings& s) -> std::int64_t& { return s.schedule.hour; }),
              9);

    // Values the controls already show: no notice, no write.
    const std::string before = savedText();
    EXPECT_FALSE(SettingsBinding::setBool(true, m, [](BackupSettings& s) -> bool& { return s.onlyOnPower; }));
    EXPECT_FALSE(SettingsBinding::setScheduleKind(ScheduleKind::weekly, m));
    EXPECT_FALSE(SettingsBinding::setOptionalInt(
        std::nullopt, m,
        [](BackupSettings& s) -> std::optional<std::int64_t>& { return s.deletedGraceDays; }));
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(savedText(), before);
}

TEST_F(SettingsBindings, WithoutASessionNothingIsSaved) {
    AppModel& m = start();
    ASSERT_FALSE(m.session().has_value());
    const std::string before = savedText();
    EXPECT_TRUE(
        SettingsBinding::setBool(false, m, [](BackupSettings& s) -> bool& { return s.notifyFailures; }));
    EXPECT_FALSE(m.settings().notifyFailures) << "changed in memory";
    EXPECT_EQ(savedText(), before);
}

} // namespace
} // namespace keldra::test
