#include "core/pe_imports.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

namespace {

// Longer than any file name Windows accepts.
constexpr std::size_t kMaxNameLength = 255;
// No library has more than a handful of sections, or imports from thousands of others;
// a file that says so is not followed that far, so that no input makes the reading slow.
constexpr std::size_t kMaxSections = 96;
constexpr std::uint64_t kMaxDescriptors = 4096;

constexpr std::uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;
constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kDelayImportDirectory = 13;
constexpr std::uint64_t kImportDescriptorSize = 20;
constexpr std::uint64_t kDelayDescriptorSize = 32;
constexpr std::uint32_t kDelayNamesAreRvas = 1;  // else, in the oldest layout, addresses

// A little-endian field, when all of it lies in the buffer.
template <typename T>
std::optional<T> Field(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    if (offset > bytes.size() || sizeof(T) > bytes.size() - offset) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) value = (value << 8) | bytes[static_cast<std::size_t>(offset) + i];
    return static_cast<T>(value);
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
    return lower;
}

// The file as the loader lays it out in memory, as far as reading the import tables goes:
// each section's bytes at its address (RVA), and the headers at the start.
class Image {
public:
    static std::optional<Image> Read(std::span<const std::uint8_t> bytes) {
        if (Field<std::uint16_t>(bytes, 0) != kDosSignature) return std::nullopt;
        const std::optional<std::uint32_t> peOffset = Field<std::uint32_t>(bytes, 0x3C);
        if (!peOffset || Field<std::uint32_t>(bytes, *peOffset) != kPeSignature) return std::nullopt;
        const std::uint64_t fileHeader = std::uint64_t{*peOffset} + 4;
        const std::optional<std::uint16_t> sectionCount = Field<std::uint16_t>(bytes, fileHeader + 2);
        const std::optional<std::uint16_t> optionalSize = Field<std::uint16_t>(bytes, fileHeader + 16);
        const std::uint64_t optional = fileHeader + 20;
        const std::optional<std::uint16_t> magic = Field<std::uint16_t>(bytes, optional);
        if (!sectionCount || !optionalSize || (magic != kPe32 && magic != kPe32Plus)) return std::nullopt;

        Image image(bytes);
        image.is64_ = magic == kPe32Plus;
        // Only the oldest delay-import layout, of 32-bit files, needs the image's base.
        if (!image.is64_) image.imageBase_ = Field<std::uint32_t>(bytes, optional + 28).value_or(0);
        const std::uint64_t optionalEnd = optional + *optionalSize;
        const std::uint64_t directories = optional + (image.is64_ ? 112 : 96);
        const std::uint32_t directoryCount =
            Field<std::uint32_t>(bytes, optional + (image.is64_ ? 108 : 92)).value_or(0);
        for (const std::uint32_t index : {kImportDirectory, kDelayImportDirectory}) {
            const std::uint64_t entry = directories + 8 * std::uint64_t{index};
            // A directory beyond the count the header gives, or beyond the header, is none.
            if (index >= directoryCount || entry + 8 > optionalEnd) continue;
            (index == kImportDirectory ? image.imports_ : image.delayImports_) =
                Field<std::uint32_t>(bytes, entry).value_or(0);
        }

        // Where the bytes of each address come from must be known whole, or a file cut
        // short could read other bytes for an address than the whole file does.
        const std::uint64_t sectionTable = optionalEnd;
        const std::uint64_t sections = std::min<std::uint64_t>(*sectionCount, kMaxSections);
        std::uint64_t lowestSection = UINT32_MAX;
        for (std::uint64_t i = 0; i < sections; ++i) {
            const std::uint64_t header = sectionTable + 40 * i;
            const auto virtualSize = Field<std::uint32_t>(bytes, header + 8);
            const auto address = Field<std::uint32_t>(bytes, header + 12);
            const auto rawSize = Field<std::uint32_t>(bytes, header + 16);
            const auto rawOffset = Field<std::uint32_t>(bytes, header + 20);
            if (!virtualSize || !address || !rawSize || !rawOffset) return std::nullopt;
            // Past its bytes in the file a section holds zeros in memory: nothing to read.
            const std::uint32_t size = *virtualSize == 0 ? *rawSize : std::min(*virtualSize, *rawSize);
            image.regions_.push_back({*address, size, *rawOffset});
            lowestSection = std::min<std::uint64_t>(lowestSection, *address);
        }
        // The headers, up to the first section however large they claim to be.
        const std::optional<std::uint32_t> headersSize = Field<std::uint32_t>(bytes, optional + 60);
        if (!headersSize) return std::nullopt;
        image.regions_.insert(image.regions_.begin(), {0, std::min<std::uint64_t>(*headersSize, lowestSection), 0});
        return image;
    }

