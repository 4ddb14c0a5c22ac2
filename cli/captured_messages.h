#pragma once

#include <QStringList>
#include <QtGlobal>

#include <cstdio>

// Catches what Qt and the image libraries print while a picture is read or written, so that it
// ends up inside drawlume-render's own one-line messages rather than as loose lines on standard
// error. Qt's messages arrive through a message handler; libpng prints its errors ("libpng error:
// Read Error") straight to standard error, so for the object's lifetime file descriptor 2 is
// pointed at an anonymous temporary file as well.
//
// Lives on the stack of the main thread around one load or save; one at a time. Nothing may
// draw a progress bar meanwhile.
class CapturedMessages
{
public:
    CapturedMessages();
    ~CapturedMessages();
    CapturedMessages(const CapturedMessages&) = delete;
    CapturedMessages& operator=(const CapturedMessages&) = delete;

    // Stops capturing (if still on) and returns the messages, each once, without libpng's
    // remarks on colour profiles ("iCCP: known incorrect sRGB profile"), which are common in
    // pictures from the web and harmless.
    QStringList finish();

private:
    static void collect(QtMsgType type, const QMessageLogContext& context, const QString& message);
    void restore();

    QtMessageHandler m_previousHandler = nullptr;
    std::FILE* m_capture = nullptr;
    int m_savedStderr = -1;
    bool m_active = false;
};
