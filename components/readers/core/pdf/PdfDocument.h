// The object store of one PDF file: cross-reference tables and streams, object streams,
// incremental updates (the newest revision wins), recovery by scanning for "n g obj" when the
// cross-reference data is missing or wrong, decryption of strings and streams, and decoding of
// stream data through the filter chain up to an image codec.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "PdfObject.h"

namespace pictrove::readers::pdf {

class Security;

// Bounds on what a damaged or hostile file can make the reader do.
inline constexpr std::size_t kMaxRecoveredObjects = 1000000;
inline constexpr int kMaxXrefSections = 4096;
inline constexpr int kMaxResolveDepth = 32;

// What is left of a stream once the general filters have run: the bytes, and the image codec
// (DCTDecode, JPXDecode, JBIG2Decode, CCITTFaxDecode) that still has to decode them, if any.
struct StreamData {
    std::vector<std::uint8_t> bytes;
    std::string codec;  // empty when the bytes are the samples themselves
    Dict codecParams;
};

// A stream ready to decode without its document: the bytes as stored (decrypted), the filters
// by full name with their parameters resolved. Decoding it touches nothing shared, so it may
// run on another thread while the document is read on.
struct PreparedStream {
    std::span<const std::uint8_t> stored;  // into the document's file, when not owned
    std::vector<std::uint8_t> owned;       // decrypted, or the stream's own data
    bool usesOwned = false;
    std::vector<std::pair<std::string, Dict>> filters;
    std::size_t limit = 0;

    std::span<const std::uint8_t> Bytes() const { return usesOwned ? std::span<const std::uint8_t>(owned) : stored; }
};

// Runs a prepared stream's general filters; the same result as Document::DecodeStream.
std::optional<StreamData> DecodePrepared(const PreparedStream& prepared);

class Document {
  public:
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Reads the cross-reference data, rebuilding it from a scan when needed. The bytes must
    // outlive the document. False when no trailer with a catalog can be found at all.
    bool Load(std::span<const std::uint8_t> file);
    // Whether Load found a PDF header, so a false Load means a damaged PDF rather than another kind of file.
    bool HeaderFound() const { return headerFound_; }
    // Every object number the cross-reference data (or the recovery scan) knows, in order.
    std::vector<std::int64_t> ObjectNumbers() const;

    const Dict& Trailer() const { return trailer_; }
    bool Recovered() const { return recovered_; }
    // Rebuilds the cross-reference data from a scan, for when what it said led nowhere.
    void ForceRecovery();
    std::span<const std::uint8_t> File() const { return file_; }

    // The object a reference points to (any other object is returned as it is). Unknown or
    // damaged objects read as null.
    Object Resolve(const Object& object);
    Object Get(std::int64_t number);
    // dict[key], resolved.
    Object Lookup(const Dict* dict, std::string_view key);
    // The numbers of an array, each resolved; empty for anything but an array.
    std::vector<float> Numbers(const Object& value);

    void SetSecurity(std::unique_ptr<Security> security);
    std::int64_t EncryptObjectNumber() const;

    // A stream's bytes as stored, decrypted.
    std::vector<std::uint8_t> RawStreamBytes(const Stream& stream);
    // Runs the general filters; limit bounds the decoded size (the decoder stops there and the
    // data is cut). nullopt when a filter fails on the data or is unknown.
    std::optional<StreamData> DecodeStream(const Stream& stream, std::size_t limit);
    // What DecodeStream does with the document, for DecodePrepared; nullopt where DecodeStream
    // fails before decoding (a filter that is not a name, too many filters).
    std::optional<PreparedStream> PrepareStream(const Stream& stream, std::size_t limit);
    // Decodes completely, refusing streams that still need an image codec.
    std::optional<std::vector<std::uint8_t>> DecodeFully(const Stream& stream, std::size_t limit);

  private:
    // Whether the stream's stored bytes need decrypting (not when a crypt filter named Identity
    // leaves it in the clear).
    bool NeedsDecryption(const Stream& stream);
    // The stream's bytes as the file (or the stream itself) holds them; empty when out of bounds.
    std::span<const std::uint8_t> StoredSpan(const Stream& stream) const;

    struct Entry {
        std::uint8_t type = 0;    // 0 free, 1 at offset, 2 in an object stream
        std::uint64_t field = 0;  // offset, or number of the object stream
        std::uint32_t index = 0;  // generation (type 1), or index in the object stream
    };
    struct ObjectStreamIndex {
        std::vector<std::pair<std::int64_t, std::size_t>> offsets;  // number, offset in the data
        std::vector<std::uint8_t> data;
        std::size_t first = 0;
    };

    bool ReadXrefChain(std::size_t start);
    bool ReadXrefTable(std::size_t position, Dict& trailer);
    bool ReadXrefStream(std::size_t position, Dict& trailer, bool overrideFree = false);
    void AddEntry(std::int64_t number, const Entry& entry, bool overrideFree = false);
    void Recover();
    void ScanObjects();
    std::optional<Object> ParseIndirectAt(std::size_t offset,
                                          std::int64_t number,
                                          bool checkNumber,
                                          int* generationOut = nullptr);
    Object LoadFromObjectStream(std::int64_t streamNumber, std::uint32_t index, std::int64_t number);
    Object Load(std::int64_t number);
    void Decrypt(Object& object, std::int64_t number, int generation);

    std::span<const std::uint8_t> file_;
    std::unordered_map<std::int64_t, Entry> entries_;
    std::unordered_map<std::int64_t, Object> cache_;
    std::unordered_set<std::int64_t> loading_;  // guards against objects that refer to themselves
    std::unordered_map<std::int64_t, std::unique_ptr<ObjectStreamIndex>> objectStreams_;
    std::unordered_map<std::int64_t, std::size_t> scanned_;  // from the recovery scan
    bool scannedDone_ = false;
    Dict trailer_;
    bool recovered_ = false;
    bool headerFound_ = false;
    bool rebuilt_ = false;  // Recover has run
    std::unique_ptr<Security> security_;
};

}  // namespace pictrove::readers::pdf
