/*
 * Running one statement as it stands (see direct_statement.h).
 */
#include "store/direct_statement.h"

namespace kavdb::store {

HResult kaExecuteSql(DBHandle* h, const std::string& jetSql)
{
    if (h == nullptr) {
        return E_INVALIDARG;
    }
    forgetFolder(h);
    // A null message keeps the sink silent: the caller sees the code, nothing else.
    return guarded(nullptr, [&] {
        connectionOf(h).execute(jetSql);
        return S_OK;
    });
}

} // namespace kavdb::store
