// libjpeg reports errors through a longjmp out of its calls: the compression runs in one
// function that holds no C++ object across the jump, with its buffers owned by the caller.
#include "engine/writers/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace pictrove {

namespace {

constexpr int kJpegMaxSide = 65500;

struct JumpingError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JumpOut(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JumpingError*>(info->err)->jump, 1);
}

void Silent(j_common_ptr, int) {}

// Rows come from fill(row index, buffer), a plain function over context, so no C++ object lives
// across the jump. The file's bytes are malloc'ed by libjpeg into *data.
using RowFill = const JSAMPLE* (*)(void* context, int y, JSAMPLE* buffer);

bool Compress(const ReaderImageFields& fields,
              int dpi,
              int quality,
              J_COLOR_SPACE space,
              int components,
              RowFill fill,
              void* context,
              JSAMPLE* buffer,
              unsigned char** data,
              unsigned long* size) {
    jpeg_compress_struct info;
    JumpingError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JumpOut;
    error.manager.emit_message = Silent;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, data, size);
    info.image_width = static_cast<JDIMENSION>(fields.width);
    info.image_height = static_cast<JDIMENSION>(fields.height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.density_unit = 1;  // dots per inch
    info.X_density = static_cast<UINT16>(dpi);
    info.Y_density = static_cast<UINT16>(dpi);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(fill(context, static_cast<int>(info.next_scanline), buffer));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

// Rows as stored when no mirroring or grey shift needs a copy, else through the buffer.
const JSAMPLE* UprightFill(void* context, int y, JSAMPLE* buffer) {
    const auto& rows = *static_cast<const UprightRows*>(context);
    const bool copy = rows.Mirrored() || rows.Fields().pixelType == kPixelGrayPlusOne8;
    if (!copy) return rows.Row(y);
    rows.CopyRow(y, buffer);
    return buffer;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const ReaderImageFields& fields, int dpi, int quality) {
    if (fields.width > kJpegMaxSide || fields.height > kJpegMaxSide) return {};
    J_COLOR_SPACE space = JCS_GRAYSCALE;
    int components = 1;
    if (fields.pixelType == kPixelBgr24) {
        space = JCS_EXT_BGR;
        components = 3;
    } else if (fields.pixelType == kPixelBgra32) {
        space = JCS_EXT_BGRX;  // the fourth byte, alpha, is passed over
        components = 4;
    }
    const UprightRows rows(fields);
    std::vector<JSAMPLE> buffer(fields.RowBytes());
    unsigned char* data = nullptr;
    unsigned long size = 0;
    const bool ok = Compress(fields, dpi, quality, space, components, &UprightFill, const_cast<UprightRows*>(&rows),
                             buffer.data(), &data, &size);
    std::vector<std::uint8_t> file;
    if (ok && data) file.assign(data, data + size);
    std::free(data);
    return file;
}

}  // namespace pictrove
