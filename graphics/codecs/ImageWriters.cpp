#include "graphics/codecs/ImageWriters.h"

#include "graphics/codecs/CodecFiles.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <png.h>

namespace {

bool validImage(const uint8_t* pixels, int width, int height)
{
    return pixels && width > 0 && height > 0 && width <= 65535 && height <= 65535;
}

// libjpeg's default error_exit ends the process: return through setjmp.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jpegErrorExit(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    std::longjmp(error->jump, 1);
}

void jpegSilence(j_common_ptr, int) {}

struct PngBuffer {
    std::vector<uint8_t>* out;
};

void pngWrite(png_structp png, png_bytep data, png_size_t length)
{
    auto* buffer = static_cast<PngBuffer*>(png_get_io_ptr(png));
    buffer->out->insert(buffer->out->end(), data, data + length);
}

void pngFlush(png_structp) {}

void pngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// Everything the setjmp-protected part touches lives outside it.
bool encodeJpegProtected(jpeg_compress_struct& info, JpegError& error, const uint8_t* pixels, int width,
                         int height, int quality, unsigned char*& memory, unsigned long& memorySize)
{
    if (setjmp(error.jump)) {
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &memory, &memorySize);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    size_t stride = static_cast<size_t>(width) * 3;
    while (info.next_scanline < info.image_height) {
        // Scan line n from the top is buffer row height − 1 − n.
        JSAMPROW row =
            const_cast<JSAMPROW>(pixels + (static_cast<size_t>(height) - 1 - info.next_scanline) * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

bool encodePngProtected(png_structp png, png_infop info, const uint8_t* pixels, int width, int height,
                        std::vector<png_bytep>& rows, PngBuffer& buffer)
{
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_write_fn(png, &buffer, pngWrite, pngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color_8 bits{};
    bits.red = bits.green = bits.blue = 8;
    png_set_sBIT(png, info, &bits);
    png_write_info(png, info);
    size_t stride = static_cast<size_t>(width) * 3;
    for (int n = 0; n < height; ++n) {
        rows[n] = const_cast<png_bytep>(pixels + static_cast<size_t>(height - 1 - n) * stride);
    }
    png_write_image(png, rows.data());
    png_write_end(png, info);
    return true;
}

} // namespace

bool encodeJpeg(const uint8_t* pixels, int width, int height, int quality, std::vector<uint8_t>& out)
{
    out.clear();
    if (!validImage(pixels, width, height)) {
        return false;
    }
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegErrorExit;
    error.manager.emit_message = jpegSilence;
    unsigned char* memory = nullptr;
    unsigned long memorySize = 0;
    bool ok = encodeJpegProtected(info, error, pixels, width, height, quality, memory, memorySize);
    jpeg_destroy_compress(&info);
    if (ok && memory) {
        out.assign(memory, memory + memorySize);
    }
    std::free(memory);
    return ok && !out.empty();
}

bool encodePng(const uint8_t* pixels, int width, int height, std::vector<uint8_t>& out)
{
    out.clear();
    if (!validImage(pixels, width, height)) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!png) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    PngBuffer buffer{&out};
    bool ok = encodePngProtected(png, info, pixels, width, height, rows, buffer);
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        out.clear();
    }
    return ok;
}

bool writeJpeg(const uint8_t* pixels, int width, int height, const std::string& fileName)
{
    std::vector<uint8_t> data;
    return encodeJpeg(pixels, width, height, 75, data) &&
           codec::writeWholeFile(fileName, data.data(), data.size());
}

bool writePng(const uint8_t* pixels, int width, int height, const std::string& fileName)
{
    std::vector<uint8_t> data;
    return encodePng(pixels, width, height, data) &&
           codec::writeWholeFile(fileName, data.data(), data.size());
}
