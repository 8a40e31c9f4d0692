#pragma once

#include <QList>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The fuzz targets: each takes one input and checks its invariants, stopping the process
// when one fails. libFuzzer calls them (FuzzMain.cpp, clang builds only); tst_fuzzseeds
// replays the committed seeds through them in every build.
using FuzzEntry = int (*)(const uint8_t* data, size_t size);

struct FuzzTarget
{
    const char* name; // also the name of the seed folder under corpus/
    FuzzEntry entry;
};

// Every target, in the order `make fuzz` runs them.
const QList<FuzzTarget>& FuzzTargets();

int FuzzResponseStream(const uint8_t* data, size_t size);
int FuzzRecordDownload(const uint8_t* data, size_t size);
int FuzzCsvWriter(const uint8_t* data, size_t size);
int FuzzVirtualMeter(const uint8_t* data, size_t size);
int FuzzCsvReader(const uint8_t* data, size_t size);
int FuzzCsvRoundTrip(const uint8_t* data, size_t size);
int FuzzXlsReader(const uint8_t* data, size_t size);
int FuzzXlsxReader(const uint8_t* data, size_t size);
int FuzzThresholdFile(const uint8_t* data, size_t size);
int FuzzXlsAnswer(const uint8_t* data, size_t size);
int FuzzRecordKey(const uint8_t* data, size_t size);
int FuzzPendingEntry(const uint8_t* data, size_t size);
int FuzzArchiveLocation(const uint8_t* data, size_t size);

// An invariant that must hold for every input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__,          \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Reads an input front to back; past its end every read gives 0 and nothing is consumed.
class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool AtEnd() const { return pos_ >= size_; }
    size_t Remaining() const { return size_ - pos_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // Up to `count` bytes, fewer at the end of the input.
    QByteArray Bytes(size_t count)
    {
        const size_t n = count < Remaining() ? count : Remaining();
        const QByteArray bytes(reinterpret_cast<const char*>(data_ + pos_), qsizetype(n));
        pos_ += n;
        return bytes;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Chunk sizes from a seed: a small xorshift, so that a chunking is part of the input
// without spending input bytes on every chunk.
class ChunkSizes
{
public:
    explicit ChunkSizes(uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    qsizetype Next(qsizetype largest)
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return 1 + qsizetype(state_ % uint32_t(largest));
    }

private:
    uint32_t state_;
};
