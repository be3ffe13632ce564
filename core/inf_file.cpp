#include "core/inf_file.h"

#include <iterator>
#include <tuple>
#include <utility>

namespace {

// The system reads no section name longer than this, so neither does a base name or a
// decoration that would make one.
constexpr std::size_t kMaxSectionName = 255;
// Far beyond any real model line; a file whose strings multiply a line past it is not
// worth the memory and time its expansion would take.
constexpr std::size_t kMaxLineLength = 65536;

constexpr wchar_t kReplacement = 0xFFFD;

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring_view Trim(std::wstring_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    std::size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

std::wstring Folded(std::wstring_view text) {
    std::wstring folded(text);
    for (wchar_t& c : folded) c = FoldAscii(c);
    return folded;
}

bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

void PushUnit(std::wstring& text, std::uint32_t unit) {
    text.push_back(static_cast<wchar_t>(unit));
}

// Malformed sequences each become one U+FFFD; characters beyond the BMP become surrogate
// pairs, as a UTF-16 file would hold them.
std::wstring DecodeUtf8(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    const auto at = [bytes](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])); };
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint32_t lead = at(i);
        std::size_t length = 1;
        std::uint32_t code = 0;
        std::uint32_t lowest = 0;
        if (lead < 0x80) {
            PushUnit(text, lead);
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
            lowest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
            lowest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
            lowest = 0x10000;
        } else {
            PushUnit(text, kReplacement);
            ++i;
            continue;
        }
        std::size_t taken = 1;
        while (taken < length && i + taken < bytes.size() && (at(i + taken) & 0xC0) == 0x80) {
            code = (code << 6) | (at(i + taken) & 0x3F);
            ++taken;
        }
        i += taken;
        if (taken < length || code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            PushUnit(text, kReplacement);
        } else if (code >= 0x10000) {
            PushUnit(text, 0xD800 + ((code - 0x10000) >> 10));
            PushUnit(text, 0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            PushUnit(text, code);
        }
    }
    return text;
}

// The reader keeps UTF-16 units whatever the size of wchar_t, so that the native and the
// Windows builds read a file alike.
std::wstring Decode(std::string_view bytes) {
    const auto at = [bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    std::wstring text;
    if (bytes.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE) {
        // An odd last byte is half a character: there is nothing to make of it.
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<wchar_t>(at(i) | (at(i + 1) << 8)));
        }
        return text;
    }
    if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) return DecodeUtf8(bytes.substr(3));
    // An ANSI file, read as Latin-1: 0xA0-0xFF are the same characters in Windows-1252,
    // and 0x80-0x9F (the euro sign, curly quotes) are only widened as they are. The
    // delimiters and anything the reader compares are ASCII, which this keeps exact.
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) text.push_back(static_cast<wchar_t>(at(i)));
    return text;
}

std::size_t FindOutsideQuotes(std::wstring_view text, wchar_t wanted) {
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'"') {
            quoted = !quoted;
        } else if (text[i] == wanted && !quoted) {
            return i;
        }
    }
    return std::wstring_view::npos;
}

std::vector<std::wstring_view> SplitFields(std::wstring_view value) {
    std::vector<std::wstring_view> fields;
    std::size_t start = 0;
    for (std::size_t comma = FindOutsideQuotes(value, L','); comma != std::wstring_view::npos;
         comma = FindOutsideQuotes(value.substr(start), L',')) {
        fields.push_back(Trim(value.substr(start, comma)));
        start += comma + 1;
    }
    fields.push_back(Trim(value.substr(start)));
    return fields;
}

