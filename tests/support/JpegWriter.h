#pragma once
// Writes large test JPEGs row by row through libjpeg, so a test holds one row at a time however big
// the picture (a progressive one keeps its coefficients in the encoder).

#include <QFile>
#include <QString>

#include <cstdio>
#include <functional>
#include <vector>

#include <jpeglib.h>

struct JpegWriteOptions {
    int width = 0;
    int height = 0;
    int quality = 92;
    bool progressive = false;
    bool fullChroma = false; // colour kept at full resolution (4:4:4) instead of halved both ways
    int restartInterval = 0; // a restart marker after every so many MCUs (0: none)
};

// `fillRow(y, rgb)` fills the row y with width × 3 samples (red, green, blue).
inline bool writeJpegByRows(const QString &path, const JpegWriteOptions &options,
                            const std::function<void(int y, JSAMPLE *rgb)> &fillRow)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(options.width);
    info.image_height = JDIMENSION(options.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.fullChroma) {
        info.comp_info[0].h_samp_factor = 1;
        info.comp_info[0].v_samp_factor = 1;
    }
    if (options.progressive)
        jpeg_simple_progression(&info);
    info.restart_interval = JDIMENSION(options.restartInterval);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(options.width) * 3);
    while (info.next_scanline < info.image_height) {
        fillRow(int(info.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}
