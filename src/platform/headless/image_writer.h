#pragma once
// Writes a surface to a picture file (headless shots) and reads PNGs back.
#include <optional>
#include <string>

#include "platform/status.h"
#include "platform/surface.h"

namespace zepa::platform {

/// Writes `surface` as PNG (".png") or 24-bit BMP (".bmp"), chosen by the
/// extension without regard to case. False on an unknown extension, an empty
/// surface or a write error.
bool WriteImage(const Surface& surface, const std::string& path);

/// WriteImage with a reason: fails with "PATH: why" when the picture was
/// not written.
Status WriteImageFile(const Surface& surface, const std::string& path);

/// Reads a PNG file into a 24-bit surface (alpha dropped, grey expanded).
std::optional<Surface> ReadPng(const std::string& path);

}  // namespace zepa::platform
