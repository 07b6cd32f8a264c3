// Writers of small, genuine PDF files for the reader tests: objects and streams written by hand,
// with a classic cross-reference table or a cross-reference stream and object streams,
// incremental updates, deliberate damage, and the standard security handler (written here from
// the encrypting side, so the reader's checking side is tested against an independent path).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "TestImageFiles.h"

namespace pictrove::test {

struct PdfEncryption {
    int revision = 3;              // 2, 3, 4 or 6
    int keyBits = 128;             // 40..128 for RC4
    bool aes = false;              // revision 4: AESV2 instead of V2
    bool identityStreams = false;  // revision 4: streams through the Identity crypt filter
    std::string user;
    std::string owner = "owner";
    bool encryptMetadata = true;  // revision 4: false leaves metadata in the clear and changes the key
};

struct PdfWriteOptions {
    bool xrefStream = false;     // a cross-reference stream instead of a table
    bool objectStreams = false;  // plain objects packed into one object stream (needs xrefStream or hybrid)
    bool hybrid = false;         // a table for plain objects plus /XRefStm for the packed ones
    long xrefShift = 0;          // every offset in the table written wrong by this much
    bool omitXref = false;       // no table, no startxref: recovery must find the objects
    const PdfEncryption* encryption = nullptr;
    std::string id = "0123456789ABCDEF";  // first file identifier
};

class PdfWriter {
  public:
    // Object numbers start at 1, in the order of adding (or reserving).
    int Reserve();
    void Set(int number, std::string body);
    void SetStream(int number, std::string dict, const Bytes& data);
    int Add(std::string body);
    // dict: "<< ... >>" without /Length, which the writer adds.
    int AddStream(std::string dict, const Bytes& data);

    // The whole file; root is the catalog's number.
    Bytes Write(int root, const PdfWriteOptions& options = {}) const;

    // An incremental update appended to base: the given objects (new or replacing), a new table
    // whose /Prev points at prevXref.
    Bytes AppendUpdate(const Bytes& base, int root, std::size_t prevXref) const;

    std::size_t Count() const { return objects_.size(); }

  private:
    struct Entry {
        std::string body;
        Bytes stream;
        bool isStream = false;
        bool set = false;
    };
    std::vector<Entry> objects_;
};

inline Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// zlib-compressed data (FlateDecode).
Bytes ZlibCompress(const Bytes& data);

// The offset after "startxref" in a file.
std::size_t StartXref(const Bytes& file);

// A document whose pages draw the given content with the given resources; objects are added
// to writer. Returns the catalog's number.
struct PdfPageSpec {
    std::string content;
    std::string resources = "<< >>";
    std::string extra;  // more page keys, e.g. "/Annots [...]"
};
int AddPages(PdfWriter& writer, const std::vector<PdfPageSpec>& pages, const std::string& inheritedResources = "");

}  // namespace pictrove::test
