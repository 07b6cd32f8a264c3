// The comic reader's RAR, 7z and tar path in the portable core: which container a file is, what
// a RAR's headers reveal before unpacking, which pages are listed and in which order, encrypted
// and hostile archives, and how a solid archive is read once for all its pages. Archives come
// from the test writers (stored RAR 4 and RAR 5) and from libarchive's own reference archives.
#include <gtest/gtest.h>

#include "comic/ArchiveComicSource.h"
#include "containers/ArchiveProbe.h"
#include "containers/ArchiveStream.h"
#include "comic/ComicSource.h"
#include "pictures/ImageHeader.h"
#include "TestArchives.h"
#include "TestDocuments.h"

namespace pictrove::readers {
namespace {

using test::ArchiveFile;
using test::Bytes;
using test::MakeRar4;
using test::MakeRar5;
using test::RarLayout;
using test::ToBytes;

// A gray picture of the header's size whose first pixel is the payload's size, so a test sees
// which entry was decoded.
class SizeStampDecoder final : public PayloadDecoder {
  public:
    std::optional<DecodedImage> DecodeFrame(std::span<const std::uint8_t> file, unsigned frame) override {
        const auto info = ReadImageHeader(file);
        if (!info || frame > 0) return std::nullopt;
        auto image = DecodedImage::Allocate(PixelType::kGray8, info->width, info->height);
        image->bytes[0] = static_cast<std::uint8_t>(file.size());
        return image;
    }
    unsigned FrameCount(std::span<const std::uint8_t> file) override { return ReadImageHeader(file) ? 1 : 0; }
};

Bytes Png(int width, int height) {
    return test::MakePng(width, height, test::PngColour::kGray, Bytes(width * height, 0x55));
}

using Maker = Bytes (*)(const std::vector<ArchiveFile>&, const RarLayout&);
struct RarFormat {
    const char* label;
    Maker make;
    ArchiveKind kind;
};
const RarFormat kRarFormats[] = {{"RAR 4", &MakeRar4, ArchiveKind::kRar4}, {"RAR 5", &MakeRar5, ArchiveKind::kRar5}};

struct Listed {
    std::u16string name;
    int width;
    int height;
    bool operator==(const Listed&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Listed& listed) {
    std::string name;
    for (char16_t c : listed.name) name += c < 0x80 ? static_cast<char>(c) : '?';
    return out << name << " " << listed.width << "x" << listed.height;
}
std::vector<Listed> ListOf(const DocumentSource& source) {
    std::vector<Listed> list;
    for (const auto& image : source.Images()) list.push_back({image.name, image.width, image.height});
    return list;
}

OpenStatus OpenBytes(DocumentSource& source, Bytes bytes) {
    return source.Open({std::move(bytes), u"C:\\comics\\issue.cbr", u""});
}

std::vector<ArchiveFile> ComicPages() {
    return {
        {"page10.png", Png(1, 10)},
        {"notes.txt", ToBytes("scanned by someone")},
        {"sub", {}, true},
        {"sub/page3.png", Png(3, 1)},
        {"page2.png", Png(1, 2)},
        {"__MACOSX/._page2.png", Png(9, 9)},
        {"Thumbs.db", Png(8, 8)},
        {"Page1.png", Png(1, 1)},
        {"fake.jpg", ToBytes("this is no JPEG")},
        {"page02b.png", Png(2, 2)},
    };
}
const std::vector<Listed> kComicList = {{u"Page1", 1, 1},
                                        {u"page2", 1, 2},
                                        {u"page02b", 2, 2},
                                        {u"page10", 1, 10},
                                        {u"page3", 3, 1}};

TEST(DetectArchiveKind, TellsContainersByTheirFirstBytes) {
    EXPECT_EQ(DetectArchiveKind(MakeRar4({})), ArchiveKind::kRar4);
    EXPECT_EQ(DetectArchiveKind(MakeRar5({})), ArchiveKind::kRar5);
    EXPECT_EQ(DetectArchiveKind(Bytes{'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4}), ArchiveKind::kSevenZip);
    EXPECT_EQ(DetectArchiveKind(test::MakeZip({{"a.png", Png(1, 1), false}})), ArchiveKind::kZip);
    EXPECT_EQ(DetectArchiveKind(ToBytes("Rar!\x1A\x07")), ArchiveKind::kUnknown);  // cut signature
    EXPECT_EQ(DetectArchiveKind(ToBytes("%PDF-1.4")), ArchiveKind::kUnknown);
    EXPECT_EQ(DetectArchiveKind({}), ArchiveKind::kUnknown);

    // A tar header is recognised by its checksum, with or without the ustar magic.
    Bytes tar(1024, 0);
    const std::string name = "page1.png";
    std::copy(name.begin(), name.end(), tar.begin());
    const auto setChecksum = [&tar] {
        std::fill(tar.begin() + 148, tar.begin() + 156, ' ');
        unsigned sum = 0;
        for (int i = 0; i < 512; ++i) sum += tar[i];
        for (int digit = 5; digit >= 0; --digit, sum /= 8) tar[148 + digit] = static_cast<std::uint8_t>('0' + sum % 8);
        tar[154] = 0;
    };
    setChecksum();
    EXPECT_EQ(DetectArchiveKind(tar), ArchiveKind::kTar);
    tar[0] = 'P';  // the stored sum no longer matches
    EXPECT_EQ(DetectArchiveKind(tar), ArchiveKind::kUnknown);
    EXPECT_EQ(DetectArchiveKind(Bytes(1024, 0)), ArchiveKind::kUnknown);  // an empty archive's end blocks
}

TEST(ProbeRar, ReadsSolidAndEncryptionFlagsFromHeadersOnly) {
    for (const auto& format : kRarFormats) {
        SCOPED_TRACE(format.label);
        const std::vector<ArchiveFile> files = {{"a.png", Png(1, 1)}, {"b.png", Png(2, 2), false, true}};
        RarFacts facts = ProbeRar(format.make(files, {}), format.kind);
        EXPECT_FALSE(facts.solid);
        EXPECT_FALSE(facts.headersEncrypted);
        EXPECT_EQ(facts.files, 2u);
        EXPECT_EQ(facts.encryptedFiles, 1u);
        facts = ProbeRar(format.make(files, {.solid = true}), format.kind);
        EXPECT_TRUE(facts.solid);
        facts = ProbeRar(format.make(files, {.headersEncrypted = true}), format.kind);
        EXPECT_TRUE(facts.headersEncrypted);
        EXPECT_EQ(facts.files, 0u);
    }
    // A file header whose fields run past its own declared size (a fuzzing find): the extra
    // area it claims lies outside the header, and outside the file.
    Bytes shortHeader = MakeRar5({});
    shortHeader.resize(shortHeader.size() - 8);  // no end block
    for (const std::uint8_t byte : {0, 0, 0, 0, 3, 2, 3, 0x7F, 0x50, 0, 0, 0, 0}) shortHeader.push_back(byte);
    const RarFacts cut = ProbeRar(shortHeader, ArchiveKind::kRar5);
    EXPECT_EQ(cut.files, 0u);
    EXPECT_EQ(cut.encryptedFiles, 0u);

    // Real archives: RAR 5 solid, RAR 4 with encrypted data and with encrypted headers.
    EXPECT_TRUE(ProbeRar(test::kRar5SolidSample, ArchiveKind::kRar5).solid);
    EXPECT_EQ(ProbeRar(test::kRar5SolidSample, ArchiveKind::kRar5).files, 4u);
    EXPECT_GT(ProbeRar(test::kRar4EncryptedDataSample, ArchiveKind::kRar4).encryptedFiles, 0u);
    EXPECT_TRUE(ProbeRar(test::kRar4EncryptedHeaderSample, ArchiveKind::kRar4).headersEncrypted);
}

TEST(ComicArchives, RarPagesInNaturalOrderWithoutFoldersOrMetadata) {
    for (const auto& format : kRarFormats) {
        for (const bool solid : {false, true}) {
            SCOPED_TRACE(testing::Message() << format.label << (solid ? " solid" : ""));
            ComicSource source(std::make_shared<SizeStampDecoder>());
            ASSERT_EQ(OpenBytes(source, format.make(ComicPages(), {.solid = solid})), OpenStatus::kOpened);
            EXPECT_EQ(ListOf(source), kComicList);
            // Each listed page decodes from its own entry.
            for (std::size_t i = 0; i < kComicList.size(); ++i) {
                const auto image = source.Decode(i);
                ASSERT_TRUE(image) << i;
                EXPECT_EQ(image->bytes[0], std::uint8_t(Png(kComicList[i].width, kComicList[i].height).size())) << i;
            }
            EXPECT_FALSE(source.Decode(kComicList.size()));
        }
    }
}

TEST(ComicArchives, SolidArchiveIsReadOnceForAllPagesInAnyOrder) {
    // The archive stores the pages in the reverse of the list's order, the worst case for a
    // stream that can only go forward.
    std::vector<ArchiveFile> files;
    for (int page = 12; page >= 1; --page) {
        std::string name = "p";
        name += std::to_string(page);
        name += ".png";
        files.push_back({name, Png(page, 1)});
    }
    for (const bool solid : {true, false}) {
        SCOPED_TRACE(solid ? "solid" : "not solid");
        ArchiveComicSource source(std::make_shared<SizeStampDecoder>(), ArchiveKind::kRar5);
        ASSERT_EQ(OpenBytes(source, MakeRar5(files, {.solid = solid})), OpenStatus::kOpened);
        ASSERT_EQ(source.Images().size(), 12u);
        for (std::size_t i = 0; i < 12; ++i) {
            const auto image = source.Decode(i);
            ASSERT_TRUE(image) << i;
            EXPECT_EQ(image->width, int(i) + 1);
            EXPECT_EQ(image->bytes[0], std::uint8_t(Png(int(i) + 1, 1).size())) << i;
        }
        if (solid) {
            // One pass: the first page is last in the archive, everything before it was kept.
            EXPECT_EQ(source.Stats().restarts, 1u);
            EXPECT_EQ(source.Stats().entriesUnpacked, 12u);
            EXPECT_EQ(source.Stats().cacheHits, 11u);
        } else {
            // Without a shared stream, going back costs only headers: nothing is kept.
            EXPECT_EQ(source.Stats().restarts, 12u);
            EXPECT_EQ(source.Stats().entriesUnpacked, 12u);
            EXPECT_EQ(source.Stats().cacheHits, 0u);
        }
        // A page asked for again is read again.
        const auto again = source.Decode(0);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->width, 1);
    }
}

TEST(ComicArchives, EncryptedArchivesReportProtection) {
    for (const auto& format : kRarFormats) {
        SCOPED_TRACE(format.label);
        ComicSource source(std::make_shared<SizeStampDecoder>());
        std::vector<ArchiveFile> files = {{"p1.png", Png(1, 1), false, true}, {"p2.png", Png(2, 2), false, true}};
        EXPECT_EQ(OpenBytes(source, format.make(files, {})), OpenStatus::kProtected);
        EXPECT_TRUE(source.Images().empty());
        EXPECT_EQ(OpenBytes(source, format.make(files, {.headersEncrypted = true})), OpenStatus::kProtected);
        // Only the notes are encrypted: the pages open.
        files = {{"notes.txt", ToBytes("secret"), false, true}, {"p1.png", Png(1, 1)}};
        EXPECT_EQ(OpenBytes(source, format.make(files, {})), OpenStatus::kOpened);
        EXPECT_EQ(ListOf(source), (std::vector<Listed>{{u"p1", 1, 1}}));
    }
    ComicSource source(std::make_shared<SizeStampDecoder>());
    EXPECT_EQ(OpenBytes(source, test::kRar4EncryptedDataSample), OpenStatus::kProtected);
    EXPECT_EQ(OpenBytes(source, test::kRar4EncryptedHeaderSample), OpenStatus::kProtected);
    // A zip comic whose pages are all encrypted is protected in the same way.
    Bytes zip = test::MakeZip({{"p1.png", Png(1, 1), false}});
    zip[6] |= 1;  // the local header's encryption flag
    for (std::size_t i = zip.size() - 22; i-- > 0;) {
        if (zip[i] == 0x50 && zip[i + 1] == 0x4B && zip[i + 2] == 1 && zip[i + 3] == 2) {
            zip[i + 8] |= 1;  // and the central directory's
            break;
        }
    }
    EXPECT_EQ(OpenBytes(source, zip), OpenStatus::kProtected);
}

TEST(ComicArchives, OversizedEntriesAreNeverUnpacked) {
    const std::uint64_t kHundredGigabytes = std::uint64_t{100} << 30;
    for (const auto& format : kRarFormats) {
        SCOPED_TRACE(format.label);
        const std::vector<ArchiveFile> files = {
            {"p1.png", Png(1, 1)}, {"bomb.png", Png(5, 5), false, false, kHundredGigabytes}, {"p3.png", Png(3, 3)}};
        // Passing over it costs nothing when the archive is not solid: the pages after it stay.
        ArchiveComicSource source(std::make_shared<SizeStampDecoder>(), format.kind);
        ASSERT_EQ(OpenBytes(source, format.make(files, {})), OpenStatus::kOpened);
        EXPECT_EQ(ListOf(source), (std::vector<Listed>{{u"p1", 1, 1}, {u"p3", 3, 3}}));
        EXPECT_EQ(source.Stats().entriesUnpacked, 0u);
        // In a solid stream it would have to be unpacked to pass it: the listing ends there.
        ArchiveComicSource solid(std::make_shared<SizeStampDecoder>(), format.kind);
        ASSERT_EQ(OpenBytes(solid, format.make(files, {.solid = true})), OpenStatus::kOpened);
        EXPECT_EQ(ListOf(solid), (std::vector<Listed>{{u"p1", 1, 1}}));
        // Whatever its name: a resource fork is never listed, but passing it costs the same.
        const std::vector<ArchiveFile> fork = {{"__MACOSX/._p1.png", Png(5, 5), false, false, kHundredGigabytes},
                                               {"p1.png", Png(1, 1)}};
        ASSERT_EQ(OpenBytes(solid, format.make(fork, {.solid = true})), OpenStatus::kOpened);
        EXPECT_TRUE(solid.Images().empty());
        ASSERT_EQ(OpenBytes(solid, format.make(fork, {})), OpenStatus::kOpened);
        EXPECT_EQ(ListOf(solid), (std::vector<Listed>{{u"p1", 1, 1}}));
    }
}

TEST(ComicArchives, TruncatedAndDamagedArchivesKeepWhatIsReadable) {
    for (const auto& format : kRarFormats) {
        SCOPED_TRACE(format.label);
        const std::vector<ArchiveFile> files = {{"p1.png", Png(1, 1)}, {"p2.png", Png(2, 2)}, {"p3.png", Png(30, 30)}};
        const Bytes whole = format.make(files, {});
        // Cut inside the last page's data: the first two are listed and decode.
        Bytes cut(whole.begin(), whole.end() - Png(30, 30).size() / 2 - (format.kind == ArchiveKind::kRar4 ? 7 : 8));
        ComicSource source(std::make_shared<SizeStampDecoder>());
        ASSERT_EQ(OpenBytes(source, cut), OpenStatus::kOpened);
        EXPECT_EQ(ListOf(source), (std::vector<Listed>{{u"p1", 1, 1}, {u"p2", 2, 2}}));
        EXPECT_TRUE(source.Decode(1));
        EXPECT_TRUE(source.Damaged());
        ASSERT_EQ(OpenBytes(source, whole), OpenStatus::kOpened);
        EXPECT_FALSE(source.Damaged());
        // Cut inside the first header: nothing is readable.
        EXPECT_EQ(OpenBytes(source, Bytes(whole.begin(), whole.begin() + 30)), OpenStatus::kNotReadable);
        // A damaged header ends the listing: the pages before it stay.
        Bytes damaged = whole;
        const std::string name = "p2.png";
        const auto at = std::search(damaged.begin(), damaged.end(), name.begin(), name.end());
        ASSERT_NE(at, damaged.end());
        *at = 'q';  // no longer matches the header's CRC
        ASSERT_EQ(OpenBytes(source, damaged), OpenStatus::kOpened);
        EXPECT_EQ(ListOf(source), (std::vector<Listed>{{u"p1", 1, 1}}));
        EXPECT_TRUE(source.Decode(0));
        EXPECT_TRUE(source.Damaged());
    }
}

TEST(ComicArchives, CompressedRarThroughLibarchiveGivesTheRightBytes) {
    // libarchive's reference archives hold no pictures: the comic lists none, but the entries
    // unpack through our stream to the data the archives were made from.
    ComicSource source(std::make_shared<SizeStampDecoder>());
    for (const Bytes* sample : {&test::kRar5CompressedSample, &test::kRar5SolidSample, &test::kRar4StoredSample}) {
        EXPECT_EQ(OpenBytes(source, *sample), OpenStatus::kOpened);
        EXPECT_TRUE(source.Images().empty());
    }

    const auto readAll = [](const Bytes& archive) {
        std::vector<std::pair<std::string, Bytes>> entries;
        ArchiveStream stream;
        EXPECT_TRUE(stream.Open(archive));
        ArchiveEntryHeader header;
        while (stream.Next(header) == ArchiveStream::Step::kEntry) {
            Bytes data;
            EXPECT_EQ(stream.Read(data, 1 << 20), ArchiveStream::ReadResult::kComplete) << header.path;
            if (header.regularFile) entries.emplace_back(header.path, std::move(data));
        }
        return entries;
    };
    auto entries = readAll(test::kRar5CompressedSample);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].first, "test.bin");
    EXPECT_EQ(entries[0].second, test::LibarchiveTestPattern(0, 1200));

    entries = readAll(test::kRar5SolidSample);
    ASSERT_EQ(entries.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(entries[i].first, "test" + std::to_string(i + 1) + ".bin");
        EXPECT_EQ(entries[i].second, test::LibarchiveTestPattern(i + 1, 4096)) << i;
    }

    entries = readAll(test::kRar4StoredSample);
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[0].first, "test.txt");
    EXPECT_EQ(entries[0].second, ToBytes("test text document\r\n"));
    EXPECT_EQ(entries[1].first, "testdir/test.txt");

