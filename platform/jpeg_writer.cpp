#include "jpeg_writer.h"

#include "ini_file.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <jpeglib.h>

namespace {

// libjpeg reports a fatal error through error_exit, which must not return: we jump back to
// the encoder with the library's message. Only plain data lives across the jump.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void noOutput(j_common_ptr) {} // warnings are not shown

struct Output {
    unsigned char* buffer = nullptr; // malloc'ed by jpeg_mem_dest
    unsigned long size = 0;
};

// Plain C-style body, so that the jump crosses no C++ object with a destructor.
bool compress(const RgbPicture& picture, int quality, Output* out, ErrorManager* err) {
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&err->base);
    err->base.error_exit = errorExit;
    err->base.output_message = noOutput;
    if (setjmp(err->jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out->buffer, &out->size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);

    // One row at a time from the library's own pool, freed with the compressor.
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                static_cast<JDIMENSION>(picture.width) * 3, 1);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        JSAMPLE* p = row[0];
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t c = picture.at(x, y);
            *p++ = static_cast<JSAMPLE>((c >> 16) & 0xFF);
            *p++ = static_cast<JSAMPLE>((c >> 8) & 0xFF);
            *p++ = static_cast<JSAMPLE>(c & 0xFF);
        }
        jpeg_write_scanlines(&cinfo, row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

std::vector<std::uint8_t> encodeJpeg(const RgbPicture& picture, int quality, std::string* error) {
    // The format holds at most 65500 pixels a side.
    if (!picture.valid() || picture.width > JPEG_MAX_DIMENSION || picture.height > JPEG_MAX_DIMENSION) {
        if (error) *error = "the picture cannot be stored as JPEG";
        return {};
    }
    Output out;
    ErrorManager err{};
    const bool ok = compress(picture, std::clamp(quality, 1, 100), &out, &err);
    std::vector<std::uint8_t> bytes;
    if (ok) bytes.assign(out.buffer, out.buffer + out.size);
    std::free(out.buffer);
    if (!ok && error) *error = std::string("JPEG encoding failed: ") + err.message;
    return bytes;
}

bool writeJpegFile(const std::string& path, const RgbPicture& picture, int quality, std::string* error) {
    const std::vector<std::uint8_t> bytes = encodeJpeg(picture, quality, error);
    if (bytes.empty()) return false;
    return atomicWriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
}
