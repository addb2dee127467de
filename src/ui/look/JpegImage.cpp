#include "ui/look/JpegImage.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE

#include <jpeglib.h>

namespace {

// Larger pictures than this are not logos; refusing them keeps damaged headers from asking for
// gigabytes.
constexpr JDIMENSION kMaxSide = 8192;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

// libjpeg's default handler exits the process; jump back to decodeInto() instead.
[[noreturn]] void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings (premature end of data, corrupt segments) still yield an image with made-up pixels;
// they are counted and the picture is refused afterwards. Nothing goes to stderr.
void onMessage(j_common_ptr info, int level)
{
    if (level < 0)
        ++info->err->num_warnings;
}

// Only libjpeg's own C frames lie between setjmp and longjmp, and no local variable of this
// function changes after setjmp, so the jump back is well defined.
bool decodeInto(jpeg_decompress_struct& info, ErrorManager& errors, const QByteArray& bytes,
                QImage& image)
{
    if (setjmp(errors.jump))
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    if (info.image_width > kMaxSide || info.image_height > kMaxSide)
        return false;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3)
        return false;
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
    if (image.isNull())
        return false;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return info.err->num_warnings == 0;
}

} // namespace

QImage decodeJpeg(const QByteArray& jpegBytes)
{
    if (jpegBytes.isEmpty())
        return {};
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
    QImage image;
    const bool ok = decodeInto(info, errors, jpegBytes, image);
    jpeg_destroy_decompress(&info);
    return ok ? image : QImage();
}
