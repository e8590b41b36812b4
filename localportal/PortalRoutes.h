#pragma once

#include "localportal/HttpServer.h"
#include "localportal/PortalContext.h"

#include <nlohmann/json.hpp>

namespace keldra::localportal {

// Sign-in, token refresh and revocation, and the account.
void addAuthRoutes(HttpServer& server, PortalContext& context);
// The Keldra endpoints: status, listings, tickets, confirmation, deletes, folders, verifier.
void addKeldraRoutes(HttpServer& server, PortalContext& context);
// Presigned PUT and GET of stored bodies, and the country trace.
void addStorageRoutes(HttpServer& server, PortalContext& context);
// The control API of tests and benchmarks.
void addControlRoutes(HttpServer& server, PortalContext& context);

// Wire shapes shared by the routes and the control API.
nlohmann::json fileJson(const StoredFile& file);
nlohmann::json folderJson(const Folder& folder);
nlohmann::json accountJson(const Account& account);
std::string issueToken(PortalContext& context, std::int64_t accountId, std::int64_t& expiresAt);

} // namespace keldra::localportal