    // The names the import table, then the delay-import table, lists.
    void AddNames(std::vector<std::string>& names) const {
        std::set<std::string> seen;
        const auto add = [&](std::uint64_t nameAddress) {
            std::optional<std::string> name = Name(nameAddress);
            if (name && seen.insert(Lower(*name)).second) names.push_back(std::move(*name));
        };
        for (std::uint64_t i = 0; imports_ != 0 && i < kMaxDescriptors; ++i) {
            const std::optional<std::uint64_t> descriptor =
                Offset(imports_ + i * kImportDescriptorSize, kImportDescriptorSize);
            if (!descriptor) break;
            const std::uint32_t name = Field<std::uint32_t>(bytes_, *descriptor + 12).value_or(0);
            if (name == 0) break;  // the table's end
            add(name);
        }
        for (std::uint64_t i = 0; delayImports_ != 0 && i < kMaxDescriptors; ++i) {
            const std::optional<std::uint64_t> descriptor =
                Offset(delayImports_ + i * kDelayDescriptorSize, kDelayDescriptorSize);
            if (!descriptor) break;
            const std::uint32_t attributes = Field<std::uint32_t>(bytes_, *descriptor).value_or(0);
            const std::uint32_t name = Field<std::uint32_t>(bytes_, *descriptor + 4).value_or(0);
            if (name == 0) break;  // the table's end
            if ((attributes & kDelayNamesAreRvas) != 0 || is64_) {
                add(name);
            } else if (name >= imageBase_) {
                add(name - imageBase_);
            }
        }
    }

private:
    struct Region {
        std::uint64_t address;
        std::uint64_t size;
        std::uint64_t offset;
    };

    explicit Image(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // Where in the file the bytes at `address` are, and how many of them from there on lie
    // in that region and in the buffer, for each region that holds the address.
    // Where in the file the bytes at `address` are, and how many of them from there on lie
    // in its region and in the buffer: the first region that holds the address decides.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> Locate(std::uint64_t address) const {
        for (const Region& region : regions_) {
            if (address < region.address || address - region.address >= region.size) continue;
            const std::uint64_t offset = region.offset + (address - region.address);
            if (offset >= bytes_.size()) return std::nullopt;
            return std::pair(offset, std::min(region.size - (address - region.address), bytes_.size() - offset));
        }
        return std::nullopt;
    }

    // Where in the file the `length` bytes at `address` are, all in one region.
    std::optional<std::uint64_t> Offset(std::uint64_t address, std::uint64_t length) const {
        const auto located = Locate(address);
        if (!located || length > located->second) return std::nullopt;
        return located->first;
    }

    // The text at `address` up to its terminating zero, which must lie in the same region;
    // nothing for an empty or overlong one.
    std::optional<std::string> Name(std::uint64_t address) const {
        const auto located = Locate(address);
        if (!located) return std::nullopt;
        const auto [offset, available] = *located;
        const std::string_view text(reinterpret_cast<const char*>(bytes_.data()) + offset,
                                    static_cast<std::size_t>(std::min<std::uint64_t>(available, kMaxNameLength + 1)));
        const std::size_t end = text.find('\0');
        if (end == 0 || end == std::string_view::npos) return std::nullopt;
        return std::string(text.substr(0, end));
    }

    std::span<const std::uint8_t> bytes_;
    bool is64_ = false;
    std::uint64_t imageBase_ = 0;
    std::uint32_t imports_ = 0;
    std::uint32_t delayImports_ = 0;
    std::vector<Region> regions_;
};

}  // namespace

std::vector<std::string> ImportedLibraries(std::span<const std::uint8_t> file) {
    std::vector<std::string> names;
    if (const std::optional<Image> image = Image::Read(file)) image->AddNames(names);
    return names;
}

std::string SystemLibraryToLoad(std::string_view importedName, const std::set<std::string>& knownLibraries) {
    if (importedName.empty() || importedName.size() > kMaxNameLength) return {};
    // Win32 drops a trailing dot or space from a file name: the name would not be the file's.
    if (importedName.back() == '.' || importedName.back() == ' ') return {};
    for (const char c : importedName) {
        const auto unit = static_cast<unsigned char>(c);
        if (unit < 0x20 || unit > 0x7E) return {};
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) return {};
    }
    std::string file = Lower(importedName);
    if (file.starts_with("api-ms-") || file.starts_with("ext-ms-")) return {};
    if (file.find('.') == std::string::npos) file += ".dll";
    if (knownLibraries.contains(file)) return {};
    return file;
}
