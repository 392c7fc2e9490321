/*
 * Photos read ahead on worker threads arrive in list order, with the reason for each
 * one that cannot be read, whatever the depth; `add --jobs` gives the same catalogue.
 */
#include "command_fixture.h"
#include "photo_prefetch.h"

#include <fstream>

namespace kavdb::test {
namespace {

class PrefetchTest : public CommandTest {
  protected:
    std::vector<std::string> mixedFolder()
    {
        const std::string folder =
            copyPhotos("p", {"Canon_40D.jpg", "Fujifilm_FinePix_E500.jpg", "Nikon_D70.jpg"});
        std::ofstream(folder + "/broken.jpg") << "not a jpeg";
        return {folder + "/Canon_40D.jpg", folder + "/broken.jpg",
                folder + "/Fujifilm_FinePix_E500.jpg", folder + "/Nikon_D70.jpg"};
    }
};

TEST_F(PrefetchTest, PhotosArriveInListOrderAtEveryDepth)
{
    const std::vector<std::string> paths = mixedFolder();
    for (std::size_t depth : {1u, 2u, 8u}) {
        PhotoPrefetch reader(paths, depth);
        std::vector<int> widths;
        std::vector<std::string> errors;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            PhotoRead read = reader.next();
            widths.push_back(read.photo ? read.photo->image.width : -1);
            errors.push_back(read.error);
        }
        EXPECT_EQ(widths, (std::vector<int>{100, -1, 59, 100})) << "depth " << depth;
        EXPECT_EQ(errors[0], "");
        EXPECT_NE(errors[1], "") << "depth " << depth;
    }
    PhotoPrefetch abandoned(paths, 4); // the rest is left unread: it finishes quietly
    EXPECT_TRUE(abandoned.next().photo.has_value());
}

TEST_F(PrefetchTest, AddGivesTheSameRecordsWithOneJobOrMany)
{
    const std::vector<std::string> paths = mixedFolder();
    const std::string folder = paths[0].substr(0, paths[0].rfind('/'));
    for (const char* jobs : {"1", "4"}) {
        freshCatalogue();
        RunResult run = kavdbExits({"add", "--jobs", jobs, folder}, 1); // broken.jpg
        EXPECT_THAT(run.out, HasSubstr("4 photos: 3 read, 0 already up to date, 1 unreadable"));
        EXPECT_EQ(metaText(paths[3], "ExifInfo", "Model"), "NIKON D70");
        EXPECT_TRUE(hasRow(paths[1]));
    }
}

} // namespace
} // namespace kavdb::test
