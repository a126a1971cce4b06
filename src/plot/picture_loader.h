// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line's pictures, drawn by a library of the program's own
// (libzelvar-pictures.so, Qt GUI and Qt SVG) that is loaded only when a
// picture is asked for: every other command starts without the toolkit.
//
// The library is looked for next to the running program (the build folder)
// and then where the installation puts it, relative to the program's folder
// (../lib/zelvar or the configured library folder).  Plain C++: no Qt here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "plot/plot_geometry.h"

namespace zelvar {

// What the loaded library's entry point receives.  The library is built with
// the program from the same sources: `version` guards against a stale one.
struct PictureRequest {
    std::int32_t version;
    const char* png;  // "" writes no PNG
    const char* svg;  // "" writes no SVG
    int width, height;
    const SampleStore* samples;
    const ViewRecord* view;
    const long double* scales;  // kChannelRows factors, record order
};
inline constexpr std::int32_t kPictureRequestVersion = 1;

// The entry point's name and type: 0 when the pictures are written; else 1
// with the error's message (NUL-terminated, cut to `size`) in `message`.
inline constexpr const char* kPictureEntry = "zelvar_write_run_pictures";
extern "C" {
using PictureEntry = int (*)(const PictureRequest* request, char* message, std::size_t size);
}

// The file name of the library.
inline constexpr const char* kPictureLibrary = "libzelvar-pictures.so";

// write_run_pictures() of picture_file_render.h through the library.  A
// library that cannot be found or loaded, or a failure of the drawing,
// raises zelvar::Error with its message.
void write_run_pictures_on_demand(const std::string& png, const std::string& svg, int width, int height,
                                  const SampleStore& samples, const ViewRecord& view,
                                  const std::array<long double, kChannelRows>& scales);

}  // namespace zelvar
