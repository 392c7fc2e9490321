/*
 * Shared set-up for the benchmarks: a scratch directory with its own kadb.ini (set as
 * KAVDB_CONFIG_DIR before the library's first call) and empty-file trees.
 */
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace kavdb::bench {

inline const std::string& scratchDir()
{
    static const std::string dir = [] {
        char tmpl[] = "/tmp/kavdb-bench-XXXXXX";
        std::string d = mkdtemp(tmpl);
        std::ofstream(d + "/kadb.ini") << "[Common]\nlevel=1\n"
                                          "[DataTable1]\nTableName=ExifInfo\n"
                                          "Item1=Make,0,64,\nItem2=Model,0,64,\nItem3=ISO,1,\n"
                                          "[DataTable2]\nTableName=Caption\nItem1=Title,0,64,\n";
        setenv("KAVDB_CONFIG_DIR", d.c_str(), 1);
        std::atexit([] { std::filesystem::remove_all(scratchDir()); });
        return d;
    }();
    return dir;
}

/* folders x files empty files under scratch/name; returns the root. */
inline std::string makeTree(const std::string& name, int folders, int files)
{
    std::string root = scratchDir() + "/" + name;
    if (std::filesystem::exists(root)) {
        return root;
    }
    for (int f = 0; f < folders; ++f) {
        std::string dir = root + "/d" + std::to_string(f);
        std::filesystem::create_directories(dir);
        for (int i = 0; i < files; ++i) {
            std::ofstream(dir + "/f" + std::to_string(i) + ".jpg");
        }
    }
    return root;
}

/* A fresh catalogue path (the file does not exist yet). */
inline std::string freshCatalogue()
{
    static int n = 0;
    std::string path = scratchDir() + "/c" + std::to_string(++n) + ".mdb";
    std::filesystem::remove(path);
    return path;
}

} // namespace kavdb::bench
