#include "document/avif_writer.h"
#include "document/heif_handles.h"

#include <QColorSpace>
#include <QThread>

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// aom's speed: 6 as avifenc's default, a good trade between time and size.
constexpr int kEncoderSpeed = 6;

bool fail(QString* error, const heif_error& err)
{
    if (error) {
        *error = QStringLiteral("the AVIF writer failed (%1)")
                     .arg(QString::fromUtf8(err.message ? err.message : "unknown error"));
    }
    return false;
}

heif_error appendTo(heif_context*, const void* data, size_t size, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

// sRGB as nclx: BT.709 primaries, the sRGB curve, full range; the matrix BT.601 for YUV or the
// identity for lossless RGB.
HeifPointer<heif_color_profile_nclx> srgbNclx(bool identity)
{
    HeifPointer<heif_color_profile_nclx> nclx(heif_nclx_color_profile_alloc());
    if (nclx) {
        nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
        nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
        nclx->matrix_coefficients =
            identity ? heif_matrix_coefficients_RGB_GBR : heif_matrix_coefficients_ITU_R_BT_601_6;
        nclx->full_range_flag = 1;
    }
    return nclx;
}

} // namespace

int avifQuantizerForQuality(int quality)
{
    return ((100 - std::clamp(quality, 0, 100)) * 63 + 50) / 100;
}

bool canWriteAvif()
{
    static const bool available = [] {
        const heif_encoder_descriptor* descriptor = nullptr;
        return heif_context_get_encoder_descriptors(nullptr, heif_compression_AV1, nullptr,
                                                    &descriptor, 1) > 0;
    }();
    return available;
}

bool encodeAvif(const QImage& image, int quality, const QByteArray& exif, const QByteArray& xmp,
                QByteArray* file, QString* error)
{
    const bool lossless = quality >= 100;
    const bool alpha = image.hasAlphaChannel();
    const QImage picture =
        image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int width = picture.width();
    const int height = picture.height();

    const HeifPointer<heif_context> context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    heif_error err =
        heif_context_get_encoder_for_format(context.get(), heif_compression_AV1, &rawEncoder);
    if (err.code != heif_error_Ok)
        return fail(error, err);
    const HeifPointer<heif_encoder> encoder(rawEncoder);
    heif_encoder_set_lossless(encoder.get(), lossless ? 1 : 0);
    heif_encoder_set_lossy_quality(encoder.get(), lossless ? 100 : quality);
    heif_encoder_set_parameter_integer(encoder.get(), "speed", kEncoderSpeed);
    heif_encoder_set_parameter_integer(encoder.get(), "threads", QThread::idealThreadCount());
    heif_encoder_set_parameter_string(encoder.get(), "chroma", lossless ? "444" : "420");

    heif_image* rawImage = nullptr;
    err = heif_image_create(width, height, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            &rawImage);
    if (err.code != heif_error_Ok)
        return fail(error, err);
    const HeifPointer<heif_image> heifImage(rawImage);
    err = heif_image_add_plane(heifImage.get(), heif_channel_interleaved, width, height, 8);
    if (err.code != heif_error_Ok)
        return fail(error, err);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(heifImage.get(), heif_channel_interleaved, &stride);
    const size_t rowBytes = size_t(width) * (alpha ? 4 : 3);
    for (int y = 0; y < height; ++y)
        std::memcpy(plane + size_t(y) * size_t(stride), picture.constScanLine(y), rowBytes);

    const QByteArray icc =
        image.colorSpace().isValid() ? image.colorSpace().iccProfile() : QByteArray();
    const auto nclx = srgbNclx(lossless);
    if (!icc.isEmpty())
        heif_image_set_raw_color_profile(heifImage.get(), "prof", icc.constData(),
                                         size_t(icc.size()));
    if (nclx)
        heif_image_set_nclx_color_profile(heifImage.get(), nclx.get());

    const HeifPointer<heif_encoding_options> options(heif_encoding_options_alloc());
    // The coded matrix: identity for lossless RGB, else BT.601 (an ICC profile says the rest).
    options->output_nclx_profile = nclx.get();
    options->macOS_compatibility_workaround_no_nclx_profile = 0;
    // With an ICC profile the nclx box goes beside it, so that readers know the coded matrix.
    options->save_two_colr_boxes_when_ICC_and_nclx_available = 1;
    heif_image_handle* rawHandle = nullptr;
    err = heif_context_encode_image(context.get(), heifImage.get(), encoder.get(), options.get(),
                                    &rawHandle);
    if (err.code != heif_error_Ok)
        return fail(error, err);
    const HeifPointer<heif_image_handle> handle(rawHandle);
    if (!exif.isEmpty()) {
        err = heif_context_add_exif_metadata(context.get(), handle.get(), exif.constData(),
                                             int(exif.size()));
        if (err.code != heif_error_Ok)
            return fail(error, err);
    }
    if (!xmp.isEmpty()) {
        err = heif_context_add_XMP_metadata(context.get(), handle.get(), xmp.constData(),
                                            int(xmp.size()));
        if (err.code != heif_error_Ok)
            return fail(error, err);
    }

    QByteArray out;
    heif_writer writer;
    writer.writer_api_version = 1;
    writer.write = &appendTo;
    err = heif_context_write(context.get(), &writer, &out);
    if (err.code != heif_error_Ok)
        return fail(error, err);
    *file = out;
    return true;
}
