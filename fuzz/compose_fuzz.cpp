/*
 * Fuzz target for query composition: any statement text gives a composed statement or a
 * result code, never a crash, an overread or a composed text over its bound.
 */
#include "query/compose.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool configured = [] {
        std::string dir = "/tmp/kavdb-fuzz-compose-" + std::to_string(getpid());
        mkdir(dir.c_str(), 0700);
        std::ofstream(dir + "/kadb.ini") << "[DataTable1]\nTableName=ExifInfo\nItem1=Make,0,8,\n"
                                            "[DataTable2]\nTableName=Caption\nItem1=T,0,8,\n";
        setenv("KAVDB_CONFIG_DIR", dir.c_str(), 1);
        return true;
    }();
    (void)configured;
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    std::string composed;
    if (kavdb::query::kaComposeQuery(text.c_str(), composed) == 0 &&
        composed.size() > kavdb::store::kSqlMax) {
        std::abort();
    }
    return 0;
}
