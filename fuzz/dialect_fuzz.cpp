/*
 * Fuzz target for the Jet translator and what stands on its output: any text must
 * translate without a crash, an overread or a hang, every statement it gives must be
 * non-empty and read as a statement shape, and the same text as a find criterion or a
 * column type word must be taken or refused cleanly. Taking its compared literals out
 * first must not change how many statements the text holds.
 */
#include "store/engine/dialect.h"
#include "store/engine/error.h"
#include "store/engine/find.h"
#include "store/engine/literal_shape.h"
#include "store/engine/sql_shape.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kavdb::engine;
    std::string jet(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> statements = translateJet(jet);
    LiteralShape taken = jetShapeOf(jet);
    if ((taken.literals.empty() && taken.sql != jet) ||
        translateJet(taken.sql).size() != statements.size()) {
        std::abort();
    }
    for (const std::string& sql : statements) {
        if (sql.empty()) {
            std::abort(); // empty statements are dropped, never handed on
        }
        SelectShape shape = readSelect(sql);
        if (shape.singleTable) {
            keysetSql(shape, 1);
            streamSql(shape, false);
            rowSql(shape);
        }
    }
    try {
        parseCriterion(jet);
    } catch (const EngineError&) {
        // a refused criterion is an answer too
    }
    sqliteColumnType("Filename", jet);
    return 0;
}
