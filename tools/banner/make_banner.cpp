// qoru-make-banner: draws the conversion dialog's banner, a 320 x 49 picture with the
// tool's logo (a text sheet handing its rows to a database drum) and its word mark
// "qoru GBtxt", and writes it as a baseline colour JPEG:
//
//   qoru-make-banner OUT.jpg
//
// It is run by hand (cmake --build build --target banner, which rewrites
// assets/banner.jpg) when the picture changes; the picture is committed, and the build
// embeds it in the library. The dialog shows the picture stretched to 336 x 33, so it
// is drawn in those shown coordinates and squeezed into 320 x 49 here: on screen the
// letters and the logo then keep their proportions. Everything is drawn at four times
// the size and averaged down, so that edges come out smooth.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 320;  // the stored picture
constexpr int kHeight = 49;
constexpr double kShownWidth = 336;  // as the dialog shows it
constexpr double kShownHeight = 33;
constexpr int kOver = 4;  // supersampling factor

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// A canvas at supersampled resolution; shapes take shown coordinates.
class Canvas {
 public:
  Canvas() : pixels_(static_cast<std::size_t>(W() * H())) {}
  static int W() { return kWidth * kOver; }
  static int H() { return kHeight * kOver; }

  template <typename Paint>
  void Fill(Paint paint) {
    for (int y = 0; y < H(); ++y)
      for (int x = 0; x < W(); ++x) pixels_[Index(x, y)] = paint(ShownX(x), ShownY(y));
  }

  // Paints the points where `inside(x, y)` holds, within the given bounding box.
  template <typename Inside>
  void Shape(double x0, double y0, double x1, double y1, Rgb colour, Inside inside) {
    const double sx = W() / kShownWidth, sy = H() / kShownHeight;
    const int px0 = std::max(0, static_cast<int>(std::floor(x0 * sx)));
    const int py0 = std::max(0, static_cast<int>(std::floor(y0 * sy)));
    const int px1 = std::min(W(), static_cast<int>(std::ceil(x1 * sx)));
    const int py1 = std::min(H(), static_cast<int>(std::ceil(y1 * sy)));
    for (int y = py0; y < py1; ++y)
      for (int x = px0; x < px1; ++x)
        if (inside(ShownX(x), ShownY(y))) pixels_[Index(x, y)] = colour;
  }

  void Rect(double x0, double y0, double x1, double y1, Rgb colour) {
    Shape(x0, y0, x1, y1, colour, [](double, double) { return true; });
  }

  void RoundRect(double x0, double y0, double x1, double y1, double radius, Rgb colour) {
    Shape(x0, y0, x1, y1, colour, [=](double x, double y) {
      const double cx = std::clamp(x, x0 + radius, x1 - radius);
      const double cy = std::clamp(y, y0 + radius, y1 - radius);
      return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    });
  }

  void Ellipse(double cx, double cy, double rx, double ry, Rgb colour) {
    Shape(cx - rx, cy - ry, cx + rx, cy + ry, colour, [=](double x, double y) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      return dx * dx + dy * dy <= 1.0;
    });
  }

  // A triangle given by its corners.
  void Triangle(double ax, double ay, double bx, double by, double cx, double cy, Rgb colour) {
    auto side = [](double px, double py, double qx, double qy, double x, double y) {
      return (qx - px) * (y - py) - (qy - py) * (x - px);
    };
    Shape(std::min({ax, bx, cx}), std::min({ay, by, cy}), std::max({ax, bx, cx}),
          std::max({ay, by, cy}), colour, [=](double x, double y) {
            const double s1 = side(ax, ay, bx, by, x, y);
            const double s2 = side(bx, by, cx, cy, x, y);
            const double s3 = side(cx, cy, ax, ay, x, y);
            return (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
          });
  }

  // Averages every kOver x kOver block into one 8-bit RGB pixel.
  std::vector<unsigned char> Downsample() const {
    std::vector<unsigned char> out(static_cast<std::size_t>(kWidth * kHeight * 3));
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        Rgb sum{0, 0, 0};
        for (int j = 0; j < kOver; ++j)
          for (int i = 0; i < kOver; ++i) {
            const Rgb& p = pixels_[Index(x * kOver + i, y * kOver + j)];
            sum.r += p.r, sum.g += p.g, sum.b += p.b;
          }
        const double n = kOver * kOver;
        unsigned char* o = &out[static_cast<std::size_t>((y * kWidth + x) * 3)];
        o[0] = static_cast<unsigned char>(std::lround(sum.r / n));
        o[1] = static_cast<unsigned char>(std::lround(sum.g / n));
        o[2] = static_cast<unsigned char>(std::lround(sum.b / n));
      }
    return out;
  }

 private:
  // A supersampled pixel's centre in shown coordinates.
  static double ShownX(int p) { return (p + 0.5) * kShownWidth / W(); }
  static double ShownY(int p) { return (p + 0.5) * kShownHeight / H(); }
  static std::size_t Index(int x, int y) { return static_cast<std::size_t>(y * W() + x); }
  std::vector<Rgb> pixels_;
};

