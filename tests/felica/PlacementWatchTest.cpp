// The watch for placed cards on a polled reader (a virtual reader standing
// in for libnfc or USB): each placement once, a card another command found
// counts as read, a reader that goes is said once, and a stop ends a wait
// at once.
#include "TestSupport.h"
#include "felica.h"
#include "library_control.h"
#include "read_idm.h"

#include <gtest/gtest.h>

#include <thread>

using namespace felica;
using namespace std::chrono_literals;

namespace {

// The library's view of a reader the test keeps.
class Borrowed : public Transport {
public:
    explicit Borrowed(std::shared_ptr<VirtualReader> r) : r_(std::move(r)) {}
    TransceiveStatus transceive(std::span<const std::uint8_t> c, std::vector<std::uint8_t>& a,
                                std::chrono::milliseconds timeout) override {
        return r_->transceive(c, a, timeout);
    }

private:
    std::shared_ptr<VirtualReader> r_;
};

}  // namespace

TEST(PlacementWatch, ReportsEachPlacementOnceAndWaitsForAReaderThatWent) {
    initialize_library();
    set_reader_writer_name("nfc");
    std::string error;
    const auto card = CardImage::load(test::sourcePath("data/cards/suica-sample.json").toStdString(), error);
    ASSERT_TRUE(card) << error;
    auto reader = std::make_shared<VirtualReader>(*card);
    bool available = true;
    setTransportFactory([&](const std::string&, std::string& error) -> std::unique_ptr<Transport> {
        if (!available) {
            error = "unplugged";
            return nullptr;
        }
        return std::make_unique<Borrowed>(reader);
    });
    PlacementWatch watch(10ms);
    using R = PlacementWatch::Result;
    const struct {
        const char* step;
        std::function<void()> act;
        R expected;
    } steps[] = {
        {"a card lies there", [] {}, R::Card},
        {"it stays", [] {}, R::TimedOut},
        {"it is lifted", [&] { reader->liftCard(); }, R::TimedOut},
        {"it is placed again", [&] { reader->placeCard(); }, R::Card},
        {"lifted, placed and read by another command",
         [&] {
             reader->liftCard();
             Idm idm{};
             EXPECT_EQ(watch.waitForNewCard(idm, 30ms), R::TimedOut);
             reader->placeCard();
             EXPECT_EQ(readCardIdm(idm), IdmRead::Ok);
         },
         R::TimedOut},
        {"the reader goes", [&] { available = false; }, R::NoReader},
        {"it stays away: said once", [] {}, R::TimedOut},
        {"it comes back with the card on it", [&] { available = true; }, R::Card},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        s.act();
        Idm idm{};
        // What is not reported within a few polls never is.
        EXPECT_EQ(watch.waitForNewCard(idm, s.expected == R::TimedOut ? 150ms : 3000ms), s.expected);
        if (s.expected == R::Card) {
            EXPECT_EQ(toHex(idm), "01010410C8192A3B");
        }
        if (s.expected == R::NoReader) {
            EXPECT_EQ(watch.reason(), "the reader/writer could not be opened: unplugged");
        }
    }

    // A stop ends a long wait at once.
    reader->liftCard();
    PlacementWatch slow(10s);
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(50ms);
        stop = true;
        slow.wake();
    });
    Idm idm{};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(slow.waitForNewCard(idm, -1ms, &stop), R::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    stopper.join();
    setTransportFactory({});
    dispose_library();
}
