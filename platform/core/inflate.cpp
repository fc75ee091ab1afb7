#include "platform/core/inflate.h"

#include <array>

namespace norvale {
namespace {

constexpr int kMaxBits = 15;
constexpr int kLiteralLengthCodes = 288;
constexpr int kDistanceCodes = 30;

// Reads the stream's bits, least significant first. Past the end it only
// reports the overrun, which the caller turns into a refusal.
class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Bits(int count, unsigned& value) {
        while (held_ < count) {
            if (next_ >= size_) return false;
            buffer_ |= static_cast<std::uint32_t>(data_[next_++]) << held_;
            held_ += 8;
        }
        value = buffer_ & ((1u << count) - 1);
        buffer_ >>= count;
        held_ -= count;
        return true;
    }

    // Stored blocks start on a byte boundary.
    void DropToByte() {
        buffer_ = 0;
        held_ = 0;
    }

    bool Byte(std::uint8_t& value) {
        if (next_ >= size_) return false;
        value = data_[next_++];
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t next_ = 0;
    std::uint32_t buffer_ = 0;
    int held_ = 0;
};

// A canonical Huffman code, decoded a bit at a time by counting the codes of
// each length.
class Huffman {
public:
    // False for an over-subscribed set of lengths; an incomplete set is
    // allowed (a single distance code is), and a code it lacks is refused
    // when met.
    bool Build(const std::uint8_t* lengths, int count) {
        counts_.fill(0);
        for (int i = 0; i < count; ++i) ++counts_[lengths[i]];
        counts_[0] = 0;
        int left = 1;
        for (int bits = 1; bits <= kMaxBits; ++bits) {
            left = left * 2 - counts_[bits];
            if (left < 0) return false;
        }
        std::array<int, kMaxBits + 2> offsets{};
        for (int bits = 1; bits <= kMaxBits; ++bits) offsets[bits + 1] = offsets[bits] + counts_[bits];
        for (int i = 0; i < count; ++i) {
            if (lengths[i] != 0) symbols_[offsets[lengths[i]]++] = static_cast<std::uint16_t>(i);
        }
        return true;
    }

