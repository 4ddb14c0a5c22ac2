#include "document/heif_picture.h"
#include "document/heif_handles.h"

#include <QColorSpace>
#include <QList>
#include <QPointF>
#include <QtEndian>

#include <libheif/heif.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

// The brands of still pictures and picture sequences that libheif reads: HEVC-coded (heic ...),
// any codec (mif1, msf1) and AV1-coded (avif, avis).
constexpr const char* kHeifBrands[] = {"heic", "heix", "hevc", "hevx", "heim", "heis",
                                       "hevm", "hevs", "mif1", "msf1", "avif", "avis"};

bool isHeifBrand(const char* brand)
{
    for (const char* known : kHeifBrands) {
        if (std::memcmp(brand, known, 4) == 0)
            return true;
    }
    return false;
}

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

// libheif's message for err on one line (some end with a line break), copied at once: the text
// may belong to the context.
QString messageOf(const heif_error& err)
{
    const QString message = err.message ? QString::fromUtf8(err.message).simplified() : QString();
    return message.isEmpty() ? QStringLiteral("error %1").arg(int(err.code)) : message;
}

QString reasonOf(const heif_error& err)
{
    if (err.code == heif_error_Unsupported_filetype || err.code == heif_error_Unsupported_feature)
        return QStringLiteral("not a picture, or of a kind that cannot be read (%1)")
            .arg(messageOf(err));
    return QStringLiteral("the picture is damaged (%1)").arg(messageOf(err));
}

// The BT.709 camera curve undone (BT.601 and BT.2020 use the same one), as a table: linear light
// for evenly spaced coded values.
QList<uint16_t> bt709TransferTable()
{
    QList<uint16_t> table(1024);
    for (int i = 0; i < table.size(); ++i) {
        const double coded = double(i) / (table.size() - 1);
        const double linear =
            coded < 0.081 ? coded / 4.5 : std::pow((coded + 0.099) / 1.099, 1 / 0.45);
        table[i] = uint16_t(std::lround(linear * 65535.0));
    }
    return table;
}

// The colour space of an nclx description, or an invalid one when Qt has no equivalent.
QColorSpace colorSpaceOf(const heif_color_profile_nclx& nclx)
{
    const QPointF d65(0.3127, 0.3290);
    QPointF red;
    QPointF green;
    QPointF blue;
    switch (nclx.color_primaries) {
    case heif_color_primaries_ITU_R_BT_709_5:
        red = {0.640, 0.330}, green = {0.300, 0.600}, blue = {0.150, 0.060};
        break;
    case heif_color_primaries_SMPTE_EG_432_1: // Display P3
        red = {0.680, 0.320}, green = {0.265, 0.690}, blue = {0.150, 0.060};
        break;
    case heif_color_primaries_ITU_R_BT_2020_2_and_2100_0:
        red = {0.708, 0.292}, green = {0.170, 0.797}, blue = {0.131, 0.046};
        break;
    default:
        return QColorSpace();
    }
    QColorSpace space;
    switch (nclx.transfer_characteristics) {
    case heif_transfer_characteristic_IEC_61966_2_1: // sRGB
        space = QColorSpace(d65, red, green, blue, QColorSpace::TransferFunction::SRgb);
        break;
    case heif_transfer_characteristic_linear:
        space = QColorSpace(d65, red, green, blue, QColorSpace::TransferFunction::Linear);
        break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
        space = QColorSpace(d65, red, green, blue, QColorSpace::TransferFunction::Gamma, 2.2f);
        break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
        space = QColorSpace(d65, red, green, blue, QColorSpace::TransferFunction::Gamma, 2.8f);
        break;
    case heif_transfer_characteristic_ITU_R_BT_709_5:
    case heif_transfer_characteristic_ITU_R_BT_601_6:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit:
        // Built from the primaries alone first: Qt 6.4 leaves a space made of primaries and a
        // table in one step invalid.
        space = QColorSpace(d65, red, green, blue, QColorSpace::TransferFunction::SRgb)
                    .withTransferFunction(bt709TransferTable());
        break;
    default:
        return QColorSpace();
    }
    // The named spaces compare equal to the same primaries and curve built by hand; prefer the
    // names where they exist so that a description reads "sRGB" or "Display P3".
    for (const auto named : {QColorSpace::SRgb, QColorSpace::SRgbLinear, QColorSpace::DisplayP3}) {
        if (space == QColorSpace(named))
            return QColorSpace(named);
    }
    return space;
}

