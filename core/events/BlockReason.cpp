#include "core/events/BlockReason.h"

#include "core/events/RegionNames.h"

namespace keldra {

namespace {
template <typename... Handlers> struct Overloaded : Handlers... { using Handlers::operator()...; };
} // namespace

std::string BlockReason::title() const {
    return std::visit(Overloaded{
                          [](const ServerNotReady&) -> std::string { return "Backups unavailable"; },
                          [](const AccessDenied&) -> std::string { return "Access refused"; },
                          [](const GeoBlocked& c) -> std::string {
                              return c.destroyed ? "Keldra wiped" : "Blocked by country rule";
                          },
                          [](const GeoRisk&) -> std::string { return "Paused for safety"; },
                          [](const SignedOut&) -> std::string { return "Signed out"; },
                          [](const Suspended&) -> std::string { return "Keldra suspended"; },
                          [](const NoPlan&) -> std::string { return "No Keldra plan"; },
                          [](const AccountDisabled&) -> std::string { return "Account disabled"; },
                          [](const Offline&) -> std::string { return "Waiting for network"; },
                      },
                      value_);
}

std::string BlockReason::message() const {
    return std::visit(
        Overloaded{
            [](const ServerNotReady& c) {
                return "The Keldra service doesn't support " + c.feature +
                       " yet. Your files are safe; backups resume once it does.";
            },
            [](const AccessDenied& c) {
                const std::string text =
                    c.text.empty() ? std::string("The Keldra refused access from this connection.") : c.text;
                return text + " Check your Keldra's country rules on the web, then try again.";
            },
            [](const GeoBlocked& c) -> std::string {
                if (c.destroyed) {
                    return "Your Keldra's country rule wiped it after access from a blocked country. Set the "
                           "Keldra up again on the web, then restart backups here.";
                }
                return "Your Keldra's country rule blocks access from this connection. If you're on a VPN, "
                       "switch to a server in an allowed country.";
            },
            [](const GeoRisk& c) {
                return "This computer is connecting from " + regionName(c.regionCode) +
                       ". Your Keldra's country rule is set to Destroy for there, so the app won't contact "
                       "the "
                       "Keldra. Disconnect the VPN or switch to a server in another country; backups resume "
                       "on "
                       "their own.";
            },
            [](const SignedOut&) -> std::string {
                return "Sign in again to continue. Your backup progress is kept.";
            },
            [](const Suspended&) -> std::string {
                return "Your keldra has been suspended. Please contact support.";
            },
            [](const NoPlan&) -> std::string {
                return "This account doesn't include Keldra storage. Choose a Keldra plan or a bundle such "
                       "as "
                       "Orlivane Plenum to start backing up.";
            },
            [](const AccountDisabled&) -> std::string {
                return "This account has been disabled. Please contact support.";
            },
            [](const Offline&) -> std::string {
                return "Backups resume automatically when your computer is back online.";
            },
        },
        value_);
}

} // namespace keldra
