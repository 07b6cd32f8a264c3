// Documents read by the readers' core natively: the file mapped read-only, the format chosen by
// the same table as on Windows, a password tried only when the document asks for one.
#include "cli/native/CorePlatform.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <mutex>

#include "FormatSources.h"
#include "cli/ReasonTexts.h"
#include "cli/native/EnglishStrings.h"
#include "cli/native/NativeFiles.h"
#include "contracts/ReaderFormats.h"
#include "contracts/ReaderLimits.h"
#include "contracts/StoredFormat.h"
#include "model/Limits.h"
#include "resources/TextFormat.h"

namespace pictrove::cli {

namespace fs = std::filesystem;
using readers::DocumentSource;

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// Files larger than this are not read: the readers' offsets are 32-bit in places.
constexpr std::uint64_t kMaxFileSize = std::uint64_t{1} << 31;

// A file mapped read-only for as long as any view of its bytes lives.
class MappedBytes : public readers::ByteOwner {
  public:
    MappedBytes(void* address, std::size_t size) : address_(address), size_(size) {}
    ~MappedBytes() override { munmap(address_, size_); }
    std::span<const std::uint8_t> Bytes() const override { return {static_cast<const std::uint8_t*>(address_), size_}; }

  private:
    void* address_;
    std::size_t size_;
};

// The file's bytes, or the reason it cannot be read.
std::uint32_t MapFile(const std::string& path, readers::FileBytes& bytes) {
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return ReasonOfErrno(errno);
    struct stat info {};
    std::uint32_t reason = 0;
    if (fstat(file, &info) != 0) {
        reason = ReasonOfErrno(errno);
    } else if (S_ISDIR(info.st_mode)) {
        reason = kReasonAccessDenied;
    } else if (static_cast<std::uint64_t>(info.st_size) > kMaxFileSize) {
        reason = kReasonFileTooLarge;
    } else if (info.st_size > 0) {
        const auto size = static_cast<std::size_t>(info.st_size);
        void* address = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
        if (address == MAP_FAILED)
            reason = ReasonOfErrno(errno);
        else
            bytes = readers::FileBytes(std::make_shared<MappedBytes>(address, size));
    }
    close(file);
    return reason;
}

std::u16string Utf16(std::wstring_view text) {
    std::u16string out;
    for (wchar_t c : text) {
        auto code = static_cast<std::uint32_t>(c);
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

std::wstring Wide(std::u16string_view text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        out += static_cast<wchar_t>(code);
    }
    return out;
}

// An opened source, read one picture at a time.
class CoreDocument : public CliDocument {
  public:
    explicit CoreDocument(std::unique_ptr<DocumentSource> source) : source_(std::move(source)) {}

    int ImageCount() override { return static_cast<int>(source_->Images().size()); }
    std::wstring ImageName(int index) override { return Wide(Entry(index).name); }
    int ImageWidth(int index) override { return Entry(index).width; }
    int ImageHeight(int index) override { return Entry(index).height; }
    int StoredFormat(int index) override {
        return Valid(index) ? static_cast<int>(source_->Stored(static_cast<std::size_t>(index)).format) : 0;
    }
    int PixelType(int index) override {
        if (!Valid(index)) return -1;
        if (const auto known = source_->Stored(static_cast<std::size_t>(index)).pixelType)
            return static_cast<int>(*known);
        std::uint32_t reason = 0;
        const auto image = Decode(index, reason);
        return image ? static_cast<int>(image->type) : -1;
    }
    PictureResult Write(const PlannedPicture& picture, int typeIndex) override {
        const std::string path = NativePath(picture.path);
        if (picture.stored) {
            const auto bytes = source_->StoredBytes(static_cast<std::size_t>(picture.index));
            if (!bytes || bytes->empty()) return {false, kReasonInvalidData};
            const std::uint32_t reason = WriteWholeFile(path, *bytes);
            return {reason == 0, reason, reason == kReasonDiskFull};
        }
        std::uint32_t reason = 0;
        const auto image = Decode(picture.index, reason);
        if (!image && IsDrawing(picture.index)) return {false, kReasonDrawingNotDrawn};
        if (!image) return {false, reason};
        reason = WriteEncodedPicture(*image, typeIndex, path);
        return {reason == 0, reason, reason == kReasonDiskFull};
    }

  private:
    bool IsDrawing(int index) {
        const int stored = StoredFormat(index);
        return stored == kStoredEmf || stored == kStoredWmf;
    }
    bool Valid(int index) const { return index >= 0 && static_cast<std::size_t>(index) < source_->Images().size(); }
    const readers::ImageEntry& Entry(int index) const {
        static const readers::ImageEntry kNone;
        return Valid(index) ? source_->Images()[static_cast<std::size_t>(index)] : kNone;
    }

    std::optional<readers::DecodedImage> Decode(int index, std::uint32_t& reason) {
        reason = kReasonInvalidData;
        if (!Valid(index)) return std::nullopt;
        try {
            readers::TakeLimitBreach();  // whatever an earlier call on this thread left
            auto image = source_->Decode(static_cast<std::size_t>(index));
            const readers::LimitBreach breach = readers::TakeLimitBreach();
            if (breach == readers::LimitBreach::kPixels) reason = kReasonOverPixelLimit;
            if (breach == readers::LimitBreach::kStreamBytes) reason = kReasonOverStreamLimit;
            if (!image && breach == readers::LimitBreach::kNone &&
                source_->Stored(static_cast<std::size_t>(index)).undecodable) {
                reason = kReasonKindNotDecoded;
            }
            return image;
        } catch (const std::bad_alloc&) {
            reason = kReasonOutOfMemory;
            return std::nullopt;
        }
    }

    std::unique_ptr<DocumentSource> source_;
};

OpenedDocument Opened(OpenStatus status) {
    OpenedDocument opened;
    opened.status = status;
    return opened;
}

}  // namespace

OpenedDocument CorePlatform::Open(const std::wstring& path, const std::optional<std::wstring>& password) {
    const int format = ClassifyExtension(GetReaderExtension(path));
    std::unique_ptr<DocumentSource> source = readers::MakeFormatSource(format, nullptr);
    if (!source) return Opened(OpenStatus::kNoReader);
    readers::FileBytes bytes;
    if (const std::uint32_t reason = MapFile(NativePath(path), bytes); reason != 0) {
        OpenedDocument opened = Opened(OpenStatus::kUnreadable);
        opened.systemError = reason;
        return opened;
    }
    try {
        readers::OpenStatus status = source->Open({bytes, Utf16(path), {}});
        if (status == readers::OpenStatus::kNeedsPassword) {
            if (!password || password->empty()) return Opened(OpenStatus::kNeedsPassword);
            status = source->Open({bytes, Utf16(path), Utf16(*password)});
            if (status != readers::OpenStatus::kOpened) return Opened(OpenStatus::kWrongPassword);
        }
        if (status == readers::OpenStatus::kProtected) return Opened(OpenStatus::kProtected);
        if (status != readers::OpenStatus::kOpened) return Opened(OpenStatus::kDamaged);
    } catch (const std::bad_alloc&) {
        OpenedDocument opened = Opened(OpenStatus::kUnreadable);
        opened.systemError = kReasonOutOfMemory;
        return opened;
    }
    OpenedDocument opened;
    opened.damaged = source->Damaged();
    opened.status = source->Images().empty() ? OpenStatus::kNoImages : OpenStatus::kOpened;
    opened.document = std::make_unique<CoreDocument>(std::move(source));
    return opened;
}

std::wstring CorePlatform::FolderPath(const std::wstring& typed) {
    std::error_code error;
    fs::path folder = fs::absolute(fs::path(NativePath(typed)), error);
    if (error) folder = fs::path(NativePath(typed));
    std::wstring text = FromUtf8(folder.lexically_normal().string());
    if (text.empty() || text.back() != L'/') text += L'/';
    return text;
}

std::vector<std::wstring> CorePlatform::ExpandDocumentName(const std::wstring& typed) {
    const std::size_t separator = typed.find_last_of(L'/');
    const std::size_t nameStart = separator == std::wstring::npos ? 0 : separator + 1;
    if (typed.find_first_of(L"*?", nameStart) == std::wstring::npos) return {typed};
    const std::wstring folder = typed.substr(0, nameStart);
    const std::string pattern = Utf8(typed.substr(nameStart));
    std::vector<std::wstring> found;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(folder.empty() ? fs::path(".") : fs::path(NativePath(folder)), error)) {
        const std::string name = entry.path().filename().string();
        // Matched as the Windows command line matches: letters in either case.
        if (entry.is_directory(error) || fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
        found.push_back(folder + FromUtf8(name));
    }
    std::sort(found.begin(), found.end(),
              [](const std::wstring& a, const std::wstring& b) { return Lower(a) < Lower(b); });
    return found;
}

bool CorePlatform::MakeFolder(const std::wstring& folder) {
    std::error_code error;
    const fs::path path(NativePath(folder));
    fs::create_directories(path, error);
    return fs::is_directory(path, error);
}

std::wstring CorePlatform::ReasonText(std::uint32_t reason) {
    if (reason == kReasonOverPixelLimit || reason == kReasonOverStreamLimit) {
        const bool pixels = reason == kReasonOverPixelLimit;
        const FormatArg limit = static_cast<long long>(pixels ? kMaxPictureMegapixels : kMaxStreamMegabytes);
        const std::wstring_view format = EnglishString(pixels ? "IDS_OVER_PIXEL_LIMIT" : "IDS_OVER_STREAM_LIMIT");
        if (auto text = FormatText(format, std::span<const FormatArg>(&limit, 1))) return *text;
    }
    if (reason == kReasonKindNotDecoded) return std::wstring(EnglishString("IDS_KIND_NOT_DECODED"));
    const std::wstring text = SystemReasonText(reason);
    return text.empty() ? ReasonCodeText(reason) : text;
}

std::wstring CorePlatform::DefaultImageName(int index) {
    const FormatArg number = static_cast<long long>(index);
    auto text = FormatText(EnglishString("IDS_DEFAULT_IMAGE_NAME"), std::span<const FormatArg>(&number, 1));
    return text ? *text : std::wstring();
}

std::wstring CorePlatform::ImageTypeLabel(int typeIndex) {
    static constexpr const char* kTypes[] = {"IDS_TYPE_BMP", "IDS_TYPE_GIF", "IDS_TYPE_JPEG", "IDS_TYPE_PNG",
                                             "IDS_TYPE_ORIGINAL"};
    if (typeIndex < 0 || typeIndex >= 5) return {};
    const std::wstring_view entry = EnglishString(kTypes[typeIndex]);
    return std::wstring(entry.substr(0, entry.find(L'|')));
}

}  // namespace pictrove::cli
