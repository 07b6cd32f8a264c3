// Image files through the GDI+ encoders, found by MIME type, at a fixed resolution.
#include "extract/ImageFileWriter.h"

#include <gdiplus.h>

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include "browse/ImageConversion.h"
#include "contracts/ReaderImageFields.h"
#include "extract/GifQuantizer.h"
#include "extract/GifTransparency.h"
#include "extract/OutputNaming.h"
#include "extract/StoredPictureFile.h"
#include "extract/PngFileWriter.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "common/Handles.h"

namespace pictrove {

namespace {

// The installed encoders' records; empty when there are none or the memory is not there.
std::vector<BYTE> EncoderRecords(UINT& count) {
    UINT size = 0;
    count = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer;
    if (size == 0 || count == 0) return buffer;
    try {
        buffer.resize(size);
    } catch (const std::bad_alloc&) {
        return {};
    }
    if (Gdiplus::GetImageEncoders(count, size, reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data())) !=
        Gdiplus::Ok) {
        buffer.clear();
    }
    return buffer;
}

// A system error code for a failed GDI+ save: the thread's last error when the platform left
// one, else the nearest code to the GDI+ status.
DWORD SaveErrorCode(Gdiplus::Status status, DWORD lastError) {
    if (lastError != 0) return lastError;
    switch (status) {
        case Gdiplus::OutOfMemory:
            return ERROR_NOT_ENOUGH_MEMORY;
        case Gdiplus::InvalidParameter:
            return ERROR_INVALID_PARAMETER;
        case Gdiplus::InsufficientBuffer:
            return ERROR_INSUFFICIENT_BUFFER;
        case Gdiplus::FileNotFound:
            return ERROR_PATH_NOT_FOUND;
        case Gdiplus::AccessDenied:
            return ERROR_ACCESS_DENIED;
        case Gdiplus::NotImplemented:
        case Gdiplus::UnknownImageFormat:
            return ERROR_NOT_SUPPORTED;
        default:
            return ERROR_WRITE_FAULT;
    }
}

// Palette block with room for every entry of a GIF colour table.
struct PaletteBlock {
    UINT flags;
    UINT count;
    Gdiplus::ARGB entries[GifQuantizer::kMaxColors];
};

// The GIF encoder of some platforms writes an empty image from 24/32-bit bitmaps while
// reporting success, and none of them chooses colours well: give it an 8-bit palette image of
// our own. Nothing when the source cannot be read. transparentIndex is the palette entry of
// fully transparent pixels, or -1.
BitmapPtr ReduceToPalette(Gdiplus::Bitmap& source, int& transparentIndex) {
    transparentIndex = -1;
    const Gdiplus::PixelFormat format = source.GetPixelFormat();
    const int bytesPerPixel = format == PixelFormat32bppARGB ? 4 : 3;
    const INT width = static_cast<INT>(source.GetWidth());
    const INT height = static_cast<INT>(source.GetHeight());
    const Gdiplus::Rect whole(0, 0, width, height);
    Gdiplus::BitmapData in{};
    if (source.LockBits(&whole, Gdiplus::ImageLockModeRead, format, &in) != Gdiplus::Ok) return nullptr;

    const GifQuantizer quantizer(
        PixelRows{static_cast<const std::uint8_t*>(in.Scan0), width, height, in.Stride, bytesPerPixel});
    BitmapPtr indexed(new Gdiplus::Bitmap(width, height, PixelFormat8bppIndexed));
    if (indexed && indexed->GetLastStatus() == Gdiplus::Ok) {
        auto palette = std::make_unique<PaletteBlock>();
        palette->flags = quantizer.TransparentIndex() >= 0 ? Gdiplus::PaletteFlagsHasAlpha : 0;
        palette->count = static_cast<UINT>(quantizer.Palette().size());
        for (UINT i = 0; i < palette->count; ++i) palette->entries[i] = quantizer.Palette()[i];
        indexed->SetPalette(reinterpret_cast<const Gdiplus::ColorPalette*>(palette.get()));
        Gdiplus::BitmapData out{};
        if (indexed->LockBits(&whole, Gdiplus::ImageLockModeWrite, PixelFormat8bppIndexed, &out) == Gdiplus::Ok) {
            quantizer.Map(static_cast<std::uint8_t*>(out.Scan0), out.Stride);
            indexed->UnlockBits(&out);
            transparentIndex = quantizer.TransparentIndex();
        } else {
            indexed.reset();
        }
    } else {
        indexed.reset();
    }
    source.UnlockBits(&in);
    return indexed;
}

bool EncoderIs(const CLSID& encoder, const wchar_t* mimeType) {
    std::wstring found;
    return FindEncoderMimeType(encoder, found) && found == mimeType;
}

// Some platforms' BMP encoder leaves the palette out of the header's file size for indexed
// bitmaps, and strict decoders then refuse the file: set the size the file really has.
void RepairBmpFileSize(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return;
    LARGE_INTEGER size{};
    BYTE header[6] = {};
    DWORD read = 0;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0xFFFFFFFFLL ||
        !ReadFile(file.Get(), header, sizeof(header), &read, nullptr) || read != sizeof(header) || header[0] != 'B' ||
        header[1] != 'M') {
        return;
    }
    const DWORD recorded = header[2] | (header[3] << 8) | (header[4] << 16) | (static_cast<DWORD>(header[5]) << 24);
    const DWORD actual = static_cast<DWORD>(size.QuadPart);
    if (recorded == actual) return;
    const BYTE fixed[4] = {static_cast<BYTE>(actual), static_cast<BYTE>(actual >> 8), static_cast<BYTE>(actual >> 16),
                           static_cast<BYTE>(actual >> 24)};
    DWORD written = 0;
    SetFilePointer(file.Get(), 2, nullptr, FILE_BEGIN);
    WriteFile(file.Get(), fixed, sizeof(fixed), &written, nullptr);
}

