#include "TestSupport.h"
#include "card_image.h"
#include "file_io.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

using felica::CardImage;
namespace fs = std::filesystem;

namespace {

const char* kGood = R"({
  "format": "kuvora-card-image", "version": 1,
  "idm": "0123456789abcdef", "pmm": "0120220427674EFF",
  "maxBlocksPerRead": 8,
  "systems": [
    { "code": "0003", "areas": ["0000", {"code": "1000", "end": "17FF", "keyVersion": "0001"}],
      "services": [
        { "code": "090F", "keyVersion": "0000", "blocks": ["00112233445566778899AABBCCDDEEFF"] },
        { "code": "1848", "keyVersion": "0100" } ] },
    { "code": "FE00", "idm": "1123456789ABCDEF", "services": [] } ]
})";

std::string errorOf(const std::string& text) {
    std::string error;
    EXPECT_FALSE(CardImage::parse(text, "bad.json", error));
    return error;
}

// kGood with one piece of text replaced.
std::string variant(const std::string& from, const std::string& to) {
    std::string s = kGood;
    const auto at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, from.size(), to);
}

}  // namespace

TEST(CardImage, ParsesEveryFieldAndDefaults) {
    std::string error;
    auto card = CardImage::parse(kGood, "good.json", error);
    ASSERT_TRUE(card) << error;
    EXPECT_EQ(card->idm[7], 0xEF);
    EXPECT_EQ(card->maxBlocksPerRead, 8);
    ASSERT_EQ(card->systems.size(), 2u);
    const auto& suica = card->systems[0];
    EXPECT_EQ(suica.code, (std::array<std::uint8_t, 2>{0x00, 0x03}));
    EXPECT_EQ(suica.idm, card->idm);  // no idm of its own: the card's
    ASSERT_EQ(suica.areas.size(), 2u);
    EXPECT_EQ(suica.areas[0].endCode, 0xFFFF);
    EXPECT_EQ(suica.areas[1].endCode, 0x17FF);
    EXPECT_EQ(suica.areas[1].keyVersion, 0x0001);
    EXPECT_TRUE(suica.services[0].readable());
    EXPECT_EQ(suica.services[0].blocks[0][15], 0xFF);
    EXPECT_FALSE(suica.services[1].readable());  // no blocks, and an attribute that needs a key
    EXPECT_EQ(suica.services[1].keyVersion, 0x0100);
    EXPECT_EQ(card->systems[1].idm[0], 0x11);
    EXPECT_EQ(card->systems[1].areas.size(), 1u);  // area 0000 when none is listed
}

TEST(CardImage, SavedImageReadsBackTheSame) {
    test::IsolatedHome home;
    std::string error;
    auto card = CardImage::parse(kGood, "good.json", error);
    ASSERT_TRUE(card);
    const std::string path = home.file("copy.json").toStdString();
    ASSERT_TRUE(card->save(path, error)) << error;
    auto again = CardImage::load(path, error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->toJson(), card->toJson());
    EXPECT_EQ(again->systems[1].idm, card->systems[1].idm);
    EXPECT_EQ(again->systems[0].areas[1].endCode, 0x17FF);
    EXPECT_EQ(again->maxBlocksPerRead, 8);
}

