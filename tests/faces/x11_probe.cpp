#include "faces/x11_probe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <png.h>

#include <cstdio>
#include <stdexcept>
#include <thread>

namespace qoru::test {
namespace {

// Errors on windows that vanish while they are looked at are expected here.
int IgnoreError(Display*, XErrorEvent*) {
  return 0;
}

std::string Property(Display* d, Window w, const char* name, Atom type) {
  Atom actual;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string value;
  if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1024, False, type, &actual, &format,
                         &count, &after, &data) == Success &&
      data != nullptr && format == 8)
    value.assign(reinterpret_cast<const char*>(data), count);
  if (data) XFree(data);
  return value;
}

// Pixel values of a 24-bit TrueColor image as RGB bytes.
RgbImage ToRgb(XImage* image) {
  RgbImage out(image->width, image->height);
  for (int y = 0; y < image->height; ++y)
    for (int x = 0; x < image->width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      std::uint8_t* o = out.At(x, y);
      o[0] = static_cast<std::uint8_t>((p & image->red_mask) >> 16);
      o[1] = static_cast<std::uint8_t>((p & image->green_mask) >> 8);
      o[2] = static_cast<std::uint8_t>(p & image->blue_mask);
    }
  return out;
}

}  // namespace

X11Probe::X11Probe() : display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr) throw std::runtime_error("cannot connect to the X display");
  XSetErrorHandler(IgnoreError);
}

X11Probe::~X11Probe() {
  XCloseDisplay(display_);
}

unsigned long X11Probe::FindWindow(const std::string& caption) const {
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  XSync(display_, False);
  if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count))
    return 0;
  unsigned long found = 0;
  const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
  for (unsigned int i = 0; i < count && found == 0; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display_, children[i], &a) || a.map_state != IsViewable) continue;
    if (Property(display_, children[i], "_NET_WM_NAME", utf8) == caption) found = children[i];
  }
  if (children) XFree(children);
  return found;
}

unsigned long X11Probe::WaitForWindow(const std::string& caption,
                                      std::chrono::milliseconds timeout) const {
  const auto end = std::chrono::steady_clock::now() + timeout;
  do {
    if (const unsigned long w = FindWindow(caption)) return w;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < end);
  return 0;
}

bool X11Probe::WaitForWindowGone(const std::string& caption,
                                 std::chrono::milliseconds timeout) const {
  const auto end = std::chrono::steady_clock::now() + timeout;
  do {
    if (FindWindow(caption) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < end);
  return false;
}

std::string X11Probe::Caption(unsigned long window) const {
  return Property(display_, window, "_NET_WM_NAME", XInternAtom(display_, "UTF8_STRING", False));
}

Rect X11Probe::Geometry(unsigned long window) const {
  XWindowAttributes a{};
  XGetWindowAttributes(display_, window, &a);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
  return {x, y, a.width, a.height};
}

unsigned long X11Probe::TransientFor(unsigned long window) const {
  Window owner = 0;
  if (!XGetTransientForHint(display_, window, &owner)) return 0;
  return owner;
}

std::vector<std::string> X11Probe::NetWmState(unsigned long window) const {
  Atom actual;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::vector<std::string> names;
  if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_STATE", False), 0, 64,
                         False, XA_ATOM, &actual, &format, &count, &after, &data) == Success &&
      data != nullptr) {
    const Atom* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) {
      char* name = XGetAtomName(display_, atoms[i]);
      names.emplace_back(name ? name : "");
      if (name) XFree(name);
    }
  }
  if (data) XFree(data);
  return names;
}

RgbImage X11Probe::Grab(unsigned long window) const {
  const Rect r = Geometry(window);
  XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(r.w),
                            static_cast<unsigned>(r.h), AllPlanes, ZPixmap);
  if (image == nullptr) throw std::runtime_error("XGetImage failed");
  RgbImage out = ToRgb(image);
  XDestroyImage(image);
  return out;
}

RgbImage X11Probe::GrabScreen(const Rect& area) const {
  XImage* image =
      XGetImage(display_, DefaultRootWindow(display_), area.x, area.y,
                static_cast<unsigned>(area.w), static_cast<unsigned>(area.h), AllPlanes, ZPixmap);
  if (image == nullptr) throw std::runtime_error("XGetImage failed");
  RgbImage out = ToRgb(image);
  XDestroyImage(image);
  return out;
}

void X11Probe::RequestClose(unsigned long window) const {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, window, False, NoEventMask, &e);
  XSync(display_, False);
}

void X11Probe::PressKey(unsigned long window, unsigned long keysym) const {
  const Rect r = Geometry(window);
  XTestFakeMotionEvent(display_, -1, r.x + r.w / 2, r.y + r.h / 2, CurrentTime);
  const KeyCode code = XKeysymToKeycode(display_, keysym);
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  XSync(display_, False);
}

unsigned long X11Probe::CreateHostWindow() const {
  const Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10, 200, 100, 0,
                                       0, WhitePixel(display_, DefaultScreen(display_)));
  XStoreName(display_, w, "host");
  XMapWindow(display_, w);
  XSync(display_, False);
  return w;
}

void WritePng(const RgbImage& image, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot write " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    throw std::runtime_error("cannot encode " + path);
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) png_write_row(png, image.At(0, y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

}  // namespace qoru::test
