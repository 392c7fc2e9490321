/*
 * Fuzz target for the configuration reader and the path keys: any bytes as a kadb.ini
 * and as a path must give values, never a crash, an overread or a hang.
 */
#include "store/config.h"
#include "store/record_access.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kavdb::store;
    static const std::string file = "/tmp/kavdb-fuzz-" + std::to_string(getpid()) + ".ini";
    std::string text(reinterpret_cast<const char*>(data), size);
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    for (const char* key : {"TableName", "Item1", "level", "k"}) {
        std::string v = GetProfileString("DataTable1", key, 128, file);
        parseItem(v);
        GetProfileString("Common", key, 1, file);
    }
    std::string path = text.substr(0, text.find('\0'));
    std::string out;
    GetFolderPart(path.c_str(), out);
    GetFileNamePart(path.c_str(), out);
    IsFolderPath(path.c_str());
    appendSeparator(out);
    quoteText(path);
    return 0;
}
