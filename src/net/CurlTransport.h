#pragma once

#include <atomic>
#include <chrono>
#include <string>

#include "net/HttpTransport.h"

namespace pimra::net {

// HTTP/1.0 POST with libcurl, one fresh connection per request, no cookies, no redirects.
class CurlTransport : public HttpTransport {
  public:
    static constexpr std::chrono::milliseconds kDefaultConnectTimeout{10000};
    // Replies larger than this are not a reply of this server.
    static constexpr std::size_t kMaxBodySize = 8 * 1024 * 1024;

    explicit CurlTransport(std::string url,
                           std::chrono::milliseconds connectTimeout = kDefaultConnectTimeout);

    HttpResult Post(const std::string& body) override;

    // May be called from any thread: the waiting request ends as Cancelled, and so does every
    // later one until Resume(). The window calls it when it closes while a request waits.
    void Abort() { aborted_ = true; }
    void Resume() { aborted_ = false; }

    const std::string& Url() const { return url_; }

  private:
    std::string url_;
    std::chrono::milliseconds connectTimeout_;
    std::atomic<bool> aborted_{false};
};

}  // namespace pimra::net
