/*
 * Conversions between the library's boundary records (ImageData, MetaData, MetaTag) and
 * the tool's plain values (catalogue.h). Records built here borrow the values' memory:
 * they live only for the library call they are handed to.
 */
#pragma once

#include "catalogue.h"

namespace kavdb::records {

/* An ImageData over image's fields and thumbnail bytes (borrowed). */
ImageData borrowImage(const ImageRecord& image);

/* A copy of an ImageData the library filled; the caller still releases the original. */
ImageRecord copyImage(const ImageData& data);

/* Appends one MetaData for the table to out; its tags point into items (borrowed). */
void borrowItems(const TableItems& items, MetaDataList& out);

/* A copy of one MetaData the library filled. */
TableItems copyItems(const MetaData& data);

} // namespace kavdb::records
