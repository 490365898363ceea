#pragma once

#include <QTimer>

#include "SessionStore.h"

namespace pimra::test {

// The secret store in memory; it answers a read from the event loop, as the real one does.
// Unavailable, it answers every read with nothing, like a desktop without a secret service.
class FakeSessionStore : public SessionStore {
  public:
    void read(Read done) override {
        ++reads;
        QTimer::singleShot(
            0, [this, done] { done(available ? secret : std::optional<std::string>()); });
    }
    void write(const std::string& text) override {
        if (available) secret = text;
    }
    void erase() override { secret.reset(); }

    bool available = true;
    std::optional<std::string> secret;
    int reads = 0;
};

}  // namespace pimra::test
