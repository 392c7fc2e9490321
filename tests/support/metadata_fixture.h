/*
 * Fixture for tests of metadata operations: files registered without metadata, MetaData
 * written through the public export, and the catalogue's rows and links read back
 * through the store's row operations.
 */
#pragma once

#include "store/folder_rows.h"
#include "store/row_ops.h"
#include "support/fixture.h"

#include <string>
#include <vector>

namespace kavdb::test {

class MetadataTest : public CatalogueTest {
  protected:
    HRESULT registerFile(const std::string& path)
    {
        return KaAVDBRegisterFile(db_, path.c_str(), nullptr, nullptr);
    }

    /* Writes the MetaData (the test's tags are released afterwards). */
    HRESULT write(const std::string& path, std::vector<MetaData> metas)
    {
        MetaDataList list(metas.begin(), metas.end());
        HRESULT hr = KaAVDBWriteData(db_, path.c_str(), &list);
        releaseTestTags(list);
        return hr;
    }
    HRESULT write(const std::string& path, const MetaData& meta)
    {
        return write(path, std::vector<MetaData>{meta});
    }

    int32_t rows(const std::string& sql)
    {
        int32_t n = -1;
        EXPECT_EQ(store::kaGetDataCount(db_, sql, &n), S_OK) << sql;
        return n;
    }
    int32_t tableRows(const char* table) { return rows(store::sqlf("SELECT * FROM %s ", table)); }
    bool rowExists(const char* table, int32_t dataId)
    {
        return rows(store::folderRowsSql(table, "DataID", dataId)) == 1;
    }

    /* The file's link column of table number k: its DataID, or 0 when Null. */
    int32_t link(const std::string& path, int k)
    {
        std::string folder, name;
        store::GetFolderPart(path.c_str(), folder);
        store::GetFileNamePart(path.c_str(), name);
        int32_t pathId = -1;
        EXPECT_EQ(store::kaGetPathID(db_, folder.c_str(), &pathId, false, false), S_OK) << path;
        store::Value v;
        std::string column = "DataID" + std::to_string(k);
        EXPECT_EQ(
            store::kaGetData(db_, store::fileRowSql(pathId, name), store::Value::text(column), &v),
            S_OK)
            << path;
        return v.isInt() ? v.asInt() : 0;
    }

    /* One item's text or integer from the table row of that DataID. */
    store::Value item(const char* table, int32_t dataId, const char* column)
    {
        store::Value v;
        EXPECT_EQ(store::kaGetData(db_, store::folderRowsSql(table, "DataID", dataId),
                                   store::Value::text(column), &v),
                  S_OK);
        return v;
    }
};

} // namespace kavdb::test
