/*
 * libvips start-up and error text. VIPS_INIT must run once per process; warnings arrive
 * through GLib's log under the "VIPS" domain, so a handler for that domain silences them.
 */
#include "imaging/vips_runtime.h"

#include <vips/vips.h>

#include <cstdlib>
#include <mutex>

namespace kavdb::imaging {
namespace {

void dropLogMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

std::string firstLine(const char* text)
{
    std::string s = text ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    // libvips stacks one line per layer; the innermost (decoder) line says most.
    auto nl = s.find('\n');
    return nl == std::string::npos ? s : s.substr(0, nl);
}

} // namespace

void startVips(const char* argv0, bool showWarnings)
{
    static std::once_flag once;
    std::call_once(once, [&] {
        if (VIPS_INIT(argv0 ? argv0 : "kavdb") != 0)
            std::abort(); // without libvips no image can be read at all
        if (!showWarnings)
            g_log_set_handler("VIPS",
                              static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING |
                                                          G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO),
                              dropLogMessage, nullptr);
    });
}

BorrowedBlob::BorrowedBlob(const void* data, std::size_t size)
    : blob_(vips_blob_new(nullptr, data, size))
{
}

BorrowedBlob::~BorrowedBlob()
{
    vips_area_unref(reinterpret_cast<VipsArea*>(blob_));
}

ImageError vipsFailure(const char* what)
{
    vips_error_clear();
    std::string reason = firstLine(what);
    return ImageError(reason.empty() ? "not a readable image" : reason);
}

std::string takeVipsError()
{
    std::string text = firstLine(vips_error_buffer());
    vips_error_clear();
    return text;
}

} // namespace kavdb::imaging
