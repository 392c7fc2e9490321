/*
 * Calls on a server catalogue that meet a serialization failure or a deadlock run again
 * whole, a few times at most. The server raises the failures itself: a trigger the test
 * installs with psql fails the next few changes of a file row with the SQLSTATE asked for.
 */
#include "support/fixture.h"
#include "support/server.h"

namespace kavdb::test {
namespace {

class ServerRetryTest : public CatalogueTest {
  protected:
    void SetUp() override
    {
        if (!onServer()) {
            GTEST_SKIP() << "a conflict needs a server catalogue";
        }
        CatalogueTest::SetUp();
        file_ = makeFile("photos/a.jpg");
        ASSERT_EQ(registerWith(file_), S_OK);
    }

    /* The next `times` changes of a file row fail with state; kavdb_tries counts them. */
    void failNext(int times, const std::string& state)
    {
        std::string sql =
            "CREATE SEQUENCE kavdb_tries; CREATE FUNCTION kavdb_fail() RETURNS trigger "
            "LANGUAGE plpgsql AS $$ BEGIN IF nextval('kavdb_tries') <= " +
            std::to_string(times) + " THEN RAISE EXCEPTION 'made to fail' USING ERRCODE = '" +
            state +
            "'; END IF; RETURN NEW; END $$; CREATE TRIGGER kavdb_fail BEFORE UPDATE ON "
            "\"MainTable\" FOR EACH ROW EXECUTE FUNCTION kavdb_fail()";
        ASSERT_EQ(serverQuery(serverCatalogues_.back(), sql), "");
    }
    int tries()
    {
        return std::stoi(
            serverQuery(serverCatalogues_.back(), "SELECT last_value FROM kavdb_tries"));
    }

    std::string file_;
};

TEST_F(ServerRetryTest, ConflictsAreRunAgainWholeAndGiveUpAfterFiveAttempts)
{
    const std::tuple<int, const char*, HRESULT, const char*, int> cases[] = {
        {2, "40001", S_OK, "written", 3},
        {2, "40P01", S_OK, "written", 3},
        {9, "40001", E_FAIL, "", 5}};
    for (const auto& [failures, state, result, written, attempts] : cases) {
        SCOPED_TRACE(std::to_string(failures) + " x " + state);
        ASSERT_EQ(serverQuery(serverCatalogues_.back(),
                              "DROP TRIGGER IF EXISTS kavdb_fail ON \"MainTable\"; DROP FUNCTION "
                              "IF EXISTS kavdb_fail; DROP SEQUENCE IF EXISTS kavdb_tries"),
                  "");
        ASSERT_EQ(KaAVDBWriteComment(db_, file_.c_str(), ""), S_OK);
        failNext(failures, state);
        errors().clear();
        EXPECT_EQ(KaAVDBWriteComment(db_, file_.c_str(), "written"), result);
        EXPECT_EQ(tries(), attempts);
        EXPECT_EQ(comment(file_), written);
        if (result != S_OK) {
            ASSERT_FALSE(errors().empty());
            EXPECT_EQ(errors().back().message, "Failed to complete the call after 5 attempts");
        }
    }
}

} // namespace
} // namespace kavdb::test
