#pragma once

#include <QImage>
#include <QString>

namespace kestrom {

/// Writes the image as a PNG file. The file is written beside its place and
/// put there only when complete, so a failure leaves no half file and an
/// existing file as it was. Returns the reason of a failure (the system's
/// words), empty when the file was written.
QString WritePngFile(const QImage& image, const QString& path);

} // namespace kestrom
