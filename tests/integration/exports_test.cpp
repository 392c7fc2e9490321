/*
 * The shared library's dynamic symbol table against the public header: every function
 * the header declares for export is exported under its undecorated name, and the
 * library exports nothing else of its own (no C++ names, no template instantiations).
 */
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path kHeader = fs::path(__FILE__).parent_path() / "../../include/kavdbmgr.h";

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/* The header without comments and preprocessor lines (KAVDB_API's own definition). */
std::string declarationsOf(std::string text)
{
    text = std::regex_replace(text, std::regex(R"(/\*[\s\S]*?\*/)"), " ");
    text = std::regex_replace(text, std::regex(R"(//[^\n]*)"), " ");
    return std::regex_replace(text, std::regex(R"((^|\n)[ \t]*#[^\n]*)"), "\n");
}

std::set<std::string> declaredExports()
{
    const std::string text = declarationsOf(readFile(kHeader));
    // KAVDB_API, the return type, then the function's name right before its '('.
    const std::regex declaration(R"(KAVDB_API\s+[\w\s\*&:<>,]*?\b(\w+)\s*\()");
    std::set<std::string> names;
    for (std::sregex_iterator it(text.begin(), text.end(), declaration), end; it != end; ++it) {
        names.insert((*it)[1]);
    }
    return names;
}

struct DynamicSymbol {
    char type;
    std::string name;
};

std::vector<DynamicSymbol> definedDynamicSymbols()
{
    const std::string command =
        std::string("nm -D --defined-only '") + KAVDB_LIBRARY_PATH + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::vector<DynamicSymbol> symbols;
    if (!pipe) {
        return symbols;
    }
    // Lines are "address type name"; absolute linker symbols may have no address.
    const std::regex line(R"(^\s*[0-9a-fA-F]*\s+(\S)\s+(\S+)\s*$)");
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        std::cmatch m;
        if (std::regex_match(buffer, m, line)) {
            symbols.push_back({m[1].str()[0], m[2].str()});
        }
    }
    return symbols;
}

/* Symbols the linker defines in every shared object; not the library's own code. */
bool isLinkerSymbol(const std::string& name)
{
    static const std::set<std::string> linker = {
        "_init", "_fini",   "__bss_start", "_edata",
        "_end",  "__end__", "_DYNAMIC",    "_GLOBAL_OFFSET_TABLE_"};
    return linker.count(name) != 0;
}

class Exports : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        declared_ = declaredExports();
        symbols_ = definedDynamicSymbols();
    }

    static std::set<std::string> declared_;
    static std::vector<DynamicSymbol> symbols_;
};

std::set<std::string> Exports::declared_;
std::vector<DynamicSymbol> Exports::symbols_;

TEST_F(Exports, HeaderIsReadWhole)
{
    // The parse must see the first and the last declarations of the header.
    EXPECT_TRUE(declared_.count("KaAVDBCreate"));
    EXPECT_TRUE(declared_.count("KaDBSVGetCountSQL"));
    EXPECT_TRUE(declared_.count("SYSTEMTIMEtoSTR"));
    EXPECT_TRUE(declared_.count("KaSetErrorHandler"));
    EXPECT_FALSE(declared_.count("__attribute__"));
    ASSERT_FALSE(symbols_.empty()) << "nm found no symbols in " << KAVDB_LIBRARY_PATH;
}

TEST_F(Exports, EveryDeclaredFunctionIsExportedUndecorated)
{
    std::set<std::string> functions;
    for (const DynamicSymbol& s : symbols_) {
        if (s.type == 'T') {
            functions.insert(s.name);
        }
    }
    std::string missing;
    for (const std::string& name : declared_) {
        if (!functions.count(name)) {
            missing += " " + name;
        }
    }
    EXPECT_TRUE(missing.empty()) << "declared but not exported as functions:" << missing;
}

TEST_F(Exports, NothingElseIsExported)
{
    std::string extra;
    for (const DynamicSymbol& s : symbols_) {
        if (!declared_.count(s.name) && !isLinkerSymbol(s.name)) {
            extra += std::string("\n  ") + s.type + " " + s.name;
        }
    }
    EXPECT_TRUE(extra.empty()) << "exported beyond the header:" << extra;
}

} // namespace