    bool Decode(BitReader& in, int& symbol) const {
        int code = 0, first = 0, index = 0;
        for (int bits = 1; bits <= kMaxBits; ++bits) {
            unsigned bit = 0;
            if (!in.Bits(1, bit)) return false;
            code |= static_cast<int>(bit);
            const int count = counts_[bits];
            if (code - first < count) {
                symbol = symbols_[index + (code - first)];
                return true;
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return false;
    }

private:
    std::array<std::uint16_t, kMaxBits + 1> counts_{};
    std::array<std::uint16_t, kLiteralLengthCodes> symbols_{};
};

constexpr std::uint16_t kLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                         31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                         2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                           33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                           1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                           6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class Inflater {
public:
    Inflater(const std::uint8_t* data, std::size_t size, std::size_t maxOutput)
        : in_(data, size), maxOutput_(maxOutput) {}

    std::optional<std::vector<std::uint8_t>> Run() {
        unsigned last = 0;
        do {
            unsigned type = 0;
            if (!in_.Bits(1, last) || !in_.Bits(2, type)) return std::nullopt;
            bool ok = false;
            if (type == 0) ok = Stored();
            else if (type == 1) ok = Fixed();
            else if (type == 2) ok = Dynamic();
            if (!ok) return std::nullopt;
        } while (last == 0);
        return std::move(out_);
    }

private:
    bool Put(std::uint8_t byte) {
        if (out_.size() >= maxOutput_) return false;
        out_.push_back(byte);
        return true;
    }

    bool Stored() {
        in_.DropToByte();
        std::uint8_t bytes[4];
        for (std::uint8_t& byte : bytes) {
            if (!in_.Byte(byte)) return false;
        }
        const unsigned length = bytes[0] | (bytes[1] << 8);
        const unsigned complement = bytes[2] | (bytes[3] << 8);
        if (length != (~complement & 0xFFFFu)) return false;
        for (unsigned i = 0; i < length; ++i) {
            std::uint8_t byte = 0;
            if (!in_.Byte(byte) || !Put(byte)) return false;
        }
        return true;
    }

    bool Fixed() {
        std::uint8_t lengths[kLiteralLengthCodes + kDistanceCodes];
        int i = 0;
        for (; i < 144; ++i) lengths[i] = 8;
        for (; i < 256; ++i) lengths[i] = 9;
        for (; i < 280; ++i) lengths[i] = 7;
        for (; i < kLiteralLengthCodes; ++i) lengths[i] = 8;
        for (; i < kLiteralLengthCodes + kDistanceCodes; ++i) lengths[i] = 5;
        Huffman literals, distances;
        literals.Build(lengths, kLiteralLengthCodes);
        distances.Build(lengths + kLiteralLengthCodes, kDistanceCodes);
        return Codes(literals, distances);
    }

    bool Dynamic() {
        unsigned literalCount = 0, distanceCount = 0, codeLengthCount = 0;
        if (!in_.Bits(5, literalCount) || !in_.Bits(5, distanceCount) || !in_.Bits(4, codeLengthCount)) return false;
        literalCount += 257;
        distanceCount += 1;
        codeLengthCount += 4;
        if (literalCount > 286 || distanceCount > kDistanceCodes) return false;

        static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        std::uint8_t codeLengths[19] = {};
        for (unsigned i = 0; i < codeLengthCount; ++i) {
            unsigned length = 0;
            if (!in_.Bits(3, length)) return false;
            codeLengths[kOrder[i]] = static_cast<std::uint8_t>(length);
        }
        Huffman lengthCode;
        if (!lengthCode.Build(codeLengths, 19)) return false;

        std::uint8_t lengths[kLiteralLengthCodes + kDistanceCodes] = {};
        const unsigned total = literalCount + distanceCount;
        for (unsigned i = 0; i < total;) {
            int symbol = 0;
            if (!lengthCode.Decode(in_, symbol)) return false;
            if (symbol < 16) {
                lengths[i++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            std::uint8_t repeated = 0;
            unsigned times = 0;
            if (symbol == 16) {
                if (i == 0 || !in_.Bits(2, times)) return false;
                repeated = lengths[i - 1];
                times += 3;
            } else if (symbol == 17) {
                if (!in_.Bits(3, times)) return false;
                times += 3;
            } else {
                if (!in_.Bits(7, times)) return false;
                times += 11;
            }
            if (i + times > total) return false;
            while (times-- > 0) lengths[i++] = repeated;
        }
        if (lengths[256] == 0) return false;  // no end-of-block code
        Huffman literals, distances;
        if (!literals.Build(lengths, static_cast<int>(literalCount)) ||
            !distances.Build(lengths + literalCount, static_cast<int>(distanceCount))) {
            return false;
        }
        return Codes(literals, distances);
    }

    bool Codes(const Huffman& literals, const Huffman& distances) {
        for (;;) {
            int symbol = 0;
            if (!literals.Decode(in_, symbol)) return false;
            if (symbol < 256) {
                if (!Put(static_cast<std::uint8_t>(symbol))) return false;
                continue;
            }
            if (symbol == 256) return true;
            symbol -= 257;
            if (symbol >= 29) return false;
            unsigned extra = 0;
            if (!in_.Bits(kLengthExtra[symbol], extra)) return false;
            const std::size_t length = kLengthBase[symbol] + extra;
            int distanceSymbol = 0;
            if (!distances.Decode(in_, distanceSymbol) || distanceSymbol >= kDistanceCodes) return false;
            if (!in_.Bits(kDistanceExtra[distanceSymbol], extra)) return false;
            const std::size_t distance = kDistanceBase[distanceSymbol] + extra;
            if (distance > out_.size()) return false;
            for (std::size_t i = 0; i < length; ++i) {
                if (!Put(out_[out_.size() - distance])) return false;
            }
        }
    }

    BitReader in_;
    std::size_t maxOutput_;
    std::vector<std::uint8_t> out_;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> Inflate(const std::uint8_t* data, std::size_t size,
                                                 std::size_t maxOutput) {
    if (data == nullptr && size != 0) return std::nullopt;
    return Inflater(data, size, maxOutput).Run();
}

}  // namespace norvale
