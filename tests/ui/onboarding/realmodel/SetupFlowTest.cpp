#include "design/controls/OLCheckbox.h"
#include "design/controls/OLSegmented.h"
#include "design/text/OLText.h"
#include "onboarding/auth/AuthTitle.h"
#include "onboarding/auth/SignInView.h"
#include "onboarding/setup/ChoiceRow.h"
#include "onboarding/setup/DeviceStep.h"
#include "onboarding/setup/FoldersStep.h"
#include "onboarding/setup/KeyStep.h"
#include "onboarding/setup/ScheduleStep.h"
#include "onboarding/setup/SetupFlowView.h"
#include "onboarding/setup/SourceRows.h"
#include "onboarding/setup/StrengthMeter.h"
#include "tests/ui/onboarding/realmodel/OnboardingFixture.h"

#include <QLabel>
#include <fstream>

namespace keldra::test {
namespace {

class SetupFlow : public OnboardingFixture {
protected:
    // The flow shown in an active window, its key step past its verifier check.
    std::unique_ptr<SetupFlowView> showFlow() {
        auto flow = std::make_unique<SetupFlowView>(*model);
        showActive(*flow);
        EXPECT_TRUE(runUntil([&] { return model->verifierState().kind != VerifierState::Kind::unknown; }));
        drainEvents();
        return flow;
    }
    static KeyStep* keyStep(SetupFlowView& flow) { return qobject_cast<KeyStep*>(flow.stepView()); }

