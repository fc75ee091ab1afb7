#include "platform/core/res_image.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/core/res_image_port.h"

namespace norvale {
namespace {

// A TYPE or NAME field: an ordinal, or a name.
struct Key {
    std::u16string name;
    std::uint16_t ordinal = 0;
};
Key Ordinal(std::uint16_t value) { return Key{u"", value}; }
Key Named(std::u16string name) { return Key{std::move(name), 0}; }

class ResWriter {
public:
    ResWriter() { Entry(Ordinal(0), Ordinal(0), 0, {}); }  // every .res opens so

    ResWriter& Entry(const Key& type, const Key& name, std::uint16_t languageId,
                     const std::vector<std::uint8_t>& data) {
        std::vector<std::uint8_t> header;
        PutKey(header, type);
        PutKey(header, name);
        while ((8 + header.size()) % 4 != 0) header.push_back(0);
        Put32(header, 0x11223344);  // DataVersion
        Put16(header, 0x1030);      // MemoryFlags
        Put16(header, languageId);
        Put32(header, 0x55667788);  // Version
        Put32(header, 0x99AABBCC);  // Characteristics
        Put32(bytes_, static_cast<std::uint32_t>(data.size()));
        Put32(bytes_, static_cast<std::uint32_t>(8 + header.size()));
        bytes_.insert(bytes_.end(), header.begin(), header.end());
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        while (bytes_.size() % 4 != 0) bytes_.push_back(0);
        return *this;
    }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    static void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
        out.push_back(static_cast<std::uint8_t>(value));
        out.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    static void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
        Put16(out, static_cast<std::uint16_t>(value));
        Put16(out, static_cast<std::uint16_t>(value >> 16));
    }

private:
    static void PutKey(std::vector<std::uint8_t>& out, const Key& key) {
        if (key.name.empty()) {
            Put16(out, 0xFFFF);
            Put16(out, key.ordinal);
            return;
        }
        for (char16_t unit : key.name) Put16(out, unit);
        Put16(out, 0);
    }

    std::vector<std::uint8_t> bytes_;
};

ResWriter SampleImage() {
    ResWriter image;
    image.Entry(Ordinal(6), Ordinal(7), 1033, {1, 2, 3, 4, 5})      // data needs padding
        .Entry(Named(u"PNG"), Named(u"LOGO"), 1031, {9, 8})  // names need padding
        .Entry(Ordinal(6), Ordinal(7), 1031, {7});
    return image;
}

TEST(ResImage, ReadsEveryHeaderFieldAndTheData) {
    const std::vector<std::uint8_t> bytes = SampleImage().Bytes();
    const auto entries = ParseResImage(bytes.data(), bytes.size());
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 4u);

    const ResImageEntry& empty = (*entries)[0];
    EXPECT_TRUE(empty.type.IsOrdinal(0));
    EXPECT_EQ(empty.size, 0u);

    const ResImageEntry& block = (*entries)[1];
    EXPECT_TRUE(block.type.IsOrdinal(6));
    EXPECT_TRUE(block.name.IsOrdinal(7));
    EXPECT_EQ(block.languageId, 1033);
    EXPECT_EQ(block.dataVersion, 0x11223344u);
    EXPECT_EQ(block.memoryFlags, 0x1030);
    EXPECT_EQ(block.version, 0x55667788u);
    EXPECT_EQ(block.characteristics, 0x99AABBCCu);
    EXPECT_EQ(std::vector<std::uint8_t>(block.data, block.data + block.size),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));

    const ResImageEntry& named = (*entries)[2];
    EXPECT_FALSE(named.type.ordinal);
    EXPECT_EQ(named.type.name, u"PNG");
    EXPECT_EQ(named.name.name, u"LOGO");
    EXPECT_EQ(named.languageId, 1031);
    EXPECT_EQ(std::vector<std::uint8_t>(named.data, named.data + named.size),
              (std::vector<std::uint8_t>{9, 8}));

    EXPECT_EQ((*entries)[3].languageId, 1031);
    EXPECT_EQ((*entries)[3].size, 1u);
}

TEST(ResImage, EmptyImageHasNoEntries) {
    const auto entries = ParseResImage(nullptr, 0);
    ASSERT_TRUE(entries);
    EXPECT_TRUE(entries->empty());
}

