#pragma once

#include <functional>
#include <optional>
#include <string>

namespace pimra {

// Where "Запомнить меня" keeps the session between runs: the desktop's secret store. Every
// failure (no store on this desktop, nothing kept, access refused) reads as nothing kept.
class SessionStore {
  public:
    using Read = std::function<void(const std::optional<std::string>& secret)>;

    virtual ~SessionStore() = default;

    // Answers later, on the window's thread.
    virtual void read(Read done) = 0;
    virtual void write(const std::string& secret) = 0;
    virtual void erase() = 0;
};

}  // namespace pimra
