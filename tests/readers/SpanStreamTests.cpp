// The read-only stream GDI+ reads pictures through: reads up to the end and no further, seeks
// from every origin, refuses changes, and clones keep their own place over the same bytes.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <vector>

#include "components/readers/com/SpanStream.h"

namespace pictrove::readers {
namespace {

class Stream {
  public:
    explicit Stream(IStream* stream) : stream_(stream) {}
    ~Stream() {
        if (stream_) stream_->Release();
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    IStream* operator->() const { return stream_; }
    IStream* Get() const { return stream_; }

  private:
    IStream* stream_;
};

std::uint64_t SeekTo(IStream* stream, std::int64_t move, DWORD origin, HRESULT* result = nullptr) {
    LARGE_INTEGER distance{};
    distance.QuadPart = move;
    ULARGE_INTEGER now{};
    now.QuadPart = 0xDEAD;
    const HRESULT hr = stream->Seek(distance, origin, &now);
    if (result) *result = hr;
    return now.QuadPart;
}

TEST(SpanStream, ReadsUpToTheEndAndNoFurther) {
    const std::vector<std::uint8_t> bytes = {10, 11, 12, 13, 14, 15, 16};
    Stream stream(CreateSpanStream(bytes));
    ASSERT_TRUE(stream.Get());
    std::uint8_t buffer[8] = {};
    ULONG read = 99;
    EXPECT_EQ(stream->Read(buffer, 3, &read), S_OK);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(buffer[2], 12);
    // Asking past the end gives what is left and says so.
    EXPECT_EQ(stream->Read(buffer, 8, &read), S_FALSE);
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(buffer[0], 13);
    EXPECT_EQ(buffer[3], 16);
    EXPECT_EQ(stream->Read(buffer, 1, &read), S_FALSE);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(stream->Read(buffer, 0, &read), S_OK);
}

TEST(SpanStream, SeeksFromEveryOriginButNotBeforeTheStart) {
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4, 5};
    Stream stream(CreateSpanStream(bytes));
    ASSERT_TRUE(stream.Get());
    EXPECT_EQ(SeekTo(stream.Get(), -2, STREAM_SEEK_END), 3u);
    std::uint8_t one = 0;
    ULONG read = 0;
    EXPECT_EQ(stream->Read(&one, 1, &read), S_OK);
    EXPECT_EQ(one, 4);
    EXPECT_EQ(SeekTo(stream.Get(), -4, STREAM_SEEK_CUR), 0u);
    EXPECT_EQ(SeekTo(stream.Get(), 2, STREAM_SEEK_SET), 2u);

    HRESULT hr = S_OK;
    SeekTo(stream.Get(), -3, STREAM_SEEK_CUR, &hr);
    EXPECT_EQ(hr, STG_E_INVALIDFUNCTION);
    EXPECT_EQ(SeekTo(stream.Get(), 0, STREAM_SEEK_CUR), 2u) << "a refused seek leaves the place alone";
    SeekTo(stream.Get(), 0, 7, &hr);
    EXPECT_EQ(hr, STG_E_INVALIDFUNCTION);

    // Past the end is a place too; reading there gives nothing.
    EXPECT_EQ(SeekTo(stream.Get(), 10, STREAM_SEEK_END), 15u);
    EXPECT_EQ(stream->Read(&one, 1, &read), S_FALSE);
    EXPECT_EQ(read, 0u);
}

TEST(SpanStream, DescribesItselfRefusesChangesAndClonesKeepTheirOwnPlace) {
    const std::vector<std::uint8_t> bytes = {7, 8, 9};
    Stream stream(CreateSpanStream(bytes));
    ASSERT_TRUE(stream.Get());
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.type, static_cast<DWORD>(STGTY_STREAM));
    EXPECT_EQ(stat.cbSize.QuadPart, 3u);
    EXPECT_EQ(stat.pwcsName, nullptr);

    ULONG written = 5;
    EXPECT_EQ(stream->Write(bytes.data(), 1, &written), STG_E_ACCESSDENIED);
    EXPECT_EQ(written, 0u);
    ULARGE_INTEGER size{};
    EXPECT_TRUE(FAILED(stream->SetSize(size)));

    SeekTo(stream.Get(), 1, STREAM_SEEK_SET);
    IStream* cloned = nullptr;
    ASSERT_EQ(stream->Clone(&cloned), S_OK);
    Stream clone(cloned);
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    ULONG read = 0;
    EXPECT_EQ(clone->Read(&a, 1, &read), S_OK);
    EXPECT_EQ(a, 8);
    EXPECT_EQ(clone->Read(&a, 1, &read), S_OK);
    EXPECT_EQ(stream->Read(&b, 1, &read), S_OK);
    EXPECT_EQ(a, 9);
    EXPECT_EQ(b, 8) << "the original did not move with its clone";

    IUnknown* unknown = nullptr;
    ASSERT_EQ(stream->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    unknown->Release();
    IStorage* storage = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_IStorage, reinterpret_cast<void**>(&storage)), E_NOINTERFACE);
    EXPECT_EQ(storage, nullptr);
}

}  // namespace
}  // namespace pictrove::readers
