/*
 * The HTML contact sheet: one page, styles inline, each thumbnail a PNG data URI, so the
 * file opens in any browser without network or companion files.
 */
#include "sheet.h"

#include "base64.h"
#include "imaging/png.h"

namespace kavdb {
namespace {

constexpr const char* kStyle = R"(
body{font-family:sans-serif;margin:1.5em;background:#fafafa;color:#222}
h1{font-size:1.4em}
h2{font-size:1.05em;font-family:monospace;border-bottom:1px solid #ccc;padding-bottom:.2em}
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

std::string figure(const SheetEntry& e)
{
    std::string png = base64Encode(imaging::encodePng(e.rgb, e.thumbWidth, e.thumbHeight));
    std::string html = "<figure><div class=\"frame\"><img src=\"data:image/png;base64," + png +
                       "\" width=\"" + std::to_string(e.thumbWidth) + "\" height=\"" +
                       std::to_string(e.thumbHeight) + "\" alt=\"" + escapeHtml(e.name) +
                       "\"></div><figcaption><b>" + escapeHtml(e.name) + "</b>";
    html += std::to_string(e.width) + " &times; " + std::to_string(e.height);
    if (e.fileBytes > 0)
        html += ", " + sizeText(e.fileBytes);
    if (!e.dateTaken.empty())
        html += "<br>" + escapeHtml(e.dateTaken);
    if (!e.camera.empty())
        html += "<br>" + escapeHtml(e.camera);
    return html + "</figcaption></figure>\n";
}

} // namespace

std::string renderSheetHtml(const std::vector<SheetGroup>& groups, const std::string& title)
{
    std::size_t photos = 0;
    for (const SheetGroup& g : groups)
        photos += g.entries.size();
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>" +
                       escapeHtml(title) + "</title>\n<style>" + kStyle +
                       "</style>\n</head>\n<body>\n<h1>" + escapeHtml(title) + " &mdash; " +
                       std::to_string(photos) + " photo" + (photos == 1 ? "" : "s") + "</h1>\n";
    for (const SheetGroup& group : groups) {
        html += "<section>\n<h2>" + escapeHtml(group.folder) + "</h2>\n<div class=\"grid\">\n";
        for (const SheetEntry& entry : group.entries)
            html += figure(entry);
        html += "</div>\n</section>\n";
    }
    return html + "</body>\n</html>\n";
}

} // namespace kavdb
