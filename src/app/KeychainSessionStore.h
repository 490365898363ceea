#pragma once

#include <QObject>

#include "SessionStore.h"

namespace pimra {

// The session in the desktop's secret service (through QtKeychain), under the service
// "pimra". Without a secret service the jobs fail, and the user logs in as before.
class KeychainSessionStore : public QObject, public SessionStore {
    Q_OBJECT

  public:
    explicit KeychainSessionStore(QObject* parent = nullptr) : QObject(parent) {}

    void read(Read done) override;
    void write(const std::string& secret) override;
    void erase() override;
};

}  // namespace pimra
