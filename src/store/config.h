/*
 * Configuration: kadb.ini (metadata tables and their items) and the level file kadb.dat.
 *
 * Both live beside the library (or in KAVDB_CONFIG_DIR); their paths are found once per
 * process, while kadb.ini's contents are read again on every call, so an application may
 * change it between calls. The reader follows the private-profile rules: names ignore
 * case, values are trimmed and lose one pair of surrounding quotes, ';' starts a comment,
 * the first match wins, and a value is cut to its buffer size minus one.
 */
#pragma once

#include "store/record_access.h"

#include <string>
#include <vector>

namespace kavdb::store {

/* The profile reader: the value of key in section of file, "" when absent. */
std::string GetProfileString(const std::string& section, const std::string& key,
                             std::size_t bufferSize, const std::string& file);

/* While one lives (an export call, nested calls included), kadb.ini is looked at on disk
 * once, at the first read, and taken as it was for the rest of the call: a folder walk
 * reads the configuration thousands of times. */
class ConfigCallScope {
  public:
    ConfigCallScope();
    ~ConfigCallScope();
    ConfigCallScope(const ConfigCallScope&) = delete;
    ConfigCallScope& operator=(const ConfigCallScope&) = delete;
};

HResult kaGetIniPath(std::string& out);
HResult kaGetDatPath(std::string& out);

/* "DataTable%d" and its TableName; an item value of a section. */
std::string sectionName(int k);
std::string kaReadTableName(int k, const std::string& ini);
std::string kaReadItem(int i, const std::string& section, const std::string& ini);
HResult kaCountDataTables(int32_t* count);

/* One item value "name,kind,size,": which commas it holds decides what it gives. */
struct ItemSpec {
    std::string name;
    bool hasFirstComma = false;  // a name was given
    bool hasSecondComma = false; // a kind was given
    bool hasThirdComma = false;  // a size was given
    int kind = 0;
    int size = 0;
};
ItemSpec parseItem(const std::string& value);

/* Every configured item, table by table and key by key: the running sequence. */
struct ConfiguredItem {
    int table = 0; // 1-based table number
    std::string tableName;
    std::string value; // the item's raw value
};
HResult configuredItems(std::vector<ConfiguredItem>& out);

/* Look-ups by table name (case-sensitive). */
HResult kaGetLinkColumn(const std::string& table, std::string& out); // "DataID%d"
HResult kaGetTableNames(std::vector<std::string>& out);
HResult kaGetTableName(std::string& out, int k);
HResult kaGetItemNames(const std::string& table, std::vector<std::string>& out);
HResult kaGetItemValues(const std::string& table, FieldValueList& out);

} // namespace kavdb::store
