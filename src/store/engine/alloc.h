/*
 * The library's own allocator. Every buffer the library hands to an application (a
 * MetaTag's Data, an ImageData's Thumbnail, a partial read) comes from here and goes back
 * only through the library's release functions, so application and library never mix
 * heaps.
 */
#pragma once

#include <cstddef>

namespace kavdb {

/* A buffer of n bytes (n may be 0: a valid, unique pointer); null when out of memory. */
void* kaAlloc(std::size_t n);
void kaFree(void* p);

} // namespace kavdb
