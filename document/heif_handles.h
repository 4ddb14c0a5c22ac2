#pragma once

#include <libheif/heif.h>

#include <memory>

// Owning pointers of libheif's objects, each given back with its own libheif function: shared by
// the HEIF reader and the AVIF writer.
struct HeifRelease
{
    void operator()(heif_context* context) const { heif_context_free(context); }
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
    void operator()(heif_image* image) const { heif_image_release(image); }
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
    void operator()(heif_encoding_options* options) const { heif_encoding_options_free(options); }
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};

template <typename T> using HeifPointer = std::unique_ptr<T, HeifRelease>;
