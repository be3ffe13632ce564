#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The driver environments a printer driver is installed for, as the spooler names them:
// "Windows NT x86", "Windows x64" and "Windows ARM64".
enum class DriverEnvironment { X86, Amd64, Arm64 };

// The running Windows, as far as an INF's target-OS decorations ask about it.
struct WindowsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint8_t productType = 0;  // 1 workstation, 2 domain controller, 3 server
};

// One line of a models section: the model's description, its install section, its
// hardware ID and then any compatible IDs.
struct InfModel {
    std::wstring name;
    std::wstring installSection;
    std::vector<std::wstring> ids;
    std::wstring modelsSection;  // as its header names it

    friend bool operator==(const InfModel&, const InfModel&) = default;
};

// A driver's INF file, read the way the system reads it as far as choosing a model goes.
// Any bytes make an InfFile: what cannot be read is left out, nothing throws.
class InfFile {
public:
    static InfFile Parse(std::string_view bytes) noexcept;

    // The model's line in the models section that applies to this environment and version,
    // of the first manufacturer entry that has the model there (its name compared without
    // regard to ASCII case); nullopt when no such section holds it.
    std::optional<InfModel> FindModel(std::wstring_view model, DriverEnvironment environment,
                                      const WindowsVersion& version) const noexcept;
    // Whether any manufacturer entry has a models section for this environment and version:
    // without one the INF holds no driver for it at all.
    bool HasModelsFor(DriverEnvironment environment, const WindowsVersion& version) const noexcept;

private:
    struct Line {
        std::wstring key;  // raw, blanks trimmed; empty without '='
        std::wstring value;
        bool hasKey = false;
    };
    struct Section {
        std::wstring name;
        std::vector<Line> lines;
    };
    // A target-OS decoration that can apply to one of our environments (NTx86, NTamd64,
    // NTarm64, or NT alone), with the version parts it gives; 0 where it gives none.
    struct Decoration {
        std::wstring text;  // as written, for the section's name
        std::optional<DriverEnvironment> architecture;
        std::uint32_t major = 0;
        std::uint32_t minor = 0;
        std::uint32_t productType = 0;
        std::uint32_t build = 0;
    };
    // A [Manufacturer] entry: the models sections' base name and its decorations.
    struct Manufacturer {
        std::wstring base;
        std::vector<Decoration> decorations;
    };

    void AddLine(std::wstring_view text, std::optional<std::size_t>& section);
    void ReadStrings();
    void ReadManufacturers();
    const Section* FindSection(std::wstring_view name) const;
    const Section* ModelsSection(const Manufacturer& manufacturer, DriverEnvironment environment,
                                 const WindowsVersion& version) const;
    // A field's text with its quotes removed and %strings% put in; nullopt when that would
    // be longer than `limit`.
    std::optional<std::wstring> Expand(std::wstring_view field, std::size_t limit) const;
    // A value's fields, expanded, without the empty ones at its end; nullopt when they
    // would be unreasonably long.
    std::optional<std::vector<std::wstring>> ExpandFields(std::wstring_view value) const;

    std::vector<Section> sections_;
    std::map<std::wstring, std::size_t> sectionIndex_;  // by the name in ASCII lower case
    std::map<std::wstring, std::wstring> strings_;      // by the key in ASCII lower case
    std::vector<Manufacturer> manufacturers_;
};
