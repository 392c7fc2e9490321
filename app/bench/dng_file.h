/*
 * DNG files made in memory, for the RAW benchmark and the RAW tests: a colour scene
 * sampled through an RGGB colour filter (16 bits per sample, uncompressed), the camera
 * tags a DNG reader needs, an EXIF block, and optionally an embedded JPEG preview in the
 * first IFD with the sensor data in a sub-IFD, as cameras and converters write them.
 */
#pragma once

#include <vips/vips8>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace kavdb::test {

struct DngSpec {
    vips::VImage scene;      // 8-bit sRGB, the sensor's size
    int orientation = 1;     // the EXIF value the file carries
    int previewLongSide = 0; // 0: no embedded preview
    std::string model = "Test DNG";
};

class TiffWriter {
  public:
    enum Type : uint16_t {
        kByte = 1,
        kAscii = 2,
        kShort = 3,
        kLong = 4,
        kRational = 5,
        kSRational = 10
    };
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        std::vector<uint8_t> value;
    };

    TiffWriter() { out_ = {'I', 'I', 42, 0, 0, 0, 0, 0}; }

    static Entry numbers(uint16_t tag, Type type, const std::vector<int64_t>& values)
    {
        const std::size_t width = type == kByte ? 1 : type == kShort ? 2 : 4;
        Entry e{tag, type, static_cast<uint32_t>(values.size()), {}};
        if (type == kRational || type == kSRational)
            e.count /= 2; // values hold numerator, denominator pairs
        for (int64_t v : values)
            for (std::size_t b = 0; b < width; ++b)
                e.value.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * b)));
        return e;
    }
    static Entry text(uint16_t tag, const std::string& s)
    {
        Entry e{tag, kAscii, static_cast<uint32_t>(s.size() + 1), {s.begin(), s.end()}};
        e.value.push_back(0);
        return e;
    }

    /* Appends bytes, word-aligned; returns their offset. */
    uint32_t append(const uint8_t* data, std::size_t size)
    {
        if (out_.size() % 2)
            out_.push_back(0);
        uint32_t offset = static_cast<uint32_t>(out_.size());
        out_.insert(out_.end(), data, data + size);
        return offset;
    }

    /* Writes an IFD (entries sorted here), its long values after it; returns its offset. */
    uint32_t ifd(std::vector<Entry> entries)
    {
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        uint32_t at = append(nullptr, 0);
        uint32_t spill = at + 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
        std::vector<uint8_t> head, tail;
        put(head, entries.size(), 2);
        for (const Entry& e : entries) {
            put(head, e.tag, 2);
            put(head, e.type, 2);
            put(head, e.count, 4);
            if (e.value.size() <= 4) {
                std::vector<uint8_t> v = e.value;
                v.resize(4, 0);
                head.insert(head.end(), v.begin(), v.end());
            } else {
                put(head, spill + tail.size(), 4);
                tail.insert(tail.end(), e.value.begin(), e.value.end());
                if (tail.size() % 2)
                    tail.push_back(0);
            }
        }
        put(head, 0, 4);
        out_.insert(out_.end(), head.begin(), head.end());
        out_.insert(out_.end(), tail.begin(), tail.end());
        return at;
    }

    std::vector<uint8_t> finish(uint32_t firstIfd)
    {
        for (int b = 0; b < 4; ++b)
            out_[4 + b] = static_cast<uint8_t>(firstIfd >> (8 * b));
        return std::move(out_);
    }

  private:
    static void put(std::vector<uint8_t>& v, uint64_t value, int bytes)
    {
        for (int b = 0; b < bytes; ++b)
            v.push_back(static_cast<uint8_t>(value >> (8 * b)));
    }
    std::vector<uint8_t> out_;
};

/* The scene through an RGGB filter, 16-bit little-endian samples. */
inline std::vector<uint8_t> mosaic(const vips::VImage& scene)
{
    std::size_t size = 0;
    auto* rgb = static_cast<uint8_t*>(scene.write_to_memory(&size));
    const int w = scene.width(), h = scene.height();
    std::vector<uint8_t> out(static_cast<std::size_t>(w) * h * 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int channel = (y % 2) + (x % 2); // R, G, G, B
            const uint16_t v = rgb[(static_cast<std::size_t>(y) * w + x) * 3 + channel] * 257;
            out[(static_cast<std::size_t>(y) * w + x) * 2] = v & 0xff;
            out[(static_cast<std::size_t>(y) * w + x) * 2 + 1] = v >> 8;
        }
    g_free(rgb);
    return out;
}

