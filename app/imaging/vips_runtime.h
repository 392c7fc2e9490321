/*
 * libvips for the kavdb tool: started once per process, with its own warnings kept off
 * standard error (a damaged photo must give one plain line in our summary, not a page of
 * decoder chatter), and its error buffer turned into one short reason.
 */
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

typedef struct _VipsBlob VipsBlob;

namespace kavdb::imaging {

/* An image that could not be read: the reason is one line fit for a user. */
class ImageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/* A libvips blob over bytes the caller keeps alive; the bytes are not copied. */
class BorrowedBlob {
  public:
    BorrowedBlob(const void* data, std::size_t size);
    ~BorrowedBlob();
    BorrowedBlob(const BorrowedBlob&) = delete;
    BorrowedBlob& operator=(const BorrowedBlob&) = delete;
    VipsBlob* get() const { return blob_; }

  private:
    VipsBlob* blob_;
};

/* Starts libvips; later calls do nothing. showWarnings lets libvips' warnings through.
 * Every function of this folder calls it, so a program that wants the warnings calls it
 * first, from main. */
void startVips(const char* argv0, bool showWarnings = false);

/* The last libvips error as one line, and the error buffer cleared. */
std::string takeVipsError();

/* An ImageError from a libvips failure text (as carried by vips::VError). */
ImageError vipsFailure(const char* what);

} // namespace kavdb::imaging
