#ifndef LIDGLOW_PREVIEW_PICTURE_FILE_H
#define LIDGLOW_PREVIEW_PICTURE_FILE_H

#include <cstdio>
#include <string>
#include <vector>

#include "lcm/unpack.h"

// A binary PBM (P4) of the frame as the display receives it; a set pixel is
// 1, black.
std::vector<unsigned char> pbm_bytes(const lcm_transfer &frame);

// Writes the frame to path, as PBM or as PNG by the name's extension; the
// PNG enlarges every pixel to 4 x 4, set pixels dark. The picture replaces
// a regular file at path whole, or not at all; anything else at path is
// refused. Prints one line and returns a status on failure.
int write_picture_file(const char *path, const lcm_transfer &frame);

// Writes the PNG to file; false with the reason on failure. Built with
// libpng, or as a stub that explains its absence where the build found no
// libpng.
bool write_png(std::FILE *file, const lcm_transfer &frame, std::string &error);

constexpr unsigned PNG_SCALE = 4;

#endif
