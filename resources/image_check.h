// Checks on an image file's structure before DevIL reads it. DevIL 1.7.8 and
// the libraries under it trust the lengths a file states: libpng allocates a
// chunk as long as its length field says (up to 2 GiB) and reads it from
// bytes past the end of the file; DevIL's JPEG source skips a marker segment
// (APPn, COM) by refilling its buffer until the skip is done, and at the end
// of the file a refill brings nothing, so it spins forever. DevIL also takes
// a picture's size from its header and allocates it whole before decoding,
// and keeps a JPEG cut short as a success: 850 bytes claiming 23912 x 12048
// pixels cost 860 MB, and ILUT then scales that copy. A file with a length
// that runs past its end, or with more pixels than any picture the demo
// shows, is never handed to DevIL.
#pragma once
#include <cstddef>
#include <cstdint>

// Pixels per image at most: a 4096-square picture, 64 MiB as RGBA; the data
// set's largest image has 2048 x 1024.
constexpr uint64_t MAX_IMAGE_PIXELS = uint64_t{4096} * 4096;

// False when `data` starts with the PNG signature and one of its chunks,
// up to IEND, states a length that runs past `size` or is cut inside its
// framing, or its IHDR states more than MAX_IMAGE_PIXELS. True for anything
// else: DevIL refuses data that is no PNG, or that ends between two chunks,
// by itself.
bool pngSafeToLoad(const uint8_t* data, size_t size);

// False when `data` starts like a JPEG (SOI) and one of its marker segments,
// before or between the scans, states a length that runs past `size`, or a
// frame header (SOFn) states more than MAX_IMAGE_PIXELS. True for anything
// else, including data cut inside a scan's compressed data.
bool jpegSafeToLoad(const uint8_t* data, size_t size);

// The check for the file's name, as DevIL picks its reader: .png, or .jpg,
// .jpe and .jpeg, in any case. True for any other name and for a file that
// cannot be opened, which DevIL fails to open just the same.
bool imageFileSafeToLoad(const char* path);
