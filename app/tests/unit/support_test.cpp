/*
 * Small pieces of the tool: result-code words, paths and the folder walk that finds
 * photos (where the catalogue lives and which files are sidecars are tested through the
 * commands), the progress line's text and its drawing in place (when it is wanted is tested
 * through `kavdb add`).
 */
#include "paths.h"
#include "progress.h"
#include "result_words.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kavdb {
namespace {

TEST(ResultWords, KnownCodesReadAsWords)
{
    for (HRESULT code : {E_INVALIDARG, E_FAIL, KAVDB_E_ALREADY_EXISTS, KAVDB_E_NOT_FOUND,
                         KAVDB_E_OUT_OF_RANGE, KAVDB_E_SYNTAX})
        EXPECT_EQ(resultWords(code).find("error 0x"), std::string::npos) << resultHex(code);
    EXPECT_EQ(resultWords(static_cast<HRESULT>(0x80123456)), "error 0x80123456");
}

TEST(Paths, ArgumentsBecomeAbsoluteAndNormalAndAFolderHoldsOnlyWholeNames)
{
    const std::string cwd = fs::current_path().string();
    EXPECT_EQ(absolutePath("a/b/../c/"), cwd + "/a/c");
    EXPECT_EQ(absolutePath("./photo.jpg"), cwd + "/photo.jpg");
    EXPECT_EQ(absolutePath("/x//y/./z/"), "/x/y/z");
    EXPECT_EQ(absolutePath("/"), "/");
    EXPECT_EQ(folderKey("/x/y/"), "/x/y/");
    EXPECT_EQ(folderKey("/x/y"), "/x/y/");
    EXPECT_EQ(folderFromKey("/x/y/"), "/x/y");
    EXPECT_EQ(parentFolder("/x/y/a.jpg"), "/x/y");
    EXPECT_EQ(parentFolder("/a.jpg"), "/");
    EXPECT_EQ(fileName("/x/y/a.jpg"), "a.jpg");
    EXPECT_TRUE(folderWithin("/a/", "/a"));
    EXPECT_TRUE(folderWithin("/a/b/c/", "/a"));
    EXPECT_FALSE(folderWithin("/ab/", "/a"));
    EXPECT_FALSE(folderWithin("/b/", "/a"));
    EXPECT_TRUE(folderWithin("/b/", "/"));
}

TEST(Paths, FolderWalkFindsFilesAndPhotosByFolderInNameOrder)
{
    test::startTestVips();
    fs::path root = fs::path(::testing::TempDir()) / "walk";
    fs::remove_all(root);
    fs::create_directories(root / "sub" / "deeper");
    fs::create_directories(root / "elsewhere");
    for (const char* rel : {"b.jpg", "a.PNG", "notes.txt", "README", "sub/z.tif", "sub/y.webp",
                            "sub/deeper/x.jpeg", "elsewhere/far.jpg"})
        std::ofstream(root / rel) << "x";
    fs::create_directory_symlink(root / "elsewhere", root / "sub" / "link-to-folder");
    fs::create_symlink(root / "b.jpg", root / "sub" / "link.jpg");

    auto rel = [&](const std::string& p) { return fs::path(p).lexically_relative(root).string(); };
    using Group = std::pair<std::string, std::vector<std::string>>;
    std::vector<Group> got;
    for (const FolderImages& g : findImages(root.string())) {
        got.emplace_back(rel(g.folder), std::vector<std::string>{});
        for (const std::string& p : g.paths)
            got.back().second.push_back(rel(p));
    }
    EXPECT_EQ(got, (std::vector<Group>{
                       {".", {"a.PNG", "b.jpg"}},
                       {"elsewhere", {"elsewhere/far.jpg"}},
                       {"sub", {"sub/link.jpg", "sub/y.webp", "sub/z.tif"}},
                       {"sub/deeper", {"sub/deeper/x.jpeg"}},
                   }));
    std::vector<std::string> all;
    for (const std::string& p : findFiles(root.string()))
        all.push_back(rel(p));
    EXPECT_EQ(all, (std::vector<std::string>{"README", "a.PNG", "b.jpg", "elsewhere/far.jpg",
                                             "notes.txt", "sub/deeper/x.jpeg", "sub/link.jpg",
                                             "sub/y.webp", "sub/z.tif"}));
    fs::remove_all(root);
}

TEST(ProgressLine, SaysDoneTotalRateAndTimeLeft)
{
    EXPECT_EQ(Progress::line("add", 50, 200, 10.0), "add  50/200 files  5.0 files/s  0:30 left");
    EXPECT_EQ(Progress::line("add", 0, 10, 0.0), "add  0/10 files  0.0 files/s  --:-- left");
    EXPECT_EQ(Progress::line("sheet", 1, 7201, 1.0),
              "sheet  1/7201 files  1.0 files/s  2:00:00 left");
    EXPECT_EQ(Progress::line("add", 10, 10, 2.0), "add  10/10 files  5.0 files/s  0:00 left");
}

TEST(ProgressLine, EnabledRedrawsInPlaceAndClearsAtTheEnd)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    auto text = [&] {
        std::fflush(out);
        return std::string(buffer, size);
    };
    Progress progress(out, true, 2, "add");
    progress.advance(2); // the last step is always drawn
    std::string drawn = text();
    EXPECT_EQ(drawn.rfind("\radd  2/2 files", 0), 0u) << drawn;
    EXPECT_NE(drawn.find("\x1b[K"), std::string::npos);
    progress.finish();
    progress.advance(); // nothing after finish
    EXPECT_EQ(text(), drawn + "\r\x1b[K");
    std::fclose(out);
    std::free(buffer);
}

} // namespace
} // namespace kavdb
