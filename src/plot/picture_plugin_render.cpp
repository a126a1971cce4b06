// SPDX-License-Identifier: GPL-3.0-or-later
// The library zelvar-cli loads to draw its pictures (picture_loader.h): the
// waveform window's own drawing code behind one C entry point, so that no
// exception and no toolkit type crosses into the program.
#include <algorithm>
#include <cstring>
#include <exception>
#include <type_traits>

#include "plot/picture_file_render.h"
#include "plot/picture_loader.h"

namespace {

void put_message(const char* text, char* message, std::size_t size) {
    if (size == 0) return;
    const std::size_t n = std::min(std::strlen(text), size - 1);
    std::memcpy(message, text, n);
    message[n] = '\0';
}

}  // namespace

extern "C" [[gnu::visibility("default")]] int zelvar_write_run_pictures(const zelvar::PictureRequest* request,
                                                                         char* message, std::size_t size) {
    using namespace zelvar;
    if (request == nullptr || request->version != kPictureRequestVersion) {
        put_message("The picture library libzelvar-pictures.so does not belong to this zelvar-cli", message, size);
        return 1;
    }
    try {
        std::array<long double, kChannelRows> scales;
        std::copy(request->scales, request->scales + kChannelRows, scales.begin());
        write_run_pictures(request->png, request->svg, request->width, request->height, *request->samples,
                           *request->view, scales);
        return 0;
    } catch (const std::exception& e) {
        put_message(e.what(), message, size);
    } catch (...) {
        put_message("The picture could not be drawn", message, size);
    }
    return 1;
}

static_assert(std::is_same_v<decltype(&zelvar_write_run_pictures), zelvar::PictureEntry>,
              "the entry point has the type the program calls");
