// The key: checking for the account's verifier, unlocking, creating the first passphrase, keeping the key
// for unattended backups and locking.

#include "app/model/AppModel.h"
#include "core/codec/Base64.h"
#include "core/secrets/KeychainItems.h"
#include "restore/engine/WithRetry.h"
#include "service/api/BlockReasonMapping.h"

namespace keldra {

namespace {

constexpr std::string_view verifierPlaintext = "cairn-ok-v1";
constexpr const char* alreadyHasPassphrase = "This Keldra already has a passphrase. Enter that one instead.";

constexpr std::string_view keyringNotStored =
    "The keyring didn't store the key, so unattended backups are off. Check that the keyring is unlocked, "
    "then try again.";
constexpr std::string_view keyringNotRemoved =
    "The keyring didn't remove the stored key, so unattended backups are still on. Check that the keyring "
    "is unlocked, then try again.";
constexpr std::string_view keyringKeptAfterLock =
    "Keldra is locked, but the keyring didn't remove the stored key, so the app will open unlocked after a "
    "restart. Remove the item \"Orlivane Keldra key (unattended backups)\" with your keyring app.";

bool opens(const KeldraKey& key, const std::optional<KeldraAPI::Verifier>& verifier) {
    return verifier && key.checkVerifier(verifier->verifier, verifier->iv);
}

} // namespace

QCoro::Task<KeldraKey> AppModel::deriveKey(std::string passphrase) {
    auto deriving = onWorker(ownerGuard(),
                             [passphrase = std::move(passphrase)] { return KeldraKey::derive(passphrase); });
    KeldraKey key = co_await deriving;
    co_return key;
}

QCoro::Task<> AppModel::checkVerifier() {
    const WorkGuard guard = accountGuard();
    try {
        auto fetching = onWorker(guard, [api = services_.api, cancel = lifetime_.get_token()] {
            return api->fetchVerifier(cancel);
        });
        const std::optional<KeldraAPI::Verifier> verifier = co_await fetching;
        setVerifierState(verifier ? VerifierState::exists() : VerifierState::absent());
    } catch (const StaleWork&) {
        throw;
    } catch (const KeldraAPIError& error) {
        const std::optional<std::string> diagnostic = services_.api->lastDiagnostic();
        const std::string details = diagnostic ? "\n\nDetails: " + *diagnostic : std::string();
        std::string message;
        if (error.kind() == KeldraAPIError::Kind::decoding) {
            message = "The Keldra service answered the passphrase check in an unexpected format, so the app "
                      "stopped rather than risk creating a second key.";
        } else if (error.kind() == KeldraAPIError::Kind::endpointMissing) {
            message =
                "The Keldra service can't check passphrases for the app yet (GET /api/keldra/verifier). "
                "Your files are safe.";
        } else if (auto reason = blockReason(error)) {
            handleBlock(*reason);
            message = reason->message();
        } else {
            message = error.message();
        }
        setVerifierState(VerifierState::unavailable(message + details));
    } catch (const std::exception& error) {
        setVerifierState(VerifierState::unavailable(errorText(error)));
    }
}

QCoro::Task<std::optional<std::string>> AppModel::unlock(std::string passphrase, bool remember) {
    const WorkGuard guard = accountGuard();
    setIsWorking(true);
    std::optional<std::string> result;
    try {
        auto fetching = onWorker(guard, [api = services_.api, cancel = lifetime_.get_token()] {
            return api->fetchVerifier(cancel);
        });
        const std::optional<KeldraAPI::Verifier> verifier = co_await fetching;
        if (!verifier) {
            setVerifierState(VerifierState::absent());
            result = "This Keldra has no passphrase yet. Create one in setup.";
        } else {
            auto deriving = deriveKey(std::move(passphrase));
            KeldraKey key = co_await deriving;
            guard.check();
            if (opens(key, verifier)) {
                useKey(std::move(key), remember);
            } else {
                result = "That passphrase doesn't match this Keldra. Check it and try again.";
            }
        }
    } catch (const StaleWork&) {
        if (guard.owner()) {
            setIsWorking(false);
        }
        throw;
    } catch (const KeldraAPIError& error) {
        if (error.kind() == KeldraAPIError::Kind::endpointMissing) {
            result = "The Keldra service needs an update before the app can check passphrases.";
        } else {
            if (auto reason = blockReason(error)) {
                handleBlock(*reason);
            }
            result = error.message();
        }
    } catch (const std::exception& error) {
        result = errorText(error);
    }
    setIsWorking(false);
    co_return result;
}

QCoro::Task<std::optional<std::string>> AppModel::createPassphrase(std::string passphrase, bool remember) {
    const WorkGuard guard = accountGuard();
    setIsWorking(true);
    std::optional<std::string> result;
    try {
        auto deriving = deriveKey(std::move(passphrase));
        KeldraKey key = co_await deriving;
        guard.check();
        auto fetching = onWorker(guard, [api = services_.api, cancel = lifetime_.get_token()] {
            return api->fetchVerifier(cancel);
        });
        const std::optional<KeldraAPI::Verifier> existing = co_await fetching;
        if (existing) {
            setVerifierState(VerifierState::exists());
            if (opens(key, existing)) {
                useKey(std::move(key), remember); // the passphrase typed is the existing one
            } else {
                result = alreadyHasPassphrase;
            }
        } else {
            const Bytes plaintext(verifierPlaintext.begin(), verifierPlaintext.end());
            const auto [iv, sealed] = key.seal(plaintext);
            bool conflict = false;
            try {
                auto storing = onWorker(guard, [api = services_.api, verifier = base64Encode(sealed),
                                                ivText = base64Encode(iv), cancel = lifetime_.get_token()] {
                    api->storeVerifier(verifier, ivText, cancel);
                });
                co_await storing;
            } catch (const KeldraAPIError& error) {
                if (error.kind() != KeldraAPIError::Kind::conflict) {
                    throw;
                }
                conflict = true; // another device created one in between
            }
            if (!conflict) {
                setVerifierState(VerifierState::exists());
                useKey(std::move(key), remember);
            } else {
                auto refetching = onWorker(guard, [api = services_.api, cancel = lifetime_.get_token()] {
                    return api->fetchVerifier(cancel);
                });
                const std::optional<KeldraAPI::Verifier> theirs = co_await refetching;
                setVerifierState(VerifierState::exists());
                if (opens(key, theirs)) {
                    useKey(std::move(key), remember);
                } else {
                    result = alreadyHasPassphrase;
                }
            }
        }
    } catch (const StaleWork&) {
        if (guard.owner()) {
            setIsWorking(false);
        }
        throw;
    } catch (const KeldraAPIError& error) {
        result = error.kind() == KeldraAPIError::Kind::endpointMissing
                     ? "The Keldra service needs an update before a passphrase can be set."
                     : error.message();
    } catch (const std::exception& error) {
        result = errorText(error);
    }
    setIsWorking(false);
    co_return result;
}

void AppModel::useKey(KeldraKey key, bool remember) {
    setKeldraKey(key);
    setLockedNoticePosted(false);
    if (session_) {
        storeUnattendedKey(remember ? std::optional<KeldraKey>(key) : std::nullopt, KeyringChange::keep);
    } else {
        setUnattended(remember);
    }
    if (phase_ == AppPhase::unlock) {
        setPhase(AppPhase::ready);
        tick(false);
    }
}

void AppModel::persistUnattended(bool on) {
    if (!session_) {
        return;
    }
    const bool keep = on && keldraKey_.has_value();
    storeUnattendedKey(keep ? keldraKey_ : std::nullopt, KeyringChange::keep);
}

void AppModel::lock() {
    cancelRunTask();
    setKeldraKey(std::nullopt);
    if (session_ && unattended_) {
        // `unattended` stays on until the keyring has really let the key go.
        storeUnattendedKey(std::nullopt, KeyringChange::lock);
    } else {
        setUnattended(false);
    }
    if (phase_ != AppPhase::unlock) {
        setPhase(AppPhase::unlock);
    }
}

void AppModel::storeUnattendedKey(const std::optional<KeldraKey>& key, KeyringChange change) {
    const std::optional<std::string> scope = sessionScopeKey();
    if (!scope) {
        return;
    }
    std::optional<Bytes> raw;
    if (key) {
        const auto& bytes = key->symmetricKey();
        raw.emplace(bytes.begin(), bytes.end());
    }
    startDetached(changeUnattendedKey(keldraKeyAccount(*scope), std::move(raw), change));
}

QCoro::Task<> AppModel::changeUnattendedKey(std::string account, std::optional<Bytes> raw,
                                            KeyringChange change) {
    const WorkGuard guard = accountGuard();
    const bool storing = raw.has_value();
    // The keyring lane keeps the order of the requests, so the last answer is what the keyring holds.
    auto changing = onKeyring(
        ownerGuard(), [&secrets = services_.secrets, account = std::move(account), raw = std::move(raw)] {
            return raw ? secrets.write(*raw, account, keldraKeyLabel) : secrets.remove(account);
        });
    const bool done = co_await changing;
    guard.check();
    if (done) {
        setUnattended(storing);
        setKeyringError(std::nullopt);
        co_return;
    }
    // Refused: the keyring holds what it held before, and `unattended` says so.
    if (storing) {
        setKeyringError(std::string(keyringNotStored));
    } else if (change == KeyringChange::lock) {
        setKeyringError(std::string(keyringKeptAfterLock));
        post("keyring-key-kept", "The key is still in the keyring", std::string(keyringKeptAfterLock));
    } else {
        setKeyringError(std::string(keyringNotRemoved));
    }
}

} // namespace keldra
