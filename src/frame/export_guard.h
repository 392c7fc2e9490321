/*
 * The guard every export runs its work under: one transaction around the call when the
 * handle's connection is open (nested exports share the outer one), and nothing thrown
 * ever crosses the export boundary.
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

namespace kavdb::frame {

template <class F> HRESULT exportCall(DBHandle* h, F&& work) noexcept
{
    try {
        store::ConfigCallScope config;
        if (h == nullptr || !h->Connection || !h->Connection->isOpen()) {
            return work();
        }
        if (h->Connection->depth() == 0) {
            store::forgetFolder(h);
        }
        engine::Transaction tx(*h->Connection);
        HRESULT result = work();
        tx.commit();
        return result;
    } catch (const engine::EngineError& e) {
        store::ReportComError("Failed to commit transaction", e);
        return e.code();
    } catch (...) {
        return E_FAIL;
    }
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
