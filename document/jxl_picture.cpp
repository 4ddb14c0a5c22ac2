#include "document/jxl_picture.h"

#include <QColorSpace>
#include <QtEndian>

#include <jxl/decode.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>

#include <cstring>
#include <memory>

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

struct DecoderDeleter
{
    void operator()(JxlDecoder* d) const { JxlDecoderDestroy(d); }
};
struct EncoderDeleter
{
    void operator()(JxlEncoder* e) const { JxlEncoderDestroy(e); }
};
struct RunnerDeleter
{
    void operator()(void* r) const { JxlThreadParallelRunnerDestroy(r); }
};

using Runner = std::unique_ptr<void, RunnerDeleter>;

Runner makeRunner()
{
    return Runner(
        JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
}

QString damaged()
{
    return QStringLiteral("the picture is damaged (the JPEG XL decoder stopped)");
}

} // namespace

float jxlDistanceForQuality(int quality)
{
    if (quality >= 100)
        return 0.0f;
    if (quality >= 30)
        return 0.1f + float(100 - quality) * 0.09f;
    const float q = float(quality);
    return 53.0f / 3000.0f * q * q - 23.0f / 20.0f * q + 25.0f;
}

bool decodeJxl(const QByteArray& fileBytes, QImage& image, QString* error,
               const std::function<QString(const QSize&)>& sizeCheck)
{
    const std::unique_ptr<JxlDecoder, DecoderDeleter> dec(JxlDecoderCreate(nullptr));
    const Runner runner = makeRunner();
    if (!dec || !runner)
        return fail(error, QStringLiteral("not enough memory to read the picture"));
    JxlDecoderSetParallelRunner(dec.get(), JxlThreadParallelRunner, runner.get());
    if (JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                                 JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS)
        return fail(error, damaged());
    JxlDecoderSetInput(dec.get(), reinterpret_cast<const uint8_t*>(fileBytes.constData()),
                       size_t(fileBytes.size()));
    JxlDecoderCloseInput(dec.get());

    JxlBasicInfo info;
    JxlPixelFormat format = {4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    QColorSpace space;
    QImage decoded;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
        switch (status) {
        case JXL_DEC_BASIC_INFO: {
            if (JxlDecoderGetBasicInfo(dec.get(), &info) != JXL_DEC_SUCCESS)
                return fail(error, damaged());
            // The decoder turns the picture as the file asks: 5 to 8 swap its sides.
            QSize size(int(info.xsize), int(info.ysize));
            if (info.orientation >= JXL_ORIENT_TRANSPOSE)
                size.transpose();
            if (info.xsize > 0x7FFFFFFF || info.ysize > 0x7FFFFFFF)
                return fail(error, QStringLiteral("the picture is too large"));
            if (sizeCheck) {
                const QString problem = sizeCheck(size);
                if (!problem.isEmpty())
                    return fail(error, problem);
            }
            break;
        }
        case JXL_DEC_COLOR_ENCODING: {
            // A lossy file's pixels come in the colour space it was made from when that has a
            // description libjxl can produce without a colour manager, else in sRGB.
            JxlColorEncoding original;
            const bool described = JxlDecoderGetColorAsEncodedProfile(
                                       dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL,
                                       &original) == JXL_DEC_SUCCESS;
            if (!info.uses_original_profile) {
                JxlColorEncoding wanted = original;
                if (!described)
                    JxlColorEncodingSetToSRGB(&wanted, info.num_color_channels == 1);
                JxlDecoderSetPreferredColorProfile(dec.get(), &wanted);
            }
            // A file in plain sRGB says no more than an untagged picture: it stays untagged, so
            // that its artwork, like a PNG's without a profile, gets none.
            if (described && original.primaries == JXL_PRIMARIES_SRGB &&
                original.white_point == JXL_WHITE_POINT_D65 &&
                original.transfer_function == JXL_TRANSFER_FUNCTION_SRGB)
                break;
            size_t size = 0;
            if (JxlDecoderGetICCProfileSize(dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                            &size) == JXL_DEC_SUCCESS &&
                size > 0) {
                QByteArray icc(qsizetype(size), Qt::Uninitialized);
                if (JxlDecoderGetColorAsICCProfile(
                        dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                        reinterpret_cast<uint8_t*>(icc.data()), size) == JXL_DEC_SUCCESS)
                    space = QColorSpace::fromIccProfile(icc);
            }
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            QSize size(int(info.xsize), int(info.ysize));
            if (info.orientation >= JXL_ORIENT_TRANSPOSE)
                size.transpose();
            decoded = QImage(size, info.alpha_bits > 0 ? QImage::Format_RGBA8888
                                                       : QImage::Format_RGBX8888);
            if (decoded.isNull())
                return fail(error, QStringLiteral("not enough memory to decode the picture"));
            size_t needed = 0;
            if (JxlDecoderImageOutBufferSize(dec.get(), &format, &needed) != JXL_DEC_SUCCESS ||
                needed > size_t(decoded.sizeInBytes()) ||
                JxlDecoderSetImageOutBuffer(dec.get(), &format, decoded.bits(),
                                            size_t(decoded.sizeInBytes())) != JXL_DEC_SUCCESS)
                return fail(error, damaged());
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            // The first frame is the picture; an animation's further frames are not read.
            if (space.isValid())
                decoded.setColorSpace(space);
            image = decoded;
            return true;
        case JXL_DEC_SUCCESS:
        case JXL_DEC_NEED_MORE_INPUT:
            return fail(error, QStringLiteral("the picture is incomplete: the file ends before "
                                              "the picture does"));
        default:
            return fail(error, damaged());
        }
    }
}

QByteArray jxlMetadataBox(const QByteArray& fileBytes, const char* type)
{
    const std::unique_ptr<JxlDecoder, DecoderDeleter> dec(JxlDecoderCreate(nullptr));
    if (!dec || JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BOX) != JXL_DEC_SUCCESS)
        return QByteArray();
    JxlDecoderSetDecompressBoxes(dec.get(), JXL_TRUE); // "brob" boxes hold compressed ones
    JxlDecoderSetInput(dec.get(), reinterpret_cast<const uint8_t*>(fileBytes.constData()),
                       size_t(fileBytes.size()));
    JxlDecoderCloseInput(dec.get());
    QByteArray box;
    bool reading = false;
    qsizetype filled = 0;
    constexpr qsizetype kChunk = 65536;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
        if (status == JXL_DEC_BOX || status == JXL_DEC_SUCCESS || status == JXL_DEC_ERROR ||
            status == JXL_DEC_NEED_MORE_INPUT) {
            if (reading) {
                const size_t left = JxlDecoderReleaseBoxBuffer(dec.get());
                box.resize(filled + kChunk - qsizetype(left));
                return box;
            }
            if (status != JXL_DEC_BOX)
                return QByteArray();
            JxlBoxType found;
            if (JxlDecoderGetBoxType(dec.get(), found, JXL_TRUE) != JXL_DEC_SUCCESS)
                return QByteArray();
            if (std::memcmp(found, type, 4) == 0) {
                reading = true;
                box.resize(kChunk);
                JxlDecoderSetBoxBuffer(dec.get(), reinterpret_cast<uint8_t*>(box.data()),
                                       size_t(kChunk));
            }
        } else if (status == JXL_DEC_BOX_NEED_MORE_OUTPUT) {
            // The box goes on: grow the buffer and let the decoder write on after what it has.
            const size_t left = JxlDecoderReleaseBoxBuffer(dec.get());
            filled += kChunk - qsizetype(left);
            if (filled > 64 * 1024 * 1024)
                return QByteArray();
            box.resize(filled + kChunk);
            JxlDecoderSetBoxBuffer(dec.get(), reinterpret_cast<uint8_t*>(box.data()) + filled,
                                   size_t(kChunk));
        } else {
            return QByteArray();
        }
    }
}

