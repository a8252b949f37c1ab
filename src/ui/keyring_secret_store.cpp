// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/keyring_secret_store.h"

#include "core/paths.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <future>
#include <memory>
#include <qt6keychain/keychain.h>
#include <utility>

namespace rz {
namespace {

enum class JobKind {
    Read,
    Write,
    Remove,
};

// Started once and never stopped: the keychain's executor stays bound to its first thread, and a
// thread that ended would leave every later job waiting.
QObject* KeyringThreadContext()
{
    static QObject* const context = [] {
        auto* thread = new QThread;
        thread->setObjectName(QStringLiteral("keyring"));
        auto* object = new QObject;
        object->moveToThread(thread);
        thread->start();
        return object;
    }();
    return context;
}

SecretOutcome OutcomeOf(const QKeychain::Job& job, JobKind kind)
{
    switch (job.error()) {
    case QKeychain::NoError:
        return SecretOutcome::Done;
    case QKeychain::EntryNotFound:
        return kind == JobKind::Read ? SecretOutcome::Absent : SecretOutcome::Done;
    default:
        return SecretOutcome::Unavailable;
    }
}

// Creates, starts and reads the job in the keyring thread; the caller waits on the promise. A
// promise that outlives a caller who gave up is still kept, by the job's own handler.
SecretRead RunJob(JobKind kind, const std::string& key, const std::string& value,
                  std::chrono::milliseconds patience)
{
    auto answer = std::make_shared<std::promise<SecretRead>>();
    std::future<SecretRead> future = answer->get_future();
    QObject* context = KeyringThreadContext();
    const bool queued = QMetaObject::invokeMethod(
        context,
        [context, kind, key = QString::fromStdString(key), value = QString::fromStdString(value), answer] {
            const QString service = QString::fromLatin1(kBundleName);
            QKeychain::Job* job = nullptr;
            if (kind == JobKind::Read) {
                job = new QKeychain::ReadPasswordJob(service, context);
            } else if (kind == JobKind::Write) {
                auto* write = new QKeychain::WritePasswordJob(service, context);
                write->setTextData(value);
                job = write;
            } else {
                job = new QKeychain::DeletePasswordJob(service, context);
            }
            job->setAutoDelete(true);
            job->setInsecureFallback(false);
            job->setKey(key);
            QObject::connect(job, &QKeychain::Job::finished, context, [kind, answer](QKeychain::Job* done) {
                SecretRead read;
                read.Outcome = OutcomeOf(*done, kind);
                if (kind == JobKind::Read && read.Outcome == SecretOutcome::Done) {
                    read.Value = static_cast<QKeychain::ReadPasswordJob*>(done)->textData().toStdString();
                }
                answer->set_value(std::move(read));
            });
            job->start();
        },
        Qt::QueuedConnection);
    if (!queued || future.wait_for(patience) != std::future_status::ready) {
        return {};
    }
    try {
        return future.get();
    } catch (const std::future_error&) {
        // The job went without finishing: the process is ending.
        return {};
    }
}

} // namespace

KeyringSecretStore::KeyringSecretStore(std::chrono::milliseconds patience) : m_Patience(patience) {}

SecretRead KeyringSecretStore::Read(const std::string& key)
{
    return RunJob(JobKind::Read, key, {}, m_Patience);
}

SecretOutcome KeyringSecretStore::Write(const std::string& key, const std::string& value)
{
    return RunJob(value.empty() ? JobKind::Remove : JobKind::Write, key, value, m_Patience).Outcome;
}

} // namespace rz
