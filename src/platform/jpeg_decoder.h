// Decoding of a JPEG picture held in memory, with libjpeg, into 8-bit RGB. Colour and
// greyscale pictures are both returned as RGB. Data that libjpeg cannot decode (not a
// JPEG, cut short, corrupt) raises ImageError naming `what`; libjpeg's warnings on
// data it can still decode are ignored. Nothing is written to stderr.
#pragma once

#include <span>
#include <string>

#include "platform/errors.h"
#include "platform/rgb_image.h"

namespace qoru {

class ImageError : public Failure {
 public:
  using Failure::Failure;
};

// `what` names the picture in the message ("对话框横幅").
RgbImage DecodeJpeg(std::span<const unsigned char> bytes, const std::string& what);

}  // namespace qoru
