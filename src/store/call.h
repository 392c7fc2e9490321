/*
 * One export call: the configuration it takes, its transaction, and the one guard that
 * keeps anything thrown from crossing the export boundary.
 *
 * The outermost call on a handle takes kadb.ini as it is and forgets the folder cache
 * (another program may have removed the folder it remembers); nested calls share both,
 * and share the outer call's transaction. A call that returns a result code, failure
 * included, commits what it did; only a commit that succeeded lets it return that code.
 * A call cut short by an engine error, or whose begin or commit fails, leaves nothing.
 *
 * A call whose transaction met a serialization failure or deadlock with another
 * connection (a server catalogue's) is run again whole, a few times at most, when
 * nothing of it reached beyond that transaction.
 */
#pragma once

#include "store/config.h"

#include <optional>

namespace kavdb::store {

using engine::Access;

/* Whether a call may run again whole: only one whose effects are all in its transaction.
 * One that hands out lists, buffers or callbacks as it goes, or writes a file, never is. */
enum class Repeat { Whole, Never };

/* The attempts of one call (runCall). */
class Attempts {
  public:
    Attempts(DBHandle* h, Repeat repeat);
    /* Before each attempt: after one that failed, a short jittered pause. */
    void pause();
    /* The attempt that ended met a conflict and the call may run again. */
    bool conflicted() const;
    /* conflicted, and an attempt is left. */
    bool retry() const;
    /* Reports e as the call's failure, naming the attempts when there were several. */
    void report(const EngineError& e) const;
    /* Reports and returns the failure of a call whose every attempt met a conflict. */
    HResult exhausted() const;

  private:
    DBHandle* h_;
    bool repeatable_;
    int count_ = 0;
};

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
    /* Undoes the call's work. */
    void abandon() { tx_.reset(); }

  private:
    DBHandle* h_;
    Config config_;
    bool owner_ = false; // the outermost call: it set the handle's configuration
    HResult began_ = S_OK;
    std::optional<engine::Transaction> tx_;
};

/* Runs an export's work in its call on h (none: work that needs no catalogue). */
template <class F>
HResult runCall(DBHandle* h, Access access, F&& work, Repeat repeat = Repeat::Whole) noexcept
{
    try {
        for (Attempts attempts(h, repeat);;) {
            attempts.pause();
            try {
                CallScope call(h, access);
                if (call.began() < 0) {
                    if (attempts.retry()) {
                        continue;
                    }
                    return call.began();
                }
                HResult result = work();
                if (!attempts.conflicted()) {
                    return call.finish(result);
                }
                call.abandon(); // before the pause: no lock is held through it
                if (!attempts.retry()) {
                    return attempts.exhausted();
                }
            } catch (const EngineError& e) {
                if (!attempts.retry()) {
                    attempts.report(e);
                    return e.code();
                }
            }
        }
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace kavdb::store
