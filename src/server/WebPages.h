#pragma once

#include <string>
#include <string_view>

#include "SiteLanguage.h"

namespace pimra::server {

std::string htmlEscape(std::string_view text);

// The address of the registration page of the language: "/ru/reg" or "/en/reg".
std::string_view registrationPath(SiteLanguage language);

// The registration form; `error` (plain text) is shown above it, `login` refills its field,
// `csrfToken` goes into its hidden anti-forgery field.
std::string registrationFormPage(std::string_view login, std::string_view error,
                                 std::string_view csrfToken,
                                 SiteLanguage language = SiteLanguage::Russian);
std::string registrationDonePage(std::string_view login,
                                 SiteLanguage language = SiteLanguage::Russian);

// A page of the site with its title, navigation and style; `head` (trusted HTML) goes at the
// end of the head, `body` (trusted HTML) after the navigation.
std::string sitePage(std::string_view title, std::string_view head, std::string_view body);

// The registration, rules and information pages each link to the same page in the other language.
std::string rulesPage(SiteLanguage language = SiteLanguage::Russian);
std::string infoPage(SiteLanguage language = SiteLanguage::Russian);
// A page for an HTTP error status (400, 403, 404, 413, 415, 431 ...), in the language of the
// page it answers for.
std::string errorPage(int status, SiteLanguage language = SiteLanguage::Russian);

// The Content-Security-Policy of every page: nothing but the page itself, its own style, the
// server's own style sheets and scripts, and requests and the game socket to the server.
const std::string& pageSecurityPolicy();

}  // namespace pimra::server
