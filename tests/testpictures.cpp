#include "testpictures.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace TestPictures {

namespace {

void put32(QByteArray &b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

} // namespace

QByteArray bmp24(int width, int height, QRgb colour)
{
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    QByteArray b("BM");
    put32(b, quint32(54 + rowBytes * height));
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, quint32(width));
    put32(b, quint32(height));
    put32(b, 1 | (24 << 16));
    for (int i = 0; i < 6; ++i)
        put32(b, 0);
    QByteArray row(rowBytes, '\0');
    for (int x = 0; x < width; ++x) {
        row[3 * x] = char(qBlue(colour));
        row[3 * x + 1] = char(qGreen(colour));
        row[3 * x + 2] = char(qRed(colour));
    }
    for (int y = 0; y < height; ++y)
        b += row;
    return b;
}

QByteArray jpeg(JpegKind kind, int width, int height, int quality)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = kind == JpegKind::Gray ? 1 : kind == JpegKind::Cmyk ? 4 : 3;
    cinfo.in_color_space = kind == JpegKind::Gray ? JCS_GRAYSCALE : kind == JpegKind::Cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(width) * size_t(cinfo.input_components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < cinfo.input_components; ++c)
                row[size_t(x * cinfo.input_components + c)] = static_cast<unsigned char>(
                    c == 0 ? x * 255 / width : c == 1 ? y * 255 / height : ((x / 8 + y / 8) % 2) * 200 + c);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray data(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return data;
}

} // namespace TestPictures
