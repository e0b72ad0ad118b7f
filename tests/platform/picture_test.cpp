// The dialog's banner as stored and decoded, the JPEG decoder's refusals, and the
// stretching of a picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "platform/banner_jpeg.h"
#include "platform/jpeg_decoder.h"
#include "platform/rgb_image.h"

namespace qoru {
namespace {

// The start-of-frame markers of a JPEG stream, in order (0xC0: baseline).
std::vector<int> FrameMarkers(std::span<const unsigned char> jpeg) {
  std::vector<int> markers;
  std::size_t i = 2;  // after SOI
  while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
    const int marker = jpeg[i + 1];
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
      markers.push_back(marker);
    if (marker == 0xDA) break;  // the scan data follows
    i += 2 + static_cast<std::size_t>((jpeg[i + 2] << 8) | jpeg[i + 3]);
  }
  return markers;
}

TEST(Banner, IsABaselineColourJpegOf320By49WithAPicture) {
  const auto bytes = BannerJpeg();
  ASSERT_GT(bytes.size(), 2u);
  EXPECT_EQ(FrameMarkers(bytes), std::vector<int>{0xC0});
  const RgbImage banner = DecodeJpeg(bytes, "横幅");
  EXPECT_EQ(banner.width, 320);
  EXPECT_EQ(banner.height, 49);
  std::set<int> colours;
  for (int y = 0; y < banner.height; ++y)
    for (int x = 0; x < banner.width; ++x) {
      const std::uint8_t* p = banner.At(x, y);
      colours.insert((p[0] << 16) | (p[1] << 8) | p[2]);
    }
  EXPECT_GT(colours.size(), 500u);
}

TEST(JpegDecoder, RefusesWhatIsNotADecodablePictureWithAMessageNamingIt) {
  const auto banner = BannerJpeg();
  const std::vector<unsigned char> header_only(banner.begin(), banner.begin() + 40);
  const std::vector<std::vector<unsigned char>> cases = {
      {},                                   // nothing
      {'n', 'o', 't', ' ', 'j', 'p', 'g'},  // not a JPEG
      {0xFF, 0xD8, 0xFF},                   // cut inside the first marker
      header_only,                          // cut before the frame header
  };
  for (const auto& data : cases) {
    try {
      DecodeJpeg(data, "测试图片");
      ADD_FAILURE() << "decoded " << data.size() << " bytes";
    } catch (const ImageError& e) {
      EXPECT_NE(std::string(e.what()).find("测试图片"), std::string::npos) << e.what();
    }
  }
}

TEST(JpegDecoder, AStreamCutInsideTheScanStillGivesAWholePicture) {
  // libjpeg fills what is missing; the dialog then shows part of its banner.
  const auto banner = BannerJpeg();
  const std::vector<unsigned char> half(banner.begin(), banner.begin() + banner.size() / 2);
  const RgbImage image = DecodeJpeg(half, "横幅");
  EXPECT_EQ(image.width, 320);
  EXPECT_EQ(image.height, 49);
}

RgbImage Uniform(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  RgbImage image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      image.At(x, y)[0] = r, image.At(x, y)[1] = g, image.At(x, y)[2] = b;
    }
  return image;
}

TEST(Stretch, KeepsUniformColourAndCornersAndBlendsBetweenPixels) {
  const RgbImage grey = Stretch(Uniform(320, 49, 30, 92, 160), 336, 33);
  ASSERT_EQ(grey.width, 336);
  ASSERT_EQ(grey.height, 33);
  for (int y = 0; y < grey.height; ++y)
    for (int x = 0; x < grey.width; ++x) ASSERT_EQ(grey.At(x, y)[1], 92) << x << "," << y;

  // Black on the left, white on the right: the ends keep their colour, the middle
  // blends, and the colour never falls back on the way across.
  RgbImage two(2, 1);
  two.At(1, 0)[0] = two.At(1, 0)[1] = two.At(1, 0)[2] = 255;
  const RgbImage wide = Stretch(two, 8, 1);
  EXPECT_EQ(wide.At(0, 0)[0], 0);
  EXPECT_EQ(wide.At(7, 0)[0], 255);
  for (int x = 1; x < 8; ++x) EXPECT_GE(wide.At(x, 0)[0], wide.At(x - 1, 0)[0]);
  EXPECT_GT(wide.At(4, 0)[0], 0);
  EXPECT_LT(wide.At(3, 0)[0], 255);

  EXPECT_EQ(Stretch(RgbImage{}, 10, 10).width, 0);
  EXPECT_EQ(Stretch(two, 0, 5).pixels.size(), 0u);
}

}  // namespace
}  // namespace qoru
