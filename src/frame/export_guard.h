/*
 * The guard every export runs its work under (store/call.h): one call with its
 * configuration and transaction, and nothing thrown ever crossing the export boundary.
 */
#pragma once

#include "kavdbmgr.h"
#include "store/call.h"

namespace kavdb::frame {

using store::Repeat;

/* Exports that may write: the transaction takes the write lock at its begin. One that
 * hands anything out as it goes says Repeat::Never (store/call.h). */
template <class F> HRESULT exportCall(DBHandle* h, F&& work, Repeat repeat = Repeat::Whole) noexcept
{
    return store::runCall(h, store::Access::Write, std::forward<F>(work), repeat);
}

/* Exports that only read: a snapshot, never waiting for a writer. */
template <class F> HRESULT exportRead(DBHandle* h, F&& work, Repeat repeat = Repeat::Whole) noexcept
{
    return store::runCall(h, store::Access::Read, std::forward<F>(work), repeat);
}

/* Exports that take no handle. */
template <class F> HRESULT exportCall(F&& work) noexcept
{
    return store::runCall(nullptr, store::Access::Read, std::forward<F>(work));
}

} // namespace kavdb::frame
