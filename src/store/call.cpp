/*
 * An export call's configuration and transaction (see call.h).
 */
#include "store/call.h"

#include <chrono>
#include <random>
#include <string>
#include <thread>

namespace kavdb::store {

namespace {

/* How many times a call that keeps meeting conflicts runs at most, and the pause before
 * its second attempt; each later pause doubles, and a random part of it spreads
 * connections that conflicted with each other apart. */
constexpr int kMostAttempts = 5;
constexpr int kFirstPauseMs = 10;

} // namespace

Attempts::Attempts(DBHandle* h, Repeat repeat)
    : h_(h), repeatable_(repeat == Repeat::Whole && h != nullptr && h->CallConfig == nullptr &&
                         h->Connection && h->Connection->depth() == 0)
{
}

void Attempts::pause()
{
    if (count_++ == 0) {
        return;
    }
    thread_local std::minstd_rand spread(std::random_device{}());
    int most = kFirstPauseMs << (count_ - 2);
    std::uniform_int_distribution<int> ms(most / 2, most);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms(spread)));
}

bool Attempts::conflicted() const
{
    return repeatable_ && h_->Connection && h_->Connection->conflicted();
}

bool Attempts::retry() const
{
    return conflicted() && count_ < kMostAttempts;
}

void Attempts::report(const EngineError& e) const
{
    std::string message = "Failed to complete the call";
    if (count_ > 1) {
        message += " after " + std::to_string(count_) + " attempts";
    }
    ReportComError(message.c_str(), e);
}

HResult Attempts::exhausted() const
{
    report(EngineError(E_FAIL, "kavdb",
                       "Every attempt met a conflict with another connection; nothing was "
                       "changed."));
    return E_FAIL;
}

CallScope::CallScope(DBHandle* h, Access access) : h_(h)
{
    if (h == nullptr) {
        return;
    }
    if (h->CallConfig == nullptr) {
        config_ = Config::load();
        h->CallConfig = &config_;
        owner_ = true;
        forgetFolder(h);
    }
    if (!h->Connection || !h->Connection->isOpen()) {
        return;
    }
    try {
        tx_.emplace(*h->Connection, access);
    } catch (const EngineError& e) {
        ReportComError("Failed to begin transaction", e);
        began_ = e.code();
    }
}

CallScope::~CallScope()
{
    tx_.reset(); // rolls back what was not committed
    if (owner_) {
        h_->CallConfig = nullptr;
    }
}

HResult CallScope::finish(HResult result)
{
    try {
        if (tx_) {
            tx_->commit();
        }
    } catch (const EngineError& e) {
        ReportComError("Failed to commit transaction", e);
        return e.code();
    }
    return result;
}

} // namespace kavdb::store
