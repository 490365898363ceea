#pragma once

#include <string>

#include "Accounts.h"
#include "SiteLanguage.h"

namespace pimra::server {

// The text the registration page of the language shows for a refused registration.
std::string registrationRefusal(RegistrationError error, SiteLanguage language);

}  // namespace pimra::server
