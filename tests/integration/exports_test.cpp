/*
 * The shared library's dynamic symbol table against the public header: every function
 * the header declares for export is exported under its undecorated name, and the
 * library exports nothing else of its own (no C++ names, no template instantiations).
 */
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

namespace {

/* The names the header declares with KAVDB_API, comments and preprocessor lines aside. */
std::set<std::string> declaredExports()
{
    std::ostringstream read;
    read << std::ifstream(KAVDB_PUBLIC_HEADER).rdbuf();
    std::string text = std::regex_replace(read.str(), std::regex(R"(/\*[\s\S]*?\*/)"), " ");
    text = std::regex_replace(text, std::regex(R"((^|\n)[ \t]*#[^\n]*)"), "\n");
    const std::regex declaration(R"(KAVDB_API\s+[\w\s\*&:<>,]*?\b(\w+)\s*\()");
    std::set<std::string> names;
    for (std::sregex_iterator it(text.begin(), text.end(), declaration), end; it != end; ++it) {
        names.insert((*it)[1]);
    }
    return names;
}

/* "type name" of every symbol the library defines, from nm. */
std::set<std::string> definedDynamicSymbols()
{
    const std::string command = std::string("nm -D --defined-only '") + KAVDB_LIBRARY_PATH + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    const std::regex line(R"(^\s*[0-9a-fA-F]*\s+(\S)\s+(\S+)\s*$)");
    std::set<std::string> symbols;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        std::cmatch m;
        if (std::regex_match(buffer, m, line)) {
            symbols.insert(m[1].str() + " " + m[2].str());
        }
    }
    return symbols;
}

TEST(Exports, AreExactlyTheHeadersFunctions)
{
    const std::set<std::string> declared = declaredExports();
    for (const char* name : {"KaAVDBCreate", "KaDBSVGetCountSQL", "SYSTEMTIMEtoSTR",
                             "KaSetErrorHandler", "FreeBuffer"}) {
        EXPECT_TRUE(declared.count(name)) << name; // the parse read the header whole
    }
    EXPECT_FALSE(declared.count("__attribute__"));
    const std::set<std::string> symbols = definedDynamicSymbols();
    ASSERT_FALSE(symbols.empty()) << "nm found no symbols in " << KAVDB_LIBRARY_PATH;
    std::string missing, extra;
    for (const std::string& name : declared) {
        if (!symbols.count("T " + name)) {
            missing += " " + name;
        }
    }
    static const std::set<std::string> linker = {
        "_init", "_fini",   "__bss_start", "_edata",
        "_end",  "__end__", "_DYNAMIC",    "_GLOBAL_OFFSET_TABLE_"};
    for (const std::string& symbol : symbols) {
        std::string name = symbol.substr(2);
        if (!declared.count(name) && !linker.count(name)) {
            extra += "\n  " + symbol;
        }
    }
    EXPECT_TRUE(missing.empty()) << "declared but not exported as functions:" << missing;
    EXPECT_TRUE(extra.empty()) << "exported beyond the header:" << extra;
}

} // namespace
