#pragma once

#include <QImage>

#include <new>

// QImage answers a failed allocation with a null picture instead of an exception, and code that
// meets a null picture goes on without the step it was for: the render would finish with part of
// the painting missing and be reported as done. The pictures a render works on are therefore
// checked where they are made: requirePixels turns one that could not be had into std::bad_alloc,
// which the worker reports as "not enough memory". Only pictures of a non-empty size are checked
// this way, so a null picture here always means the memory was missing.
inline void requirePixels(const QImage& image)
{
    if (image.isNull())
        throw std::bad_alloc();
}
