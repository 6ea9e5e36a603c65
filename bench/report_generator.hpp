// Large configuration debug reports shaped like those of big company configurations:
// nested configuration files at all six levels, %include and conditional traces, values as
// written with their expansions, lists of paths, (null) values, and the summary with
// locked variables and wrapped long lists. Deterministic for a given size and seed.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace varscope::bench {

inline constexpr std::uint64_t kDefaultSeed = 0x5eed'2026;

namespace detail {

// splitmix64: fast, and the same sequence on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(next() % bound); }
    bool percent(unsigned chance) { return below(100) < chance; }

private:
    std::uint64_t m_state;
};

template <std::size_t N>
std::string_view Pick(Random& random, const std::array<std::string_view, N>& items) {
    return items[random.below(N)];
}

constexpr std::array<std::string_view, 12> kPrefixes = {
    "MS_",  "MS_",   "MS_",      "_USTN_",  "CIVIL_",  "PW_",
    "STD_", "SITE_", "PROJECT_", "SURVEY_", "BRIDGE_", "DRAINAGE_"};

constexpr std::array<std::string_view, 48> kWords = {
    "DEF",        "RFDIR",        "CELL",        "CELLLIST",   "SEEDFILES",  "DGNLIBLIST",
    "PLOTFILES",  "PENTABLE",     "FONTPATH",    "LEVEL_LIB",  "TEXTSTYLES", "DIMSTYLES",
    "BACKUP",     "TMP",          "DATA",        "MDLAPPS",    "LIBRARY",    "MACRO",
    "LINESTYLE",  "MATERIAL",     "PATTERN",     "RASTER",     "IMAGE",      "SETTINGS",
    "TEMPLATES",  "REPORTS",      "STANDARDS",   "SHEETS",     "SYMBOLOGY",  "ITEMTYPES",
    "PRINTERS",   "LOG",          "GUIDGNLIBS",  "VBA",        "KEYINS",     "PREFS",
    "DESIGNSEED", "SHEETSEED",    "TITLEBLOCK",  "FIELDS",     "GCS",        "POINTCLOUD",
    "REFERENCES", "DRAWINGSEEDS", "FEATUREDEFS", "DESIGNSTDS", "PAYITEMS",   "QUANTITIES"};

constexpr std::array<std::string_view, 20> kFolders = {
    "dgn",    "cell",   "seed",   "dgnlib", "plot",      "data",   "symb",
    "survey", "sheets", "ref",    "images", "standards", "macros", "vba",
    "backup", "tmp",    "levels", "fonts",  "templates", "reports"};

constexpr std::array<std::string_view, 10> kFileNames = {
    "roads",  "structures", "drainage", "survey",  "utilities",
    "sheets", "levels",     "plotting", "general", "landscape"};

constexpr std::array<std::string_view, 12> kWordValues = {"1",
                                                          "0",
                                                          "metric",
                                                          "imperial",
                                                          "percent",
                                                          "0+000.000",
                                                          "DirectX",
                                                          "ISO A1",
                                                          "24",
                                                          "embedfonts;layers;bookmarks",
                                                          "Regional Roads Authority",
                                                          "Ring road north, contract C-104"};

struct Level {
    std::string_view word;
    std::string_view root; // value as written that the paths of this level start with
    std::string_view rootExpansion;
    unsigned weight; // share of the definitions, in percent
};

constexpr std::array<Level, 6> kLevels = {{
    {"predefined", "$(_USTN_INSTALLED)", "C:/Bentley/MicroStation/", 2},
    {"system", "$(_USTN_INSTALLED)", "C:/Bentley/MicroStation/", 20},
    {"appl", "$(_USTN_APPL)", "C:/Bentley/MicroStation/config/appl/", 15},
    {"site", "$(_USTN_SITE)", "C:/Bentley/Workspace/Standards/", 23},
    {"project", "$(_USTN_PROJECTDATA)", "C:/Bentley/Workspace/ProjectData/", 28},
    {"user", "$(_USTN_USERDATA)", "C:/Bentley/Workspace/UserData/", 12},
}};

struct Final {
    std::string_view level;
    std::string expansion;
};

