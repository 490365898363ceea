#include "SitePages.h"

#include <boost/beast/http/field.hpp>
#include <boost/beast/http/verb.hpp>

#include "Accounts.h"
#include "ArchivePages.h"
#include "Clock.h"
#include "CsrfToken.h"
#include "RegistrationRefusal.h"
#include "WebForm.h"
#include "WebPages.h"

namespace pimra::server {

namespace http = boost::beast::http;

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kCsrfCookie = "pimra_csrf";

}  // namespace

SiteLanguage languageOfPath(std::string_view path) {
    return path.starts_with("/en/") ? SiteLanguage::English : SiteLanguage::Russian;
}

HttpResponse responseTo(const HttpRequest& request, http::status status) {
    HttpResponse response{status, 11};
    response.keep_alive(request.keep_alive());
    return response;
}

void htmlPage(HttpResponse& response, std::string body) {
    response.set(http::field::content_type, kHtml);
    response.set("X-Content-Type-Options", "nosniff");
    response.set("X-Frame-Options", "DENY");
    response.set("Content-Security-Policy", pageSecurityPolicy());
    response.body() = std::move(body);
}

HttpResponse errorResponse(const HttpRequest& request, http::status status) {
    HttpResponse response = responseTo(request, status);
    htmlPage(response,
             errorPage(static_cast<int>(status), languageOfPath(pathOf(request.target()))));
    return response;
}

std::optional<SiteLanguage> registrationLanguage(std::string_view path) {
    for (const SiteLanguage language : {SiteLanguage::Russian, SiteLanguage::English}) {
        const std::string_view page = registrationPath(language);
        if (path == page || (path.starts_with(page) && path.substr(page.size()) == "/")) {
            return language;
        }
    }
    return std::nullopt;
}

HttpResponse SitePages::registration(const HttpRequest& request, SiteLanguage language,
                                     const std::string& address) const {
    const auto fields = decodeWebForm(request.body());
    if (!fields) return errorResponse(request, http::status::bad_request);
    const auto value = [&](const char* name) {
        const auto it = fields->find(name);
        return it == fields->end() ? std::string() : it->second;
    };
    if (!sameOrigin(request) || !csrf_.accepts(cookieValue(request, kCsrfCookie), value("csrf"))) {
        return errorResponse(request, http::status::forbidden);
    }
    const std::string login = value("login");
    const RegistrationError error =
        accounts_.registerAccount(login, value("password"), value("repeat"), address);
    HttpResponse response = responseTo(request, http::status::ok);
    if (error == RegistrationError::None) {
        htmlPage(response, registrationDonePage(login, language));
    } else {
        formPage(response, login, registrationRefusal(error, language), language);
    }
    return response;
}

// The cookie's path is the form's own, which it is posted back to.
void SitePages::formPage(HttpResponse& response, const std::string& login, const std::string& error,
                         SiteLanguage language) const {
    const std::string token = csrf_.make();
    response.set(http::field::set_cookie, std::string(kCsrfCookie) + "=" + token +
                                              "; Path=" + std::string(registrationPath(language)) +
                                              "; HttpOnly; SameSite=Strict");
    response.set(http::field::cache_control, "no-store");
    htmlPage(response, registrationFormPage(login, error, token, language));
}

HttpResponse SitePages::archive(const HttpRequest& request, const std::string& path) const {
    SiteReply page = archiveReply(store_, path, clock_.nowMs());
    HttpResponse response = responseTo(request, static_cast<http::status>(page.status));
    htmlPage(response, std::move(page.body));
    response.set(http::field::content_type, page.contentType);
    if (!page.cacheControl.empty()) response.set(http::field::cache_control, page.cacheControl);
    return response;
}

HttpResponse SitePages::fixed(const HttpRequest& request, std::string_view path) const {
    const bool get = request.method() == http::verb::get;
    const bool head = request.method() == http::verb::head;
    if (!get && !head) return errorResponse(request, http::status::not_found);
    HttpResponse response = responseTo(request, http::status::ok);
    if (const auto language = registrationLanguage(path)) {
        formPage(response, "", "", *language);
    } else if (path == "/rules.html" || path == "/en/rules.html") {
        htmlPage(response, rulesPage(languageOfPath(path)));
    } else if (path == "/info.html" || path == "/en/info.html") {
        htmlPage(response, infoPage(languageOfPath(path)));
    } else if (path == "/") {
        response.result(http::status::found);
        response.set(http::field::location, "/info.html");
    } else {
        return errorResponse(request, http::status::not_found);
    }
    return response;
}

}  // namespace pimra::server
