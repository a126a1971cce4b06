// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Any drawing as a picture file: PNG or SVG by the name's suffix (".svg"
// an SVG drawing, anything else PNG), written through the atomic writer.
#include <QSize>
#include <functional>
#include <string>

class QPainter;

namespace zelvar {

// Calls `paint` on a white surface of `size` pixels and writes it as the
// file `path`.  A failure throws zelvar::Error naming the file and why
// ("Picture file NAME cannot be written: reason"); an existing file is then
// left whole.
void save_painting(const std::string& path, QSize size, const std::function<void(QPainter&)>& paint);

}  // namespace zelvar
