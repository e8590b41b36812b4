// The screens a new user meets: sign-in, two-factor, unlock and every setup step and layout, on the fake
// model, at the window's first size.

#include "design/button/OLButton.h"
#include "design/controls/CodeBoxes.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLTextField.h"
#include "desktop/MainWindow.h"
#include "gallery/GalleryEntry.h"
#include "gallery/fake/FakeAppModel.h"
#include "onboarding/auth/AuthTitle.h"
#include "onboarding/auth/SignInView.h"
#include "onboarding/auth/TwoFactorView.h"
#include "onboarding/auth/UnlockView.h"
#include "onboarding/setup/DeviceStep.h"
#include "onboarding/setup/KeyStep.h"
#include "onboarding/setup/SetupFlowView.h"

#include <QDir>
#include <functional>

namespace keldra::gallery {

namespace {

using Prepare = std::function<void(FakeAppModel&)>;
template <class View> using Adjust = std::function<void(View&)>;

// A screen on its own fake model, which lives as long as the screen.
template <class View>
GalleryEntry screen(QString component, QString state, Prepare prepare, Adjust<View> adjust = {}) {
    return {std::move(component), std::move(state),
            [prepare, adjust](const OLTheme&) -> QWidget* {
                auto* model = new FakeAppModel;
                model->setPendingEmail("ada@example.com");
                if (prepare) {
                    prepare(*model);
                }
                auto* view = new View(*model);
                model->setParent(view);
                view->setFixedSize(MainWindow::defaultWidth, MainWindow::defaultHeight);
                if (adjust) {
                    adjust(*view);
                }
                return view;
            },
            0, true};
}

KeldraKey sampleKey() {
    SymmetricKey raw{};
    raw.fill(7);
    return KeldraKey(raw);
}

BackupSource source(const std::string& path, bool isFile = false) {
    return BackupSource{"id-" + path, path, isFile, {}};
}

// The setup flow on a given step, its step view adjusted.
GalleryEntry setupStep(QString state, Prepare prepare, std::function<void(SetupFlowView&)> adjust = {}) {
    return screen<SetupFlowView>(QStringLiteral("onboarding-setup"), std::move(state), std::move(prepare),
                                 std::move(adjust));
}

void typeInto(OLTextField* field, const QString& text) {
    field->setText(text);
    emit field->textEdited(text);
}

} // namespace

std::vector<GalleryEntry> onboardingEntries() {
    std::vector<GalleryEntry> entries;

    entries.push_back(screen<SignInView>(QStringLiteral("onboarding-signin"), QStringLiteral("empty"),
                                         [](FakeAppModel& m) { m.setPendingEmail(""); }));
    entries.push_back(screen<SignInView>(
        QStringLiteral("onboarding-signin"), QStringLiteral("error"),
        [](FakeAppModel& m) { m.setAuthError("Email or password is incorrect."); },
        [](SignInView& v) { typeInto(v.passwordField(), QStringLiteral("secret")); }));
    entries.push_back(screen<SignInView>(
        QStringLiteral("onboarding-signin"), QStringLiteral("working"),
        [](FakeAppModel& m) { m.setIsWorking(true); },
        [](SignInView& v) { typeInto(v.passwordField(), QStringLiteral("secret")); }));

    entries.push_back(
        screen<TwoFactorView>(QStringLiteral("onboarding-twofactor"), QStringLiteral("empty"), {}));
    entries.push_back(
        screen<TwoFactorView>(QStringLiteral("onboarding-twofactor"), QStringLiteral("error"),
                              [](FakeAppModel& m) { m.setAuthError("The two-factor code is not valid."); }));
    entries.push_back(screen<TwoFactorView>(
        QStringLiteral("onboarding-twofactor"), QStringLiteral("working"),
        [](FakeAppModel& m) { m.setIsWorking(true); },
        [](TwoFactorView& v) { v.codeBoxes()->setCode(QStringLiteral("123456")); }));

    entries.push_back(screen<UnlockView>(QStringLiteral("onboarding-unlock"), QStringLiteral("empty"), {}));
    entries.push_back(screen<UnlockView>(
        QStringLiteral("onboarding-unlock"), QStringLiteral("error"),
        [](FakeAppModel& m) {
            m.setNextResult("That passphrase doesn't match this Keldra. Check it and try again.");
        },
        [](UnlockView& v) {
            typeInto(v.passphraseField(), QStringLiteral("wrong"));
            v.rememberBox()->setOn(true);
            v.unlock();
        }));
    entries.push_back(screen<UnlockView>(
        QStringLiteral("onboarding-unlock"), QStringLiteral("working"),
        [](FakeAppModel& m) { m.setIsWorking(true); },
        [](UnlockView& v) { typeInto(v.passphraseField(), QStringLiteral("stone river lantern")); }));

    // The passphrase step in each of its layouts, and the create layout at each meter score.
    entries.push_back(setupStep(QStringLiteral("key-checking"),
                                [](FakeAppModel& m) { m.setVerifierState(VerifierState::unknown()); }));
    entries.push_back(setupStep(QStringLiteral("key-unlock"),
                                [](FakeAppModel& m) { m.setVerifierState(VerifierState::exists()); }));
    entries.push_back(setupStep(QStringLiteral("key-waiting"), [](FakeAppModel& m) {
        m.setVerifierState(
            VerifierState::unavailable("Backups aren't available in your country yet. Your files are safe."));
    }));
    const std::vector<std::pair<QString, QString>> scores{
        {QStringLiteral("0"), QString()},
        {QStringLiteral("1"), QStringLiteral("short")},
        {QStringLiteral("2"), QStringLiteral("abcdefghij1")},
        {QStringLiteral("3"), QStringLiteral("ab cd ef gh")},
        {QStringLiteral("4"), QStringLiteral("stone river lantern 9")}};
    for (const auto& [score, text] : scores) {
        entries.push_back(setupStep(
            QStringLiteral("key-create-score") + score,
            [](FakeAppModel& m) { m.setVerifierState(VerifierState::absent()); },
            [text](SetupFlowView& flow) {
                auto* step = qobject_cast<KeyStep*>(flow.stepView());
                typeInto(step->passphraseField(), text);
                typeInto(step->confirmField(), text);
            }));
    }
    entries.push_back(setupStep(
        QStringLiteral("key-create-mismatch"),
        [](FakeAppModel& m) { m.setVerifierState(VerifierState::absent()); },
        [](SetupFlowView& flow) {
            auto* step = qobject_cast<KeyStep*>(flow.stepView());
            typeInto(step->passphraseField(), QStringLiteral("twelve chars"));
            typeInto(step->confirmField(), QStringLiteral("twelve charz"));
            step->understoodBox()->setOn(true);
            step->submit();
        }));

    // Device step: new, and with earlier device folders (one named like markup, shown as typed).
    entries.push_back(
        setupStep(QStringLiteral("device-new"), [](FakeAppModel& m) { m.setKeldraKey(sampleKey()); }));
    entries.push_back(setupStep(
        QStringLiteral("device-existing"),
        [](FakeAppModel& m) {
            m.setKeldraKey(sampleKey());
            m.setExistingDevices({KeldraFolder{FlexID("11"), "Studio", {}, FlexID("1")},
                                  KeldraFolder{FlexID("12"), "<b>x</b>", {}, FlexID("1")}});
        },
        [](SetupFlowView& flow) {
            auto* step = qobject_cast<DeviceStep*>(flow.stepView());
            step->choose(KeldraFolder{FlexID("12"), "<b>x</b>", {}, FlexID("1")});
        }));

    // Folders step: nothing chosen; a suggestion on with a file, a drive and a long path.
    entries.push_back(setupStep(QStringLiteral("folders-empty"), [](FakeAppModel& m) {
        BackupSettings settings;
        settings.deviceFolderID = "12";
        m.setKeldraKey(sampleKey());
        m.setSettings(settings);
    }));
    entries.push_back(setupStep(
        QStringLiteral("folders-chosen"),
        [](FakeAppModel& m) {
            BackupSettings settings;
            settings.deviceFolderID = "12";
            m.setKeldraKey(sampleKey());
            m.setSettings(settings);
            const std::string home = QDir::homePath().toStdString();
            m.setSources({source(home + "/Documents"), source(home + "/notes/plan.txt", true),
                          source("/media/ada/Archive/Photos"),
                          source(home + "/Projects/clients/northwind/2026/quarterly reports/drafts")});
        },
        [](SetupFlowView& flow) { flow.setStep(2); }));

    // Schedule step: the default daily schedule, and a stored custom one that no segment shows.
    entries.push_back(setupStep(QStringLiteral("schedule-daily"), [](FakeAppModel& m) {
        BackupSettings settings;
        settings.deviceFolderID = "12";
        m.setKeldraKey(sampleKey());
        m.setSettings(settings);
        m.setSources({source("/home/ada/Documents")});
    }));
    entries.push_back(setupStep(QStringLiteral("schedule-custom"), [](FakeAppModel& m) {
        BackupSettings settings;
        settings.deviceFolderID = "12";
        settings.schedule.kind = ScheduleKind::custom;
        m.setKeldraKey(sampleKey());
        m.setSettings(settings);
        m.setSources({source("/home/ada/Documents")});
    }));

    // A signal heading too long for one line shrinks, then elides; in glass it wraps.
    entries.push_back({QStringLiteral("onboarding-title"), QStringLiteral("long"),
                       [](const OLTheme&) -> QWidget* {
                           return new AuthTitle(
                               QStringLiteral("Create a Keldra passphrase for this computer"),
                               QStringLiteral("Backups aren't available yet."),
                               QStringLiteral("A subtitle that wraps under the heading."));
                       },
                       440});
    return entries;
}

} // namespace keldra::gallery
