// Writers of small documents for the reader tests: Palm databases, MOBI books, OLE compound
// files and Word 97 documents with pictures, built byte by byte from the published layouts.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "TestImageFiles.h"

namespace pictrove::test {

Bytes MakePalmDatabase(const std::string& name,
                       const char* type,
                       const char* creator,
                       const std::vector<Bytes>& records);

struct MobiBookLayout {
    std::vector<Bytes> text = {Bytes{'<', 'p', '>', 'h', 'i'}};  // text records
    std::vector<Bytes> resources;                                // from the first image record on
    int coverOffset = -1;  // EXTH cover offset (relative to the first image record), -1 for none
    int thumbOffset = -1;
    int encryption = 0;
    bool withExth = true;
    bool boundaryAfterResources = false;  // a combined MOBI/KF8 book: a boundary, then more records
};
Bytes MakeMobi(const MobiBookLayout& layout);

// A minimal JPEG file (no decodable scan): start of image, a start-of-frame with the size, end.
Bytes MakeJpegHeaderOnly(int width, int height);
// A bottom-up 24-bit bitmap file of the test colours given as blue, green, red triples.
Bytes MakeBmp24(int width, int height, const Bytes& bgrTopDown);

struct CompoundStream {
    std::u16string name;
    Bytes data;
};
// A version 3 compound file (512-byte sectors) whose root holds the streams; streams under 4096
// bytes go to the mini stream. sectorChainLoop makes the first big stream's chain point at itself.
Bytes MakeCompoundFile(const std::vector<CompoundStream>& streams, bool sectorChainLoop = false);

// OfficeArt picture record of a bitmap kind: 0xF01D JPEG, 0xF01E PNG, 0xF01F DIB, 0xF029 TIFF.
Bytes MakeBlip(std::uint16_t type, const Bytes& data, bool twoIds = false);
// OfficeArt metafile record: 0xF01A EMF or 0xF01B WMF; deflated with a zlib stream of stored blocks.
Bytes MakeMetafileBlip(std::uint16_t type,
                       const Bytes& metafile,
                       bool deflate,
                       int boundsRight,
                       int boundsBottom,
                       int emuWidth,
                       int emuHeight);

struct WordPictureSpec {
    Bytes blip;             // an OfficeArt picture record
    bool floating = false;  // anchored shape through the picture store; else inline in the Data stream
    bool delayed = false;   // the picture lies in the WordDocument stream, not in its store entry
    // Inline only: the Data stream's picture holds just the shape, which names an entry of the
    // document's picture store (as some writers do) instead of carrying the picture itself.
    bool viaStore = false;
};
struct WordDocumentSpec {
    // Text with a character 0x01 (inline) or 0x08 (floating anchor) for each picture in turn.
    std::string text;
    std::vector<WordPictureSpec> pictures;
    bool encrypted = false;
    std::uint16_t nFib = 0xC1;
};
Bytes MakeWordDocument(const WordDocumentSpec& layout);
// The three streams of the document before they are put into a compound file.
std::vector<CompoundStream> WordDocumentStreams(const WordDocumentSpec& layout);

}  // namespace pictrove::test
