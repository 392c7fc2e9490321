/*
 * Reading the contact sheet's HTML back in tests: every thumbnail <img> with its file,
 * declared size, alt text and lazy loading, and the link around it; and any file's whole
 * text, which the command tests read their output and catalogues with.
 */
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kavdb::test {

struct SheetImage {
    std::string src;
    std::string href; // the enclosing link
    int width = 0;
    int height = 0;
    std::string alt;
    bool lazy = false;
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

inline std::vector<SheetImage> sheetImages(const std::string& html)
{
    std::vector<SheetImage> images;
    for (auto at = html.find("<img "); at != std::string::npos; at = html.find("<img ", at + 1)) {
        std::string tag = html.substr(at, html.find('>', at) - at);
        auto link = html.rfind("<a ", at);
        SheetImage image;
        image.src = attribute(tag, "src");
        image.href =
            link == std::string::npos ? "" : attribute(html.substr(link, at - link), "href");
        image.width = std::stoi("0" + attribute(tag, "width"));
        image.height = std::stoi("0" + attribute(tag, "height"));
        image.alt = attribute(tag, "alt");
        image.lazy = attribute(tag, "loading") == "lazy";
        images.push_back(image);
    }
    return images;
}

inline std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace kavdb::test
