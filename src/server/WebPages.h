#pragma once

#include <string>
#include <string_view>

namespace pimra::server {

std::string htmlEscape(std::string_view text);

// The registration form; `error` (plain text) is shown above it, `login` refills its field.
std::string registrationFormPage(std::string_view login, std::string_view error);
std::string registrationDonePage(std::string_view login);

std::string rulesPage();
std::string infoPage();

}  // namespace pimra::server
