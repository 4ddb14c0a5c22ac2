#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The TIFF files savePicture writes: baseline RGB (or RGB with unassociated alpha) at 8 bits per
// sample, compressed without loss by deflate over horizontally differenced rows (TIFF predictor
// 2), which shrinks painted pictures to a fraction of the uncompressed strips the toolkit's
// writer makes. The file carries the picture's resolution (per centimetre, exact to the dot per
// metre), its colour profile when it has one, and orientation 1; exiv2 adds the photo information
// afterwards. Strips are deflated on the pixel-loop threads; the bytes do not depend on their
// number. GUI-free; callable from any thread.

// True when writeTiff takes the picture: 8 bits per channel or fewer, no palette of more than 8
// bits. Deeper pictures go to the toolkit's writer.
bool canWriteTiff(const QImage& image);

// Encodes image as a TIFF file into *file. False with *error set when the compressor fails.
bool writeTiff(const QImage& image, QByteArray* file, QString* error);
