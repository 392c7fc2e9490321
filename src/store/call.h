/*
 * One export call: the configuration it takes, its transaction, and the one guard that
 * keeps anything thrown from crossing the export boundary.
 *
 * The outermost call on a handle takes kadb.ini as it is and forgets the folder cache
 * (another program may have removed the folder it remembers); nested calls share both,
 * and share the outer call's transaction. A call that returns a result code, failure
 * included, commits what it did; only a commit that succeeded lets it return that code.
 * A call cut short by an engine error, or whose begin or commit fails, leaves nothing.
 */
#pragma once

#include "store/config.h"

#include <optional>

namespace kavdb::store {

using engine::Access;

class CallScope {
  public:
    /* Begins the call's transaction when the handle's catalogue is open. */
    CallScope(DBHandle* h, Access access);
    ~CallScope();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

    /* S_OK, or the code of a begin that failed (reported). */
    HResult began() const { return began_; }
    /* Commits: result, or the code of a commit that failed (reported). */
    HResult finish(HResult result);

  private:
    DBHandle* h_;
    Config config_;
    bool owner_ = false; // the outermost call: it set the handle's configuration
    HResult began_ = S_OK;
    std::optional<engine::Transaction> tx_;
};

/* Runs an export's work in its call on h (none: work that needs no catalogue). */
template <class F> HResult runCall(DBHandle* h, Access access, F&& work) noexcept
{
    try {
        CallScope call(h, access);
        return call.began() < 0 ? call.began() : call.finish(work());
    } catch (const EngineError& e) {
        ReportComError("Failed to complete the call", e);
        return e.code();
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace kavdb::store
