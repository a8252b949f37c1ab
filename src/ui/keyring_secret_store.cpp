// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/keyring_secret_store.h"

#include "core/paths.h"
#include "util/clock.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <deque>
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

struct PendingJob
{
    JobKind kind = JobKind::Read;
    QString key;
    QString value;
    std::shared_ptr<std::promise<SecretRead>> answer;
    // Set by a caller who stopped waiting: the job is then never started.
    std::shared_ptr<std::atomic<bool>> abandoned;
};

// Lives in the keyring thread and is touched only there: one job runs at a time, so a job that
// an impatient caller left behind cannot overtake, or be overtaken by, a later one (a sign-out's
// delete always follows the write before it), and jobs left before their turn never run.
class KeyringQueue : public QObject
{
public:
    void Enqueue(PendingJob job)
    {
        m_Waiting.push_back(std::move(job));
        StartNext();
    }

private:
    void StartNext()
    {
        while (!m_Running && !m_Waiting.empty()) {
            PendingJob next = std::move(m_Waiting.front());
            m_Waiting.pop_front();
            if (!next.abandoned->load()) {
                Start(std::move(next));
            }
        }
    }

    static SecretOutcome OutcomeOf(const QKeychain::Job& job, JobKind kind)
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

    void Start(PendingJob pending)
    {
        const QString service = QString::fromLatin1(kBundleName);
        QKeychain::Job* job = nullptr;
        if (pending.kind == JobKind::Read) {
            job = new QKeychain::ReadPasswordJob(service, this);
        } else if (pending.kind == JobKind::Write) {
            auto* write = new QKeychain::WritePasswordJob(service, this);
            write->setTextData(pending.value);
            job = write;
        } else {
            job = new QKeychain::DeletePasswordJob(service, this);
        }
        job->setAutoDelete(true);
        job->setInsecureFallback(false);
        job->setKey(pending.key);
        m_Running = true;
        QObject::connect(job, &QKeychain::Job::finished, this,
                         [this, kind = pending.kind, answer = pending.answer](QKeychain::Job* done) {
                             SecretRead read;
                             read.Outcome = OutcomeOf(*done, kind);
                             if (kind == JobKind::Read && read.Outcome == SecretOutcome::Done) {
                                 read.Value =
                                     static_cast<QKeychain::ReadPasswordJob*>(done)->textData().toStdString();
                             }
                             answer->set_value(std::move(read));
                             m_Running = false;
                             StartNext();
                         });
        job->start();
    }

    std::deque<PendingJob> m_Waiting;
    bool m_Running = false;
};

// Started once and never stopped: the keychain's executor stays bound to its first thread, and a
// thread that ended would leave every later job waiting.
KeyringQueue* KeyringThreadQueue()
{
    static KeyringQueue* const queue = [] {
        auto* thread = new QThread;
        thread->setObjectName(QStringLiteral("keyring"));
        auto* object = new KeyringQueue;
        object->moveToThread(thread);
        thread->start();
        return object;
    }();
    return queue;
}

// Queues the job in the keyring thread and waits for its answer, in short real waits so that the
// patience follows the program's clock and a process that ends stops waiting at once.
SecretRead RunJob(JobKind kind, const std::string& key, const std::string& value,
                  std::chrono::milliseconds patience, const std::atomic<bool>& stopping)
{
    if (stopping) {
        return {};
    }
    PendingJob job;
    job.kind = kind;
    job.key = QString::fromStdString(key);
    job.value = QString::fromStdString(value);
    job.answer = std::make_shared<std::promise<SecretRead>>();
    job.abandoned = std::make_shared<std::atomic<bool>>(false);
    std::future<SecretRead> future = job.answer->get_future();
    const std::shared_ptr<std::atomic<bool>> abandoned = job.abandoned;
    KeyringQueue* queue = KeyringThreadQueue();
    const bool queued = QMetaObject::invokeMethod(
        queue, [queue, job = std::move(job)]() mutable { queue->Enqueue(std::move(job)); },
        Qt::QueuedConnection);
    const double deadline = MonotonicSecondsNow() + std::chrono::duration<double>(patience).count();
    while (queued && future.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        if (stopping || MonotonicSecondsNow() >= deadline) {
            abandoned->store(true);
            return {};
        }
    }
    if (!queued) {
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
    return RunJob(JobKind::Read, key, {}, m_Patience, m_Stopping);
}

SecretOutcome KeyringSecretStore::Write(const std::string& key, const std::string& value)
{
    return RunJob(value.empty() ? JobKind::Remove : JobKind::Write, key, value, m_Patience, m_Stopping)
        .Outcome;
}

void KeyringSecretStore::StopWaiting()
{
    m_Stopping = true;
}

} // namespace rz
