#pragma once

#include <QImage>

// Pictures in the colours the screen shows. The screen is taken to be sRGB: a picture tagged with
// another colour space (a phone photo in Display P3, a camera's Adobe RGB) is converted to sRGB, so
// that it looks on screen as in a colour-managed viewer; an untagged or sRGB picture is handed back
// as it is, without a copy. Only what is drawn is converted: the filters always get the picture's
// own pixels. GUI thread only (the last transform is kept for the next picture of the same space).
QImage inScreenColours(const QImage& image);
