/*
 * An export call's configuration and transaction (see call.h).
 */
#include "store/call.h"

namespace kavdb::store {

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
