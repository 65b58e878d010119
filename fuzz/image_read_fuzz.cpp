// Fuzz target for the image files the reader tool opens: bytes decoded as they come, behind a PNG,
// JPEG or PGM signature, or as a valid small file of each format with bytes changed and its end
// cut off. Every input must decode to a whole image or throw imageIoError; a crash, a sanitizer
// report or any other exception is a finding. Built and run as fuzz/README.md describes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/image_io.h"
#include "fuzz_input.h"

namespace {

using cid_tools::greyImage;

std::vector<uint8_t> signatureThenRest(int kind, cid_fuzz::input& in) {
    static const std::vector<uint8_t> kSignatures[3] = {
        {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, {0xFF, 0xD8, 0xFF}, {'P', '5'}};
    std::vector<uint8_t> bytes = kSignatures[kind];
    size_t size = 0;
    const uint8_t* rest = in.rest(&size);
    bytes.insert(bytes.end(), rest, rest + size);
    return bytes;
}

std::vector<uint8_t> damagedFile(int kind, cid_fuzz::input& in) {
    greyImage image(int32_t(in.within(1, 24)), int32_t(in.within(1, 24)));
    for (uint8_t& p : image.pixels) p = in.next<uint8_t>();
    std::vector<uint8_t> bytes = kind == 0   ? cid_tools::encodePng(image)
                                 : kind == 1 ? cid_tools::encodeJpeg(image, 75)
                                             : cid_tools::encodePgm(image);
    for (int64_t changes = in.within(0, 6); changes > 0; --changes) {
        bytes[size_t(in.within(0, int64_t(bytes.size()) - 1))] ^= in.next<uint8_t>();
    }
    bytes.resize(size_t(in.within(0, int64_t(bytes.size()))));
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cid_fuzz::input in(data, size);
    const int mode = in.next<uint8_t>() % 7;
    std::vector<uint8_t> bytes;
    if (mode == 0) {
        size_t left = 0;
        const uint8_t* rest = in.rest(&left);
        bytes.assign(rest, rest + left);
    } else {
        bytes = mode <= 3 ? signatureThenRest(mode - 1, in) : damagedFile(mode - 4, in);
    }
    try {
        const greyImage image = cid_tools::decodeImage(bytes.data(), bytes.size());
        // A decoded image is whole: every row of its pitch is there.
        if (image.width < 1 || image.height < 1 || image.pitch < image.width ||
            image.pixels.size() < size_t(image.pitch) * size_t(image.height)) {
            std::abort();
        }
    } catch (const cid_tools::imageIoError&) {
    }
    return 0;
}
