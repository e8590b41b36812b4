#include "core/seams/KeyValueStore.h"
#include "tests/app/filework/FileCallRecorder.h"
#include "tests/app/model/RunFixture.h"

#include <fstream>
#include <sstream>

using namespace keldra;
using namespace keldra::test;

namespace {

nlohmann::json fileContents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return nlohmann::json::parse(text.str(), nullptr, false);
}

std::string described(const std::vector<FileCallRecorder::Call>& calls) {
    std::string text;
    for (const auto& call : calls) {
        text += call.name + " " + call.path + "\n";
    }
    return text;
}

std::size_t renamesOf(const std::vector<FileCallRecorder::Call>& calls, const std::filesystem::path& file) {
    return std::count_if(calls.begin(), calls.end(), [&](const FileCallRecorder::Call& call) {
        return call.name.starts_with("rename") && call.path == file.string();
    });
}

// One change of the user defaults: a value, or none to remove the key.
struct Change {
    std::string key;
    std::optional<nlohmann::json> value;
};

void apply(KeyValueStore& store, const Change& change) {
    if (change.value) {
        EXPECT_TRUE(store.setValue(change.key, *change.value));
    } else {
        EXPECT_TRUE(store.remove(change.key));
    }
}

// Changes made while the store's thread is half-way through writing an earlier one.
const std::vector<Change> burst{
    {"ol.style", "signal"},
    {"ol.style", "glass"},
    {"ol.style", "signal"},
    {"ol.accent", "teal"},
    {"geoRule.kind.k", std::nullopt},
    {"settings.k", nlohmann::json{{"a", 2}}},
    {"settings.k", nlohmann::json{{"a", 3}}},
};
const nlohmann::json afterBurst{{"ol.style", "signal"}, {"ol.accent", "teal"}, {"settings.k", {{"a", 3}}}};

} // namespace

TEST(SaveLane, ChangesMadeDuringAWriteAreWrittenTogetherAndTheLastValueWins) {
    TempDir dir;
    RecordingLogger logger;
    const auto file = dir / "defaults.json";
    FileKeyValueStore store(file, logger);
    FileCallRecorder calls(dir.path());
    apply(store, {"geoRule.kind.k", "block"});
    ASSERT_TRUE(store.flush());

    calls.holdRenames();
    apply(store, {"ol.style", "glass"});
    calls.waitForHeldRename();
    for (const Change& change : burst) {
        apply(store, change);
    }
    EXPECT_EQ(store.value("ol.style"), nlohmann::json("signal")) << "read back at once";
    calls.releaseRenames();
    ASSERT_TRUE(store.flush());

    EXPECT_EQ(fileContents(file), afterBurst);
    EXPECT_EQ(renamesOf(calls.elsewhere(), file), 3u) << "the burst took one write after the held one";
    EXPECT_EQ(described(calls.onGuiThread()), "");
}

TEST(SaveLane, DestroyingTheStoreWritesWhatIsPending) {
    TempDir dir;
    RecordingLogger logger;
    const auto file = dir / "defaults.json";
    auto store = std::make_unique<FileKeyValueStore>(file, logger);
    FileCallRecorder calls(dir.path());
    apply(*store, {"geoRule.kind.k", "block"});
    ASSERT_TRUE(store->flush());

    calls.holdRenames();
    apply(*store, {"ol.style", "glass"});
    calls.waitForHeldRename();
    for (const Change& change : burst) {
        apply(*store, change);
    }
    // As at quit: the held write goes on, and the store goes at once.
    calls.releaseRenames();
    store.reset();
    EXPECT_EQ(fileContents(file), afterBurst);
    EXPECT_EQ(FileKeyValueStore(file, logger).value("settings.k"), (nlohmann::json{{"a", 3}}));
}

namespace {

class GuiThreadFileWork : public RunFixture {};

} // namespace

