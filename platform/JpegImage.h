// JPEG bytes to an image, for the pictures the program carries with it.
#pragma once

#include <QByteArray>
#include <QImage>

namespace solvara {

// Decodes a JPEG into an RGB image; a null image for anything that is not a whole,
// sound JPEG of a sensible size. Never ends the program and prints nothing.
QImage DecodeJpeg(const QByteArray& bytes);

}  // namespace solvara
