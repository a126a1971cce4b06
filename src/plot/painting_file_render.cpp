// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/painting_file_render.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include "app/atomic_file.h"
#include "app/faults.h"

namespace zelvar {

void save_painting(const std::string& path, QSize size, const std::function<void(QPainter&)>& paint) {
    const std::string failed = "Picture file " + path + " cannot be written";
    const bool svg = path.size() >= 4 && QString::fromStdString(path.substr(path.size() - 4)).toLower() == ".svg";
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        QPainter p;
        if (!p.begin(&generator)) throw Error(failed);
        p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        paint(p);
        if (!p.end()) throw Error(failed);
    } else {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            paint(p);
        }
        if (!image.save(&buffer, "PNG")) throw Error(failed);
    }
    buffer.close();
    try {
        write_file_atomically(path, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } catch (const FileError& e) {
        throw Error(failed + ": " + e.what());
    }
}

}  // namespace zelvar
