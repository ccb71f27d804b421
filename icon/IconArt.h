// The package's icon groups, drawn in code: the add-in's IDE icon
// "FLEETFORGED7ICON" and the package's own "MAINICON".
//
// An icon group lives in a module as two kinds of resources, as with any
// Windows executable image:
//   RT_GROUP_ICON  the group directory: a GRPICONDIR (reserved 0, type 1, count)
//                  followed by one 14-byte GRPICONDIRENTRY per image (width,
//                  height, colour count, reserved, planes, bit count, size of
//                  the image resource, the image's RT_ICON id);
//   RT_ICON        each image under its numeric id ("#2"): a device-independent
//                  bitmap, i.e. a BITMAPINFOHEADER whose height counts both
//                  bitmaps (twice the icon's height), the palette, the colour
//                  (XOR) pixels and the 1-bit transparency (AND) mask, rows
//                  bottom-up, each row padded to 4 bytes.
//
// The picture is a white "F" with a dark shadow on a blue square with cut
// corners; the corners are transparent. The 256-colour images shade the square
// from light blue at the top to dark blue at the bottom.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace FleetforgeIconChanger {

struct IconImageResource {
  uint16_t Id;       // the RT_ICON id the group directory names
  std::string Name;  // the resource name of that id ("#2")
  std::string Dib;   // header, palette, colour pixels, mask
};

struct IconGroupResource {
  std::string Name;       // the group's resource name
  std::string Directory;  // the RT_GROUP_ICON data
  std::vector<IconImageResource> Images;
};

// "FLEETFORGED7ICON", images 2 to 5: 32 x 32 and 16 x 16 with 16 colours
// (4 bits per pixel), then 32 x 32 and 16 x 16 with 256 colours (8 bits per
// pixel with palette). The directory records the two 256-colour images with a
// bit count of 24 and a colour count of 0, as the group was always published.
const IconGroupResource& FleetforgeIconGroup();

// The package's own "MAINICON", image 1: one 32 x 32, 16-colour image. No
// operation loads it; it is what a shell shows for the package file.
const IconGroupResource& PackageMainIconGroup();

}  // namespace FleetforgeIconChanger
