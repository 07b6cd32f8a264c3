// The file formats a picture can be kept in inside a document, as numbers shared by the readers
// and the application. Portable, so the readers' core uses the same numbers.
#pragma once

namespace pictrove {

// Stored formats of StoredPicture::GetStoredFormat. kStoredNone: the picture has no file form
// of its own (raw samples, masks merged in, a format the program does not write as is).
enum StoredPictureFormat : int {
    kStoredNone = 0,
    kStoredJpeg = 1,
    kStoredJp2 = 2,  // JPEG 2000 in its file format (boxes)
    kStoredJ2k = 3,  // a bare JPEG 2000 codestream
    kStoredJbig2 = 4,
    kStoredPng = 5,
    kStoredGif = 6,
    kStoredTiff = 7,
    kStoredBmp = 8,
    kStoredEmf = 9,    // drawings: written as stored, drawn only where the platform draws them
    kStoredWmf = 10,   // with its placeable header
    kStoredWebp = 11,  // kinds listed and written as stored, decoded nowhere
    kStoredAvif = 12,
};

inline constexpr int kStoredFormatCount = 13;

// The extension a stored picture is written with (with its dot); empty for kStoredNone or an
// unknown number.
constexpr const wchar_t* StoredFormatExtension(int format) {
    switch (format) {
        case kStoredJpeg:
            return L".jpg";
        case kStoredJp2:
            return L".jp2";
        case kStoredJ2k:
            return L".j2k";
        case kStoredJbig2:
            return L".jb2";
        case kStoredPng:
            return L".png";
        case kStoredGif:
            return L".gif";
        case kStoredTiff:
            return L".tif";
        case kStoredBmp:
            return L".bmp";
        case kStoredEmf:
            return L".emf";
        case kStoredWmf:
            return L".wmf";
        case kStoredWebp:
            return L".webp";
        case kStoredAvif:
            return L".avif";
        default:
            return L"";
    }
}

// The short name the command line lists ("jpeg", "jbig2"); "none" for kStoredNone.
constexpr const wchar_t* StoredFormatName(int format) {
    switch (format) {
        case kStoredJpeg:
            return L"jpeg";
        case kStoredJp2:
            return L"jp2";
        case kStoredJ2k:
            return L"j2k";
        case kStoredJbig2:
            return L"jbig2";
        case kStoredPng:
            return L"png";
        case kStoredGif:
            return L"gif";
        case kStoredTiff:
            return L"tiff";
        case kStoredBmp:
            return L"bmp";
        case kStoredEmf:
            return L"emf";
        case kStoredWmf:
            return L"wmf";
        case kStoredWebp:
            return L"webp";
        case kStoredAvif:
            return L"avif";
        default:
            return L"none";
    }
}

}  // namespace pictrove
