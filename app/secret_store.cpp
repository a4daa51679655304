// The desktop's secret store through QtKeychain, asked synchronously with a time limit.
#include "secret_store.h"

#ifdef NETROV_HAVE_QTKEYCHAIN
#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>
#endif

namespace netrov::ui {

std::string authSecretKey(const std::string& profile) { return profile + "/auth"; }
std::string privSecretKey(const std::string& profile) { return profile + "/priv"; }

#ifdef NETROV_HAVE_QTKEYCHAIN

namespace {

// A secret service that does not answer must not hold the program up.
constexpr int kAnswerMs = 5000;

// Runs job to its end or the time limit; taken sees the ended job. The job
// deletes itself when it ends, and the loop's connections die with the loop,
// so an answer after the time limit lands nowhere.
template <typename JobType, typename Taken>
QKeychain::Error run(JobType* job, Taken taken)
{
    QEventLoop loop;
    QKeychain::Error error = QKeychain::OtherError;
    bool ended = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
        ended = true;
        error = job->error();
        if (error == QKeychain::NoError) taken(*job);
        loop.quit();
    });
    QTimer::singleShot(kAnswerMs, &loop, &QEventLoop::quit);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->start();
    if (!ended) loop.exec();
    return error;
}

template <typename JobType>
QKeychain::Error run(JobType* job)
{
    return run(job, [](JobType&) {});
}

class KeychainStore final : public SecretStore {
public:
    bool read(const std::string& key, core::SecretText& value) override
    {
        auto* job = new QKeychain::ReadPasswordJob(QString::fromLatin1(kSecretService));
        job->setKey(QString::fromStdString(key));
        bool found = false;
        const auto take = [&](QKeychain::ReadPasswordJob& ended) {
            QByteArray data = ended.binaryData();
            value = core::SecretText(std::string_view(data.constData(), static_cast<size_t>(data.size())));
            data.fill('\0');
            found = true;
        };
        return run(job, take) == QKeychain::NoError && found;
    }

    bool write(const std::string& key, const core::SecretText& value) override
    {
        auto* job = new QKeychain::WritePasswordJob(QString::fromLatin1(kSecretService));
        job->setKey(QString::fromStdString(key));
        QByteArray data(value.text().data(), static_cast<qsizetype>(value.text().size()));
        job->setBinaryData(data);
        data.fill('\0');
        return run(job) == QKeychain::NoError;
    }

    bool remove(const std::string& key) override
    {
        auto* job = new QKeychain::DeletePasswordJob(QString::fromLatin1(kSecretService));
        job->setKey(QString::fromStdString(key));
        const QKeychain::Error error = run(job);
        return error == QKeychain::NoError || error == QKeychain::EntryNotFound;
    }
};

}  // namespace

std::unique_ptr<SecretStore> desktopSecretStore()
{
    // A read of a key nobody writes tells whether a service answers:
    // "not found" is an answer, anything else is none.
    auto* job = new QKeychain::ReadPasswordJob(QString::fromLatin1(kSecretService));
    job->setKey(QStringLiteral("probe"));
    const QKeychain::Error error = run(job);
    if (error != QKeychain::NoError && error != QKeychain::EntryNotFound) return nullptr;
    return std::make_unique<KeychainStore>();
}

#else

std::unique_ptr<SecretStore> desktopSecretStore() { return nullptr; }

#endif

namespace {

struct ChosenStore {
    bool asked = false;
    std::unique_ptr<SecretStore> store;
};

ChosenStore& chosenStore()
{
    static ChosenStore chosen;
    return chosen;
}

}  // namespace

SecretStore* desktopSecrets()
{
    ChosenStore& chosen = chosenStore();
    if (!chosen.asked) {
        chosen.store = desktopSecretStore();
        chosen.asked = true;
    }
    return chosen.store.get();
}

void useSecretStore(std::unique_ptr<SecretStore> store)
{
    ChosenStore& chosen = chosenStore();
    chosen.store = std::move(store);
    chosen.asked = true;
}

}  // namespace netrov::ui
