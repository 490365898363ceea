#pragma once

#include <string>
#include <string_view>

namespace pimra::server {

std::string htmlEscape(std::string_view text);

// The registration form; `error` (plain text) is shown above it, `login` refills its field,
// `csrfToken` goes into its hidden anti-forgery field.
std::string registrationFormPage(std::string_view login, std::string_view error,
                                 std::string_view csrfToken);
std::string registrationDonePage(std::string_view login);

// A page of the site with its title, navigation and style; `head` (trusted HTML) goes at the
// end of the head, `body` (trusted HTML) after the navigation.
std::string sitePage(std::string_view title, std::string_view head, std::string_view body);

std::string rulesPage();
std::string infoPage();
// A page for an HTTP error status (400, 403, 404, 413, 415, 431 ...).
std::string errorPage(int status);

// The Content-Security-Policy of every page: nothing but the page itself, its own style and
// the server's own style sheets and scripts.
const std::string& pageSecurityPolicy();

}  // namespace pimra::server
