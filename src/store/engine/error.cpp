/*
 * Engine errors of the engine layer's own: misuse, closed objects, no current row.
 */
#include "store/engine/native.h"

namespace kavdb::engine {

void raiseEngine(HResult code, const std::string& description)
{
    throw EngineError(code, kEngineSource, description);
}

void raiseNoCurrentRow()
{
    raiseEngine(code::kNoCurrentRow,
                "Either BOF or EOF is True, or the current record has been deleted.");
}

} // namespace kavdb::engine
