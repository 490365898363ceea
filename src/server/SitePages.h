#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/string_body.hpp>

#include "HttpRequestReader.h"
#include "SiteLanguage.h"

namespace pimra::server {

class Accounts;
class Clock;
class CsrfToken;
class Store;

using HttpResponse = boost::beast::http::response<boost::beast::http::string_body>;

// A reply to `request`: HTTP/1.1 (also to HTTP/1.0 requests, as it has always been), kept
// alive as the request asks.
HttpResponse responseTo(const HttpRequest& request, boost::beast::http::status status);
// An HTML body with the headers every page carries.
void htmlPage(HttpResponse& response, std::string body);
// The language of the site's pages under the path: English under /en/.
SiteLanguage languageOfPath(std::string_view path);
// The error page of the status, in the language of the request's path.
HttpResponse errorResponse(const HttpRequest& request, boost::beast::http::status status);
// The language of the registration page at the path, if it is one.
std::optional<SiteLanguage> registrationLanguage(std::string_view path);

// The pages of the site: the registration form and its answer, the archive and the fixed pages.
class SitePages {
  public:
    SitePages(Accounts& accounts, Store& store, const CsrfToken& csrf, const Clock& clock)
        : accounts_(accounts), store_(store), csrf_(csrf), clock_(clock) {}

    // A posted registration form, from the client at `address`.
    HttpResponse registration(const HttpRequest& request, SiteLanguage language,
                              const std::string& address) const;
    // A player's or a game's page, or a file they use; reads the store.
    HttpResponse archive(const HttpRequest& request, const std::string& path) const;
    // Every other page: the registration form, the rules, the information and "/".
    HttpResponse fixed(const HttpRequest& request, std::string_view path) const;

  private:
    void formPage(HttpResponse& response, const std::string& login, const std::string& error,
                  SiteLanguage language) const;

    Accounts& accounts_;
    Store& store_;
    const CsrfToken& csrf_;
    const Clock& clock_;  // the engine's, for the clocks of running games
};

}  // namespace pimra::server