TEST(CardImage, MalformedFilesNameTheFileAndTheField) {
    EXPECT_EQ(errorOf("{ not json").rfind("bad.json: not valid JSON", 0), 0u);
    EXPECT_EQ(errorOf(variant("0123456789abcdef", "0123456789abcdeg")),
              "bad.json: idm: not a hex digit in \"0123456789abcdeg\"");
    EXPECT_EQ(errorOf(variant("0120220427674EFF", "0120")), "bad.json: pmm: expected 16 hex digits, found 4 characters");
    EXPECT_EQ(errorOf(variant("00112233445566778899AABBCCDDEEFF", "0011")),
              "bad.json: systems[0].services[0].blocks[0]: expected 32 hex digits, found 4 characters");
    EXPECT_EQ(errorOf(variant(R"("code": "1848")", R"("code": "090F")")),
              "bad.json: systems[0].services[1]: duplicate service 090F");
    EXPECT_EQ(errorOf(variant(R"("code": "FE00")", R"("code": "0003")")),
              "bad.json: systems[1].code: duplicate system 0003");
    EXPECT_EQ(errorOf(variant(R"("idm": "0123456789abcdef",)", "")), "bad.json: idm: missing");
    EXPECT_EQ(errorOf(variant(R"({ "code": "1848", "keyVersion": "0100" })", R"({ "keyVersion": "0100" })")),
              "bad.json: systems[0].services[1].code: missing");
    EXPECT_EQ(errorOf(variant(R"("version": 1)", R"("version": 2)")), "bad.json: version: expected 1");
    EXPECT_EQ(errorOf(variant("kuvora-card-image", "other")), "bad.json: format: expected \"kuvora-card-image\"");
    EXPECT_EQ(errorOf(variant(R"("maxBlocksPerRead": 8)", R"("maxBlocksPerRead": 0)")),
              "bad.json: maxBlocksPerRead: expected a whole number from 1 to 15");
    EXPECT_EQ(errorOf(variant(R"("keyVersion": "0100")", R"("keyVersion": "0100", "blcks": [])")),
              "bad.json: systems[0].services[1].blcks: unknown field");
    EXPECT_EQ(errorOf(variant(R"("services": [])", R"("services": 5)")), "bad.json: systems[1].services: expected an array");
    EXPECT_EQ(errorOf("[]"), "bad.json: (top level): expected an object");
    // Values of the wrong type are counted in their array, and what an
    // unknown field holds is passed over whole.
    EXPECT_EQ(errorOf(variant(R"("areas": ["0000", )", R"("areas": [null, "0000", )")),
              "bad.json: systems[0].areas[0]: expected an area code or an object");
    EXPECT_EQ(errorOf(variant(R"("blocks": ["0011)", R"("blocks": [[], true, "0011)")),
              "bad.json: systems[0].services[0].blocks[0]: expected a string of hex digits");
    EXPECT_EQ(errorOf(variant(R"({ "code": "FE00")", R"("x", { "code": "FE00")")),
              "bad.json: systems[1]: expected an object");
    EXPECT_EQ(errorOf(variant(R"("end": "17FF")", R"("end": "0FFF")")),
              "bad.json: systems[0].areas[1].end: end code lies before the area code");
    EXPECT_EQ(errorOf(variant(R"("version": 1,)", R"("version": 1, "note": {"a": [1, {"b": 2}]},)")),
              "bad.json: note: unknown field");
    EXPECT_EQ(errorOf(variant(R"("version": 1,)", R"("version": 1, "note": [{"b": 1, "b": 2}],)")),
              "bad.json: note[0].b: duplicate field");
}

TEST(CardImage, MissingFileIsReported) {
    std::string error;
    EXPECT_FALSE(CardImage::load("/nonexistent/card.json", error));
    EXPECT_EQ(error, "/nonexistent/card.json: cannot open the card image file (No such file or directory)");
}

TEST(CardImage, NumbersNoDoubleHoldsAndStrayBytesAreRefusedNotThrown) {
    // Numbers beyond a double made the parser throw past the error handling.
    for (const std::string& text : {std::string("[1e309]"), variant(R"("maxBlocksPerRead": 8)", R"("maxBlocksPerRead": 1e400)"),
                                    variant("[\"0000\"", "[-1e999, \"0000\"")})
        EXPECT_EQ(errorOf(text).rfind("bad.json: not valid JSON (", 0), 0u) << text;
    // The parser stops at a NUL byte: what follows it must not slip through.
    EXPECT_EQ(errorOf(std::string(kGood) + std::string("\0junk", 5)),
              "bad.json: not valid JSON (a NUL byte at offset " + std::to_string(std::string(kGood).size()) + ")");
    EXPECT_EQ(errorOf(std::string(kGood) + " {}").rfind("bad.json: not valid JSON (", 0), 0u);
    // Brackets nested past any card image end the reading, however many follow.
    EXPECT_EQ(errorOf(variant(R"("version": 1,)", R"("version": 1, "note": )" + std::string(99, '[') +
                                                     std::string(99, ']') + ",")),
              "bad.json: note: unknown field");
    EXPECT_EQ(errorOf(variant(R"("version": 1,)", R"("version": 1, "note": )" + std::string(100000, '['))),
              "bad.json: not valid JSON (nested deeper than 100 levels)");
    // A field given twice is refused wherever it stands, not taken as the last one.
    EXPECT_EQ(errorOf(variant(R"("version": 1,)", R"("version": 1, "idm": "0000000000000000",)")),
              "bad.json: idm: duplicate field");
    EXPECT_EQ(errorOf(variant(R"("keyVersion": "0100")", R"("keyVersion": "0100", "keyVersion": "0000")")),
              "bad.json: systems[0].services[1].keyVersion: duplicate field");
}

TEST(CardImage, OnlyRegularFilesAreRead) {
    test::IsolatedHome home;
    std::string error;
    const std::string dir = home.path().toStdString();
    EXPECT_FALSE(CardImage::load(dir, error));
    EXPECT_EQ(error, dir + ": not a regular file (a directory)");
    EXPECT_FALSE(CardImage::load("", error));
    EXPECT_EQ(error, "the card image path is empty");
    // Neither an endless device nor a FIFO without a writer holds the load.
    EXPECT_FALSE(CardImage::load("/dev/zero", error));
    EXPECT_EQ(error, "/dev/zero: not a regular file (a character device)");
    const std::string fifo = dir + "/fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(CardImage::load(fifo, error));
    EXPECT_EQ(error, fifo + ": not a regular file (a FIFO)");
    // The limit counts bytes: one byte more than it is too large.
    const std::string big = dir + "/big.json";
    std::ofstream(big) << std::string(CardImage::kMaxFileSize + 1, ' ');
    EXPECT_FALSE(CardImage::load(big, error));
    EXPECT_EQ(error, big + ": not a card image (file too large)");
}

TEST(CardImage, SaveWritesThroughLinksAndNeverReplacesADevice) {
    test::IsolatedHome home;
    std::string error;
    auto card = CardImage::parse(kGood, "good.json", error);
    ASSERT_TRUE(card);
    const fs::path dir = home.path().toStdString();
    std::ofstream(dir / "real.json") << "old";
    fs::permissions(dir / "real.json", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.json", dir / "link.json");
    fs::create_symlink(dir / "new.json", dir / "dangling.json");
    ASSERT_TRUE(card->save(dir / "link.json", error)) << error;
    ASSERT_TRUE(card->save(dir / "dangling.json", error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir / "link.json"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.json"));
    for (const char* name : {"real.json", "new.json"}) {
        auto again = CardImage::load(dir / name, error);
        ASSERT_TRUE(again) << error;
        EXPECT_EQ(again->toJson(), card->toJson());
    }
    EXPECT_EQ(fs::status(dir / "real.json").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A device, straight or through a link, and a directory are refused and
    // stay what they are (the tests run as root, who could replace them).
    fs::create_symlink("/dev/full", dir / "full.json");
    EXPECT_FALSE(card->save("/dev/full", error));
    EXPECT_EQ(error, "/dev/full: not a regular file (a character device)");
    EXPECT_FALSE(card->save(dir / "full.json", error));
    EXPECT_EQ(error, (dir / "full.json").string() + ": leads to /dev/full, which is not a regular file (a character device)");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    fs::create_directory(dir / "folder.json");
    EXPECT_FALSE(card->save(dir / "folder.json", error));
    EXPECT_TRUE(fs::is_directory(dir / "folder.json"));
    // No temporary file is left behind.
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().filename().string().find(".kuvora-"), std::string::npos) << e.path();
}

// The reader sizes its reads by the size on disk: every size around the
// chunk it reads past that size gives the file whole, and the limit still
// counts the bytes read, also for a file whose size on disk says nothing.
TEST(ReadRegularFile, ReadsEverySizeWholeAndCountsTheLimit) {
    test::IsolatedHome home;
    const std::string dir = home.path().toStdString();
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{3221}, std::size_t{4096},
                                   std::size_t{65535}, std::size_t{65536}, std::size_t{65537},
                                   std::size_t{200001}}) {
        SCOPED_TRACE(size);
        std::string content(size, '\0');
        for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>('a' + i % 23);
        const std::string path = dir + "/f" + std::to_string(size);
        std::ofstream(path, std::ios::binary) << content;
        std::string bytes = "old";
        EXPECT_TRUE(platform::readRegularFile(path, size, bytes).ok());
        EXPECT_EQ(bytes, content);
        EXPECT_TRUE(platform::readRegularFile(path, size + 70000, bytes).ok());
        EXPECT_EQ(bytes, content);
        if (size > 0) {
            EXPECT_EQ(platform::readRegularFile(path, size - 1, bytes).status,
                      platform::ReadResult::Status::TooLarge);
            EXPECT_TRUE(bytes.empty());
        }
    }
    // /proc files report a size of 0 and have content.
    std::string bytes;
    ASSERT_TRUE(platform::readRegularFile("/proc/self/status", 1 << 20, bytes).ok());
    EXPECT_NE(bytes.find("Name:"), std::string::npos);
    EXPECT_EQ(platform::readRegularFile("/proc/self/status", 4, bytes).status, platform::ReadResult::Status::TooLarge);
}