bool ReadWholeFile(HANDLE file, std::vector<std::uint8_t>& bytes) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > 0x7FFFFFFF) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes.empty() ||
           (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size());
}

// Some platforms' GIF encoder ignores the palette entry's alpha, so transparent areas come out
// in the entry's colour (black): write the transparent index into the file ourselves.
void MarkGifTransparency(const std::wstring& path, int transparentIndex) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<std::uint8_t> bytes;
    if (!file || !ReadWholeFile(file.Get(), bytes)) return;
    if (GifTransparentIndex(bytes) == transparentIndex) return;
    if (!SetGifTransparentIndex(bytes, transparentIndex)) return;
    DWORD written = 0;
    SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN);
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    SetEndOfFile(file.Get());
}

bool SystemFindEncoder(const wchar_t* mimeType, CLSID* clsid) {
    return FindEncoderClsid(mimeType, clsid);
}

std::atomic<EncoderLookup> g_encoderLookup{&SystemFindEncoder};

bool NeedsPaletteForGif(Gdiplus::Bitmap& bitmap, const CLSID& encoder) {
    const Gdiplus::PixelFormat format = bitmap.GetPixelFormat();
    if (format != PixelFormat24bppRGB && format != PixelFormat32bppARGB) return false;
    return EncoderIs(encoder, L"image/gif");
}

}  // namespace

