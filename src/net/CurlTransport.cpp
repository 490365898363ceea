#include "net/CurlTransport.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace pimra::net {
namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    std::string body;
    bool tooLarge = false;
    const std::atomic<bool>* aborted = nullptr;
};

std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer->body.size() + bytes > CurlTransport::kMaxBodySize) {
        transfer->tooLarge = true;
        return 0;
    }
    transfer->body.append(data, bytes);
    return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->aborted->load() ? 1 : 0;
}

using EasyHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using HeaderList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

// Exactly the headers the server has always seen; "Expect:" suppresses curl's own.
HeaderList MakeHeaders() {
    curl_slist* list = nullptr;
    for (const char* header :
         {"Content-Type: application/x-www-form-urlencoded", "Accept: text/html, */*",
          "User-Agent: Mozilla/3.0 (compatible; Indy Library)", "Connection: keep-alive",
          "Expect:"}) {
        curl_slist* grown = curl_slist_append(list, header);
        if (grown == nullptr) {
            curl_slist_free_all(list);
            return HeaderList(nullptr, &curl_slist_free_all);
        }
        list = grown;
    }
    return HeaderList(list, &curl_slist_free_all);
}

HttpResult Failure(std::string error) {
    HttpResult result;
    result.outcome = HttpResult::Outcome::Failed;
    result.error = std::move(error);
    return result;
}

}  // namespace

CurlTransport::CurlTransport(std::string url, std::chrono::milliseconds connectTimeout)
    : url_(std::move(url)), connectTimeout_(connectTimeout) {
    InitCurlOnce();
}

HttpResult CurlTransport::Post(const std::string& body) {
    if (aborted_) {
        return HttpResult{HttpResult::Outcome::Cancelled, {}, "aborted"};
    }
    EasyHandle curl(curl_easy_init(), &curl_easy_cleanup);
    HeaderList headers = MakeHeaders();
    if (!curl || !headers) {
        return Failure("curl could not be set up");
    }
    Transfer transfer;
    transfer.aborted = &aborted_;
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    // https:// addresses are verified against the system's certificates, or against the
    // file PIMRA_CA_FILE names (a test's own authority).
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* caFile = std::getenv("PIMRA_CA_FILE"); caFile != nullptr && *caFile) {
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile);
    }
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeout_.count()));
    // The request runs on a worker thread: no signals for name resolution time-outs.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnData);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode code = curl_easy_perform(h);
    if (code == CURLE_ABORTED_BY_CALLBACK || aborted_) {
        return HttpResult{HttpResult::Outcome::Cancelled, {}, "aborted"};
    }
    if (transfer.tooLarge) {
        return Failure("reply too large");
    }
    if (code != CURLE_OK) {
        return Failure(curl_easy_strerror(code));
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        return Failure("HTTP status " + std::to_string(status));
    }
    return HttpResult{HttpResult::Outcome::Received, std::move(transfer.body), {}};
}

}  // namespace pimra::net