// Every control of the settings, sources and drives, as a user would walk through them, then a copy to a
// drive: the GUI thread makes the changes and never a durable write, a rename, a stat of a picked path or a
// read of the mount table. After a quit, what the user set last is what the file holds.
TEST_F(GuiThreadFileWork, ASettingsWalkWritesNothingOnTheGuiThreadAndAQuitKeepsTheLastValues) {
    writeHomeFile("Pictures/cat.txt", "meow");
    writeHomeFile("notes.txt", "remember");
    AppModel& m = ready();
    m.stopTimers();
    const LocalDestination drive = addDrive(m);
    await(m.refreshDriveStatesNow());
    const std::filesystem::path second = temp.path() / "volume-D1" / "second";
    std::filesystem::create_directories(second);
    drainEvents();
    volumes.forgetReaders();

    FileCallRecorder calls(temp.path());
    m.persistStyle(OLStyle::signal);
    m.persistAccent(OLAccent::teal);
    m.persistPopoverStyle(PopoverStyle::glass);
    m.persistHideDockIcon(true);
    m.persistStyle(OLStyle::glass);
    // "Also skip", one keystroke at a time.
    for (const std::string typed : {"*", "*.", "*.t", "*.tm", "*.tmp"}) {
        BackupSettings changed = m.settings();
        changed.customExclusions = {typed};
        m.persistSettings(changed);
    }
    BackupSettings changed = m.settings();
    changed.onlyOnPower = true;
    m.persistSettings(changed);
    m.persistSources({});
    m.addSources({home() / "Pictures", home() / "notes.txt"});
    ASSERT_TRUE(runUntil([&] { return m.sources().size() == 2; }));
    m.removeSource(m.sources().front().id);
    ASSERT_EQ(await(m.addDestination(second)), std::nullopt);
    const std::string secondID = m.destinations().back().id;
    m.setDestinationEnabled(secondID, false);
    m.setDestinationEnabled(secondID, true);
    m.removeDestination(secondID);
    m.applyGeoRule(GeoGuard::Rule::block({"FR"}));
    m.applyGeoRule(GeoGuard::Rule::allowOnly({"DE", "NL"}));
    m.setPaused(true);
    m.setPaused(false);
    m.addSources({home()});
    ASSERT_TRUE(runUntil([&] { return m.sources().size() == 1; }));
    m.backUpDriveNow(drive.id, false);
    ASSERT_TRUE(m.isRunning());
    ASSERT_TRUE(runUntil([&] { return !m.isRunning() && !m.hasRunTask(); }));
    ASSERT_TRUE(defaults->flush());
    drainEvents();

    EXPECT_EQ(described(calls.onGuiThread()), "");
    EXPECT_GE(renamesOf(calls.elsewhere(), temp / "defaults.json"), 1u) << "the defaults were written";
    EXPECT_FALSE(volumes.readers().contains(std::this_thread::get_id()))
        << "the mount table was read on the GUI thread";
    EXPECT_TRUE(std::filesystem::exists(temp.path() / "volume-D1" / "Orlivane Keldra Backup"))
        << "the drive was copied to";

    // Quit as the application does: the model, then the store. The changes are all in the file.
    const std::string scope = scopeKey(email);
    model.reset();
    defaults.reset();
    FileKeyValueStore reopened(temp / "defaults.json", logger);
    EXPECT_EQ(reopened.value("ol.style"), nlohmann::json("glass"));
    EXPECT_EQ(reopened.value("ol.accent"), nlohmann::json("teal"));
    EXPECT_EQ(reopened.value("ol.popoverStyle"), nlohmann::json("glass"));
    EXPECT_EQ(reopened.value("hideDockIcon"), nlohmann::json(true));
    const BackupSettings saved = BackupSettings::load(reopened, scope);
    EXPECT_EQ(saved.customExclusions, std::vector<std::string>{"*.tmp"});
    EXPECT_TRUE(saved.onlyOnPower);
    const auto sources = BackupSource::loadAll(reopened, scope);
    ASSERT_EQ(sources.size(), 1u);
    EXPECT_EQ(sources[0].path, home().string());
    const auto drives = LocalDestination::loadAll(reopened, scope);
    ASSERT_EQ(drives.size(), 1u) << "the second drive was removed";
    EXPECT_EQ(drives[0].id, drive.id);
    EXPECT_EQ(reopened.value("geoRule.kind." + scope), nlohmann::json("allowOnly"));
    EXPECT_EQ(reopened.value("geoRule.codes." + scope), (nlohmann::json{"DE", "NL"}));
}
