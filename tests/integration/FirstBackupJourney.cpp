#include "app/model/AppModel.h"
#include "core/codec/Base64.h"
#include "design/button/OLButton.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLSegmented.h"
#include "design/controls/OLTextField.h"
#include "desktop/DesktopApplication.h"
#include "desktop/MainWindow.h"
#include "onboarding/auth/SignInView.h"
#include "onboarding/setup/DeviceStep.h"
#include "onboarding/setup/FoldersStep.h"
#include "onboarding/setup/KeyStep.h"
#include "onboarding/setup/ScheduleStep.h"
#include "onboarding/setup/SetupFlowView.h"
#include "screens/root/ScreenHost.h"
#include "tests/integration/KeldraSession.h"
#include "tests/integration/WindowSteps.h"
#include "tests/support/QtApp.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <set>

namespace keldra::test {
namespace {

using KeldraJourney = KeldraSession;

template <class Step> Step* shownStep(SetupFlowView& flow, int number) {
    EXPECT_TRUE(runUntil([&] { return flow.step() == number; }));
    drainEvents();
    return qobject_cast<Step*>(flow.stepView());
}

// A sealed name ("IV.sealed", both base64) opened with the key.
std::string openName(const KeldraKey& key, const std::string& sealed) {
    const auto dot = sealed.find('.');
    const auto iv = base64Decode(sealed.substr(0, dot));
    const auto body = base64Decode(sealed.substr(dot + 1));
    if (dot == std::string::npos || !iv || !body) {
        return {};
    }
    const Bytes opened = key.open(*body, *iv);
    return {opened.begin(), opened.end()};
}

// A new user's first start: sign in, create the passphrase, name the computer, pick a folder in the file
// dialog, keep Daily with both boxes on and start the first backup.
TEST_F(KeldraJourney, FirstBackup) {
    const auto projects = home() / "Projects";
    const std::set<std::string> files{"~/Projects/plan.txt", "~/Projects/notes/monday.md",
                                      "~/Projects/notes/tuesday.md"};
    for (const std::string& file : files) {
        writeFile(home() / file.substr(2), "contents of " + file);
    }

    KeldraInstance& keldra = launch();
    AppModel& model = keldra.model();
    MainWindow& window = keldra.shell().window();
    ASSERT_TRUE(runUntil([&] { return window.isVisible() && window.findChild<SignInView*>() != nullptr; }));
    QApplication::setActiveWindow(&window);

    SignInView* signIn = window.findChild<SignInView*>();
    typeInto(signIn->emailField(), QString::fromUtf8(email));
    typeInto(signIn->passwordField(), QString::fromUtf8(password));
    signIn->signInButton()->click();
    ASSERT_TRUE(runUntil([&] { return model.phase() == AppPhase::setup; }));
    ASSERT_TRUE(runUntil([&] { return window.findChild<SetupFlowView*>() != nullptr; }));
    SetupFlowView& flow = *window.findChild<SetupFlowView*>();
    ASSERT_TRUE(runUntil([&] { return model.verifierState().kind != VerifierState::Kind::unknown; }));

    KeyStep* key = shownStep<KeyStep>(flow, 0);
    ASSERT_TRUE(key);
    typeInto(key->passphraseField(), QString::fromUtf8(passphrase));
    typeInto(key->confirmField(), QString::fromUtf8(passphrase));
    key->understoodBox()->click();
    key->mainButton()->click();

    DeviceStep* device = shownStep<DeviceStep>(flow, 1);
    ASSERT_TRUE(device);
    ASSERT_TRUE(model.keldraKey());
    typeInto(device->nameField(), QStringLiteral("Workstation"));
    device->continueButton()->click();

    FoldersStep* folders = shownStep<FoldersStep>(flow, 2);
    ASSERT_TRUE(folders);
    ASSERT_TRUE(model.settings().deviceFolderID);
    folders->addButton()->click();
    // The user picks the folder in the file dialog: its name typed, selected in the list, Open.
    ASSERT_TRUE(answerFolderDialog(projects));
    ASSERT_TRUE(runUntil([&] { return model.sources().size() == 1; }));
    EXPECT_EQ(model.sources().front().path, projects.string());
    folders->continueButton()->click();

    ScheduleStep* schedule = shownStep<ScheduleStep>(flow, 3);
    ASSERT_TRUE(schedule);
    EXPECT_EQ(schedule->kindPicker()->selected(), (std::vector<bool>{false, true, false})) << "Daily";
    EXPECT_TRUE(schedule->launchAtLoginBox()->isOn());
    EXPECT_TRUE(schedule->notificationsBox()->isOn());
    schedule->startButton()->click();

    ASSERT_TRUE(runUntil([&] { return model.phase() == AppPhase::ready; }));
    ASSERT_TRUE(runUntil([&] { return model.lastRun() && !model.isRunning(); }, std::chrono::seconds(60)));
    drainEvents();
    EXPECT_EQ(model.lastRun()->status, RunStatus::succeeded);
    EXPECT_EQ(model.health().kind(), BackupHealth::Kind::protected_);
    EXPECT_EQ(model.section(), AppSection::overview);

    // The portal holds every file, its sealed name opening to the path under the home folder.
    std::set<std::string> stored;
    for (const auto& file : control().files(email)) {
        stored.insert(openName(*model.keldraKey(), file.at("encrypted_name").get<std::string>()));
    }
    EXPECT_EQ(stored, files);
    EXPECT_TRUE(std::filesystem::exists(configHome() / "autostart" / "orlivane-keldra.desktop"));

    // The window as the user sees it now, kept in the build folder for a look.
    EXPECT_TRUE(keepPicture(window, "first-backup-overview"));
}

} // namespace
} // namespace keldra::test
