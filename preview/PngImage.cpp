#include "preview/PngImage.h"

#include "hostapi/AtomicFile.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

// Larger pictures are refused rather than decoded into gigabytes of memory.
constexpr uint64_t maximumPixels = uint64_t(1) << 28;

std::vector<unsigned char> toRGBBytes(const PixelCanvas& canvas) {
    std::vector<unsigned char> bytes(canvas.pixels.size() * 3);
    for (size_t i = 0; i < canvas.pixels.size(); ++i) {
        bytes[3 * i] = static_cast<unsigned char>(canvas.pixels[i] >> 16);
        bytes[3 * i + 1] = static_cast<unsigned char>(canvas.pixels[i] >> 8);
        bytes[3 * i + 2] = static_cast<unsigned char>(canvas.pixels[i]);
    }
    return bytes;
}

png_image describe(const PixelCanvas& canvas) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(canvas.width);
    image.height = static_cast<png_uint_32>(canvas.height);
    image.format = PNG_FORMAT_RGB;
    return image;
}

} // namespace

std::vector<unsigned char> encodePng(const PixelCanvas& canvas) {
    const std::vector<unsigned char> samples = toRGBBytes(canvas);
    png_image image = describe(canvas);
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, samples.data(), 0, nullptr))
        throw FileError(std::string("cannot encode a PNG image: ") + image.message);
    std::vector<unsigned char> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, samples.data(), 0, nullptr))
        throw FileError(std::string("cannot encode a PNG image: ") + image.message);
    bytes.resize(size);
    return bytes;
}

bool decodePng(const unsigned char* bytes, size_t size, PixelCanvas& canvas, std::string& problem) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes, size)) {
        problem = image.message;
        return false;
    }
    if (uint64_t(image.width) * image.height > maximumPixels) {
        problem = "the image is too large (" + std::to_string(image.width) + " x " + std::to_string(image.height) + ")";
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> samples(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, samples.data(), 0, nullptr)) {
        problem = image.message;
        png_image_free(&image);
        return false;
    }
    canvas = PixelCanvas(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height));
    for (size_t i = 0; i < canvas.pixels.size(); ++i)
        canvas.pixels[i] = rgb(samples[3 * i], samples[3 * i + 1], samples[3 * i + 2]);
    return true;
}

void writePng(const std::string& path, const PixelCanvas& canvas) {
    const std::vector<unsigned char> bytes = encodePng(canvas);
    writeFileAtomically(path, [&](std::ostream& stream) {
        stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    });
}

PixelCanvas readPng(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw FileError(path + ": cannot open the file");
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    PixelCanvas canvas;
    std::string problem;
    if (!decodePng(bytes.data(), bytes.size(), canvas, problem)) throw FileError(path + ": " + problem);
    return canvas;
}
