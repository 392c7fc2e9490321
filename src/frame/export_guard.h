/*
 * The guard every export runs its work under: one transaction around the call when the
 * handle's connection is open (nested exports share the outer one), and nothing thrown
 * ever crosses the export boundary.
 *
 * A call that returns a result code, failure included, commits what it did; only a
 * commit that succeeded lets it return that code. A call cut short by an engine error,
 * or whose begin or commit fails, leaves nothing of itself.
 *
 * The folder cache is trusted only inside one outermost call: between calls another
 * process may have removed the folder row it remembers. The configuration file, likewise,
 * is looked at once per call.
 */
#pragma once

#include "kavdbmgr.h"
#include "store/config.h"
#include "store/engine/connection.h"
#include "store/handle.h"
#include "store/report.h"

#include <optional>

namespace kavdb::frame {

using engine::Access;

template <class F> HRESULT exportCall(DBHandle* h, Access access, F&& work) noexcept
{
    try {
        store::ConfigCallScope config;
        if (h == nullptr || !h->Connection || !h->Connection->isOpen()) {
            return work();
        }
        if (h->Connection->depth() == 0) {
            store::forgetFolder(h);
        }
        std::optional<engine::Transaction> tx;
        try {
            tx.emplace(*h->Connection, access);
        } catch (const engine::EngineError& e) {
            store::ReportComError("Failed to begin transaction", e);
            return e.code();
        }
        HRESULT result = work();
        try {
            tx->commit();
        } catch (const engine::EngineError& e) {
            store::ReportComError("Failed to commit transaction", e);
            return e.code();
        }
        return result;
    } catch (const engine::EngineError& e) {
        store::ReportComError("Failed to complete the call", e);
        return e.code();
    } catch (...) {
        return E_FAIL;
    }
}

/* Exports that may write: the transaction takes the write lock at its begin. */
template <class F> HRESULT exportCall(DBHandle* h, F&& work) noexcept
{
    return exportCall(h, Access::Write, std::forward<F>(work));
}

/* Exports that only read: a snapshot, never waiting for a writer. */
template <class F> HRESULT exportRead(DBHandle* h, F&& work) noexcept
{
    return exportCall(h, Access::Read, std::forward<F>(work));
}

/* Exports that take no handle. */
template <class F> HRESULT exportCall(F&& work) noexcept
{
    try {
        store::ConfigCallScope config;
        return work();
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace kavdb::frame