// A field's text with its quotes removed and, when `strings` are given, %strings% put in;
// nullopt when that would be longer than `limit`.
std::optional<std::wstring> ExpandText(std::wstring_view field, std::size_t limit,
                                       const std::map<std::wstring, std::wstring>* strings) {
    std::wstring text;
    bool quoted = false;
    std::size_t i = 0;
    while (i < field.size()) {
        const wchar_t c = field[i];
        std::wstring_view part = field.substr(i, 1);
        std::size_t next = i + 1;
        if (c == L'"') {
            // Inside quotes a doubled quote is one quote character.
            if (quoted && field.substr(i, 2) == L"\"\"") {
                next = i + 2;
            } else {
                quoted = !quoted;
                part = {};
            }
        } else if (c == L'%' && !quoted && strings != nullptr) {
            // Quoted text stays as written; outside it %% is a percent sign and %key% the
            // string of that key. A token that names no string stays as written, and so
            // does a percent sign that ends no token.
            const std::size_t close = field.find_first_of(L"%\"", i + 1);
            if (close != std::wstring_view::npos && field[close] == L'%') {
                next = close + 1;
                if (close > i + 1) {
                    part = field.substr(i, next - i);
                    const auto value = strings->find(Folded(field.substr(i + 1, close - i - 1)));
                    if (value != strings->end()) part = value->second;
                }
            }
        }
        if (part.size() > limit - text.size()) return std::nullopt;
        text.append(part);
        i = next;
    }
    return text;
}

