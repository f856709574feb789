// A PN532 reader chip on a pseudo-terminal, for the tests and for trying the
// programs without hardware. It speaks the chip's host protocol over the
// serial line well enough for libnfc's pn532_uart driver: wake-up,
// SAMConfiguration, Diagnose, GetFirmwareVersion, registers, RFConfiguration,
// InListPassiveTarget at FeliCa 212 and 424 kbit/s, InDataExchange,
// InCommunicateThru, InRelease and PowerDown. Behind the chip lies the card
// of a card image, answered by felica::VirtualCard.
//
// Runs on a thread of its own: start() it, hand readerName() to the program
// under test, and change the card's behaviour at any time.
#pragma once

#include "card_image.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace felica {
class VirtualCard;
}

namespace pn532 {

// Ways the chip's next replies can go wrong on the serial line.
enum class Garble {
    Checksum,   // the reply frame carries a wrong data checksum
    Noise,      // bytes that are no frame at all come instead of the reply
    Truncated,  // only the first half of the reply frame arrives
    ShortCard,  // a well-formed chip frame around a card answer cut short
                // (exchanges only)
};

struct EmulatorStats {
    std::size_t deviceOpens = 0;  // Diagnose communication tests: one per libnfc open
    std::size_t polls = 0;        // InListPassiveTarget commands
    std::size_t exchanges = 0;    // InDataExchange and InCommunicateThru commands
    std::size_t cardFrames = 0;   // frames a card in the field answered
    std::size_t badFrames = 0;    // host frames with a bad checksum
    std::size_t lineBytes = 0;    // bytes on the serial line, both ways
    std::uint8_t responseWait = 0x0A;  // fRetryTimeout of RFConfiguration item 2
    std::size_t responseWaitChanges = 0;
};

class Emulator {
public:
    explicit Emulator(felica::CardImage card);
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    // Opens the pseudo-terminal and starts serving it.
    bool start(std::string& error);
    // Stops serving and closes the pseudo-terminal.
    void stop();
    // The serial device, e.g. "/dev/pts/4", and the reader name for it.
    std::string devicePath() const;
    std::string readerName() const;

    void setCard(felica::CardImage card);
    void liftCard();
    void placeCard();
    // The card answers `frames` more frames, then it is lifted.
    void liftAfter(std::size_t frames);
    // How long the card takes for each answer. An answer slower than the
    // chip's response wait becomes the chip's timeout status; a poll answer
    // slower than kPollWindow is no answer.
    void setCardDelay(std::chrono::milliseconds delay);
    // How long the chip spends on each polling try that finds no card.
    void setAbsentPollTime(std::chrono::milliseconds perTry);
    // The next `replies` replies that carry a card's answer go wrong.
    void garble(Garble kind, std::size_t replies = 1);
    // A silent chip takes frames and never answers (no ACK either).
    void setSilent(bool silent);
    // The chip loses power and comes back asleep: it ignores frames until a
    // host wakes it (as libnfc does when it opens the device).
    void powerCycle();
    // Closes the pseudo-terminal: the reader disappears.
    void disconnect();
    // At which bit rates the card answers (both by default).
    void setBitRates(bool at212, bool at424);

    EmulatorStats stats() const;
    void resetStats();

    // Takes bytes as they arrive on the serial line and answers every
    // complete frame among them. The serving thread feeds it; without a
    // pseudo-terminal (no start()) the replies go nowhere and come at once.
    void receive(const std::uint8_t* bytes, std::size_t size);

    static constexpr std::chrono::milliseconds kPollWindow{50};

private:
    struct Reply;
    void serve();
    std::optional<std::vector<std::uint8_t>> nextFrame();
    void handle(const std::vector<std::uint8_t>& frame);
    Reply poll(const std::vector<std::uint8_t>& data);
    Reply exchange(std::uint8_t replyCode, const std::uint8_t* frame, std::size_t size);
    std::optional<std::vector<std::uint8_t>> cardAnswer(const std::uint8_t* frame, std::size_t size);
    void sleepFor(std::chrono::milliseconds d);
    void writeAll(const std::vector<std::uint8_t>& bytes);
    void closeFds();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    felica::CardImage image_;
    std::unique_ptr<felica::VirtualCard> card_;
    bool present_ = true;
    std::optional<std::size_t> liftAfter_;
    std::chrono::milliseconds cardDelay_{0};
    std::chrono::milliseconds absentPollTime_{0};
    std::optional<Garble> garble_;
    std::size_t garbleCount_ = 0;
    bool silent_ = false;
    bool asleep_ = false;
    bool at212_ = true, at424_ = true;

    // The chip.
    std::uint8_t registers_[0x10000] = {};
    bool fieldOn_ = false;
    int rfMode_ = 0;  // 0 no FeliCa, 1 at 212, 2 at 424 kbit/s
    bool targetSelected_ = false;
    std::uint8_t passiveRetries_ = 0xFF;
    EmulatorStats stats_;

    int master_ = -1;
    int slave_ = -1;  // held open so that the line stays up between clients
    int wakePipe_[2] = {-1, -1};
    std::string path_;
    std::vector<std::uint8_t> in_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

}  // namespace pn532