// A 5 x 9 pixel font for the word mark: capitals and ascenders on rows 0-6, the
// x-height on rows 2-6, descenders on rows 7-8.
struct Glyph {
  char c;
  std::array<const char*, 9> rows;
};

constexpr Glyph kGlyphs[] = {
    {'q', {".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", "....#"}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###.", ".....", "....."}},
    {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#....", ".....", "....."}},
    {'u', {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#", ".....", "....."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####", ".....", "....."}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####.", ".....", "....."}},
    {'t', {".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##.", ".....", "....."}},
    {'x', {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", ".....", "....."}},
};

// Draws `text` with its top-left corner at (x, y), each font pixel `cell` units wide,
// as slightly rounded dots so that the strokes join smoothly. Returns the end x.
double Text(Canvas& canvas, double x, double y, double cell, const std::string& text, Rgb colour) {
  for (char c : text) {
    if (c == ' ') {
      x += cell * 4;
      continue;
    }
    for (const Glyph& g : kGlyphs) {
      if (g.c != c) continue;
      for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 5; ++col)
          if (g.rows[static_cast<std::size_t>(row)][col] == '#')
            canvas.RoundRect(x + col * cell, y + row * cell, x + (col + 1) * cell,
                             y + (row + 1) * cell, cell * 0.12, colour);
    }
    x += cell * 6;
  }
  return x;
}

void Draw(Canvas& canvas) {
  const Rgb top{30, 92, 160}, bottom{12, 48, 104};
  canvas.Fill([&](double x, double y) {
    // A vertical gradient with a faint light band running across from the left.
    Rgb c = Mix(top, bottom, y / kShownHeight);
    const double band = std::exp(-std::pow((x - 3 * y - 150) / 60, 2));
    return Mix(c, Rgb{70, 140, 210}, 0.25 * band);
  });
  const Rgb paper{246, 248, 252}, ink{120, 140, 170}, fold{200, 210, 228};
  const Rgb white{255, 255, 255}, gold{244, 184, 48}, gold_dark{196, 132, 20};
  const Rgb gold_light{250, 214, 120}, shadow{8, 32, 72};

  // The text sheet: a page with a folded corner and four rows of tab-separated fields.
  canvas.RoundRect(9.5, 4, 25.5, 30, 1.5, shadow);
  canvas.RoundRect(8, 2.5, 24, 28.5, 1.5, paper);
  canvas.Triangle(19, 2.5, 24, 2.5, 24, 7.5, Mix(top, bottom, 0.1));
  canvas.Triangle(19, 2.5, 19, 7.5, 24, 7.5, fold);
  for (int row = 0; row < 4; ++row) {
    const double y = 10 + row * 4.5;
    canvas.Rect(10.5, y, 14, y + 1.6, ink);
    canvas.Rect(15.5, y, 19, y + 1.6, ink);
    if (row < 3) canvas.Rect(20.5, y, 22.5, y + 1.6, ink);
  }

  // The arrow from the sheet to the drum.
  canvas.Rect(26, 15, 31, 18, gold);
  canvas.Triangle(30, 12, 35, 16.5, 30, 21, gold);

  // The database drum: stacked discs.
  const double cx = 43, rx = 6.5, ry = 2.2;
  canvas.Rect(cx - rx, 9, cx + rx, 26, gold_dark);
  canvas.Ellipse(cx, 26, rx, ry, gold_dark);
  for (double y : {20.5, 15.0}) {
    canvas.Ellipse(cx, y, rx, ry, gold);
    canvas.Rect(cx - rx, y - 0.4, cx + rx, y + 0.4, gold_dark);
  }
  canvas.Ellipse(cx, 9, rx, ry, gold_light);

  // The word mark, with a soft drop shadow.
  const double cell = 2.5, x0 = 58, y0 = 4.5;
  Text(canvas, x0 + 0.8, y0 + 0.8, cell, "qoru GBtxt", shadow);
  const double after_qoru = Text(canvas, x0, y0, cell, "qoru", white);
  Text(canvas, after_qoru + cell * 4, y0, cell, "GBtxt", gold);

  // A thin gold rule along the bottom edge.
  canvas.Rect(0, kShownHeight - 1.5, kShownWidth, kShownHeight, gold);
}

std::vector<unsigned char> EncodeJpeg(const std::vector<unsigned char>& rgb) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);  // errors end the program: this is a build tool
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 88, TRUE);
  cinfo.optimize_coding = TRUE;  // still baseline: sequential, Huffman, 8-bit
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(&rgb[cinfo.next_scanline * kWidth * 3]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<unsigned char> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

bool WriteFile(const std::string& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "用法：qoru-make-banner 输出.jpg\n");
    return 2;
  }
  Canvas canvas;
  Draw(canvas);
  const std::vector<unsigned char> jpeg = EncodeJpeg(canvas.Downsample());
  if (!WriteFile(argv[1], jpeg.data(), jpeg.size())) {
    std::fprintf(stderr, "qoru-make-banner：无法写入 %s\n", argv[1]);
    return 1;
  }
  std::printf("%s：%zu 字节\n", argv[1], jpeg.size());
  return 0;
}
