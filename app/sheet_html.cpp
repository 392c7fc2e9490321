/*
 * The HTML contact sheet (sheet.h): pages with styles inline whose thumbnails are files in
 * the sheet's folder, loaded by the browser as they scroll into view, each linking to the
 * original photo; an index page listing the pages and the folders on each.
 */
#include "sheet.h"

namespace kavdb {
namespace {

constexpr const char* kStyle = R"(
body{font-family:sans-serif;margin:1.5em;background:#fafafa;color:#222}
h1{font-size:1.4em}
h2{font-size:1.05em;font-family:monospace;border-bottom:1px solid #ccc;padding-bottom:.2em}
nav{margin:1em 0}
nav a{margin-right:1em}
.grid{display:flex;flex-wrap:wrap;gap:12px}
figure{margin:0;width:176px;background:#fff;border:1px solid #ddd;padding:8px;box-sizing:border-box}
figure .frame{height:160px;display:flex;align-items:center;justify-content:center}
figcaption{font-size:11px;line-height:1.35;margin-top:6px;word-wrap:break-word}
figcaption b{display:block;font-size:12px}
)";

std::string escapeHtml(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string head(const std::string& title)
{
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           escapeHtml(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
}

std::string figure(const SheetEntry& e)
{
    std::string html = "<figure><div class=\"frame\"><a href=\"" + escapeHtml(fileUrl(e.path)) +
                       "\"><img loading=\"lazy\" src=\"" + escapeHtml(e.thumbnail) + "\" width=\"" +
                       std::to_string(e.thumbWidth) + "\" height=\"" +
                       std::to_string(e.thumbHeight) + "\" alt=\"" + escapeHtml(e.name) +
                       "\"></a></div><figcaption><b>" + escapeHtml(e.name) + "</b>";
    html += std::to_string(e.width) + " &times; " + std::to_string(e.height);
    if (e.fileBytes > 0)
        html += ", " + sizeText(e.fileBytes);
    if (!e.dateTaken.empty())
        html += "<br>" + escapeHtml(e.dateTaken);
    if (!e.camera.empty())
        html += "<br>" + escapeHtml(e.camera);
    return html + "</figcaption></figure>\n";
}

std::string navigation(int page, bool hasNext)
{
    std::string nav = "<nav>";
    if (page > 1)
        nav += "<a href=\"" + pageFileName(page - 1) + "\">&larr; previous</a>";
    nav += "<a href=\"index.html\">index</a>";
    if (hasNext)
        nav += "<a href=\"" + pageFileName(page + 1) + "\">next &rarr;</a>";
    return nav + "</nav>\n";
}

} // namespace

std::string renderPageHtml(const std::vector<SheetGroup>& groups, const std::string& title,
                           int page, bool hasNext)
{
    std::string html = head(title + " - page " + std::to_string(page));
    html += "<h1>" + escapeHtml(title) + " &mdash; page " + std::to_string(page) + "</h1>\n";
    html += navigation(page, hasNext);
    for (const SheetGroup& group : groups) {
        html += "<section>\n<h2>" + escapeHtml(group.folder) + "</h2>\n<div class=\"grid\">\n";
        for (const SheetEntry& entry : group.entries)
            html += figure(entry);
        html += "</div>\n</section>\n";
    }
    return html + navigation(page, hasNext) + "</body>\n</html>\n";
}

std::string renderIndexHtml(const std::vector<PageSummary>& pages, const std::string& title)
{
    std::size_t photos = 0;
    for (const PageSummary& p : pages)
        photos += p.photos;
    std::string html = head(title);
    html += "<h1>" + escapeHtml(title) + " &mdash; " + std::to_string(photos) + " photo" +
            (photos == 1 ? "" : "s") + "</h1>\n<ol>\n";
    for (const PageSummary& p : pages) {
        html += "<li><a href=\"" + pageFileName(p.page) + "\">page " + std::to_string(p.page) +
                "</a>: " + std::to_string(p.photos) + " photo" + (p.photos == 1 ? "" : "s");
        for (std::size_t i = 0; i < p.folders.size(); ++i)
            html += (i ? ", " : " in ") + escapeHtml(p.folders[i]);
        html += "</li>\n";
    }
    return html + "</ol>\n</body>\n</html>\n";
}

} // namespace kavdb