// The colour profile of handle: its ICC profile, else its nclx description; invalid when there is
// none or it cannot be mapped (the picture is then left untagged).
QColorSpace colorSpaceOf(const heif_image_handle* handle)
{
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const size_t size = heif_image_handle_get_raw_color_profile_size(handle);
        if (size > 0 && size < size_t(64) * 1024 * 1024) {
            QByteArray icc(qsizetype(size), Qt::Uninitialized);
            if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok) {
                const QColorSpace space = QColorSpace::fromIccProfile(icc);
                if (space.isValid())
                    return space;
            }
        }
    }
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok || !nclx)
        return QColorSpace();
    const HeifPointer<heif_color_profile_nclx> owned(nclx);
    return colorSpaceOf(*nclx);
}

} // namespace

bool isHeifPicture(const QByteArray& bytes)
{
    // The box: size (4, big-endian), "ftyp", major brand (4), minor version (4), compatible
    // brands (4 each) up to the box's end.
    if (bytes.size() < 12 || std::memcmp(bytes.constData() + 4, "ftyp", 4) != 0)
        return false;
    const qint64 boxSize = qFromBigEndian<quint32>(bytes.constData());
    if (boxSize < 12)
        return false;
    if (isHeifBrand(bytes.constData() + 8))
        return true;
    const qint64 end = std::min<qint64>(boxSize, bytes.size());
    for (qint64 pos = 16; pos + 4 <= end; pos += 4) {
        if (isHeifBrand(bytes.constData() + pos))
            return true;
    }
    return false;
}

QSize statedHeifSize(const QByteArray& bytes)
{
    // The box: size 20 (4, big-endian), "ispe", version and flags (4), width (4), height (4).
    QSize largest;
    for (qsizetype at = bytes.indexOf("ispe", 4); at >= 4 && at + 16 <= bytes.size();
         at = bytes.indexOf("ispe", at + 4)) {
        const char* box = bytes.constData() + at - 4;
        if (qFromBigEndian<quint32>(box) != 20)
            continue;
        const auto side = [](quint32 value) { return int(std::min<quint32>(value, INT_MAX)); };
        const QSize size(side(qFromBigEndian<quint32>(box + 12)),
                         side(qFromBigEndian<quint32>(box + 16)));
        if (!largest.isValid() ||
            qint64(size.width()) * size.height() > qint64(largest.width()) * largest.height())
            largest = size;
    }
    return largest;
}

struct HeifPicture::Handles
{
    HeifPointer<heif_context> context;
    HeifPointer<heif_image_handle> primary;
};

HeifPicture::HeifPicture() = default;
HeifPicture::~HeifPicture() = default;

bool HeifPicture::open(const QByteArray& fileBytes, QString* error)
{
    m_handles.reset();
    m_bytes = fileBytes;
    auto handles = std::make_unique<Handles>();
    handles->context.reset(heif_context_alloc());
    if (!handles->context)
        return fail(error, QStringLiteral("not enough memory to read the picture"));
    // libheif reads from the bytes in place; m_bytes keeps them alive as long as the context.
    heif_error err = heif_context_read_from_memory_without_copy(
        handles->context.get(), m_bytes.constData(), size_t(m_bytes.size()), nullptr);
    if (err.code != heif_error_Ok)
        return fail(error, reasonOf(err));
    heif_image_handle* primary = nullptr;
    err = heif_context_get_primary_image_handle(handles->context.get(), &primary);
    if (err.code != heif_error_Ok || !primary)
        return fail(error, reasonOf(err));
    handles->primary.reset(primary);
    m_handles = std::move(handles);
    return true;
}

