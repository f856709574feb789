#include "card_image.h"

#include "file_io.h"

#include <nlohmann/json.hpp>

#include <set>

namespace felica {

namespace {

using Json = nlohmann::json;

// Raised inside the parser only; parse() turns it into the error text.
struct FieldError {
    std::string field;
    std::string problem;
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

const Json& member(const Json& obj, const std::string& path, const char* key) {
    auto it = obj.find(key);
    if (it == obj.end()) throw FieldError{path.empty() ? key : path + "." + key, "missing"};
    return *it;
}

std::string join(const std::string& path, const char* key) {
    return path.empty() ? std::string(key) : path + "." + key;
}

std::string indexed(const std::string& path, std::size_t i) {
    return path + "[" + std::to_string(i) + "]";
}

// A string of exactly `bytes` bytes in hex.
std::vector<std::uint8_t> hexField(const Json& v, const std::string& field, std::size_t bytes) {
    if (!v.is_string()) throw FieldError{field, "expected a string of hex digits"};
    const std::string& s = v.get_ref<const std::string&>();
    if (s.size() != bytes * 2)
        throw FieldError{field, "expected " + std::to_string(bytes * 2) + " hex digits, found " +
                                    std::to_string(s.size()) + " characters"};
    std::vector<std::uint8_t> out(bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        const int hi = hexDigit(s[2 * i]);
        const int lo = hexDigit(s[2 * i + 1]);
        if (hi < 0 || lo < 0) throw FieldError{field, "not a hex digit in \"" + s + "\""};
        out[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return out;
}

template <std::size_t N>
std::array<std::uint8_t, N> hexArray(const Json& v, const std::string& field) {
    auto b = hexField(v, field, N);
    std::array<std::uint8_t, N> a{};
    std::copy(b.begin(), b.end(), a.begin());
    return a;
}

std::uint16_t code16(const Json& v, const std::string& field) {
    auto b = hexField(v, field, 2);
    return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
}

void rejectUnknown(const Json& obj, const std::string& path, std::initializer_list<const char*> known) {
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        bool ok = false;
        for (const char* k : known) ok = ok || it.key() == k;
        if (!ok) throw FieldError{join(path, it.key().c_str()), "unknown field"};
    }
}

AreaImage parseArea(const Json& v, const std::string& path) {
    AreaImage a;
    if (v.is_string()) {
        a.code = code16(v, path);
        a.endCode = CardImage::defaultEndCode(a.code);
        return a;
    }
    if (!v.is_object()) throw FieldError{path, "expected an area code or an object"};
    rejectUnknown(v, path, {"code", "end", "keyVersion"});
    a.code = code16(member(v, path, "code"), join(path, "code"));
    a.endCode = v.contains("end") ? code16(v["end"], join(path, "end"))
                                  : CardImage::defaultEndCode(a.code);
    if (a.endCode < a.code) throw FieldError{join(path, "end"), "end code lies before the area code"};
    if (v.contains("keyVersion")) a.keyVersion = code16(v["keyVersion"], join(path, "keyVersion"));
    return a;
}

ServiceImage parseService(const Json& v, const std::string& path) {
    if (!v.is_object()) throw FieldError{path, "expected an object"};
    rejectUnknown(v, path, {"code", "keyVersion", "blocks"});
    ServiceImage s;
    s.code = code16(member(v, path, "code"), join(path, "code"));
    if (v.contains("keyVersion")) s.keyVersion = code16(v["keyVersion"], join(path, "keyVersion"));
    if (v.contains("blocks")) {
        const Json& blocks = v["blocks"];
        const std::string bpath = join(path, "blocks");
        if (!blocks.is_array()) throw FieldError{bpath, "expected an array of blocks"};
        if (blocks.size() > 0x10000) throw FieldError{bpath, "more than 65536 blocks"};
        s.hasBlocks = true;
        for (std::size_t i = 0; i < blocks.size(); ++i)
            s.blocks.push_back(hexArray<16>(blocks[i], indexed(bpath, i)));
    }
    return s;
}

SystemImage parseSystem(const Json& v, const std::string& path, const Idm& cardIdm) {
    if (!v.is_object()) throw FieldError{path, "expected an object"};
    rejectUnknown(v, path, {"code", "idm", "areas", "services"});
    SystemImage sys;
    sys.code = hexArray<2>(member(v, path, "code"), join(path, "code"));
    if (v.contains("idm")) {
        sys.idm = hexArray<8>(v["idm"], join(path, "idm"));
        sys.ownIdm = true;
    } else {
        sys.idm = cardIdm;
    }
    if (v.contains("areas")) {
        const Json& areas = v["areas"];
        const std::string apath = join(path, "areas");
        if (!areas.is_array()) throw FieldError{apath, "expected an array"};
        std::set<std::uint16_t> seen;
        for (std::size_t i = 0; i < areas.size(); ++i) {
            AreaImage a = parseArea(areas[i], indexed(apath, i));
            if (!seen.insert(a.code).second)
                throw FieldError{indexed(apath, i), "duplicate area " + toHex(std::array<std::uint8_t, 2>{
                                                        static_cast<std::uint8_t>(a.code >> 8),
                                                        static_cast<std::uint8_t>(a.code)})};
            sys.areas.push_back(a);
        }
    } else {
        sys.areas.push_back({0x0000, 0xFFFF, 0x0000});
    }
    const Json& services = member(v, path, "services");
    const std::string spath = join(path, "services");
    if (!services.is_array()) throw FieldError{spath, "expected an array"};
    std::set<std::uint16_t> seen;
    for (std::size_t i = 0; i < services.size(); ++i) {
        ServiceImage s = parseService(services[i], indexed(spath, i));
        if (!seen.insert(s.code).second)
            throw FieldError{indexed(spath, i), "duplicate service " + toHex(std::array<std::uint8_t, 2>{
                                                    static_cast<std::uint8_t>(s.code >> 8),
                                                    static_cast<std::uint8_t>(s.code)})};
        sys.services.push_back(std::move(s));
    }
    if (sys.areas.size() + sys.services.size() > 0xFFFF)
        throw FieldError{path, "too many areas and services"};
    return sys;
}

// Refuses a field given twice in one object (the parser itself would keep
// the last), naming it by its path.
class DuplicateFieldCheck {
public:
    bool operator()(int, Json::parse_event_t event, Json& parsed) {
        using Event = Json::parse_event_t;
        switch (event) {
        case Event::object_start:
        case Event::array_start:
            elementBegins();
            frames_.push_back({event == Event::array_start, -1, {}, {}});
            break;
        case Event::object_end:
        case Event::array_end:
            if (!frames_.empty()) frames_.pop_back();
            break;
        case Event::key: {
            if (frames_.empty()) break;
            const std::string& key = parsed.get_ref<const std::string&>();
            if (!frames_.back().keys.insert(key).second) throw FieldError{path(key), "duplicate field"};
            frames_.back().key = key;
            break;
        }
        case Event::value:
            elementBegins();
            break;
        }
        return true;
    }

private:
    struct Frame {
        bool array;
        long index;
        std::string key;
        std::set<std::string> keys;
    };

    void elementBegins() {
        if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
    }

    std::string path(const std::string& key) const {
        std::string p;
        for (std::size_t i = 0; i + 1 < frames_.size(); ++i)
            p = frames_[i].array ? indexed(p, static_cast<std::size_t>(frames_[i].index)) : join(p, frames_[i].key.c_str());
        return join(p, key.c_str());
    }

    std::vector<Frame> frames_;
};

std::string hex16(std::uint16_t v) {
    return toHex(std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(v >> 8),
                                             static_cast<std::uint8_t>(v & 0xFF)});
}

}  // namespace

bool ServiceImage::attributeWithoutKey(std::uint16_t code) {
    const int attr = code & 0x3F;
    return attr >= 8 && attr <= 23 && (attr & 1) == 1;
}

const ServiceImage* SystemImage::findService(std::uint16_t c) const {
    for (const auto& s : services)
        if (s.code == c) return &s;
    return nullptr;
}

const AreaImage* SystemImage::findArea(std::uint16_t c) const {
    for (const auto& a : areas)
        if (a.code == c) return &a;
    return nullptr;
}

std::uint16_t CardImage::defaultEndCode(std::uint16_t areaCode) {
    return areaCode == 0 ? 0xFFFF : static_cast<std::uint16_t>(areaCode | 0x3F);
}

std::optional<CardImage> CardImage::parse(std::string_view text, const std::string& source,
                                          std::string& error) {
    // The parser takes a NUL byte for the end of the text, and would let
    // anything after it through.
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        error = source + ": not valid JSON (a NUL byte at offset " + std::to_string(nul) + ")";
        return std::nullopt;
    }
    Json root;
    try {
        root = Json::parse(text.begin(), text.end(), DuplicateFieldCheck());
    } catch (const FieldError& e) {
        error = source + ": " + e.field + ": " + e.problem;
        return std::nullopt;
    } catch (const Json::exception& e) {
        // Syntax errors, and numbers no double holds (out_of_range).
        error = source + ": not valid JSON (" + e.what() + ")";
        return std::nullopt;
    } catch (const std::exception& e) {
        error = source + ": cannot read the card image (" + e.what() + ")";
        return std::nullopt;
    }
    try {
        if (!root.is_object()) throw FieldError{"(top level)", "expected an object"};
        rejectUnknown(root, "", {"format", "version", "idm", "pmm", "maxBlocksPerRead", "systems"});
        const Json& format = member(root, "", "format");
        if (!format.is_string() || format.get<std::string>() != "kuvora-card-image")
            throw FieldError{"format", "expected \"kuvora-card-image\""};
        const Json& version = member(root, "", "version");
        if (!version.is_number_integer() || version.get<long long>() != 1)
            throw FieldError{"version", "expected 1"};
        CardImage card;
        card.idm = hexArray<8>(member(root, "", "idm"), "idm");
        card.pmm = hexArray<8>(member(root, "", "pmm"), "pmm");
        if (root.contains("maxBlocksPerRead")) {
            const Json& m = root["maxBlocksPerRead"];
            if (!m.is_number_integer() || m.get<long long>() < 1 ||
                m.get<long long>() > static_cast<long long>(kMaxBlocksPerFrame))
                throw FieldError{"maxBlocksPerRead", "expected a whole number from 1 to 15"};
            card.maxBlocksPerRead = m.get<int>();
        }
        const Json& systems = member(root, "", "systems");
        if (!systems.is_array() || systems.empty())
            throw FieldError{"systems", "expected a non-empty array"};
        if (systems.size() > kMaxSystems) throw FieldError{"systems", "more than 16 systems"};
        std::set<std::array<std::uint8_t, 2>> seen;
        for (std::size_t i = 0; i < systems.size(); ++i) {
            SystemImage s = parseSystem(systems[i], indexed("systems", i), card.idm);
            if (!seen.insert(s.code).second)
                throw FieldError{indexed("systems", i) + ".code", "duplicate system " + toHex(s.code)};
            card.systems.push_back(std::move(s));
        }
        return card;
    } catch (const FieldError& e) {
        error = source + ": " + e.field + ": " + e.problem;
    } catch (const Json::exception& e) {
        error = source + ": " + e.what();
    } catch (const std::exception& e) {
        error = source + ": cannot read the card image (" + e.what() + ")";
    }
    return std::nullopt;
}

std::optional<CardImage> CardImage::load(const std::string& path, std::string& error) {
    using Status = platform::ReadResult::Status;
    std::string text;
    try {
        const platform::ReadResult read = platform::readRegularFile(path, kMaxFileSize, text);
        switch (read.status) {
        case Status::Ok: return parse(text, path, error);
        case Status::EmptyPath: error = "the card image path is empty"; break;
        case Status::CannotOpen: error = path + ": cannot open the card image file"; break;
        case Status::TooLarge: error = path + ": not a card image (file too large)"; break;
        default: error = path + ": " + read.problem(kMaxFileSize); break;
        }
    } catch (const std::exception& e) {
        error = path + ": cannot read the card image (" + e.what() + ")";
    }
    return std::nullopt;
}

std::string CardImage::toJson() const {
    nlohmann::ordered_json root;
    root["format"] = "kuvora-card-image";
    root["version"] = 1;
    root["idm"] = toHex(idm);
    root["pmm"] = toHex(pmm);
    if (maxBlocksPerRead != kDefaultMaxBlocksPerRead) root["maxBlocksPerRead"] = maxBlocksPerRead;
    auto systemsJson = nlohmann::ordered_json::array();
    for (const auto& sys : systems) {
        nlohmann::ordered_json s;
        s["code"] = toHex(sys.code);
        if (sys.ownIdm || sys.idm != idm) s["idm"] = toHex(sys.idm);
        auto areas = nlohmann::ordered_json::array();
        for (const auto& a : sys.areas) {
            if (a.endCode == defaultEndCode(a.code) && a.keyVersion == 0) {
                areas.push_back(hex16(a.code));
            } else {
                nlohmann::ordered_json ao;
                ao["code"] = hex16(a.code);
                ao["end"] = hex16(a.endCode);
                if (a.keyVersion != 0) ao["keyVersion"] = hex16(a.keyVersion);
                areas.push_back(ao);
            }
        }
        s["areas"] = areas;
        auto services = nlohmann::ordered_json::array();
        for (const auto& sv : sys.services) {
            nlohmann::ordered_json so;
            so["code"] = hex16(sv.code);
            so["keyVersion"] = hex16(sv.keyVersion);
            if (sv.hasBlocks) {
                auto blocks = nlohmann::ordered_json::array();
                for (const auto& b : sv.blocks) blocks.push_back(toHex(b));
                so["blocks"] = blocks;
            }
            services.push_back(so);
        }
        s["services"] = services;
        systemsJson.push_back(s);
    }
    root["systems"] = systemsJson;
    return root.dump(2) + "\n";
}

bool CardImage::save(const std::string& path, std::string& error) const {
    // Replaced whole: a failed save never leaves half a file behind, and a
    // link is written through to its target.
    try {
        return platform::replaceFile(path, toJson(), error);
    } catch (const std::exception& e) {
        error = path + ": cannot write the file (" + e.what() + ")";
        return false;
    }
}

}  // namespace felica
