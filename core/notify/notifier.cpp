// The notifier: plans and stores notices on the caller's thread, sends them on its own.
#include "notifier.h"

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "channels.h"

namespace netrov::notify {

namespace {

struct Job {
    std::vector<int64_t> ids;  // outbox rows this one message delivers (several for a digest)
    std::vector<int32_t> attempts;
    std::vector<int64_t> devices;
    std::vector<std::string> texts;
    Channel channel;
    nlohmann::json body;
};

struct Done {
    Job job;
    SendResult result;
};

// The last digest time at or before now, in local time.
int64_t lastDigest(int32_t minute, int64_t now)
{
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm local{};
    if (!localtime_r(&t, &local)) return 0;
    local.tm_hour = minute / 60;
    local.tm_min = minute % 60;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    int64_t at = static_cast<int64_t>(std::mktime(&local));
    if (at > now) at -= 86400;
    return at;
}

// A store write that failed part-way leaves none of its transaction behind.
class RoundGuard {
public:
    explicit RoundGuard(store::FleetStore& fleet) : fleet_(fleet) {}
    ~RoundGuard()
    {
        if (fleet_.inRound()) fleet_.abandonRound();
    }
    RoundGuard(const RoundGuard&) = delete;
    RoundGuard& operator=(const RoundGuard&) = delete;

private:
    store::FleetStore& fleet_;
};

}  // namespace

struct Notifier::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<Job> jobs;
    std::vector<Done> done;
    std::set<int64_t> inFlight;
    bool stop = false;
    bool busy = false;  // a message is with its peer
    std::thread worker;  // last, so it goes first

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return stop || !jobs.empty(); });
            if (stop) return;
            Job job = std::move(jobs.front());
            jobs.pop_front();
            busy = true;
            lock.unlock();
            SendResult result = sendMessage(job.channel, job.body);
            lock.lock();
            done.push_back({std::move(job), std::move(result)});
            busy = false;
            idle.notify_all();
        }
    }
};

int64_t wallClock()
{
    return static_cast<int64_t>(std::time(nullptr));
}

int64_t retryDelay(int32_t attempts)
{
    int64_t delay = kFirstRetrySeconds;
    for (int32_t i = 1; i < attempts && delay < kLastRetrySeconds; ++i) delay *= 2;
    return std::min(delay, kLastRetrySeconds);
}

Notifier::Notifier(NotifyConfig config, Clock clock)
    : config_(std::move(config)), clock_(std::move(clock)), shared_(std::make_shared<Shared>())
{
    shared_->worker = std::thread([shared = shared_] { shared->run(); });
}

Notifier::~Notifier()
{
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
    }
    shared_->wake.notify_all();
    if (shared_->worker.joinable()) shared_->worker.join();
}

store::StoreStatus Notifier::afterRound(store::FleetStore& fleet, std::span<const DeviceFacts> devices, int64_t now)
{
    std::vector<store::NoticeRecord> open;
    if (store::StoreStatus status = fleet.openNotices(open); !status.ok()) return status;
    RoundPlan plan = planRound(devices, open, config_.rules, now);
    if (plan.open.empty() && plan.resolve.empty() && plan.remind.empty()) return pump(fleet);

    if (store::StoreStatus status = fleet.beginRound(now); !status.ok()) return status;
    RoundGuard guard(fleet);
    store::StoreStatus status;
    // Each message is stored once per channel whose filter passes, before anything is sent.
    const auto keep = [&](const Message& m) {
        const std::string body = messageJson(m).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        for (const Channel& c : config_.channels) {
            if (!c.filter.passes(m.kind, m.severity, m.address, m.location)) continue;
            store::OutboxItem item;
            item.noticeId = m.noticeId;
            item.channel = c.name;
            item.created = now;
            item.body = body;
            if (status = fleet.addOutbox(item); !status.ok()) return false;
        }
        return true;
    };
    for (Opening& o : plan.open) {
        if (status = fleet.addNotice(o.notice); !status.ok()) return status;
        o.message.noticeId = o.notice.id;
        if (o.oneShot && !(status = fleet.resolveNotice(o.notice.id, now)).ok()) return status;
        if (o.message.kind == NoticeKind::AttentionStarted &&
            !(status = fleet.addEvent(o.notice.deviceId, now, store::DeviceEventKind::AttentionStarted, o.message.text)).ok())
            return status;
        if (!keep(o.message)) return status;
    }
    for (const Resolution& r : plan.resolve) {
        if (status = fleet.resolveNotice(r.noticeId, now); !status.ok()) return status;
        if (!r.message) continue;
        if (r.message->kind == NoticeKind::AttentionEnded &&
            !(status = fleet.addEvent(r.message->deviceId, now, store::DeviceEventKind::AttentionEnded, r.message->text)).ok())
            return status;
        if (!keep(*r.message)) return status;
    }
    for (const Reminder& r : plan.remind) {
        if (status = fleet.noticeTold(r.noticeId, now); !status.ok()) return status;
        if (!keep(r.message)) return status;
    }
    if (status = fleet.commitRound(); !status.ok()) return status;
    return pump(fleet);
}

