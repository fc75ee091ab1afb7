#include "tools/initiator_sim/real_targets.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

extern "C" {
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
}

namespace norvale::sim {

namespace {

constexpr int kLun = 1;
// The most one command carries: tgt takes far more, 1 MiB keeps each
// exchange short.
constexpr std::int64_t kChunk = 1 << 20;

struct Context {
    iscsi_context* ctx = nullptr;
    bool loggedIn = false;
    explicit Context(const std::string& initiator) : ctx(iscsi_create_context(initiator.c_str())) {}
    ~Context() {
        if (ctx == nullptr) return;
        if (loggedIn) iscsi_logout_sync(ctx);
        iscsi_destroy_context(ctx);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    std::string Error() const { return ctx != nullptr ? iscsi_get_error(ctx) : "no iSCSI context"; }
};

struct Task {
    scsi_task* task;
    ~Task() {
        if (task != nullptr) scsi_free_scsi_task(task);
    }
    bool Good() const { return task != nullptr && task->status == SCSI_STATUS_GOOD; }
};

class IscsiLun final : public LunSession {
public:
    IscsiLun(std::unique_ptr<Context> context, std::string name, std::int64_t blocks, std::int64_t blockBytes)
        : context_(std::move(context)), name_(std::move(name)), blockBytes_(blockBytes), size_(blocks * blockBytes) {}

    const std::string& Name() const override { return name_; }
    std::int64_t Size() const override { return size_; }
    std::int64_t BlockBytes() const override { return blockBytes_; }

    bool Read(std::int64_t offset, std::uint8_t* buffer, std::size_t size) override {
        std::memset(buffer, 0, size);
        if (offset < 0) return false;
        const std::int64_t end = std::min<std::int64_t>(offset + static_cast<std::int64_t>(size), size_);
        if (offset >= end) return true;
        std::lock_guard<std::mutex> lock(mutex_);
        const std::int64_t first = offset / blockBytes_ * blockBytes_;
        for (std::int64_t at = first; at < end; at += kChunk) {
            const std::int64_t span = std::min(kChunk, RoundUp(end) - at);
            std::vector<std::uint8_t> blocks;
            if (!ReadBlocks(at, span, blocks)) return false;
            const std::int64_t from = std::max(at, offset);
            const std::int64_t to = std::min(at + span, end);
            std::memcpy(buffer + (from - offset), blocks.data() + (from - at), static_cast<std::size_t>(to - from));
        }
        return true;
    }

    bool Write(std::int64_t offset, const std::uint8_t* buffer, std::size_t size) override {
        const std::int64_t end = offset + static_cast<std::int64_t>(size);
        if (offset < 0 || end > size_) return false;
        std::lock_guard<std::mutex> lock(mutex_);
        const std::int64_t first = offset / blockBytes_ * blockBytes_;
        for (std::int64_t at = first; at < end; at += kChunk) {
            const std::int64_t span = std::min(kChunk, RoundUp(end) - at);
            const std::int64_t from = std::max(at, offset);
            const std::int64_t to = std::min(at + span, end);
            std::vector<std::uint8_t> blocks(static_cast<std::size_t>(span));
            // A write that covers its blocks only in part keeps the rest.
            if ((from != at || to != at + span) && !ReadBlocks(at, span, blocks)) return false;
            std::memcpy(blocks.data() + (from - at), buffer + (from - offset), static_cast<std::size_t>(to - from));
            Task task{iscsi_write16_sync(context_->ctx, kLun, static_cast<std::uint64_t>(at / blockBytes_),
                                         blocks.data(), static_cast<std::uint32_t>(span),
                                         static_cast<int>(blockBytes_), 0, 0, 0, 0, 0)};
            if (!task.Good()) return false;
        }
        return true;
    }

private:
    std::int64_t RoundUp(std::int64_t end) const { return (end + blockBytes_ - 1) / blockBytes_ * blockBytes_; }

    bool ReadBlocks(std::int64_t at, std::int64_t span, std::vector<std::uint8_t>& out) {
        Task task{iscsi_read16_sync(context_->ctx, kLun, static_cast<std::uint64_t>(at / blockBytes_),
                                    static_cast<std::uint32_t>(span), static_cast<int>(blockBytes_), 0, 0, 0, 0, 0)};
        if (!task.Good() || task.task->datain.size != span) return false;
        out.assign(task.task->datain.data, task.task->datain.data + span);
        return true;
    }