QSize HeifPicture::size() const
{
    if (!m_handles)
        return QSize();
    return QSize(heif_image_handle_get_width(m_handles->primary.get()),
                 heif_image_handle_get_height(m_handles->primary.get()));
}

bool HeifPicture::decode(QImage& image, QString* error)
{
    if (!m_handles)
        return fail(error, QStringLiteral("the picture was not opened"));
    const heif_image_handle* handle = m_handles->primary.get();
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;

    // Rotation and mirroring are applied (libheif's default); deeper pictures come out with 8
    // bits per channel, as the interleaved 8-bit layouts ask.
    const HeifPointer<heif_decoding_options> options(heif_decoding_options_alloc());
    if (!options)
        return fail(error, QStringLiteral("not enough memory to read the picture"));
    options->convert_hdr_to_8bit = 1;
    heif_image* decodedImage = nullptr;
    const heif_error err = heif_decode_image(
        handle, &decodedImage, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    const HeifPointer<heif_image> decoded(decodedImage);
    if (err.code != heif_error_Ok || !decoded)
        return fail(error, reasonOf(err));

    const int width = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    const int channels = alpha ? 4 : 3;
    int stride = 0;
    const uint8_t* plane =
        heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    if (!plane || width <= 0 || height <= 0 || stride < width * channels ||
        heif_image_get_bits_per_pixel(decoded.get(), heif_channel_interleaved) != 8 * channels)
        return fail(error, QStringLiteral("the picture is damaged (no 8-bit RGB pixels decoded)"));
    // The size was checked against the limit before decoding; pixels of another size mean the
    // file's boxes do not match its coded picture.
    if (QSize(width, height) != size())
        return fail(error, QStringLiteral("the picture is damaged (it states %1 x %2 pixels and "
                                          "holds %3 x %4)")
                               .arg(size().width())
                               .arg(size().height())
                               .arg(width)
                               .arg(height));

    const QImage::Format format = !alpha ? QImage::Format_RGB32
                                         : (heif_image_handle_is_premultiplied_alpha(handle)
                                                ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_ARGB32);
    QImage result(width, height, format);
    if (result.isNull())
        return fail(error, QStringLiteral("not enough memory for the picture"));
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = plane + qsizetype(y) * stride;
        QRgb* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        if (alpha) {
            for (int x = 0; x < width; ++x, in += 4)
                out[x] = qRgba(in[0], in[1], in[2], in[3]);
        } else {
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = qRgb(in[0], in[1], in[2]);
        }
    }
    const QColorSpace space = colorSpaceOf(handle);
    if (space.isValid())
        result.setColorSpace(space);
    image = result;
    return true;
}

QByteArray HeifPicture::metadata(const char* type, const char* contentType) const
{
    if (!m_handles)
        return QByteArray();
    const heif_image_handle* handle = m_handles->primary.get();
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle, type);
    if (count <= 0)
        return QByteArray();
    QList<heif_item_id> ids(count);
    const int listed =
        heif_image_handle_get_list_of_metadata_block_IDs(handle, type, ids.data(), count);
    for (int i = 0; i < listed; ++i) {
        const char* content = heif_image_handle_get_metadata_content_type(handle, ids[i]);
        if (contentType && (!content || std::strcmp(content, contentType) != 0))
            continue;
        QByteArray block(qsizetype(heif_image_handle_get_metadata_size(handle, ids[i])),
                         Qt::Uninitialized);
        if (heif_image_handle_get_metadata(handle, ids[i], block.data()).code == heif_error_Ok)
            return block;
    }
    return QByteArray();
}