// A cut image is read only when the cut falls after some entry's data and no
// later than the padding that follows it; anywhere else it is refused. Each
// prefix is its own allocation, so a sanitizer build sees any read past it.
TEST(ResImage, TruncatedImageIsRefusedNotOverread) {
    const std::vector<std::uint8_t> whole = SampleImage().Bytes();
    const auto full = ParseResImage(whole.data(), whole.size());
    ASSERT_TRUE(full);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        std::optional<std::size_t> expectedCount;
        if (size == 0) expectedCount = 0;
        for (std::size_t k = 0; k < full->size(); ++k) {
            const auto dataEnd = static_cast<std::size_t>((*full)[k].data + (*full)[k].size - whole.data());
            if (size >= dataEnd && size <= ((dataEnd + 3) & ~std::size_t{3})) expectedCount = k + 1;
        }
        const std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + size);
        const auto entries = ParseResImage(prefix.data(), prefix.size());
        ASSERT_EQ(entries.has_value(), expectedCount.has_value()) << size;
        if (entries) {
            EXPECT_EQ(entries->size(), *expectedCount) << size;
        }
    }
}

std::vector<std::uint8_t> WithField(std::vector<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
    if (bytes.size() < 4 || offset > bytes.size() - 4) return bytes;
    for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return bytes;
}

TEST(ResImage, RefusesSizesThatPointPastTheImageOrInsideTheHeader) {
    ResWriter writer;
    writer.Entry(Ordinal(6), Ordinal(7), 1033, {1, 2, 3, 4});
    const std::vector<std::uint8_t> good = writer.Bytes();
    const std::size_t second = 32;  // the empty entry's header is 32 bytes
    ASSERT_TRUE(ParseResImage(good.data(), good.size()));

    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"data size past the end", WithField(good, second, 5)},
        {"data size wraps around", WithField(good, second, 0xFFFFFFFF)},
        {"header size past the end", WithField(good, second + 4, 0x1000)},
        {"header size wraps around", WithField(good, second + 4, 0xFFFFFFF8)},
        {"header size below the fixed fields", WithField(good, second + 4, 8)},
        {"header too small for its fields", WithField(good, second + 4, 28)},
        {"first header claims the whole image", WithField(good, 4, 0xFFFFFFFF)},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ParseResImage(c.bytes.data(), c.bytes.size())) << c.what;
    }
}

TEST(ResImage, RefusesANameWithoutTerminatorInsideItsHeader) {
    ResWriter writer;
    writer.Entry(Named(u"ABCDEFGHIJKLMNOP"), Ordinal(1), 1033, {});
    // Shrink the header to end inside the 16-unit type name; the bytes after
    // it are still in the image but belong to no header.
    const std::vector<std::uint8_t> bytes = WithField(writer.Bytes(), 32 + 4, 32);
    EXPECT_FALSE(ParseResImage(bytes.data(), bytes.size()));
    // Garbage shorter than a header after the last entry.
    std::vector<std::uint8_t> tail = SampleImage().Bytes();
    tail.insert(tail.end(), {0x00, 0x00, 0x00, 0x00, 0x20});
    EXPECT_FALSE(ParseResImage(tail.data(), tail.size()));
}

TEST(ResImagePort, FindsByTypeNameAndExactLanguage) {
    const std::vector<std::uint8_t> bytes = SampleImage().Bytes();
    const ResImagePort port(bytes.data(), bytes.size());
    ASSERT_TRUE(port.IsValid());
    const auto english = port.Find(6, 7, 1033);
    ASSERT_TRUE(english);
    EXPECT_EQ(english->size, 5u);
    EXPECT_EQ(english->data[0], 1);
    const auto german = port.Find(6, 7, 1031);
    ASSERT_TRUE(german);
    EXPECT_EQ(german->size, 1u);
    EXPECT_FALSE(port.Find(6, 7, 2057));
    EXPECT_FALSE(port.Find(6, 8, 1033));
    EXPECT_FALSE(port.Find(5, 7, 1033));
}

TEST(ResImagePort, MalformedImageFindsNothing) {
    std::vector<std::uint8_t> bytes = SampleImage().Bytes();
    bytes.resize(bytes.size() - 6);
    const ResImagePort port(bytes.data(), bytes.size());
    EXPECT_FALSE(port.IsValid());
    EXPECT_FALSE(port.Find(6, 7, 1033));
}

}  // namespace
}  // namespace norvale
