#include "KeychainSessionStore.h"

#include <qt6keychain/keychain.h>

namespace pimra {

namespace {

const QString kService = QStringLiteral("pimra");
const QString kKey = QStringLiteral("session");

template <typename Job>
Job* newJob(QObject* parent) {
    auto* job = new Job(kService, parent);
    job->setAutoDelete(true);
    // Never a file in plain text: without a secret service nothing is kept.
    job->setInsecureFallback(false);
    job->setKey(kKey);
    return job;
}

}  // namespace

void KeychainSessionStore::read(Read done) {
    auto* job = newJob<QKeychain::ReadPasswordJob>(this);
    connect(job, &QKeychain::Job::finished, this, [done](QKeychain::Job* finished) {
        if (finished->error() != QKeychain::NoError) {
            done(std::nullopt);
            return;
        }
        done(static_cast<QKeychain::ReadPasswordJob*>(finished)->textData().toStdString());
    });
    job->start();
}

void KeychainSessionStore::write(const std::string& secret) {
    auto* job = newJob<QKeychain::WritePasswordJob>(this);
    job->setTextData(QString::fromStdString(secret));
    job->start();
}

void KeychainSessionStore::erase() {
    newJob<QKeychain::DeletePasswordJob>(this)->start();
}

}  // namespace pimra