    static std::string readFile(const std::filesystem::path& path) {
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(SetupFlow, NewAccountCreatesOnePassphrase) {
    AppModel& m = startSignedIn();
    ASSERT_EQ(m.phase(), AppPhase::setup);
    auto flow = showFlow();
    KeyStep* step = keyStep(*flow);
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(flow->stepLabel()->text(), "STEP 1 OF 4");
    ASSERT_EQ(m.verifierState().kind, VerifierState::Kind::absent);
    ASSERT_NE(step->confirmField(), nullptr) << "the create layout";

    // Nine characters, confirmed and acknowledged: still too short, and Return sends nothing.
    type(step->passphraseField(), QStringLiteral("ninechars"));
    type(step->confirmField(), QStringLiteral("ninechars"));
    step->understoodBox()->click();
    EXPECT_FALSE(step->mainButton()->isEnabled());
    pressReturnIn(step->confirmField());
    EXPECT_FALSE(step->errorLine()->isVisible());
    EXPECT_FALSE(m.isWorking());

    // Twelve characters against another text: the mismatch is named on Return.
    type(step->passphraseField(), QStringLiteral("twelve chars"));
    type(step->confirmField(), QStringLiteral("twelve charz"));
    pressReturnIn(step->confirmField());
    EXPECT_EQ(step->errorLine()->text(), "The passphrases don't match.");
    EXPECT_TRUE(step->errorLine()->isVisible());

    // Ten emoji are ten characters: enough, whatever the meter says.
    const QString emoji = QString::fromUtf8("\U0001F332\U0001F332\U0001F332\U0001F332\U0001F332"
                                            "\U0001F332\U0001F332\U0001F332\U0001F332\U0001F332");
    paste(step->passphraseField(), emoji);
    paste(step->confirmField(), emoji);
    EXPECT_TRUE(step->canCreate());
    EXPECT_TRUE(step->mainButton()->isEnabled());

    EXPECT_EQ(requests("verifier-post"), 0);
    type(step->passphraseField(), QString::fromUtf8(passphrase));
    type(step->confirmField(), QString::fromUtf8(passphrase));
    EXPECT_EQ(step->meter()->score(), StrengthMeter::score(passphrase));
    // Return in the field, Return again and a click: one derivation, one upload.
    pressReturnIn(step->confirmField());
    pressReturnIn(step->confirmField());
    step->mainButton()->click();
    EXPECT_TRUE(runUntil([&] { return flow->step() == 1; }));
    settle();
    EXPECT_EQ(requests("verifier-post"), 1);
    EXPECT_TRUE(m.keldraKey().has_value());
    EXPECT_NE(qobject_cast<DeviceStep*>(flow->stepView()), nullptr);
    EXPECT_EQ(flow->stepLabel()->text(), "STEP 2 OF 4");
}

TEST_F(SetupFlow, SecondComputerUnlocksWithThePassphraseInUse) {
    createAccount();
    storeVerifier(email, passphrase);
    const auto theirs = portalVerifier(email);
    ASSERT_TRUE(theirs.has_value());
    const auto posted = requests("verifier-post"); // the other computer's
    storeSession(signedInSession());
    AppModel& m = start();
    auto flow = showFlow();
    KeyStep* step = keyStep(*flow);
    ASSERT_EQ(m.verifierState().kind, VerifierState::Kind::exists);
    EXPECT_EQ(step->confirmField(), nullptr) << "the unlock layout";
    EXPECT_FALSE(step->mainButton()->isEnabled()) << "an empty field disables Continue";

    type(step->passphraseField(), QStringLiteral("not the passphrase"));
    pressReturnIn(step->passphraseField());
    settle();
    EXPECT_TRUE(step->errorLine()->isVisible());
    EXPECT_EQ(step->errorLine()->text(), QString::fromStdString(*step->error()));
    EXPECT_EQ(step->passphraseField()->text(), "not the passphrase") << "kept for correcting";
    EXPECT_EQ(flow->step(), 0);

    type(step->passphraseField(), QString::fromUtf8(passphrase));
    step->mainButton()->click();
    EXPECT_TRUE(runUntil([&] { return flow->step() == 1; }));
    settle();
    EXPECT_TRUE(m.keldraKey().has_value());
    EXPECT_EQ(requests("verifier-post"), posted) << "unlocking uploads nothing";
    EXPECT_EQ(portalVerifier(email), theirs) << "the verifier in use stays as it was";
}

TEST_F(SetupFlow, BlockedCountryWaitsAndRetries) {
    createAccount(email, {{"geo_rule", {{"enabled", true}, {"action", "block"}, {"countries", {"FR"}}}}});
    control().setCountry("FR");
    storeSession(signedInSession());
    AppModel& m = start();
    ASSERT_EQ(m.phase(), AppPhase::setup) << "signed in all the same";
    auto flow = showFlow();
    KeyStep* step = keyStep(*flow);
    ASSERT_EQ(m.verifierState().kind, VerifierState::Kind::unavailable);
    auto* title = flow->stepView()->findChild<AuthTitle*>();
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->heading()->text(), "Backups aren't available yet");
    ASSERT_NE(title->subtitle(), nullptr);
    EXPECT_EQ(title->subtitle()->text(), QString::fromStdString(m.verifierState().message));
    EXPECT_EQ(step->mainButton(), nullptr) << "\"Try again\" is no default button";

    control().setCountry("DE");
    step->retry();
    EXPECT_TRUE(runUntil([&] { return m.verifierState().kind == VerifierState::Kind::absent; }));
    drainEvents();
    EXPECT_NE(keyStep(*flow)->confirmField(), nullptr) << "the create layout";
}

TEST_F(SetupFlow, ContinuingABackupPreselectsTheStoredDeviceFolder) {
    createAccount();
    const auto backups = control().createFolder(email, "Backups");
    const std::int64_t parent = backups.at("id").get<std::int64_t>();
    control().createFolder(email, "Office", parent);
    const auto tagged = control().createFolder(email, "<b>x</b>", parent);
    BackupSettings settings;
    settings.deviceFolderID = std::to_string(tagged.at("id").get<std::int64_t>());
    saveSettings(email, settings);
    storeSession(signedInSession());
    AppModel& m = start();

    bool advanced = false;
    DeviceStep step(m, [&] { advanced = true; });
    showActive(step);
    EXPECT_TRUE(runUntil([&] { return step.rows().size() == 3 && step.reuse().has_value(); }));
    ASSERT_EQ(step.rows().size(), 3u);
    EXPECT_EQ(step.rows()[0]->title(), QString::fromUtf8("Continue \u201COffice\u201D"));
    EXPECT_EQ(step.rows()[1]->title(), QString::fromUtf8("Continue \u201C<b>x</b>\u201D"))
        << "as typed, never markup";
    EXPECT_EQ(step.rows()[2]->title(), "Start a new backup for this computer");
    EXPECT_TRUE(step.rows()[1]->isSelected());
    EXPECT_FALSE(step.rows()[2]->isSelected());
    EXPECT_FALSE(step.nameField()->isVisible()) << "a chosen folder needs no name";
    EXPECT_TRUE(
        step.title()->subtitle()->text().contains(QStringLiteral("Backups › <b>x</b> in your Keldra")));
    EXPECT_EQ(step.title()->subtitle()->textFormat(), Qt::PlainText);

    // A new backup shows the field again; an empty name disables Continue and shows "…".
    step.rows()[2]->click();
    EXPECT_TRUE(step.nameField()->isVisible());
    type(step.nameField(), QString());
    step.nameField()->lineEdit()->clear();
    emit step.nameField()->textEdited(QString());
    EXPECT_FALSE(step.continueButton()->isEnabled());
    EXPECT_TRUE(step.title()->subtitle()->text().contains(QString::fromUtf8("Backups › \u2026 in")));

    step.rows()[1]->click();
    EXPECT_TRUE(step.continueButton()->isEnabled());
    step.continueButton()->click();
    EXPECT_TRUE(runUntil([&] { return advanced; }));
    settle();
    EXPECT_EQ(m.settings().deviceFolderID, settings.deviceFolderID);
}

TEST_F(SetupFlow, ScheduleSegmentSavesOnceAndStartFinishesOnce) {
    AppModel& m = startSignedIn();
    ScheduleStep step(m);
    showActive(step);
    const std::filesystem::path defaultsFile = temp / "defaults.json";
    EXPECT_EQ(step.kindPicker()->selected(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(step.sentence()->text(), QString::fromStdString(m.settings().schedule.summary()) +
                                           ". Change the time in Settings › Backup.");

    int changes = 0;
    QObject::connect(&m, &AppModel::settingsChanged, &step, [&] { ++changes; });
    emit step.kindPicker()->activated(0); // "Hourly"
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(m.settings().schedule.kind, ScheduleKind::hourly);
    EXPECT_EQ(BackupSettings::load(*defaults, scopeKey(email)).schedule.kind, ScheduleKind::hourly);
    EXPECT_EQ(step.sentence()->text(), "Every hour. Change the time in Settings › Backup.");
    ASSERT_TRUE(defaults->flush());
    const std::string saved = readFile(defaultsFile);
    emit step.kindPicker()->activated(0); // chosen again
    EXPECT_EQ(changes, 1) << "re-choosing writes nothing";
    ASSERT_TRUE(defaults->flush());
    EXPECT_EQ(readFile(defaultsFile), saved);

    step.launchAtLoginBox()->click();
    step.notificationsBox()->click();
    const int loginChanges = loginItem.changes();
    QTest::keyClick(&step, Qt::Key_Return);
    step.startButton()->click();
    step.start();
    EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::ready; }));
    drainEvents();
    EXPECT_EQ(loginItem.changes(), loginChanges) << "no login item with the box cleared";
    EXPECT_TRUE(m.settings().setupComplete);
}

TEST_F(SetupFlow, FoldersFollowTheModelsSources) {
    AppModel& m = startSignedIn();
    const std::filesystem::path home = temp / "home";
    std::filesystem::create_directories(home / "Documents" / "Taxes");
    std::filesystem::create_directories(home / "Desktop");
    std::filesystem::create_directories(home / "Pictures");
    std::ofstream(home / "notes.txt") << "notes";
    qputenv("HOME", QByteArray::fromStdString(home.string()));

    bool advanced = false;
    FoldersStep step(m, [&] { advanced = true; });
    showActive(step);
    ASSERT_EQ(step.suggestionRows().size(), 3u);
    for (SuggestionRow* row : step.suggestionRows()) {
        EXPECT_FALSE(row->isOn());
    }
    EXPECT_TRUE(step.sourceRows().empty());
    EXPECT_FALSE(step.continueButton()->isEnabled());
    QTest::keyClick(&step, Qt::Key_Return);
    EXPECT_FALSE(advanced) << "Return does nothing without a source";

    step.suggestionRows()[0]->click(); // Documents on
    ASSERT_TRUE(runUntil([&] { return m.sources().size() == 1u; }));
    drainEvents();
    EXPECT_TRUE(step.suggestionRows()[0]->isOn());
    EXPECT_TRUE(step.sourceRows().empty()) << "a suggested folder is never listed twice";
    EXPECT_TRUE(step.continueButton()->isEnabled());

    // The chooser's places: a subfolder of Documents and a file, listed as their own rows.
    folderChooser.pathChoices.push_back({home / "Documents" / "Taxes", home / "notes.txt"});
    step.addButton()->click();
    ASSERT_TRUE(runUntil([&] { return m.sources().size() == 2u; })) << "Taxes is inside Documents";
    drainEvents();
    ASSERT_EQ(folderChooser.pathRequests.size(), 1u);
    const FolderChoice& asked = folderChooser.pathRequests.front();
    EXPECT_TRUE(asked.chooseFiles && asked.multiple);
    EXPECT_EQ(asked.prompt, "Back up");
    EXPECT_EQ(asked.message, "Choose folders, files or drives to back up.");
    EXPECT_EQ(asked.startIn, home);
    // Taxes lies inside Documents, which is already backed up, so only the file is new: one row, with the
    // file icon.
    std::vector<QString> names;
    std::vector<QString> icons;
    std::vector<QString> paths;
    for (SetupSourceRow* row : step.sourceRows()) {
        names.push_back(row->nameText()->text());
        icons.push_back(row->iconName());
        paths.push_back(row->pathText()->text());
    }
    EXPECT_EQ(names, std::vector<QString>{QStringLiteral("notes.txt")});
    EXPECT_EQ(icons, std::vector<QString>{QStringLiteral("icon-file")});
    EXPECT_EQ(paths, std::vector<QString>{QStringLiteral("~/notes.txt")});
    EXPECT_EQ(m.sources().size(), 2u);

    step.suggestionRows()[0]->click(); // Documents off again
    drainEvents();
    EXPECT_FALSE(step.suggestionRows()[0]->isOn());

    // A cancelled chooser changes nothing.
    const auto sources = m.sources();
    step.addButton()->click();
    drainEvents();
    EXPECT_EQ(m.sources(), sources);

    // The file is still a source, so Return goes on.
    ASSERT_EQ(m.sources().size(), 1u);
    EXPECT_TRUE(m.sources().front().isFile);
    QTest::keyClick(&step, Qt::Key_Return);
    EXPECT_TRUE(advanced);
}

TEST_F(SetupFlow, WalksFromSignedOutToTheFirstRun) {
    createAccount();
    AppModel& m = start();
    {
        SignInView signIn(m);
        showActive(signIn);
        type(signIn.emailField(), QString::fromUtf8(email));
        type(signIn.passwordField(), QString::fromUtf8(password));
        pressReturn();
        EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::setup; }));
        settle();
    }
    auto flow = showFlow();
    KeyStep* key = keyStep(*flow);
    type(key->passphraseField(), QString::fromUtf8(passphrase));
    type(key->confirmField(), QString::fromUtf8(passphrase));
    key->understoodBox()->click();
    pressReturnIn(key->confirmField());
    EXPECT_TRUE(runUntil([&] { return flow->step() == 1; }));
    settle();

    auto* device = qobject_cast<DeviceStep*>(flow->stepView());
    ASSERT_NE(device, nullptr);
    type(device->nameField(), QStringLiteral("Studio"));
    pressReturnIn(device->nameField());
    EXPECT_TRUE(runUntil([&] { return flow->step() == 2; }));
    settle();
    EXPECT_TRUE(m.settings().deviceFolderID.has_value());

    auto* folders = qobject_cast<FoldersStep*>(flow->stepView());
    ASSERT_NE(folders, nullptr);
    const std::filesystem::path photos = temp / "Photos";
    std::filesystem::create_directories(photos);
    std::ofstream(photos / "a.txt") << "first run";
    folderChooser.pathChoices.push_back({photos});
    folders->addButton()->click();
    ASSERT_TRUE(runUntil([&] { return m.sources().size() == 1u; }));
    drainEvents();
    folders->continueButton()->click();
    drainEvents();
    EXPECT_EQ(flow->step(), 3);
    EXPECT_EQ(flow->stepLabel()->text(), "STEP 4 OF 4");

    auto* schedule = qobject_cast<ScheduleStep*>(flow->stepView());
    ASSERT_NE(schedule, nullptr);
    schedule->startButton()->click();
    EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::ready; }));
    EXPECT_TRUE(runUntil([&] { return m.isRunning() || m.lastRun().has_value(); }));
    EXPECT_TRUE(runUntil([&] { return !m.isRunning(); }, std::chrono::seconds(60)));
    drainEvents();
}

} // namespace
} // namespace keldra::test