store::StoreStatus Notifier::pump(store::FleetStore& fleet)
{
    const int64_t now = clock_();
    std::vector<Done> done;
    {
        std::lock_guard lock(shared_->mutex);
        done.swap(shared_->done);
    }
    store::StoreStatus status;
    if (!done.empty()) {
        // What was written is kept only when the whole of it is; else the results wait for the next pump.
        std::vector<std::string> failing = failing_;
        std::vector<std::string> lines;
        const auto record = [&]() {
            store::StoreStatus result = fleet.beginRound(now);
            if (!result.ok()) return result;
            RoundGuard guard(fleet);
            for (const Done& d : done) {
                const std::string& channel = d.job.channel.name;
                const bool wasFailing = std::find(failing.begin(), failing.end(), channel) != failing.end();
                for (size_t i = 0; i < d.job.ids.size(); ++i) {
                    if (d.result.ok) {
                        result = fleet.outboxSent(d.job.ids[i], now);
                        if (result.ok())
                            result = fleet.addEvent(d.job.devices[i], now, store::DeviceEventKind::NoticeSent,
                                                    channel + ": " + d.job.texts[i]);
                    } else {
                        result = fleet.outboxFailed(d.job.ids[i], d.result.error, now + retryDelay(d.job.attempts[i] + 1));
                    }
                    if (!result.ok()) return result;
                }
                // A channel that keeps failing is told of once, and once more when it delivers again.
                if (!d.result.ok && !wasFailing) {
                    failing.push_back(channel);
                    lines.push_back("notice channel " + channel + " fails: " + d.result.error +
                                    "; its notices are kept and tried again");
                    result = fleet.addEvent(0, now, store::DeviceEventKind::ChannelFailing, channel + ": " + d.result.error);
                    if (!result.ok()) return result;
                } else if (d.result.ok && wasFailing) {
                    failing.erase(std::remove(failing.begin(), failing.end(), channel), failing.end());
                    lines.push_back("notice channel " + channel + " delivers again");
                }
            }
            return fleet.commitRound();
        };
        status = record();
        std::lock_guard lock(shared_->mutex);
        if (!status.ok()) {
            shared_->done.insert(shared_->done.begin(), std::make_move_iterator(done.begin()), std::make_move_iterator(done.end()));
            return status;
        }
        failing_ = std::move(failing);
        log_.insert(log_.end(), lines.begin(), lines.end());
        for (const Done& d : done)
            for (int64_t id : d.job.ids) shared_->inFlight.erase(id);
    }
    if (inQuietHours(config_.rules, now)) return {};

    std::vector<store::OutboxItem> pending;
    if (status = fleet.pendingOutbox(pending); !status.ok()) return status;
    std::vector<Job> jobs;
    {
        std::lock_guard lock(shared_->mutex);
        std::map<std::string, Job> digests;
        const int64_t digestAt = config_.rules.digestMinute ? lastDigest(*config_.rules.digestMinute, now) : 0;
        for (const store::OutboxItem& item : pending) {
            const Channel* channel = config_.channel(item.channel);
            if (!channel || shared_->inFlight.count(item.id) || item.nextTry > now) continue;
            nlohmann::json body = nlohmann::json::parse(item.body, nullptr, false);
            if (body.is_discarded()) continue;
            const std::string text = body.value("text", std::string());
            if (config_.rules.digestMinute) {
                // Held until the digest time after it was stored; then one message per channel.
                if (item.created >= digestAt) continue;
                Job& digest = digests[item.channel];
                digest.channel = *channel;
                if (digest.body.is_null())
                    digest.body = {{"kind", "digest"}, {"severity", "info"}, {"time", body.value("time", "")},
                                   {"notices", nlohmann::json::array()}, {"text", "NetRov daily digest:"}};
                digest.body["notices"].push_back(body);
                digest.body["text"] = digest.body["text"].get<std::string>() + "\n- " + text;
                digest.ids.push_back(item.id);
                digest.attempts.push_back(item.attempts);
                digest.devices.push_back(item.deviceId);
                digest.texts.push_back(text);
                shared_->inFlight.insert(item.id);
                continue;
            }
            Job job;
            job.ids = {item.id};
            job.attempts = {item.attempts};
            job.devices = {item.deviceId};
            job.texts = {text};
            job.channel = *channel;
            job.body = std::move(body);
            shared_->inFlight.insert(item.id);
            shared_->jobs.push_back(std::move(job));
        }
        const std::string appendix = !digests.empty() && appendix_ ? appendix_(fleet) : std::string();
        for (auto& [name, job] : digests) {
            job.body["order"] = appendix;
            if (!appendix.empty()) job.body["text"] = job.body["text"].get<std::string>() + "\n\nTo order:\n" + appendix;
            shared_->jobs.push_back(std::move(job));
        }
    }
    shared_->wake.notify_all();
    return {};
}

bool Notifier::waitIdle(std::chrono::milliseconds limit)
{
    std::unique_lock lock(shared_->mutex);
    return shared_->idle.wait_for(lock, limit, [&] { return shared_->jobs.empty() && !shared_->busy; });
}

std::vector<std::string> Notifier::takeLog()
{
    std::vector<std::string> out;
    out.swap(log_);
    return out;
}

}  // namespace netrov::notify
