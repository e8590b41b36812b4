// Signing in and out, keeping the session fresh, and following the storage status and the country rule.

#include "app/model/AppModel.h"
#include "core/secrets/KeychainItems.h"
#include "core/secrets/ScopeKey.h"
#include "restore/engine/WithRetry.h"
#include "service/api/BlockReasonMapping.h"
#include "service/types/ServerDate.h"

namespace keldra {

namespace {

Bytes sessionBytes(const StoredSession& session) {
    const std::string json = encodeStoredSession(session);
    return Bytes(json.begin(), json.end());
}

} // namespace

QCoro::Task<> AppModel::storeSession(StoredSession session, WorkGuard guard) {
    auto writing = onKeyring(std::move(guard), [&secrets = services_.secrets, data = sessionBytes(session)] {
        secrets.write(data, sessionAccount, sessionLabel);
    });
    co_await writing;
}

QCoro::Task<> AppModel::signIn(std::optional<std::string> code) {
    const WorkGuard owner = ownerGuard();
    setAuthError(std::nullopt);
    setIsWorking(true);
    const std::string email = pendingEmail_;
    const std::optional<StoredSession> before = session_;
    const WorkGuard asked = accountGuard();
    const std::uint64_t attempt = ++signInAttempt_;
    const auto overtaken = [this, attempt] {
        return attempt != signInAttempt_;
    };
    try {
        AuthTokenResponse answer;
        try {
            auto asking = onWorker(owner, [api = services_.api, names = services_.computerNames, email,
                                           password = pendingPassword_, code,
                                           cancel = lifetime_.get_token()] {
                return api->signIn(email, password, BackupSettings::defaultFolderName(names), code, cancel);
            });
            answer = co_await asking;
        } catch (const StaleWork&) {
            throw;
        } catch (const KeldraAPIError& error) {
            if (overtaken()) {
                co_return; // the newer attempt reports for itself
            }
            switch (error.kind()) {
            case KeldraAPIError::Kind::rateLimited:
                setAuthError("Too many sign-in attempts. Wait a minute and try again.");
                break;
            case KeldraAPIError::Kind::twoFactorRequired:
                setPhase(AppPhase::twoFactor);
                break;
            case KeldraAPIError::Kind::invalidTwoFactor:
                setPhase(AppPhase::twoFactor);
                setAuthError(error.message());
                break;
            default:
                setAuthError(error.message());
                break;
            }
            setIsWorking(false);
            co_return;
        } catch (const std::exception& error) {
            if (!overtaken()) {
                setAuthError(errorText(error));
                setIsWorking(false);
            }
            co_return;
        }

        // An answer that arrives after a sign-out, or after another sign-in changed the account or started
        // meanwhile, writes nothing.
        if (!asked.alive() || session_ != before || overtaken()) {
            if (!overtaken()) {
                setIsWorking(false);
            }
            co_return;
        }

        const StoredSession session{answer.token, parseServerDate(answer.expiresAt), email};
        if (loadedScopeKey_ && *loadedScopeKey_ != scopeKey(email)) {
            // Another account signs in over an expired session: nothing of the previous one may stay.
            resetAccountState();
        }
        auto storing = storeSession(session, accountGuard());
        co_await storing;
        if (overtaken()) {
            co_return; // the newer attempt writes its own session over this one
        }
        setSession(session);
        setPendingPassword("");
        services_.api->setToken(answer.token);
        setBlock(std::nullopt);
        co_await loadSignedIn();
        setIsWorking(false);
    } catch (const StaleWork&) {
        if (owner.alive() && !overtaken()) {
            setIsWorking(false);
        }
        throw;
    }
}

QCoro::Task<> AppModel::refreshSessionIfNeeded() {
    const std::optional<StoredSession> before = session_;
    if (!before || !before->expiresAt) {
        co_return;
    }
    const SystemTime now = services_.clock.now();
    if (toUnixSeconds(*before->expiresAt) - toUnixSeconds(now) >= sessionRefreshWindow) {
        co_return;
    }
    const WorkGuard guard = accountGuard();
    RefreshResponse answer;
    try {
        auto refreshing = onWorker(guard, [api = services_.api, cancel = lifetime_.get_token()] {
            return api->refreshToken(cancel);
        });
        answer = co_await refreshing;
    } catch (const StaleWork&) {
        throw;
    } catch (const std::exception&) {
        co_return; // the session stays as it was
    }
    // Signed out or expired meanwhile: the answer no longer belongs anywhere.
    if (session_ != before) {
        co_return;
    }
    StoredSession renewed = *before;
    if (answer.token) {
        renewed.token = *answer.token;
    }
    renewed.expiresAt = parseServerDate(answer.expiresAt);
    if (!renewed.expiresAt) {
        renewed.expiresAt = services_.clock.now() +
                            std::chrono::duration_cast<SystemTime::duration>(Seconds(renewedSessionLifetime));
    }
    auto storing = storeSession(renewed, guard);
    co_await storing;
    if (session_ != before) {
        co_return;
    }
    services_.api->setToken(renewed.token);
    setSession(renewed);
}

QCoro::Task<> AppModel::refreshStatus() {
    const WorkGuard guard = accountGuard();
    KeldraStatus status;
    try {
        auto fetching = onWorker(
            guard, [api = services_.api, cancel = lifetime_.get_token()] { return api->status(cancel); });
        status = co_await fetching;
    } catch (const StaleWork&) {
        throw;
    } catch (const KeldraAPIError& error) {
        if (auto reason = blockReason(error)) {
            handleBlock(*reason);
        }
        co_return;
    } catch (const std::exception&) {
        co_return;
    }

    setKeldraStatus(status);
    if (status.geoRuleReported) {
        applyGeoRule(GeoGuard::ruleFrom(status.geoRule));
    }
    const auto used = status.usedBytes.value;
    const auto quota = status.quotaBytes.value;
    if (quota < 1 || static_cast<double>(used) / static_cast<double>(quota) < 0.98) {
        setStorageFull(false);
    }
    // Holds the status no longer justifies are lifted; the others stay.
    if (block_ && block_->is<BlockReason::GeoRisk>()) {
        setBlock(std::nullopt);
    }
    if (block_ && block_->is<BlockReason::GeoBlocked>() &&
        !block_->get<BlockReason::GeoBlocked>()->destroyed) {
        setBlock(std::nullopt);
    }
    if (block_ && block_->is<BlockReason::NoPlan>()) {
        setBlock(std::nullopt);
    }
    if (block_ && block_->is<BlockReason::Suspended>()) {
        setBlock(std::nullopt);
    }
}

QCoro::Task<> AppModel::refreshAccount() {
    const WorkGuard guard = accountGuard();
    try {
        auto fetching = onWorker(
            guard, [api = services_.api, cancel = lifetime_.get_token()] { return api->account(cancel); });
        AccountInfo info = co_await fetching;
        if (info.geoRuleReported) {
            applyGeoRule(GeoGuard::ruleFrom(info.geoRule));
        }
    } catch (const StaleWork&) {
        throw;
    } catch (const std::exception&) {
        // The check goes on with the rule already known.
    }
    if (geoRule_.kind == GeoGuard::Rule::Kind::off) {
        setBlock(std::nullopt);
        tick(false);
        co_return;
    }
    auto locating = onWorker(guard, [api = services_.api, cancel = lifetime_.get_token()] {
        return GeoGuard::fetchCountry(api->session(), cancel);
    });
    const std::optional<std::string> country = co_await locating;
    if (!country || geoRule_.refuses(*country)) {
        co_return; // the hold stays
    }
    services_.api->clearLastCountry();
    setBlock(std::nullopt);
    tick(false);
}

QCoro::Task<> AppModel::signOut() {
    const WorkGuard owner = ownerGuard();
    // Work still under way for this account must not write anything once we are signing out; a run stops
    // before the session it uses is revoked, so it ends as stopped rather than refused.
    generation_.bump();
    cancelRunTask();
    const std::optional<std::string> scope = sessionScopeKey();
    auto revoking = onWorker(owner, [api = services_.api, cancel = lifetime_.get_token()] {
        try {
            api->request("POST", "/api/auth/revoke", {}, nlohmann::json::object(), true, 0, cancel);
        } catch (const std::exception&) {
            // The session ends here whatever the portal says.
        }
        api->setToken(std::nullopt);
    });
    co_await revoking;
    auto forgetting = onKeyring(owner, [&secrets = services_.secrets, scope] {
        if (scope) {
            secrets.remove(keldraKeyAccount(*scope));
        }
        secrets.remove(sessionAccount);
    });
    co_await forgetting;
    stopTimers();
    resetAccountState();
}

void AppModel::sessionExpired() {
    const std::string email = session_ ? session_->email : std::string();
    // Nothing waits here: the keyring is cleared on the keyring lane, after any write queued before.
    services_.api->setToken(std::nullopt);
    setSession(std::nullopt);
    setPendingEmail(email);
    setBlock(std::nullopt);
    setPhase(AppPhase::signedOut);
    startDetached(
        onKeyring(ownerGuard(), [&secrets = services_.secrets] { secrets.remove(sessionAccount); }));
}

void AppModel::resetAccountState() {
    generation_.bump();
    // A run under way ends cancelled in the index it holds; nothing of it reaches the model any more.
    cancelRunTask();
    setRestartAfterRun(false);
    loadedScopeKey_.reset();
    setSession(std::nullopt);
    setAccount(std::nullopt);
    setKeldraKey(std::nullopt);
    setUnattended(false);
    setKeyringError(std::nullopt);
    setKeldraStatus(std::nullopt);
    setIndex(nullptr);
    setEngine(nullptr);
    setBlock(std::nullopt);
    setReview(std::nullopt);
    setRuns({});
    setLog({});
    setVerifierState(VerifierState::unknown());
    setRestore(newRestoreModel());
    setDestinations({});
    setDriveStates({});
    setLocalIndexes({});
    setLocalEngine(nullptr);
    // What the previous account's runs and checks left behind.
    setLastRun(std::nullopt);
    setLastSuccess(std::nullopt);
    setLastAttempt(std::nullopt);
    setLastAttemptFailed(false);
    setPausedByUser(false);
    setStorageFull(false);
    setUnavailableSources({});
    setExistingDevices({});
    setKeyMismatchNotified({});
    setLockedNoticePosted(false);
    setVerifierAbsentStreak(0);
    setLastStaleNotice(std::nullopt);
    setSection(AppSection::overview);
    setPhase(AppPhase::signedOut);
}

} // namespace keldra
