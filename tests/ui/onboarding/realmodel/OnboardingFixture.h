#pragma once
// The onboarding screens on the real application model: the local portal, the session's keyring, a
// defaults file in a temporary folder and real key derivation. Screens are shown in an active window so
// focus and keys behave as for a user.

#include "core/codec/Base64.h"
#include "core/crypto/KeldraKey.h"
#include "design/button/OLButton.h"
#include "design/controls/OLTextField.h"
#include "tests/app/model/AppModelFixture.h"
#include "tests/ui/kit/KitTest.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

namespace keldra::test {

class OnboardingFixture : public AppModelFixture {
protected:
    static constexpr const char* passphrase = "stone river lantern";

    // Waits until the model's current operation has ended.
    void settle() {
        EXPECT_TRUE(runUntil([&] { return !model->isWorking(); }));
        drainEvents();
    }

    // Typed key by key: printable ASCII only, as the keyboard helper maps nothing else.
    static void type(OLTextField* field, const QString& text) {
        field->lineEdit()->setFocus();
        field->lineEdit()->selectAll();
        QTest::keyClicks(field->lineEdit(), text);
    }
    // Pasted over the field's text with Ctrl+V, for text no key types (emoji, a line break).
    static void paste(OLTextField* field, const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        field->lineEdit()->setFocus();
        field->lineEdit()->selectAll();
        QTest::keyClick(field->lineEdit(), Qt::Key_V, Qt::ControlModifier);
    }
    // Return where the focus is, as the user presses it.
    static void pressReturn() {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Qt::Key_Return);
    }
    static void pressReturnIn(OLTextField* field) {
        field->lineEdit()->setFocus();
        QTest::keyClick(field->lineEdit(), Qt::Key_Return);
    }

    std::int64_t requests(const std::string& endpoint) { return control().requestCount(endpoint); }

    // A verifier for `phrase` stored on the portal, as another computer or the web would leave it.
    void storeVerifier(const std::string& address, const std::string& phrase) {
        const KeldraKey key = KeldraKey::derive(phrase);
        const std::string text = "cairn-ok-v1";
        const auto [iv, sealed] = key.seal(Bytes(text.begin(), text.end()));
        KeldraAPI client(clock, sleeper, baseUrl());
        client.setToken(control().issueToken(address));
        client.storeVerifier(base64Encode(sealed), base64Encode(iv));
    }
    // The verifier the portal holds for `address` now.
    std::optional<KeldraAPI::Verifier> portalVerifier(const std::string& address) {
        KeldraAPI client(clock, sleeper, baseUrl());
        client.setToken(control().issueToken(address));
        return client.fetchVerifier();
    }

    // Signed in with a kept session, starting in the phase the stored settings give.
    AppModel& startSignedIn(std::optional<BackupSettings> settings = std::nullopt) {
        createAccount();
        storeSession(signedInSession());
        if (settings) {
            saveSettings(email, *settings);
        }
        return start();
    }

    std::optional<Bytes> storedKey() { return secrets.read(keldraKeyAccount(scopeKey(email))); }
};

} // namespace keldra::test
