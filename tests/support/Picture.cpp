#include "support/Picture.h"

#ifdef ORVANEL_HAVE_PNG

#include <cstdio>
#include <cstdlib>

#include <png.h>

std::string Picture::At(int x, int y) const {
  const unsigned char* pixel = &rgb[(static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)) * 3];
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", pixel[0], pixel[1], pixel[2]);
  return text;
}

bool CanRender() { return std::system("rsvg-convert --version > /dev/null 2>&1") == 0; }

Picture Render(const std::filesystem::path& svg) {
  const std::filesystem::path png = svg.string() + ".png";
  Picture picture;
  if (std::system(("rsvg-convert -o " + png.string() + " " + svg.string()).c_str()) != 0) return picture;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, png.string().c_str()) == 0) return picture;
  image.format = PNG_FORMAT_RGB;
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) == 0) return picture;
  picture.width = image.width;
  picture.height = image.height;
  return picture;
}

#endif