bool FindEncoderClsid(const wchar_t* mimeType, CLSID* clsid) {
    if (!mimeType || !clsid) return false;
    UINT count = 0;
    const std::vector<BYTE> records = EncoderRecords(count);
    if (records.empty()) return false;
    const auto* codecs = reinterpret_cast<const Gdiplus::ImageCodecInfo*>(records.data());
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && wcscmp(codecs[i].MimeType, mimeType) == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

EncoderLookup SetEncoderLookup(EncoderLookup lookup) {
    return g_encoderLookup.exchange(lookup ? lookup : &SystemFindEncoder);
}

bool FindImageTypeEncoder(int typeIndex, CLSID* clsid) {
    if (typeIndex < 0 || typeIndex >= kImageTypeCount || !clsid) return false;
    return g_encoderLookup.load()(kEncoderMimeTypes[typeIndex], clsid);
}

UINT ImageTypeStringId(int typeIndex) {
    return typeIndex == kOriginalImageType ? IDS_TYPE_ORIGINAL : IDS_TYPE_BMP + static_cast<UINT>(typeIndex);
}

std::wstring ImageTypeLabel(int typeIndex) {
    if (typeIndex < 0 || typeIndex >= kImageTypeCount) return {};
    const std::wstring entry = LoadUiString(ImageTypeStringId(typeIndex));
    return entry.substr(0, entry.find(L'|'));
}

bool FindEncoderMimeType(const CLSID& clsid, std::wstring& mimeType) {
    UINT count = 0;
    const std::vector<BYTE> records = EncoderRecords(count);
    const auto* codecs = reinterpret_cast<const Gdiplus::ImageCodecInfo*>(records.data());
    for (UINT i = 0; i < count && !records.empty(); ++i) {
        if (IsEqualCLSID(codecs[i].Clsid, clsid) && codecs[i].MimeType) {
            mimeType = codecs[i].MimeType;
            return true;
        }
    }
    return false;
}

WriteOutcome SaveImageFile(IUnknown* image, float dpi, const CLSID& encoder, const std::wstring& path) {
    if (!image) return WriteOutcome::Failed(ERROR_INVALID_DATA);
    // PNG files are encoded from the reader's own rows, without a bitmap copy.
    if (EncoderIs(encoder, L"image/png")) {
        Microsoft::WRL::ComPtr<ReaderImage> pixels;
        ReaderImageFields fields;
        if (FAILED(image->QueryInterface(kIidReaderImage, reinterpret_cast<void**>(pixels.GetAddressOf()))) ||
            ReadReaderImage(pixels.Get(), fields) != ReaderImageCheck::kOk) {
            return WriteOutcome::Failed(ERROR_INVALID_DATA);
        }
        const DWORD error = WritePngFile(fields, dpi, LongPathForm(path));
        return error == 0 ? WriteOutcome::Written() : WriteOutcome::Failed(error);
    }
    BitmapPtr bitmap = CreateBitmapFromReaderImage(image);
    if (!bitmap) return WriteOutcome::Failed(ERROR_INVALID_DATA);

    bitmap->SetResolution(dpi, dpi);
    int transparentIndex = -1;
    if (NeedsPaletteForGif(*bitmap, encoder)) {
        if (BitmapPtr indexed = ReduceToPalette(*bitmap, transparentIndex)) {
            indexed->SetResolution(dpi, dpi);
            bitmap = std::move(indexed);  // one bitmap in memory again
        }
    }
    // Long names from documents can make a path longer than MAX_PATH.
    const std::wstring target = LongPathForm(path);
    const bool existedBefore = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    SetLastError(0);
    const Gdiplus::Status status = bitmap->Save(target.c_str(), &encoder, nullptr);
    const DWORD lastError = GetLastError();
    if (status != Gdiplus::Ok) {
        // A write that broke off (a full disk, say) must not leave a truncated picture behind
        // that looks like a result; a file that was there before is the user's and stays.
        if (!existedBefore) DeleteFileW(target.c_str());
        return WriteOutcome::Failed(SaveErrorCode(status, lastError));
    }
    if (Gdiplus::IsIndexedPixelFormat(bitmap->GetPixelFormat()) && EncoderIs(encoder, L"image/bmp")) {
        RepairBmpFileSize(target);
    }
    if (transparentIndex >= 0) MarkGifTransparency(target, transparentIndex);
    return WriteOutcome::Written();
}

ImageFileWriter::ImageFileWriter(ImageCollection* collection, int typeIndex) : typeIndex_(typeIndex) {
    if (!collection || typeIndex < 0 || typeIndex >= kImageTypeCount) return;
    if (FindImageTypeEncoder(typeIndex, &encoder_))
        collection_ = collection;
    else
        missingEncoder_ = true;
}

WriteOutcome ImageFileWriter::WriteImage(int index, const std::wstring& path) {
    if (!collection_) return WriteOutcome::Failed(ERROR_INVALID_DATA);
    // A picture with a stored form goes out as stored; the others are encoded (as PNG).
    if (typeIndex_ == kOriginalImageType && StoredFormatOfImage(collection_.Get(), index) != kStoredNone)
        return WriteStoredPicture(collection_.Get(), index, path);
    Microsoft::WRL::ComPtr<IUnknown> image;
    const HRESULT result = collection_->GetImage(index, image.GetAddressOf());
    if (!image && IsImageLimitRefusal(result)) return WriteOutcome::Failed(static_cast<DWORD>(result));
    return SaveImageFile(image.Get(), kOutputDpi, encoder_, path);
}

void WriteFailures::Record(const std::wstring& path, const WriteOutcome& outcome) {
    if (outcome.written) return;
    if (count_++ == 0) {
        firstPath_ = path;
        firstError_ = outcome.error;
    }
}

std::wstring WriteFailures::Message(int total) const {
    return FormatUiString(IDS_WRITE_FAILED, {static_cast<long long>(count_), static_cast<long long>(total), firstPath_,
                                             SystemErrorText(firstError_)});
}

}  // namespace pictrove
