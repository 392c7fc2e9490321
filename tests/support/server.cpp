/*
 * Server catalogues for the suites (server.h): database names unique to the process and
 * the test, dropped with the server's own dropdb.
 */
#include "support/server.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kavdb::test {

bool onServer()
{
    const char* file = std::getenv("KAVDB_TEST_PG_URI_FILE");
    return file != nullptr && *file != '\0';
}

std::string serverBaseUri()
{
    const char* file = std::getenv("KAVDB_TEST_PG_URI_FILE");
    std::string uri;
    if (onServer() && file != nullptr) {
        std::ifstream in(file);
        std::getline(in, uri);
    }
    return uri;
}

namespace {

constexpr const char* kServerBin = "/usr/lib/postgresql/15/bin/";

} // namespace

std::string withDatabase(const std::string& base, const std::string& database)
{
    std::size_t slash = base.find('/', base.find("://") + 3);
    std::size_t query = base.find('?', slash);
    return base.substr(0, slash + 1) + database +
           (query == std::string::npos ? "" : base.substr(query));
}

std::string shellQuoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

std::string serverQuery(const std::string& uri, const std::string& sql)
{
    return commandOutput(std::string(kServerBin) + "psql -XAtq -v ON_ERROR_STOP=1 -d " +
                         shellQuoted(uri) + " -c " + shellQuoted(sql));
}

std::string commandOutput(const std::string& command)
{
    FILE* out = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (out == nullptr) {
        return "<failed>";
    }
    std::string text;
    char buf[256];
    while (std::fgets(buf, sizeof buf, out) != nullptr) {
        text += buf;
    }
    if (::pclose(out) != 0) {
        return "<failed>";
    }
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

std::string linkServerCatalogue(const std::string& path)
{
    std::string base = serverBaseUri();
    if (base.empty()) {
        return {};
    }
    static int made = 0;
    std::string uri =
        withDatabase(base, "kavdb_t" + std::to_string(::getpid()) + "_" + std::to_string(++made));
    std::ofstream(path, std::ios::binary) << "kavdb-link 1\n" << uri << "\n";
    return uri;
}

void dropServerCatalogue(const std::string& uri)
{
    std::string base = serverBaseUri();
    std::size_t slash = uri.find('/', uri.find("://") + 3);
    std::string database = uri.substr(slash + 1, uri.find('?', slash) - slash - 1);
    std::string command = std::string(kServerBin) +
                          "dropdb --if-exists --force "
                          "--maintenance-db='" +
                          base + "' " + database + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        return; // a database left behind goes with the test server
    }
}

} // namespace kavdb::test
