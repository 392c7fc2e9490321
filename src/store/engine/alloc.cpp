/*
 * The library's allocator: the C heap of the process that loaded the library. Every
 * buffer handed to an application comes from kaAlloc and goes back through kaFree.
 */
#include "store/engine/alloc.h"

#include <cstdlib>

namespace kavdb {

void* kaAlloc(std::size_t n)
{
    // A zero-byte request still yields a unique pointer that kaFree accepts.
    return std::malloc(n != 0 ? n : 1);
}

void kaFree(void* p)
{
    std::free(p);
}

} // namespace kavdb
