#include "card_image.h"

#include "file_io.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <climits>

namespace felica {

namespace {

using Json = nlohmann::json;

// Raised inside the reader only; parse() turns it into the error text.
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

std::string join(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string indexed(const std::string& path, std::size_t i) {
    return path + "[" + std::to_string(i) + "]";
}

// The card image read in one pass over the text, without building a
// document first: the reader keeps a frame for each object and array it is
// in, and puts each value where its place says. What it finds wrong it
// keeps, the first of each kind, and reads on, so that the text is checked
// whole: a field given twice is reported first, then broken JSON, then what
// the first wrong value was.
class ImageReader {
public:
    bool null() { return scalar(); }
    bool boolean(bool) { return scalar(); }
    bool number_integer(Json::number_integer_t v) { return integer(v, true); }
    bool number_unsigned(Json::number_unsigned_t v) {
        return integer(static_cast<long long>(v), v <= static_cast<Json::number_unsigned_t>(LLONG_MAX));
    }
    bool number_float(Json::number_float_t, const std::string&) { return scalar(); }
    bool binary(Json::binary_t&) { return scalar(); }
    bool string(std::string& v);
    bool start_object(std::size_t);
    bool key(std::string& k);
    bool end_object();
    bool start_array(std::size_t);
    bool end_array();
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
        syntax_ = e.what();
        return false;
    }

    // The image, or the error without the file name.
    std::optional<CardImage> result(bool parsed, std::string& error);

private:
    enum class Kind { Root, Systems, System, Areas, Area, Services, Service, Blocks, Skip };
    struct Frame {
        Kind kind;
        bool array;
        long index = -1;                // arrays: the element being read
        std::string key;                // objects: the field being read
        std::vector<std::string> keys;  // objects: the fields read so far
    };

    // Where a value is: the field of the innermost object, or the element
    // of the innermost array.
    enum class Place {
        TopLevel, Format, Version, Idm, Pmm, MaxBlocks, SystemsList, SystemCode, SystemIdm, AreaList,
        ServiceList, AreaItem, AreaCode, AreaEnd, AreaKey, ServiceItem, ServiceCode, ServiceKey, BlockList,
        BlockItem, SystemItem, Ignored,
    };

    Place place() const;
    std::string path(std::size_t frames) const;
    std::string here() const { return path(frames_.size()); }
    void wrong(std::string field, std::string problem) {
        if (!wrong_) wrong_ = FieldError{std::move(field), std::move(problem)};
    }
    void elementBegins() {
        if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
    }
    bool integer(long long v, bool fits);
    bool scalar() {
        elementBegins();
        return other();
    }
    bool other();
    // Ends the reading at nesting no card image has (it has five levels),
    // before the frames of a file of brackets take memory by the gigabyte.
    bool push(Kind kind, bool array) {
        if (frames_.size() >= kMaxDepth) {
            syntax_ = "nested deeper than " + std::to_string(kMaxDepth) + " levels";
            return false;
        }
        frames_.push_back({kind, array, -1, {}, {}});
        return true;
    }
    static constexpr std::size_t kMaxDepth = 100;
    bool has(const char* key) const {
        const auto& keys = frames_.back().keys;
        return std::find(keys.begin(), keys.end(), key) != keys.end();
    }
    template <std::size_t N>
    bool hex(const std::string& s, std::array<std::uint8_t, N>& out);
    bool code(const std::string& s, std::uint16_t& out);
    void systemEnds();

    std::vector<Frame> frames_;
    std::optional<FieldError> duplicate_;
    std::string syntax_;
    std::optional<FieldError> wrong_;
    bool topLevel_ = false;  // the top-level value was an object

    CardImage card_;
    bool hasFormat_ = false, hasVersion_ = false, hasIdm_ = false, hasPmm_ = false, hasSystems_ = false;
    // The system, area and service being read.
    SystemImage system_;
    bool systemAreas_ = false;
    std::vector<std::uint16_t> seenAreas_, seenServices_;
    AreaImage area_;
    ServiceImage service_;
};

std::string ImageReader::path(std::size_t frames) const {
    std::string p;
    for (std::size_t i = 0; i < frames; ++i) {
        const Frame& f = frames_[i];
        p = f.array ? indexed(p, static_cast<std::size_t>(f.index)) : join(p, f.key);
    }
    return p;
}

ImageReader::Place ImageReader::place() const {
    if (frames_.empty()) return Place::TopLevel;
    const Frame& f = frames_.back();
    switch (f.kind) {
    case Kind::Root:
        return f.key == "format"             ? Place::Format
               : f.key == "version"          ? Place::Version
               : f.key == "idm"              ? Place::Idm
               : f.key == "pmm"              ? Place::Pmm
               : f.key == "maxBlocksPerRead" ? Place::MaxBlocks
               : f.key == "systems"          ? Place::SystemsList
                                             : Place::Ignored;
    case Kind::Systems: return Place::SystemItem;
    case Kind::System:
        return f.key == "code"       ? Place::SystemCode
               : f.key == "idm"      ? Place::SystemIdm
               : f.key == "areas"    ? Place::AreaList
               : f.key == "services" ? Place::ServiceList
                                     : Place::Ignored;
    case Kind::Areas: return Place::AreaItem;
    case Kind::Area:
        return f.key == "code"         ? Place::AreaCode
               : f.key == "end"        ? Place::AreaEnd
               : f.key == "keyVersion" ? Place::AreaKey
                                       : Place::Ignored;
    case Kind::Services: return Place::ServiceItem;
    case Kind::Service:
        return f.key == "code"         ? Place::ServiceCode
               : f.key == "keyVersion" ? Place::ServiceKey
               : f.key == "blocks"     ? Place::BlockList
                                       : Place::Ignored;
    case Kind::Blocks: return Place::BlockItem;
    case Kind::Skip: return Place::Ignored;
    }
    return Place::Ignored;
}

// A string of exactly N bytes in hex, at the present place.
template <std::size_t N>
bool ImageReader::hex(const std::string& s, std::array<std::uint8_t, N>& out) {
    if (s.size() != N * 2) {
        wrong(here(), "expected " + std::to_string(N * 2) + " hex digits, found " + std::to_string(s.size()) +
                          " characters");
        return false;
    }
    for (std::size_t i = 0; i < N; ++i) {
        const int hi = hexDigit(s[2 * i]);
        const int lo = hexDigit(s[2 * i + 1]);
        if (hi < 0 || lo < 0) {
            wrong(here(), "not a hex digit in \"" + s + "\"");
            return false;
        }
        out[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return true;
}

bool ImageReader::code(const std::string& s, std::uint16_t& out) {
    std::array<std::uint8_t, 2> b{};
    if (!hex(s, b)) return false;
    out = static_cast<std::uint16_t>(b[0] << 8 | b[1]);
    return true;
}

std::string hex16(std::uint16_t v) {
    return toHex(std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(v >> 8),
                                             static_cast<std::uint8_t>(v & 0xFF)});
}

bool ImageReader::string(std::string& v) {
    elementBegins();
    switch (place()) {
    case Place::Format:
        if (v != "kuvora-card-image") wrong("format", "expected \"kuvora-card-image\"");
        break;
    case Place::Idm: hex(v, card_.idm); break;
    case Place::Pmm: hex(v, card_.pmm); break;
    case Place::SystemCode: hex(v, system_.code); break;
    case Place::SystemIdm: system_.ownIdm = hex(v, system_.idm); break;
    case Place::AreaItem:  // an area given by its code alone
        area_ = {};
        if (code(v, area_.code)) {
            area_.endCode = CardImage::defaultEndCode(area_.code);
            if (std::find(seenAreas_.begin(), seenAreas_.end(), area_.code) != seenAreas_.end())
                wrong(here(), "duplicate area " + hex16(area_.code));
            seenAreas_.push_back(area_.code);
            system_.areas.push_back(area_);
        }
        break;
    case Place::AreaCode: code(v, area_.code); break;
    case Place::AreaEnd: code(v, area_.endCode); break;
    case Place::AreaKey: code(v, area_.keyVersion); break;
    case Place::ServiceCode: code(v, service_.code); break;
    case Place::ServiceKey: code(v, service_.keyVersion); break;
    case Place::BlockItem: {
        Block b{};
        if (hex(v, b)) service_.blocks.push_back(b);
        break;
    }
    default: return other();
    }
    return true;
}

bool ImageReader::integer(long long v, bool fits) {
    elementBegins();
    switch (place()) {
    case Place::Version:
        if (!fits || v != 1) wrong("version", "expected 1");
        return true;
    case Place::MaxBlocks:
        if (!fits || v < 1 || v > static_cast<long long>(kMaxBlocksPerFrame))
            wrong("maxBlocksPerRead", "expected a whole number from 1 to 15");
        else
            card_.maxBlocksPerRead = static_cast<int>(v);
        return true;
    default: return other();
    }
}

// A value of a type its place does not take (or in a place that takes none),
// its element already counted.
bool ImageReader::other() {
    switch (place()) {
    case Place::TopLevel: wrong("(top level)", "expected an object"); break;
    case Place::Format: wrong("format", "expected \"kuvora-card-image\""); break;
    case Place::Version: wrong("version", "expected 1"); break;
    case Place::MaxBlocks: wrong("maxBlocksPerRead", "expected a whole number from 1 to 15"); break;
    case Place::Idm: case Place::Pmm: case Place::SystemCode: case Place::SystemIdm: case Place::AreaCode:
    case Place::AreaEnd: case Place::AreaKey: case Place::ServiceCode: case Place::ServiceKey:
    case Place::BlockItem: wrong(here(), "expected a string of hex digits"); break;
    case Place::SystemsList: wrong("systems", "expected a non-empty array"); break;
    case Place::AreaList: wrong(here(), "expected an array"); break;
    case Place::ServiceList: wrong(here(), "expected an array"); break;
    case Place::BlockList: wrong(here(), "expected an array of blocks"); break;
    case Place::AreaItem: wrong(here(), "expected an area code or an object"); break;
    case Place::SystemItem: case Place::ServiceItem: wrong(here(), "expected an object"); break;
    case Place::Ignored: break;
    }
    return true;
}

bool ImageReader::start_object(std::size_t) {
    elementBegins();
    switch (place()) {
    case Place::TopLevel:
        topLevel_ = true;
        return push(Kind::Root, false);
    case Place::SystemItem:
        system_ = {};
        systemAreas_ = false;
        seenAreas_.clear();
        seenServices_.clear();
        return push(Kind::System, false);
    case Place::AreaItem:
        area_ = {};
        return push(Kind::Area, false);
    case Place::ServiceItem:
        service_ = {};
        return push(Kind::Service, false);
    default:
        other();
        return push(Kind::Skip, false);
    }
}

bool ImageReader::start_array(std::size_t) {
    elementBegins();
    const Place p = place();
    if (p == Place::SystemsList || p == Place::AreaList || p == Place::ServiceList || p == Place::BlockList) {
        if (p == Place::AreaList) systemAreas_ = true;
        if (p == Place::BlockList) service_.hasBlocks = true;
        return push(p == Place::SystemsList   ? Kind::Systems
                    : p == Place::AreaList    ? Kind::Areas
                    : p == Place::ServiceList ? Kind::Services
                                              : Kind::Blocks,
                    true);
    }
    other();
    return push(Kind::Skip, true);
}

bool ImageReader::key(std::string& k) {
    Frame& f = frames_.back();
    if (std::find(f.keys.begin(), f.keys.end(), k) != f.keys.end()) {
        if (!duplicate_) duplicate_ = FieldError{join(path(frames_.size() - 1), k), "duplicate field"};
    } else {
        f.keys.push_back(k);
    }
    f.key = k;
    static const std::vector<std::string_view> rootKeys{"format", "version", "idm", "pmm", "maxBlocksPerRead",
                                                        "systems"};
    static const std::vector<std::string_view> systemKeys{"code", "idm", "areas", "services"};
    static const std::vector<std::string_view> areaKeys{"code", "end", "keyVersion"};
    static const std::vector<std::string_view> serviceKeys{"code", "keyVersion", "blocks"};
    const std::vector<std::string_view>* known = f.kind == Kind::Root      ? &rootKeys
                                                 : f.kind == Kind::System  ? &systemKeys
                                                 : f.kind == Kind::Area    ? &areaKeys
                                                 : f.kind == Kind::Service ? &serviceKeys
                                                                           : nullptr;
    if (known && std::find(known->begin(), known->end(), k) == known->end()) wrong(here(), "unknown field");
    return true;
}

bool ImageReader::end_object() {
    const Kind kind = frames_.back().kind;
    // The object's own place, made only for a message.
    auto at = [this] { return path(frames_.size() - 1); };
    auto missing = [&](const char* key) { wrong(join(at(), key), "missing"); };
    switch (kind) {
    case Kind::Root:
        if (!has("format")) missing("format");
        if (!has("version")) missing("version");
        if (!has("idm")) missing("idm");
        if (!has("pmm")) missing("pmm");
        if (!has("systems")) missing("systems");
        break;
    case Kind::System:
        if (!has("code")) missing("code");
        if (!has("services")) missing("services");
        break;
    case Kind::Area:
        if (!has("code")) {
            missing("code");
            break;
        }
        if (!has("end")) area_.endCode = CardImage::defaultEndCode(area_.code);
        if (area_.endCode < area_.code) {
            wrong(join(at(), "end"), "end code lies before the area code");
            break;
        }
        if (std::find(seenAreas_.begin(), seenAreas_.end(), area_.code) != seenAreas_.end())
            wrong(at(), "duplicate area " + hex16(area_.code));
        seenAreas_.push_back(area_.code);
        system_.areas.push_back(area_);
        break;
    case Kind::Service:
        if (!has("code")) {
            missing("code");
            break;
        }
        if (std::find(seenServices_.begin(), seenServices_.end(), service_.code) != seenServices_.end())
            wrong(at(), "duplicate service " + hex16(service_.code));
        seenServices_.push_back(service_.code);
        system_.services.push_back(std::move(service_));
        break;
    default: break;
    }
    frames_.pop_back();
    if (kind == Kind::System) systemEnds();
    return true;
}

void ImageReader::systemEnds() {
    // Its place is systems[i].
    if (!systemAreas_) system_.areas.push_back({0x0000, 0xFFFF, 0x0000});
    if (system_.areas.size() + system_.services.size() > 0xFFFF) wrong(here(), "too many areas and services");
    for (const SystemImage& s : card_.systems)
        if (s.code == system_.code) wrong(here() + ".code", "duplicate system " + toHex(system_.code));
    card_.systems.push_back(std::move(system_));
}

bool ImageReader::end_array() {
    const Frame f = std::move(frames_.back());
    frames_.pop_back();
    const std::size_t count = static_cast<std::size_t>(f.index + 1);
    if (f.kind == Kind::Systems) {
        if (count == 0) wrong("systems", "expected a non-empty array");
        if (count > kMaxSystems) wrong("systems", "more than 16 systems");
    } else if (f.kind == Kind::Blocks && count > 0x10000) {
        wrong(here(), "more than 65536 blocks");
    }
    return true;
}

std::optional<CardImage> ImageReader::result(bool parsed, std::string& error) {
    if (duplicate_) {
        error = duplicate_->field + ": " + duplicate_->problem;
    } else if (!parsed) {
        error = "not valid JSON (" + syntax_ + ")";
    } else if (wrong_) {
        error = wrong_->field + ": " + wrong_->problem;
    } else if (!topLevel_) {
        error = "(top level): expected an object";
    } else {
        for (SystemImage& s : card_.systems)
            if (!s.ownIdm) s.idm = card_.idm;
        return std::move(card_);
    }
    return std::nullopt;
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
    ImageReader reader;
    try {
        const bool parsed = Json::sax_parse(text.begin(), text.end(), &reader);
        std::optional<CardImage> card = reader.result(parsed, error);
        if (!card) error = source + ": " + error;
        return card;
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
        case Status::CannotOpen:
            error = path + ": cannot open the card image file (" + platform::errorReason(read.error) + ")";
            break;
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
