/*
 * kavdb_rank (text_rank.h), through FTS5's extension API.
 */
#include "store/engine/text_rank.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace kavdb::engine {

namespace {

// BM25's saturation of a word's frequency, as FTS5's own bm25 has it.
constexpr double kK1 = 1.2;

int countHit(const Fts5ExtensionApi*, Fts5Context*, void* count)
{
    ++*static_cast<sqlite3_int64*>(count);
    return SQLITE_OK;
}

/* Each phrase's inverse document frequency, once per query: how rare it makes a match. */
std::vector<double>* phraseWeights(const Fts5ExtensionApi* api, Fts5Context* fts, int& rc)
{
    auto* idf = static_cast<std::vector<double>*>(api->xGetAuxdata(fts, 0));
    if (idf != nullptr) {
        return idf;
    }
    sqlite3_int64 rows = 0;
    rc = api->xRowCount(fts, &rows);
    auto weights = std::make_unique<std::vector<double>>();
    const int phrases = api->xPhraseCount(fts);
    if (phrases == 1) { // one weight ranks no differently than none, and costs a search
        weights->push_back(1.0);
    }
    for (int i = 0; rc == SQLITE_OK && phrases > 1 && i < phrases; ++i) {
        sqlite3_int64 hits = 0;
        rc = api->xQueryPhrase(fts, i, &hits, countHit);
        // As bm25: a word in more than half the documents still counts a little.
        weights->push_back(std::max(1e-6, std::log((rows - hits + 0.5) / (hits + 0.5))));
    }
    if (rc != SQLITE_OK) {
        return nullptr;
    }
    idf = weights.release();
    rc = api->xSetAuxdata(fts, idf, [](void* p) { delete static_cast<std::vector<double>*>(p); });
    return rc == SQLITE_OK ? idf : nullptr;
}

void rank(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* ctx, int nWeights,
          sqlite3_value** weights)
{
    int rc = SQLITE_OK;
    std::vector<double>* idf = phraseWeights(api, fts, rc);
    int matches = 0;
    if (idf != nullptr) {
        rc = api->xInstCount(fts, &matches);
    }
    std::vector<double> frequency(idf != nullptr ? idf->size() : 0, 0.0);
    for (int i = 0; rc == SQLITE_OK && i < matches; ++i) {
        int phrase = 0;
        int column = 0;
        int offset = 0;
        rc = api->xInst(fts, i, &phrase, &column, &offset);
        frequency[static_cast<std::size_t>(phrase)] +=
            column < nWeights ? sqlite3_value_double(weights[column]) : 1.0;
    }
    if (rc != SQLITE_OK) {
        sqlite3_result_error_code(ctx, rc);
        return;
    }
    double score = 0;
    for (std::size_t p = 0; p < frequency.size(); ++p) {
        score += (*idf)[p] * frequency[p] * (kK1 + 1) / (frequency[p] + kK1);
    }
    sqlite3_result_double(ctx, -score); // lower first, as FTS5's rank orders
}

} // namespace

void registerTextRank(sqlite3* db)
{
    fts5_api* api = nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?)", -1, &stmt, nullptr) != SQLITE_OK) {
        return; // an engine without FTS5: the text index answers that it is not supported
    }
    sqlite3_bind_pointer(stmt, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (api != nullptr && api->iVersion >= 2) {
        api->xCreateFunction(api, "kavdb_rank", nullptr, rank, nullptr);
    }
}

} // namespace kavdb::engine
