// SVG pictures rendered by the distribution's rsvg-convert and read back with
// libpng, for tests that check a map pixel by pixel. Where libpng was not found
// at configure time there is none of this.
#pragma once

#ifdef ORVANEL_HAVE_PNG

#include <filesystem>
#include <string>
#include <vector>

struct Picture {
  unsigned width = 0, height = 0;
  std::vector<unsigned char> rgb;
  // The colour of the pixel at (x, y) as "#rrggbb".
  std::string At(int x, int y) const;
};

// True when rsvg-convert runs on this machine.
bool CanRender();
// `svg` rendered to a PNG beside it and read; an empty picture when either fails.
Picture Render(const std::filesystem::path& svg);

#endif