class Writer {
public:
    Writer(std::size_t definitions, std::uint64_t seed, std::size_t names)
        : m_random(seed), m_definitions(definitions),
          m_uniqueNames(names != 0 ? names : definitions / 12 + 200) {}

    std::string run() {
        // A definition line with its share of file lines and traces is about 110 bytes.
        m_out.reserve(m_definitions * 118 + 4096);
        line("Debug level = 2");
        fileLine(0, "C:\\Bentley\\MicroStation\\config\\msconfig.cfg");
        constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kPredefined = {{
            {"_USTN_VERSION", "08.11.09.832"},
            {"_ROOTDIR", "C:/Bentley/"},
            {"_USTN_INSTALLED", "C:/Bentley/MicroStation/"},
        }};
        for (const auto& [name, value] : kPredefined) {
            if (m_written < m_definitions)
                definition(kLevels[0], name, value, value);
        }
        while (m_written < m_definitions)
            file();
        summary();
        return std::move(m_out);
    }

private:
    void line(std::string_view text) {
        m_out += text;
        m_out += "\r\n";
    }

    void fileLine(std::size_t depth, std::string_view path) {
        m_out += "\r\n";
        m_out.append(depth * 4, ' ');
        m_out += "Processing macro file [";
        m_out += path;
        m_out += "]\r\n";
    }

    const Level& pickLevel() {
        std::size_t roll = m_random.below(100);
        for (const Level& level : kLevels) {
            if (roll < level.weight)
                return level;
            roll -= level.weight;
        }
        return kLevels[4];
    }

    std::string filePath(const Level& level) {
        const std::string number = std::to_string(m_random.below(400));
        const std::string_view name = Pick(m_random, kFileNames);
        if (level.word == "project")
            return "C:\\Bentley\\Workspace\\Projects\\P" + number + "\\" + std::string(name) +
                   ".pcf";
        if (level.word == "user")
            return "C:\\Bentley\\Workspace\\Users\\user" + number + ".ucf";
        if (level.word == "site")
            return "C:\\Bentley\\Workspace\\Standards\\config\\" + std::string(name) + number +
                   ".cfg";
        if (level.word == "appl")
            return "C:\\Bentley\\MicroStation\\config\\appl\\" + std::string(name) + number +
                   ".cfg";
        return "C:\\Bentley\\MicroStation\\config\\system\\" + std::string(name) + number + ".cfg";
    }

    void file() {
        const Level& level = pickLevel();
        const std::string path = filePath(level);
        const std::size_t depth = 1 + m_random.below(3);
        if (m_random.percent(30)) {
            std::string folder = path.substr(0, path.rfind('\\') + 1);
            line("%include " + folder + "*" + path.substr(path.rfind('.')));
        }
        fileLine(depth, path);
        const std::size_t count = 6 + m_random.below(40);
        for (std::size_t i = 0; i < count && m_written < m_definitions; ++i) {
            if (m_random.percent(2)) {
                line("Starting skip to endif, [" + path + "], line " + std::to_string(10 + i * 3) +
                     ", depth = " + std::to_string(m_random.below(2)) + ".");
            }
            randomDefinition(level);
        }
    }

    std::string name() {
        const std::size_t id = m_random.below(m_uniqueNames);
        std::string text(kPrefixes[id % kPrefixes.size()]);
        text += kWords[(id / kPrefixes.size()) % kWords.size()];
        const std::size_t series = id / (kPrefixes.size() * kWords.size());
        if (series > 0) {
            text += '_';
            text += std::to_string(series);
        }
        return text;
    }

    void path(const Level& level, std::string& value, std::string& expansion) {
        const std::size_t segments = 1 + m_random.below(3);
        value += level.root;
        expansion += level.rootExpansion;
        if (level.word == "project" || level.word == "user") {
            const std::string owner = (level.word == "project" ? "P" : "user") +
                                      std::to_string(m_random.below(400)) + "/";
            expansion += owner;
        }
        for (std::size_t i = 0; i < segments; ++i) {
            const std::string_view folder = Pick(m_random, kFolders);
            value += folder;
            value += '/';
            expansion += folder;
            expansion += '/';
        }
    }