    // A read stops at the caller's limit.
    ArchiveStream stream;
    ASSERT_TRUE(stream.Open(test::kRar5CompressedSample));
    ArchiveEntryHeader header;
    ASSERT_EQ(stream.Next(header), ArchiveStream::Step::kEntry);
    EXPECT_TRUE(header.sizeKnown);
    EXPECT_EQ(header.size, 1200u);
    Bytes prefix;
    EXPECT_EQ(stream.Read(prefix, 100), ArchiveStream::ReadResult::kLimitReached);
    const Bytes pattern = test::LibarchiveTestPattern(0, 1200);
    EXPECT_EQ(prefix, Bytes(pattern.begin(), pattern.begin() + 100));
    EXPECT_EQ(stream.Next(header), ArchiveStream::Step::kEnd);
}

TEST(ComicArchives, AnArchiveTheLibraryRefusesToOpenIsNotReadable) {
    ComicSource source(std::make_shared<SizeStampDecoder>());
    EXPECT_EQ(OpenBytes(source, test::kTarRefusedAtOpenFinding), OpenStatus::kNotReadable);
    EXPECT_TRUE(source.Images().empty());
    ArchiveStream stream;
    EXPECT_FALSE(stream.Open(test::kTarRefusedAtOpenFinding));
    EXPECT_FALSE(stream.SawEncryption());
}

TEST(IsOsMetadataPath, ResourceForksAndFolderRecords) {
    for (const char* path : {"__MACOSX/._p1.png", "Comic/__MACOSX/p1.png", "Comic/._p1.png", ".DS_Store",
                             "sub\\Thumbs.db", "Desktop.ini"}) {
        EXPECT_TRUE(IsOsMetadataPath(path)) << path;
    }
    for (const char* path : {"p1.png", "macosx/p1.png", "_p1.png", "sub/.hidden.png", "thumbs.png"}) {
        EXPECT_FALSE(IsOsMetadataPath(path)) << path;
    }
}

}  // namespace
}  // namespace pictrove::readers