inline std::vector<uint8_t> makeDng(const DngSpec& spec)
{
    using T = TiffWriter;
    T tiff;
    const int w = spec.scene.width(), h = spec.scene.height();
    std::vector<uint8_t> sensor = mosaic(spec.scene);
    uint32_t sensorAt = tiff.append(sensor.data(), sensor.size());
    std::vector<T::Entry> raw = {T::numbers(254, T::kLong, {0}),
                                 T::numbers(256, T::kLong, {w}),
                                 T::numbers(257, T::kLong, {h}),
                                 T::numbers(258, T::kShort, {16}),
                                 T::numbers(259, T::kShort, {1}),
                                 T::numbers(262, T::kShort, {32803}),
                                 T::numbers(273, T::kLong, {sensorAt}),
                                 T::numbers(277, T::kShort, {1}),
                                 T::numbers(278, T::kLong, {h}),
                                 T::numbers(279, T::kLong, {static_cast<int64_t>(sensor.size())}),
                                 T::numbers(284, T::kShort, {1}),
                                 T::numbers(33421, T::kShort, {2, 2}),
                                 T::numbers(33422, T::kByte, {0, 1, 1, 2}),
                                 T::numbers(50717, T::kLong, {65535})};
    uint32_t exif = tiff.ifd(
        {T::numbers(33434, T::kRational, {1, 250}), T::numbers(33437, T::kRational, {56, 10}),
         T::numbers(34855, T::kShort, {200}), T::text(36867, "2024:05:01 10:00:00")});
    std::vector<T::Entry> first = {
        T::text(271, "Kavdb"),
        T::text(272, spec.model),
        T::numbers(274, T::kShort, {spec.orientation}),
        T::numbers(34665, T::kLong, {exif}),
        T::numbers(50706, T::kByte, {1, 4, 0, 0}),
        T::text(50708, "Kavdb " + spec.model),
        T::numbers(50721, T::kSRational, {1, 1, 0, 1, 0, 1, 0, 1, 1, 1, 0, 1, 0, 1, 0, 1, 1, 1}),
        T::numbers(50728, T::kRational, {1, 1, 1, 1, 1, 1}),
        T::numbers(50778, T::kShort, {21})};
    if (spec.previewLongSide == 0) {
        first.insert(first.end(), raw.begin(), raw.end());
        return tiff.finish(tiff.ifd(first));
    }
    uint32_t rawIfd = tiff.ifd(raw);
    vips::VImage preview = spec.scene.thumbnail_image(
        spec.previewLongSide, vips::VImage::option()->set("height", spec.previewLongSide));
    void* jpeg = nullptr;
    std::size_t jpegSize = 0;
    preview.write_to_buffer(".jpg", &jpeg, &jpegSize, vips::VImage::option()->set("strip", true));
    uint32_t previewAt = tiff.append(static_cast<uint8_t*>(jpeg), jpegSize);
    g_free(jpeg);
    std::vector<T::Entry> previewTags = {
        T::numbers(254, T::kLong, {1}),
        T::numbers(256, T::kLong, {preview.width()}),
        T::numbers(257, T::kLong, {preview.height()}),
        T::numbers(258, T::kShort, {8, 8, 8}),
        T::numbers(259, T::kShort, {7}),
        T::numbers(262, T::kShort, {6}),
        T::numbers(273, T::kLong, {previewAt}),
        T::numbers(277, T::kShort, {3}),
        T::numbers(278, T::kLong, {preview.height()}),
        T::numbers(279, T::kLong, {static_cast<int64_t>(jpegSize)}),
        T::numbers(284, T::kShort, {1}),
        T::numbers(330, T::kLong, {rawIfd})};
    first.insert(first.end(), previewTags.begin(), previewTags.end());
    return tiff.finish(tiff.ifd(first));
}

} // namespace kavdb::test
