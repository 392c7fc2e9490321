/*
 * Duplicate finding on a generated test set: scenes of shapes on gradients, each with
 * a resized, a re-encoded and a 2%-cropped copy (all to be found with their scene) and a
 * burst-like near miss, the subject moved as in the next frame of a burst (never to be
 * grouped with it). Recall must reach 95% and false groups stay at or below 1%. Also the
 * index against plain pairwise comparison, identical files grouped by content, and the
 * finer hash keeping apart what the coarse one joins.
 */
#include "duplicates.h"
#include "hamming_index.h"
#include "imaging/perceptual_hash.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

namespace kavdb {
namespace {

using vips::VImage;

struct Shape {
    int x, y, w, h;
    std::vector<double> colour;
};

struct Scene {
    std::vector<double> top, bottom;
    std::vector<Shape> shapes;
};

Scene randomScene(std::mt19937& rng)
{
    std::uniform_int_distribution<int> c(0, 255), pos(0, 1000), size(60, 160);
    auto colour = [&] { return std::vector<double>{1.0 * c(rng), 1.0 * c(rng), 1.0 * c(rng)}; };
    Scene s{colour(), colour(), {}};
    for (int i = 0; i < 6; ++i) {
        const int w = size(rng), h = size(rng);
        // Inside the frame, with room for the subject's move.
        s.shapes.push_back({pos(rng) % (480 - w - 40), pos(rng) % (360 - h), w, h, colour()});
    }
    // The subject stands out from the background, as the subject of a burst does.
    for (int i = 4; i < 6; ++i)
        for (int band = 0; band < 3; ++band)
            s.shapes[i].colour[band] = 255 - (s.top[band] + s.bottom[band]) / 2;
    return s;
}

VImage render(const Scene& s, int shift = 0)
{
    VImage y = VImage::xyz(480, 360)[1] / 359.0;
    VImage image = (y * s.bottom + (1 - y) * s.top).cast(VIPS_FORMAT_UCHAR);
    for (std::size_t i = 0; i < s.shapes.size(); ++i) {
        const Shape& shape = s.shapes[i];
        // A burst: the subject (the last shapes, in front) moves, the rest stays.
        const int dx = i >= 4 ? shift : 0;
        image.draw_rect(shape.colour, shape.x + dx, shape.y, shape.w, shape.h,
                        VImage::option()->set("fill", true));
    }
    return image.copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

FingerprintedFile fingerprinted(const std::string& path, const VImage& image, int quality = 90)
{
    void* buffer = nullptr;
    std::size_t size = 0;
    image.write_to_buffer(".jpg", &buffer, &size, VImage::option()->set("Q", quality));
    imaging::Thumbnail thumb = imaging::makeThumbnail(static_cast<uint8_t*>(buffer), size);
    g_free(buffer);
    return {path, path, imaging::perceptualHash(thumb), imaging::detailHash(thumb)};
}

TEST(DupesTest, FindsCopiesOfAPictureButNotTheNextFrameOfABurst)
{
    test::startTestVips();
    std::mt19937 rng(19);
    std::vector<FingerprintedFile> files;
    std::map<std::string, int> sceneOf; // path -> scene
    std::set<std::string> nearMisses;
    const int scenes = 120;
    for (int n = 0; n < scenes; ++n) {
        Scene scene = randomScene(rng);
        VImage picture = render(scene);
        auto add = [&](const std::string& kind, const VImage& image, int quality = 90) {
            const std::string path = std::to_string(n) + "/" + kind;
            files.push_back(fingerprinted(path, image, quality));
            sceneOf[path] = n;
        };
        add("original", picture);
        add("resized", picture.resize(0.5));
        add("re-encoded", picture, 40);
        add("cropped", picture.crop(5, 4, 470, 352));
        add("burst", render(scene, 40));
        nearMisses.insert(std::to_string(n) + "/burst");
    }
    std::vector<DuplicateGroup> groups = findDuplicates(files, kDefaultDistance);
    std::map<std::string, std::size_t> groupOf;
    std::size_t falseGroups = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        std::set<int> scenesIn;
        bool burst = false;
        for (const std::string& path : groups[g].paths) {
            groupOf[path] = g;
            scenesIn.insert(sceneOf[path]);
            burst = burst || nearMisses.count(path) > 0;
        }
        falseGroups += scenesIn.size() > 1 || burst ? 1 : 0;
    }
    int found = 0;
    for (const FingerprintedFile& f : files) {
        const std::string original = std::to_string(sceneOf[f.path]) + "/original";
        if (f.path != original && !nearMisses.count(f.path) && groupOf.count(f.path) &&
            groupOf.count(original) && groupOf[f.path] == groupOf[original])
            ++found;
    }
    const double recall = found / (3.0 * scenes);
    EXPECT_GE(recall, 0.95);
    EXPECT_LE(falseGroups, 0.01 * groups.size()) << falseGroups << " of " << groups.size();
    RecordProperty("recall", std::to_string(recall));
    RecordProperty("false_groups",
                   std::to_string(falseGroups) + "/" + std::to_string(groups.size()));
}

TEST(DupesTest, TheIndexFindsEveryPairThatPlainComparisonFinds)
{
    std::mt19937_64 rng(7);
    std::vector<uint64_t> hashes;
    for (int i = 0; i < 3000; ++i) {
        hashes.push_back(rng());
        uint64_t near = hashes.back();
        for (int flips = i % 12; flips > 0; --flips)
            near ^= uint64_t{1} << (rng() % 64);
        hashes.push_back(near);
    }
    for (int distance : {0, 3, 8, 12}) {
        std::set<HashPair> plain;
        std::vector<HashPair> found = pairsWithin(hashes, distance);
        std::set<HashPair> indexed(found.begin(), found.end());
        for (std::size_t i = 0; i < hashes.size(); ++i)
            for (std::size_t j = i + 1; j < hashes.size(); ++j)
                if (imaging::hammingDistance(hashes[i], hashes[j]) <= distance)
                    plain.insert({static_cast<uint32_t>(i), static_cast<uint32_t>(j)});
        EXPECT_EQ(indexed, plain) << "distance " << distance;
    }
}

TEST(DupesTest, IdenticalFilesGroupByContentAndAlsoJoinTheirSimilarPictures)
{
    std::vector<FingerprintedFile> files = {{"/a/1.jpg", "c1", 0x0f0f, {}},
                                            {"/b/1.jpg", "c1", 0x0f0f, {}},
                                            {"/a/2.jpg", "c2", 0x0f0e, {}},
                                            {"/a/3.jpg", "c3", ~uint64_t{0}, {}},
                                            {"/a/4.nef", "c4", std::nullopt, {}}};
    std::vector<DuplicateGroup> groups = findDuplicates(files, 1);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_TRUE(groups[0].identical);
    EXPECT_EQ(groups[0].paths, (std::vector<std::string>{"/a/1.jpg", "/b/1.jpg"}));
    EXPECT_FALSE(groups[1].identical);
    EXPECT_EQ(groups[1].paths, (std::vector<std::string>{"/a/1.jpg", "/a/2.jpg", "/b/1.jpg"}));
    // The same coarse hash, finer hashes 64 bits apart: not similar.
    EXPECT_TRUE(findDuplicates({{"/a/5.jpg", "c5", 0x0f0f, {0, 0, 0, ~uint64_t{0}}},
                                {"/a/6.jpg", "c6", 0x0f0f, {0, 0, 0, 0}}},
                               8)
                    .empty());
}

} // namespace
} // namespace kavdb
