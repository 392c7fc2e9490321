/*
 * Fuzz target for the Jet translator: any text must translate, or be refused as a syntax
 * error, without a crash, an overread, a hang or a stack too deep, and every statement it
 * gives is non-empty; SELECT ... INTO is asked for with a made-up column list. The same
 * text as a column type word is taken or refused cleanly.
 */
#include "store/engine/jet/dialect.h"
#include "store/engine/error.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kavdb::engine;
    std::string jet(reinterpret_cast<const char*>(data), size);
    DescribeQuery describe = [](const std::string& sql) {
        if (sql.empty()) {
            std::abort(); // a query written out is never empty
        }
        return std::vector<std::pair<std::string, std::string>>{
            {"n", "INTEGER"}, {"s", "TEXT(5)"}, {"Filename", "TEXT"}, {"x", ""}, {"b", "BLOB(3)"}};
    };
    try {
        for (const std::string& sql : translateJet(jet, describe)) {
            if (sql.empty()) {
                std::abort(); // empty statements are never handed on
            }
        }
    } catch (const EngineError& e) {
        if (e.code() != code::kSyntax) {
            std::abort(); // translation refuses with a syntax error or not at all
        }
    }
    try {
        sqliteColumnType("Filename", jet);
    } catch (const EngineError& e) {
        if (e.code() != code::kSyntax) {
            std::abort(); // a type with no counterpart is refused as a syntax error
        }
    }
    return 0;
}
