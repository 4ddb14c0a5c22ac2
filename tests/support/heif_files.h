#pragma once

#include <QByteArray>
#include <QImage>

#include <libheif/heif.h>

#include <memory>

// HEIC and AVIF files for tests, made at test time with libheif's encoders (x265 for HEVC, aom
// for AV1) from a synthetic picture: stored as given, with the orientation boxes, bit depth,
// alpha, colour profile and photo information asked for.

struct HeifEncoding
{
    heif_compression_format codec = heif_compression_HEVC;
    // Stored in the file (irot and imir boxes); a reader shows the stored pixels turned so.
    heif_orientation orientation = heif_orientation_normal;
    int bits = 8;       // 8, 10 or 12 bits per channel
    bool alpha = false; // keep the picture's alpha channel
    QByteArray icc;     // an ICC profile ('prof') when not empty
    int primaries = 0;  // with transfer, an nclx description when not 0
    int transfer = 0;
    int quality = 90;
    QByteArray exif; // an EXIF block (the TIFF structure) when not empty
    QByteArray xmp;  // an XMP packet when not empty
};

inline bool canEncodeHeif(heif_compression_format codec)
{
    return heif_have_encoder_for_format(codec) && heif_have_decoder_for_format(codec);
}

// The file of picture encoded as asked; empty when libheif cannot encode it.
inline QByteArray encodeHeif(const QImage& picture, const HeifEncoding& how)
{
    const std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(),
                                                                         heif_context_free);
    heif_encoder* encoderPointer = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), how.codec, &encoderPointer).code)
        return QByteArray();
    const std::unique_ptr<heif_encoder, void (*)(heif_encoder*)> encoder(encoderPointer,
                                                                         heif_encoder_release);
    heif_encoder_set_lossy_quality(encoder.get(), how.quality);
    heif_encoder_set_parameter(encoder.get(), "x265:log-level", "error"); // quiet where known

    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    const int channels = how.alpha ? 4 : 3;
    const heif_chroma chroma =
        how.bits == 8
            ? (how.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB)
            : (how.alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE);
    heif_image* imagePointer = nullptr;
    if (heif_image_create(source.width(), source.height(), heif_colorspace_RGB, chroma,
                          &imagePointer)
            .code)
        return QByteArray();
    const std::unique_ptr<heif_image, void (*)(const heif_image*)> image(imagePointer,
                                                                         heif_image_release);
    if (heif_image_add_plane(image.get(), heif_channel_interleaved, source.width(), source.height(),
                             how.bits)
            .code)
        return QByteArray();
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    const int maximum = (1 << how.bits) - 1;
    for (int y = 0; y < source.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uint8_t* row = plane + qsizetype(y) * stride;
        for (int x = 0; x < source.width(); ++x) {
            const int values[4] = {qRed(in[x]), qGreen(in[x]), qBlue(in[x]), qAlpha(in[x])};
            for (int c = 0; c < channels; ++c) {
                if (how.bits == 8) {
                    row[x * channels + c] = uint8_t(values[c]);
                } else {
                    const int deep = (values[c] * maximum + 127) / 255;
                    row[(x * channels + c) * 2] = uint8_t(deep & 0xFF);
                    row[(x * channels + c) * 2 + 1] = uint8_t(deep >> 8);
                }
            }
        }
    }
    if (!how.icc.isEmpty() && heif_image_set_raw_color_profile(
                                  image.get(), "prof", how.icc.constData(), size_t(how.icc.size()))
                                  .code)
        return QByteArray();
    if (how.primaries != 0) {
        const std::unique_ptr<heif_color_profile_nclx, void (*)(heif_color_profile_nclx*)> nclx(
            heif_nclx_color_profile_alloc(), heif_nclx_color_profile_free);
        heif_nclx_color_profile_set_color_primaries(nclx.get(), uint16_t(how.primaries));
        heif_nclx_color_profile_set_transfer_characteristics(nclx.get(), uint16_t(how.transfer));
        nclx->full_range_flag = 1;
        if (heif_image_set_nclx_color_profile(image.get(), nclx.get()).code)
            return QByteArray();
    }

    const std::unique_ptr<heif_encoding_options, void (*)(heif_encoding_options*)> options(
        heif_encoding_options_alloc(), heif_encoding_options_free);
    options->image_orientation = how.orientation;
    options->save_two_colr_boxes_when_ICC_and_nclx_available = 1;
    heif_image_handle* handlePointer = nullptr;
    if (heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(),
                                  &handlePointer)
            .code)
        return QByteArray();
    const std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> handle(
        handlePointer, heif_image_handle_release);
    if (!how.exif.isEmpty() &&
        heif_context_add_exif_metadata(context.get(), handle.get(), how.exif.constData(),
                                       int(how.exif.size()))
            .code)
        return QByteArray();
    if (!how.xmp.isEmpty() &&
        heif_context_add_XMP_metadata(context.get(), handle.get(), how.xmp.constData(),
                                      int(how.xmp.size()))
            .code)
        return QByteArray();

    QByteArray bytes;
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = [](heif_context*, const void* data, size_t size, void* userdata) {
        static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, "Success"};
    };
    if (heif_context_write(context.get(), &writer, &bytes).code)
        return QByteArray();
    return bytes;
}