// A number in a decoration: decimal, or hexadecimal after 0x; an empty part is 0.
std::optional<std::uint32_t> ParseNumber(std::wstring_view text) {
    std::uint32_t base = 10;
    if (text.size() > 2 && text[0] == L'0' && FoldAscii(text[1]) == L'x') {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        const wchar_t lower = FoldAscii(c);
        std::uint32_t digit = 0;
        if (c >= L'0' && c <= L'9') {
            digit = static_cast<std::uint32_t>(c - L'0');
        } else if (base == 16 && lower >= L'a' && lower <= L'f') {
            digit = static_cast<std::uint32_t>(lower - L'a' + 10);
        } else {
            return std::nullopt;
        }
        value = value * base + digit;
        if (value > UINT32_MAX) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

InfFile InfFile::Parse(std::string_view bytes) noexcept {
    try {
        InfFile inf;
        const std::wstring text = Decode(bytes);
        std::optional<std::size_t> section;
        std::wstring joined;  // the lines a trailing backslash has joined so far
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find_first_of(L"\r\n", start);
            if (end == std::wstring::npos) end = text.size();
            const std::wstring_view line = std::wstring_view(text).substr(start, end - start);
            start = end + (text.compare(end, 2, L"\r\n") == 0 ? 2 : 1);

            bool quoted = false;
            bool continued = false;
            std::size_t kept = line.size();
            std::size_t lastMark = 0;
            for (std::size_t i = 0; i < line.size(); ++i) {
                const wchar_t c = line[i];
                if (c == L'"') {
                    quoted = !quoted;
                } else if (c == L';' && !quoted) {
                    kept = i;
                    break;
                }
                if (!IsBlank(c)) {
                    lastMark = i;
                    continued = c == L'\\' && !quoted;
                }
            }
            if (continued) {
                joined.append(line.substr(0, lastMark));
                continue;
            }
            joined.append(line.substr(0, kept));
            inf.AddLine(joined, section);
            joined.clear();
        }
        inf.AddLine(joined, section);  // what a backslash on the last line left
        inf.ReadStrings();
        inf.ReadManufacturers();
        return inf;
    } catch (...) {
        // Out of memory on a file far larger than any INF: it holds nothing we can use.
        return InfFile{};
    }
}

void InfFile::AddLine(std::wstring_view text, std::optional<std::size_t>& section) {
    const std::wstring_view line = Trim(text);
    if (line.empty()) return;
    if (line.front() == L'[') {
        const std::size_t close = line.find(L']');
        const std::wstring_view name = Trim(line.substr(1, close == std::wstring_view::npos ? close : close - 1));
        // Sections of the same name are one section, as the system reads them.
        const auto [entry, added] = sectionIndex_.emplace(Folded(name), sections_.size());
        if (added) sections_.push_back({std::wstring(name), {}});
        section = entry->second;
        return;
    }
    if (!section) return;  // nothing before the first section belongs anywhere
    Line entry;
    const std::size_t equals = FindOutsideQuotes(line, L'=');
    if (equals == std::wstring_view::npos) {
        entry.value = line;
    } else {
        entry.hasKey = true;
        entry.key = Trim(line.substr(0, equals));
        entry.value = Trim(line.substr(equals + 1));
    }
    sections_[*section].lines.push_back(std::move(entry));
}

const InfFile::Section* InfFile::FindSection(std::wstring_view name) const {
    const auto found = sectionIndex_.find(Folded(name));
    return found == sectionIndex_.end() ? nullptr : &sections_[found->second];
}

void InfFile::ReadStrings() {
    const Section* strings = FindSection(L"Strings");
    if (strings == nullptr) return;
    for (const Line& line : strings->lines) {
        if (!line.hasKey) continue;
        // A string's value is all of the right side, commas included; it names no other
        // string, so expanding cannot go round in circles. The first definition counts.
        const auto saved = strings_.find(Folded(line.key));
        if (saved != strings_.end()) continue;
        std::optional<std::wstring> value = ExpandText(line.value, line.value.size(), nullptr);
        if (value) strings_.emplace(Folded(line.key), std::move(*value));
    }
}

std::optional<std::wstring> InfFile::Expand(std::wstring_view field, std::size_t limit) const {
    return ExpandText(field, limit, &strings_);
}

std::optional<std::vector<std::wstring>> InfFile::ExpandFields(std::wstring_view value) const {
    std::vector<std::wstring> fields;
    std::size_t length = 0;
    for (const std::wstring_view field : SplitFields(value)) {
        std::optional<std::wstring> text = Expand(field, kMaxLineLength - length);
        if (!text) return std::nullopt;
        length += text->size();
        fields.push_back(std::move(*text));
    }
    while (!fields.empty() && fields.back().empty()) fields.pop_back();
    return fields;
}

namespace {

// NT[Architecture][.Major[.Minor[.ProductType[.SuiteMask[.Build]]]]], any part possibly
// empty. Only the architectures of our environments are of use; others, and anything not
// of this form, never apply.
struct ParsedDecoration {
    std::optional<DriverEnvironment> architecture;
    std::uint32_t parts[5] = {};
};
enum Part : std::size_t { kMajor, kMinor, kProductType, kSuiteMask, kBuild };

std::optional<ParsedDecoration> ParseDecoration(std::wstring_view text) {
    if (text.size() < 2 || FoldAscii(text[0]) != L'n' || FoldAscii(text[1]) != L't') return std::nullopt;
    text.remove_prefix(2);
    const std::size_t dot = text.find(L'.');
    const std::wstring architecture = Folded(text.substr(0, dot));
    ParsedDecoration parsed;
    if (architecture == L"x86") {
        parsed.architecture = DriverEnvironment::X86;
    } else if (architecture == L"amd64") {
        parsed.architecture = DriverEnvironment::Amd64;
    } else if (architecture == L"arm64") {
        parsed.architecture = DriverEnvironment::Arm64;
    } else if (!architecture.empty()) {
        return std::nullopt;
    }
    if (dot == std::wstring_view::npos) return parsed;
    std::wstring_view rest = text.substr(dot + 1);
    for (std::size_t part = 0;; ++part) {
        if (part == std::size(parsed.parts)) return std::nullopt;
        const std::size_t end = rest.find(L'.');
        // The suite mask is never compared, so whatever it is written as does not matter.
        if (part != kSuiteMask) {
            const std::optional<std::uint32_t> number = ParseNumber(rest.substr(0, end));
            if (!number) return std::nullopt;
            parsed.parts[part] = *number;
        }
        if (end == std::wstring_view::npos) return parsed;
        rest.remove_prefix(end + 1);
    }
}

}  // namespace

void InfFile::ReadManufacturers() {
    const Section* section = FindSection(L"Manufacturer");
    if (section == nullptr) return;
    for (const Line& line : section->lines) {
        // "%Maker%=Models,NTamd64", "Maker"=Models, or Models alone: the value names them.
        const std::vector<std::wstring_view> fields = SplitFields(line.value);
        std::optional<std::wstring> base = Expand(fields.front(), kMaxSectionName);
        if (!base || base->empty()) continue;
        Manufacturer manufacturer{std::move(*base), {}};
        for (std::size_t i = 1; i < fields.size(); ++i) {
            std::optional<std::wstring> text = Expand(fields[i], kMaxSectionName);
            if (!text) continue;
            const std::optional<ParsedDecoration> parsed = ParseDecoration(*text);
            if (!parsed) continue;
            manufacturer.decorations.push_back({std::move(*text), parsed->architecture, parsed->parts[kMajor],
                                                parsed->parts[kMinor], parsed->parts[kProductType],
                                                parsed->parts[kBuild]});
        }
        manufacturers_.push_back(std::move(manufacturer));
    }
}

// The system's choice: of the decorations that apply, the one of the highest version, then
// one that names a product type, then one that names the architecture; failing all, on
// x86 only, the undecorated section. A decoration without an architecture (NT alone) is
// an x86 one: 64-bit Windows reads only its own architecture's sections.
const InfFile::Section* InfFile::ModelsSection(const Manufacturer& manufacturer, DriverEnvironment environment,
                                               const WindowsVersion& version) const {
    const Decoration* best = nullptr;
    const auto rank = [](const Decoration& d) {
        return std::make_tuple(d.major, d.minor, d.build, d.productType != 0, d.architecture.has_value());
    };
    for (const Decoration& decoration : manufacturer.decorations) {
        if (decoration.architecture.value_or(DriverEnvironment::X86) != environment) continue;
        if (std::tie(decoration.major, decoration.minor, decoration.build) >
            std::tie(version.major, version.minor, version.build)) {
            continue;
        }
        if (decoration.productType != 0 && decoration.productType != version.productType) continue;
        if (best == nullptr || rank(decoration) > rank(*best)) best = &decoration;
    }
    if (best != nullptr) return FindSection(manufacturer.base + L"." + best->text);
    return environment == DriverEnvironment::X86 ? FindSection(manufacturer.base) : nullptr;
}

std::optional<InfModel> InfFile::FindModel(std::wstring_view model, DriverEnvironment environment,
                                           const WindowsVersion& version) const noexcept {
    try {
        // Entries often share a models section; each is searched once.
        std::vector<bool> searched(sections_.size());
        for (const Manufacturer& manufacturer : manufacturers_) {
            const Section* section = ModelsSection(manufacturer, environment, version);
            if (section == nullptr) continue;
            const auto index = static_cast<std::size_t>(section - sections_.data());
            if (searched[index]) continue;
            searched[index] = true;
            for (const Line& line : section->lines) {
                if (!line.hasKey) continue;
                const std::optional<std::wstring> name = Expand(line.key, model.size());
                if (!name || !EqualIgnoringCase(*name, model)) continue;
                std::optional<std::vector<std::wstring>> fields = ExpandFields(line.value);
                if (!fields) continue;
                InfModel found{*name, {}, {}, section->name};
                if (!fields->empty()) {
                    found.installSection = std::move(fields->front());
                    found.ids.assign(std::make_move_iterator(fields->begin() + 1),
                                     std::make_move_iterator(fields->end()));
                }
                return found;
            }
        }
    } catch (...) {
        // Out of memory: no model can be told apart.
    }
    return std::nullopt;
}

bool InfFile::HasModelsFor(DriverEnvironment environment, const WindowsVersion& version) const noexcept {
    for (const Manufacturer& manufacturer : manufacturers_) {
        try {
            if (ModelsSection(manufacturer, environment, version) != nullptr) return true;
        } catch (...) {
            return false;
        }
    }
    return false;
}
