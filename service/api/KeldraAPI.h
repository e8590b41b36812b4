#pragma once

#include "core/Bytes.h"
#include "core/seams/CancelToken.h"
#include "core/seams/Clock.h"
#include "core/seams/Sleeper.h"
#include "service/api/GeoGuard.h"
#include "service/api/HTTPResponse.h"
#include "service/api/KeldraAPIError.h"
#include "service/api/PortalSession.h"
#include "service/api/RateLimiter.h"
#include "service/types/AccountInfo.h"
#include "service/types/AuthTokenResponse.h"
#include "service/types/FlexID.h"
#include "service/types/KeldraFolder.h"
#include "service/types/KeldraListing.h"
#include "service/types/KeldraStatus.h"
#include "service/types/PortalLinks.h"
#include "service/types/TransferTickets.h"

#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace keldra {

// The portal's REST client. Thread-safe: its state sits behind one mutex that is never held across
// network I/O or a wait. Every wait goes through the injected Sleeper and Clock; every call takes a
// CancelToken whose cancellation ends it with CancelledError. Failures are KeldraAPIError.
class KeldraAPI {
public:
    // What the upload confirmation sends.
    struct ConfirmRequest {
        std::string s3Key;
        std::string encryptedName;
        std::string mimeType;
        std::int64_t sizeBytes = 0;
        std::int64_t encryptedSizeBytes = 0;
        std::string encryptionIV;
        std::string keyedChecksum;
        FlexID folderId;
    };

    struct Verifier {
        std::string verifier;
        std::string iv;
        bool operator==(const Verifier&) const = default;
    };

    struct Response {
        Bytes body;
        HTTPResponse http; // status and headers (its body is moved into `body`)
    };

    struct LastCountry {
        std::string code;
        SystemTime at;
        bool operator==(const LastCountry&) const = default;
    };

    // `baseURL` defaults to the portal (or KELDRA_PORTAL_URL). Clock and sleeper must outlive the client.
    // `requestLimit` is the portal's limit of requests a minute; only a benchmark that prepares its trees on
    // a local portal started with a raised limit passes another.
    KeldraAPI(const Clock& clock, Sleeper& sleeper, std::string baseURL = portalBaseURL(),
              int requestLimit = RateLimiter::defaultLimit);

    // The request core. `body` is sent as compact JSON. Authenticated requests need a token (else
    // tokenExpired, nothing sent), pass the rate limiter and, for "/api/keldra" paths, the country
    // check. `maxAttempts` bounds the resends after a 429 (sign-in and revocation pass 0, all else 4).
    Response request(std::string_view method, std::string_view path, const QueryItems& query,
                     const std::optional<nlohmann::json>& body, bool authenticated, int maxAttempts,
                     const CancelToken& cancel = {});

    // Endpoints.
    AuthTokenResponse signIn(const std::string& email, const std::string& password,
                             const std::string& deviceName, const std::optional<std::string>& twoFactorCode,
                             const CancelToken& cancel = {});
    RefreshResponse refreshToken(const CancelToken& cancel = {});
    AccountInfo account(const CancelToken& cancel = {});
    KeldraStatus status(const CancelToken& cancel = {});
    KeldraListing listFiles(const std::optional<FlexID>& folderId, const CancelToken& cancel = {});
    // Every file of one folder through the paged listing, falling back to the folder listing when the
    // portal does not serve it properly (remembered until the client is recreated).
    std::vector<KeldraFile> listAllFiles(const FlexID& folderId,
                                         const std::optional<SystemTime>& updatedSince,
                                         const CancelToken& cancel = {});
    UploadURLResponse requestUploadURL(const std::string& mimeType, std::int64_t size,
                                       const CancelToken& cancel = {});
    UploadConfirmResponse confirmUpload(const ConfirmRequest& confirm, const CancelToken& cancel = {});
    DownloadURLResponse requestDownloadURL(const FlexID& fileId, const CancelToken& cancel = {});
    void deleteFile(const FlexID& id, const CancelToken& cancel = {});
    KeldraFolder createFolder(const std::string& name, const std::optional<FlexID>& parentId,
                              const CancelToken& cancel = {});
    std::optional<Verifier> fetchVerifier(const CancelToken& cancel = {});
    void storeVerifier(const std::string& verifier, const std::string& iv, const CancelToken& cancel = {});

    // The path of one stored file ("/api/keldra/files/" + the id as one encoded segment), for callers
    // that send their own DELETE through request(). Throws notFound for an empty id, which names no file.
    static std::string filePath(const FlexID& id);

    // Refuses (geoRisk, or transport when the country cannot be found) when the active Destroy rule
    // would fire from this connection's country; reuses a lookup younger than 20 s unless forced.
    void ensureGeoAllowed(bool force, const CancelToken& cancel = {});

    // Reads the verifier answer (no verifier, a pair, or decoding errors).
    std::optional<Verifier> parseVerifier(long status, const Bytes& body);

    // The request core's pieces, usable on their own.
    static KeldraAPIError mapHTTPError(long status, std::string_view path, const Bytes& body);
    static Bytes unwrapDataEnvelope(const Bytes& body);
    // The diagnostic line of a failed answer: "<method> <path> → HTTP <status>[: <snippet>]".
    static std::string diagnosticLine(std::string_view method, std::string_view path, long status,
                                      const Bytes& body);
    void blockUntil(double delaySeconds) { limiter_.blockUntil(delaySeconds); }

    // State shared with the app model.
    void setToken(std::optional<std::string> token);
    std::optional<std::string> token() const;
    void setGeo(GeoGuard::Rule rule);
    GeoGuard::Rule geo() const;
    void clearLastCountry();
    std::optional<LastCountry> lastCountry() const;
    std::optional<bool> hasAllFilesEndpoint() const;
    std::optional<std::string> lastDiagnostic() const;

    PortalSession& session() { return session_; }
    RateLimiter& limiter() { return limiter_; }

private:
    Response send(std::string_view method, std::string_view path, const PortalSession::Request& prepared,
                  bool keldraPath, int maxAttempts, const CancelToken& cancel);
    [[noreturn]] void throwTransport(const TransferError& error);
    void adoptGeoRule(bool reported, const std::optional<GeoRuleInfo>& rule);
    std::vector<KeldraFile> listFallback(const FlexID& folderId, const CancelToken& cancel);

    const Clock& clock_;
    Sleeper& sleeper_;
    PortalSession session_;
    RateLimiter limiter_;

    mutable std::mutex mutex_;
    std::optional<std::string> token_;
    GeoGuard::Rule geo_;
    std::optional<LastCountry> lastCountry_;
    std::optional<bool> hasAllFilesEndpoint_;
    std::optional<std::string> lastDiagnostic_;
};

} // namespace keldra
