#include "RegistrationRefusal.h"

namespace pimra::server {

namespace {

std::string englishText(RegistrationError error) {
    switch (error) {
        case RegistrationError::None:
            return "";
        case RegistrationError::EmptyLogin:
            return "Enter a login.";
        case RegistrationError::LoginTooLong:
            return "The login is longer than 20 characters.";
        case RegistrationError::LoginNotCp1251:
            return "A login may contain only Russian and Latin letters, digits and characters of "
                   "the Windows-1251 encoding.";
        case RegistrationError::LoginHasBadCharacters:
            return "A login may contain only letters, digits, spaces and the characters “-”, "
                   "“_” and “.”.";
        case RegistrationError::LoginMixesAlphabets:
            return "A login must be written in the letters of one alphabet: Russian or Latin.";
        case RegistrationError::LoginHasBadBlanks:
            return "A login cannot begin or end with a space or contain two spaces in a row.";
        case RegistrationError::LoginWithoutLetters:
            return "A login must contain at least one letter or digit.";
        case RegistrationError::EmptyPassword:
            return "Enter a password.";
        case RegistrationError::PasswordNotCp1251:
            return "A password may contain only characters of the Windows-1251 encoding.";
        case RegistrationError::PasswordsDiffer:
            return "The passwords do not match.";
        case RegistrationError::LoginTaken:
            return "This login is already taken.";
        case RegistrationError::LoginLikeTaken:
            return "This login or one like it is already taken.";
        case RegistrationError::TooManyRegistrations:
            return "Too many registrations from your address; please try again in an hour.";
    }
    return "";
}

}  // namespace

std::string registrationRefusal(RegistrationError error, SiteLanguage language) {
    return language == SiteLanguage::English ? englishText(error) : registrationErrorText(error);
}

}  // namespace pimra::server
