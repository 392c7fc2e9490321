/*
 * Reading the contact sheet's HTML back in tests: every <img> with a PNG data URI, its
 * declared size and alt text. Plain string search: the data URIs are far too long for
 * std::regex, whose matcher recurses once per character.
 */
#pragma once

#include <string>
#include <vector>

namespace kavdb::test {

struct EmbeddedImage {
    std::string base64;
    int width = 0;
    int height = 0;
    std::string alt;
};

inline std::string attribute(const std::string& tag, const std::string& name)
{
    const std::string key = " " + name + "=\"";
    auto start = tag.find(key);
    if (start == std::string::npos)
        return {};
    start += key.size();
    return tag.substr(start, tag.find('"', start) - start);
}

inline std::vector<EmbeddedImage> embeddedImages(const std::string& html)
{
    std::vector<EmbeddedImage> images;
    const std::string prefix = "data:image/png;base64,";
    for (auto at = html.find("<img "); at != std::string::npos; at = html.find("<img ", at + 1)) {
        std::string tag = html.substr(at, html.find('>', at) - at);
        std::string src = attribute(tag, "src");
        if (src.compare(0, prefix.size(), prefix) != 0)
            continue;
        EmbeddedImage image;
        image.base64 = src.substr(prefix.size());
        image.width = std::stoi("0" + attribute(tag, "width"));
        image.height = std::stoi("0" + attribute(tag, "height"));
        image.alt = attribute(tag, "alt");
        images.push_back(image);
    }
    return images;
}

} // namespace kavdb::test
