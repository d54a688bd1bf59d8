// Image-size seam: the natural size of an image that the host has already fetched and decoded.
#pragma once
#include <string>

namespace mrvn {

class ImageSizes {
public:
    virtual ~ImageSizes() = default;
    // False while the image at the absolute address `url` is not known (not fetched yet, or broken).
    virtual bool Size(const std::wstring& url, int& width, int& height) = 0;
};

}  // namespace mrvn