    std::unique_ptr<Context> context_;
    std::string name_;
    std::int64_t blockBytes_;
    std::int64_t size_;
    std::mutex mutex_;
};

// The LUN's capacity; a fresh LUN answers its first command with a unit
// attention, so a failed read is tried again.
std::optional<std::pair<std::int64_t, std::int64_t>> Capacity(Context& context) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        Task task{iscsi_readcapacity16_sync(context.ctx, kLun)};
        if (!task.Good()) continue;
        auto* capacity = static_cast<scsi_readcapacity16*>(scsi_datain_unmarshall(task.task));
        if (capacity == nullptr || capacity->block_length == 0) return std::nullopt;
        return std::pair<std::int64_t, std::int64_t>(static_cast<std::int64_t>(capacity->returned_lba) + 1,
                                                     capacity->block_length);
    }
    return std::nullopt;
}

}  // namespace

RealTargets::RealTargets(std::string initiatorName, std::optional<Portal> redirect, int timeoutSeconds)
    : initiatorName_(std::move(initiatorName)), redirect_(std::move(redirect)), timeoutSeconds_(timeoutSeconds) {}

std::string RealTargets::Where(const Portal& portal) const {
    const Portal& reached = redirect_ ? *redirect_ : portal;
    return reached.address + ":" + std::to_string(reached.port);
}

std::optional<std::vector<std::string>> RealTargets::SendTargets(const Portal& portal) {
    Context context(initiatorName_);
    if (context.ctx == nullptr) return std::nullopt;
    iscsi_set_timeout(context.ctx, timeoutSeconds_);
    iscsi_set_session_type(context.ctx, ISCSI_SESSION_DISCOVERY);
    if (iscsi_connect_sync(context.ctx, Where(portal).c_str()) != 0 || iscsi_login_sync(context.ctx) != 0)
        return std::nullopt;
    context.loggedIn = true;
    iscsi_discovery_address* found = iscsi_discovery_sync(context.ctx);
    std::vector<std::string> names;
    for (iscsi_discovery_address* at = found; at != nullptr; at = at->next) names.emplace_back(at->target_name);
    if (found != nullptr) iscsi_free_discovery_data(context.ctx, found);
    return names;
}

TargetLogin RealTargets::LogIn(const Portal& portal, const std::string& target, const std::optional<std::string>& user,
                               const std::string& secret) {
    auto context = std::make_unique<Context>(initiatorName_);
    if (context->ctx == nullptr) return {TargetLogin::Outcome::ConnectionFailed, nullptr, "no iSCSI context", nullptr};
    iscsi_set_timeout(context->ctx, timeoutSeconds_);
    iscsi_set_targetname(context->ctx, target.c_str());
    iscsi_set_session_type(context->ctx, ISCSI_SESSION_NORMAL);
    iscsi_set_header_digest(context->ctx, ISCSI_HEADER_DIGEST_NONE_CRC32C);
    if (user) iscsi_set_initiator_username_pwd(context->ctx, user->c_str(), secret.c_str());
    if (iscsi_connect_sync(context->ctx, Where(portal).c_str()) != 0)
        return {TargetLogin::Outcome::ConnectionFailed, nullptr, context->Error(), nullptr};
    if (iscsi_login_sync(context->ctx) != 0) {
        const std::string error = context->Error();
        // The login response's status class names the reason (RFC 7143
        // 11.13.5): 0x0201 authentication failure, 0x0203 not found.
        TargetLogin::Outcome outcome = TargetLogin::Outcome::ConnectionFailed;
        if (error.find("Authentication failure") != std::string::npos ||
            error.find("Authorization failure") != std::string::npos)
            outcome = TargetLogin::Outcome::AuthenticationFailed;
        else if (error.find("Target not found") != std::string::npos ||
                 error.find("Target removed") != std::string::npos)
            outcome = TargetLogin::Outcome::NoSuchTarget;
        return {outcome, nullptr, error, nullptr};
    }
    context->loggedIn = true;
    const auto capacity = Capacity(*context);
    if (!capacity) return {TargetLogin::Outcome::LoggedIn, nullptr, "no LUN", std::shared_ptr<Context>(std::move(context))};
    auto lun = std::make_shared<IscsiLun>(std::move(context), "iscsi://" + Where(portal) + "/" + target + "/1",
                                          capacity->first, capacity->second);
    return {TargetLogin::Outcome::LoggedIn, lun, {}, lun};
}

std::optional<Portal> ParsePortal(const std::string& text) {
    const auto colon = text.rfind(':');
    Portal portal{text.substr(0, colon), 3260};
    if (portal.address.empty() || portal.address.find_first_of(" /") != std::string::npos) return std::nullopt;
    if (colon != std::string::npos) {
        const std::string port = text.substr(colon + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(port) == 0 || std::stoi(port) > 65535)
            return std::nullopt;
        portal.port = static_cast<std::uint16_t>(std::stoi(port));
    }
    return portal;
}

}  // namespace norvale::sim
