/*
 * Path keys and the library's SQL text helpers.
 */
#include "store/record_access.h"

#include <gtest/gtest.h>

namespace kavdb::store {
namespace {

TEST(PathKeysTest, SplitsFolderAndName)
{
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
    } cases[] = {
        {"C:\\photos\\a.jpg", "C:\\photos\\", "a.jpg"},
        {"C:\\a.jpg", "C:\\", "a.jpg"},
        {"/home/u/p/a.jpg", "/home/u/p/", "a.jpg"},
        {"/home/u\\mixed/b.png", "/home/u\\mixed/", "b.png"},
        {"a.jpg", "", "a.jpg"},
        {"C:a.jpg", "C:", "a.jpg"},
        {"/x/y/", "/x/y/", ""},
    };
    for (const auto& c : cases) {
        std::string folder, name;
        EXPECT_EQ(GetFolderPart(c.path, folder), S_OK) << c.path;
        EXPECT_EQ(folder, c.folder) << c.path;
        HResult hr = GetFileNamePart(c.path, name);
        EXPECT_EQ(name, c.name) << c.path;
        EXPECT_EQ(hr, *c.name ? S_OK : E_FAIL) << c.path;
    }
}

TEST(PathKeysTest, RefusesMissingAndOversizedInput)
{
    std::string out;
    EXPECT_EQ(GetFolderPart(nullptr, out), E_INVALIDARG);
    EXPECT_EQ(GetFolderPart("", out), E_INVALIDARG);
    EXPECT_EQ(GetFileNamePart(nullptr, out), E_INVALIDARG);
    std::string longFolder = "/" + std::string(kFolderMax, 'd') + "/a.jpg";
    EXPECT_EQ(GetFolderPart(longFolder.c_str(), out), E_INVALIDARG);
    std::string atLimit = "/" + std::string(kFolderMax - 2, 'd') + "/a.jpg";
    EXPECT_EQ(GetFolderPart(atLimit.c_str(), out), S_OK);
    std::string longName = "/d/" + std::string(kNameMax, 'n') + ".jpg";
    EXPECT_EQ(GetFileNamePart(longName.c_str(), out), E_INVALIDARG);
}

TEST(PathKeysTest, FolderPathIsATextWithoutAnyDot)
{
    EXPECT_TRUE(IsFolderPath("C:\\photos"));
    EXPECT_TRUE(IsFolderPath("/home/u/photos"));
    EXPECT_FALSE(IsFolderPath("C:\\photos.2004\\readme"));
    EXPECT_FALSE(IsFolderPath(""));
    EXPECT_FALSE(IsFolderPath(nullptr));
}

TEST(PathKeysTest, AppendsTheSeparatorTheTextAlreadyUses)
{
    std::string a = "C:\\photos", b = "/home/p", c = "plain", d = "/mixed\\last";
    appendSeparator(a);
    appendSeparator(b);
    appendSeparator(c);
    appendSeparator(d);
    EXPECT_EQ(a, "C:\\photos\\");
    EXPECT_EQ(b, "/home/p/");
    EXPECT_EQ(c, "plain/");
    EXPECT_EQ(d, "/mixed\\last\\");
}

TEST(SqlTextTest, QuoteDoublesDoubleQuotesOnly)
{
    EXPECT_EQ(quoteText("a\"b"), "a\"\"b");
    EXPECT_EQ(quoteText("it's"), "it's");
    EXPECT_EQ(quoteText("\"\""), "\"\"\"\"");
    EXPECT_EQ(sqlf("(%s = %d)", "PathID", 7), "(PathID = 7)");
    for (std::size_t size : {510u, 511u, 512u, 5000u}) { // around the short-text buffer
        std::string name(size, 'n');
        EXPECT_EQ(sqlf("F=\"%s\"", name.c_str()), "F=\"" + name + "\"") << size;
    }
}

TEST(FieldListTest, FindsTheFirstTextNameExactly)
{
    FieldValueList list = {{Value::integer(1), Value::integer(10)},
                           {Value::text("Name"), Value::integer(1)},
                           {Value::text("Name"), Value::integer(2)},
                           {Value::text("name"), Value::integer(3)}};
    ASSERT_NE(findField(list, "Name"), nullptr);
    EXPECT_EQ(findField(list, "Name")->value.asInt(), 1);
    EXPECT_EQ(findField(list, "name")->value.asInt(), 3);
    EXPECT_EQ(findField(list, "Other"), nullptr);
}

} // namespace
} // namespace kavdb::store
