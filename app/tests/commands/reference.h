/*
 * What a photo holds, read in the test directly with libvips (from the file, not from a
 * buffer as the tool does) and Exiv2, to compare the catalogue against.
 */
#pragma once

#include <string>

namespace kavdb::test {

struct Reference {
    bool readable = false;
    int width = 0;
    int height = 0;
    std::string make;
    std::string model;
    double focalLength = 0; // millimetres; 0 when the photo does not say
};

Reference referenceOf(const std::string& path);

} // namespace kavdb::test