bool encodeJxl(const QImage& image, int quality, const QByteArray& exif, const QByteArray& xmp,
               QByteArray* file, QString* error, int effort)
{
    const auto encoderFailed = [error] {
        return fail(error, QStringLiteral("the JPEG XL writer failed"));
    };
    const std::unique_ptr<JxlEncoder, EncoderDeleter> enc(JxlEncoderCreate(nullptr));
    const Runner runner = makeRunner();
    if (!enc || !runner)
        return fail(error, QStringLiteral("not enough memory to write the picture"));
    JxlEncoderSetParallelRunner(enc.get(), JxlThreadParallelRunner, runner.get());

    const bool lossless = quality >= 100;
    const bool alpha = image.hasAlphaChannel();
    const QImage picture =
        image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);

    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(picture.width());
    info.ysize = uint32_t(picture.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.alpha_bits = alpha ? 8 : 0;
    info.num_extra_channels = alpha ? 1 : 0;
    info.uses_original_profile = lossless ? JXL_TRUE : JXL_FALSE;
    JxlEncoderUseContainer(enc.get(), JXL_TRUE);
    if (JxlEncoderSetBasicInfo(enc.get(), &info) != JXL_ENC_SUCCESS)
        return encoderFailed();

    // A lossless file keeps the ICC profile byte for byte. A lossy one describes sRGB and Display
    // P3 in libjxl's own terms, which its reader can turn the pixels back into (libjxl 0.7 has
    // no colour manager for other profiles); any other space goes as its ICC profile.
    const QColorSpace space = image.colorSpace();
    const bool srgbCurve = space.transferFunction() == QColorSpace::TransferFunction::SRgb;
    const bool p3 = srgbCurve && space.primaries() == QColorSpace::Primaries::DciP3D65;
    const bool srgb = srgbCurve && space.primaries() == QColorSpace::Primaries::SRgb;
    const bool described = !lossless && (p3 || srgb);
    const QByteArray icc = !space.isValid() || described ? QByteArray() : space.iccProfile();
    bool colourSet = false;
    if (described && p3) {
        JxlColorEncoding displayP3;
        JxlColorEncodingSetToSRGB(&displayP3, JXL_FALSE);
        displayP3.primaries = JXL_PRIMARIES_P3;
        colourSet = JxlEncoderSetColorEncoding(enc.get(), &displayP3) == JXL_ENC_SUCCESS;
    }
    if (!icc.isEmpty())
        colourSet = JxlEncoderSetICCProfile(enc.get(), reinterpret_cast<const uint8_t*>(icc.data()),
                                            size_t(icc.size())) == JXL_ENC_SUCCESS;
    if (!colourSet) {
        JxlColorEncoding standard;
        JxlColorEncodingSetToSRGB(&standard, JXL_FALSE);
        if (JxlEncoderSetColorEncoding(enc.get(), &standard) != JXL_ENC_SUCCESS)
            return encoderFailed();
    }

    if (!exif.isEmpty() || !xmp.isEmpty()) {
        JxlEncoderUseBoxes(enc.get());
        if (!exif.isEmpty()) {
            QByteArray block(4, '\0'); // the TIFF header follows at once
            block.append(exif);
            if (JxlEncoderAddBox(enc.get(), "Exif", reinterpret_cast<const uint8_t*>(block.data()),
                                 size_t(block.size()), JXL_FALSE) != JXL_ENC_SUCCESS)
                return encoderFailed();
        }
        if (!xmp.isEmpty() &&
            JxlEncoderAddBox(enc.get(), "xml ", reinterpret_cast<const uint8_t*>(xmp.data()),
                             size_t(xmp.size()), JXL_FALSE) != JXL_ENC_SUCCESS)
            return encoderFailed();
        JxlEncoderCloseBoxes(enc.get());
    }

    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(enc.get(), nullptr);
    JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, effort);
    if (lossless) {
        JxlEncoderSetFrameLossless(settings, JXL_TRUE);
    } else {
        JxlEncoderSetFrameDistance(settings, jxlDistanceForQuality(quality));
    }
    const JxlPixelFormat format = {uint32_t(alpha ? 4 : 3), JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN,
                                   size_t(picture.bytesPerLine())};
    if (JxlEncoderAddImageFrame(settings, &format, picture.constBits(),
                                size_t(picture.sizeInBytes())) != JXL_ENC_SUCCESS)
        return encoderFailed();
    JxlEncoderCloseInput(enc.get());

    QByteArray out(1 << 16, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        uint8_t* next = reinterpret_cast<uint8_t*>(out.data()) + used;
        size_t avail = size_t(out.size() - used);
        const JxlEncoderStatus status = JxlEncoderProcessOutput(enc.get(), &next, &avail);
        used = out.size() - qsizetype(avail);
        if (status == JXL_ENC_SUCCESS)
            break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            return encoderFailed();
        out.resize(out.size() * 2);
    }
    out.resize(used);
    *file = out;
    return true;
}
