/*
 * DBHandle: one open catalogue as the application holds it.
 *
 * It owns the engine connection (absent when creating it failed) and the one-entry
 * folder cache of the folder look-up: the last folder found by its path and its PathID.
 * During an export call it points at the configuration the call took (call.h).
 */
#pragma once

#include "store/engine/connection.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kavdb::store {
class Config;
}

struct DBHandle {
    std::unique_ptr<kavdb::engine::Connection> Connection;
    int32_t LastPathID = -1;  // -1: the cache holds nothing
    std::string LastPathname; // ends in a separator
    const kavdb::store::Config* CallConfig = nullptr;
};

namespace kavdb::store {

/* Forgets the cached folder; called whenever a folder row may have gone. */
inline void forgetFolder(DBHandle* h)
{
    h->LastPathID = -1;
    h->LastPathname.clear();
}

} // namespace kavdb::store