    void randomDefinition(const Level& level) {
        std::string value;
        std::string expansion;
        const std::size_t kind = m_random.below(100);
        if (kind < 45) {
            path(level, value, expansion);
        } else if (kind < 60) {
            value = expansion = Pick(m_random, kWordValues);
        } else if (kind < 75) {
            const std::size_t items = 2 + m_random.below(5);
            for (std::size_t i = 0; i < items; ++i) {
                if (i > 0) {
                    value += ';';
                    expansion += ';';
                }
                path(kLevels[1 + m_random.below(5)], value, expansion);
            }
        } else if (kind < 90) {
            path(level, value, expansion);
            const std::string file =
                std::string(Pick(m_random, kFileNames)) + "_" + std::to_string(kind) + ".dgnlib";
            value += file;
            expansion += file;
        } else if (kind < 95) {
            // A value naming an undefined variable, or none at all.
            if (m_random.percent(50))
                value = "$(_USTN_UNDEFINED)";
        } else {
            value = expansion = "Contract " + std::to_string(m_random.below(9000) + 1000) +
                                ", phase " + std::to_string(m_random.below(4) + 1);
        }
        definition(level, name(), value, expansion);
    }

    void definition(const Level& level, std::string_view name, std::string_view value,
                    std::string_view expansion) {
        m_out += '(';
        m_out += level.word;
        m_out += "): ";
        m_out += name;
        m_out += '=';
        m_out += value.empty() ? std::string_view("(null)") : value;
        m_out += " [";
        m_out += expansion.empty() ? std::string_view("(null)") : expansion;
        m_out += "]\r\n";
        ++m_written;
        Final& final = m_finals[std::string(name)];
        final.level = level.word;
        final.expansion = expansion.empty() ? "(null)" : std::string(expansion);
    }

    void summary() {
        line("");
        line("");
        line("#########################################");
        line("# Configuration Variable Summary        ");
        line("#");
        line("#########################################");
        line("");
        std::size_t index = 0;
        for (const auto& [name, final] : m_finals) {
            std::string row = name;
            if (row.size() < 17)
                row.append(17 - row.size(), ' ');
            row += ": ";
            row += final.level;
            if (final.level.size() < 12)
                row.append(12 - final.level.size(), ' ');
            row += " = ";
            // Long lists are broken after a semicolon and go on indented by 22 blanks.
            std::string_view rest = final.expansion;
            if (rest.size() > 100) {
                std::size_t width = 0;
                while (!rest.empty()) {
                    const std::size_t semicolon = rest.find(';');
                    const std::size_t cut =
                        semicolon == std::string_view::npos ? rest.size() : semicolon + 1;
                    if (width > 0 && width + cut > 100) {
                        line(row);
                        row.assign(22, ' ');
                        width = 0;
                    }
                    row += rest.substr(0, cut);
                    width += cut;
                    rest.remove_prefix(cut);
                }
            } else {
                row += rest;
            }
            row += ++index % 41 == 0 ? " <Locked>" : "  ";
            line(row);
        }
        line("");
        line("#########################################");
        line("# End of Configuration Variable Summary #");
        line("#########################################");
    }

    Random m_random;
    std::size_t m_definitions;
    std::size_t m_uniqueNames;
    std::size_t m_written = 0;
    std::string m_out;
    std::map<std::string, Final> m_finals;
};

} // namespace detail

// A report of exactly `definitions` definition lines, CR LF line ends. Its variables are
// drawn from `names` names (0: one for every twelve definitions, and 200 more).
inline std::string GenerateReport(std::size_t definitions, std::uint64_t seed = kDefaultSeed,
                                  std::size_t names = 0) {
    return detail::Writer(definitions, seed, names).run();
}

// Writes GenerateReport(definitions, seed) to `path`; nullopt on success, else the reason.
inline std::optional<std::string> WriteReport(const std::string& path, std::size_t definitions,
                                              std::uint64_t seed = kDefaultSeed) {
    const std::string report = GenerateReport(definitions, seed);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return "cannot create " + path;
    const bool written = std::fwrite(report.data(), 1, report.size(), file) == report.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed)
        return "cannot write " + path;
    return std::nullopt;
}

} // namespace varscope::bench
