#include "pn532_emulator.h"

#include "virtual_card.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace pn532 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Host-to-chip and chip-to-host frame identifiers.
constexpr std::uint8_t kHostTfi = 0xD4;
constexpr std::uint8_t kChipTfi = 0xD5;

namespace op {
constexpr std::uint8_t Diagnose = 0x00;
constexpr std::uint8_t GetFirmwareVersion = 0x02;
constexpr std::uint8_t GetGeneralStatus = 0x04;
constexpr std::uint8_t ReadRegister = 0x06;
constexpr std::uint8_t WriteRegister = 0x08;
constexpr std::uint8_t SetParameters = 0x12;
constexpr std::uint8_t SAMConfiguration = 0x14;
constexpr std::uint8_t PowerDown = 0x16;
constexpr std::uint8_t RFConfiguration = 0x32;
constexpr std::uint8_t InDataExchange = 0x40;
constexpr std::uint8_t InCommunicateThru = 0x42;
constexpr std::uint8_t InDeselect = 0x44;
constexpr std::uint8_t InListPassiveTarget = 0x4A;
constexpr std::uint8_t InRelease = 0x52;
}  // namespace op

// Chip status bytes.
constexpr std::uint8_t kStatusOk = 0x00;
constexpr std::uint8_t kStatusTimeout = 0x01;
constexpr std::uint8_t kStatusWrongContext = 0x27;

const Bytes kAck{0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00};
const Bytes kErrorFrame{0x00, 0x00, 0xFF, 0x01, 0xFF, 0x7F, 0x81, 0x00};

Bytes buildFrame(std::uint8_t code, const Bytes& data) {
    const std::size_t len = data.size() + 2;  // TFI and code
    Bytes f{0x00, 0x00, 0xFF};
    if (len > 255) {
        f.push_back(0xFF);
        f.push_back(0xFF);
        f.push_back(static_cast<std::uint8_t>(len >> 8));
        f.push_back(static_cast<std::uint8_t>(len & 0xFF));
        f.push_back(static_cast<std::uint8_t>(-static_cast<int>((len >> 8) + (len & 0xFF))));
    } else {
        f.push_back(static_cast<std::uint8_t>(len));
        f.push_back(static_cast<std::uint8_t>(-static_cast<int>(len)));
    }
    std::uint8_t sum = kChipTfi + code;
    f.push_back(kChipTfi);
    f.push_back(code);
    for (std::uint8_t b : data) {
        f.push_back(b);
        sum = static_cast<std::uint8_t>(sum + b);
    }
    f.push_back(static_cast<std::uint8_t>(-sum));
    f.push_back(0x00);
    return f;
}

// Response wait step c lasts 100 us x 2^(c-1); 0 waits for ever.
std::optional<std::chrono::microseconds> responseWait(std::uint8_t code) {
    if (code == 0) return std::nullopt;
    return std::chrono::microseconds(100LL << std::min<int>(code - 1, 20));
}

}  // namespace

struct Emulator::Reply {
    bool send = true;                 // false: the chip stays quiet
    std::chrono::milliseconds delay{0};
    std::uint8_t code = 0;
    Bytes data;
    bool error = false;               // the chip's syntax-error frame
};

Emulator::Emulator(felica::CardImage card)
    : image_(std::move(card)), card_(std::make_unique<felica::VirtualCard>(image_)) {}

Emulator::~Emulator() { stop(); }

bool Emulator::start(std::string& error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        closeFds();
        return false;
    }
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        error = "cannot name the pseudo-terminal";
        closeFds();
        return false;
    }
    path_ = name;
    // Never blocks, so that stop() is never held up by a client that reads nothing.
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    termios t{};
    if (slave_ < 0 || ::tcgetattr(slave_, &t) != 0) {
        error = "cannot open " + path_ + ": " + std::strerror(errno);
        closeFds();
        return false;
    }
    // A serial line carries bytes as they are.
    ::cfmakeraw(&t);
    ::tcsetattr(slave_, TCSANOW, &t);
    if (::pipe(wakePipe_) != 0) {
        error = "cannot create a pipe";
        closeFds();
        return false;
    }
    stop_ = false;
    thread_ = std::thread([this] { serve(); });
    return true;
}

void Emulator::stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (wakePipe_[1] >= 0) {
        const char c = 0;
        [[maybe_unused]] auto n = ::write(wakePipe_[1], &c, 1);
    }
    if (thread_.joinable()) thread_.join();
    closeFds();
}

void Emulator::disconnect() { stop(); }

void Emulator::closeFds() {
    for (int* fd : {&master_, &slave_, &wakePipe_[0], &wakePipe_[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

std::string Emulator::devicePath() const { return path_; }
std::string Emulator::readerName() const { return "nfc:pn532_uart:" + path_; }

void Emulator::setCard(felica::CardImage card) {
    std::lock_guard lock(mutex_);
    image_ = std::move(card);
    card_ = std::make_unique<felica::VirtualCard>(image_);
}

void Emulator::liftCard() {
    std::lock_guard lock(mutex_);
    present_ = false;
    liftAfter_.reset();
}

void Emulator::placeCard() {
    std::lock_guard lock(mutex_);
    present_ = true;
    liftAfter_.reset();
    card_ = std::make_unique<felica::VirtualCard>(image_);  // a card placed anew starts afresh
}

void Emulator::liftAfter(std::size_t frames) {
    std::lock_guard lock(mutex_);
    liftAfter_ = frames;
    if (frames == 0) present_ = false;
}

void Emulator::setCardDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    cardDelay_ = delay;
}

void Emulator::setAbsentPollTime(std::chrono::milliseconds perTry) {
    std::lock_guard lock(mutex_);
    absentPollTime_ = perTry;
}

void Emulator::garble(Garble kind, std::size_t replies) {
    std::lock_guard lock(mutex_);
    garble_ = kind;
    garbleCount_ = replies;
}

void Emulator::setSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

void Emulator::powerCycle() {
    std::lock_guard lock(mutex_);
    asleep_ = true;
    fieldOn_ = false;
    rfMode_ = 0;
    targetSelected_ = false;
    stats_.responseWait = 0x0A;
    passiveRetries_ = 0xFF;
}

void Emulator::setBitRates(bool at212, bool at424) {
    std::lock_guard lock(mutex_);
    at212_ = at212;
    at424_ = at424;
}

EmulatorStats Emulator::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

void Emulator::resetStats() {
    std::lock_guard lock(mutex_);
    const std::uint8_t wait = stats_.responseWait;
    stats_ = {};
    stats_.responseWait = wait;
}

void Emulator::sleepFor(std::chrono::milliseconds d) {
    if (d.count() <= 0 || master_ < 0) return;
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, d, [this] { return stop_.load(); });
}

void Emulator::writeAll(const Bytes& bytes) {
    {
        std::lock_guard lock(mutex_);
        stats_.lineBytes += bytes.size();
    }
    std::size_t done = 0;
    while (done < bytes.size() && !stop_) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 50);
        } else {
            return;
        }
    }
}

void Emulator::serve() {
    std::uint8_t buf[512];
    while (!stop_) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        const int r = ::poll(fds, 2, 200);
        if (stop_) return;
        if (r < 0 && errno != EINTR) return;
        if (r <= 0 || !(fds[0].revents & POLLIN)) {
            // No client has the line open: wait for one without spinning.
            if (fds[0].revents & POLLHUP) ::poll(nullptr, 0, 20);
            continue;
        }
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) return;
            ::poll(nullptr, 0, 5);
            continue;
        }
        receive(buf, static_cast<std::size_t>(n));
    }
}

void Emulator::receive(const std::uint8_t* bytes, std::size_t size) {
    {
        std::lock_guard lock(mutex_);
        stats_.lineBytes += size;
    }
    in_.insert(in_.end(), bytes, bytes + size);
    while (auto frame = nextFrame()) handle(*frame);
}

// Takes the next complete host frame (code and data, without TFI) off the
// input, skipping wake-up bytes, ACKs and frames with bad checksums.
std::optional<Bytes> Emulator::nextFrame() {
    for (;;) {
        std::size_t start = 0;
        while (start + 1 < in_.size() && !(in_[start] == 0x00 && in_[start + 1] == 0xFF)) ++start;
        bool wakeUp = false;
        for (std::size_t i = 0; i < start; ++i) wakeUp = wakeUp || in_[i] == 0x55;
        if (wakeUp) {
            std::lock_guard lock(mutex_);
            asleep_ = false;
        }
        in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(start));
        if (in_.size() < 4) return std::nullopt;
        const std::uint8_t a = in_[2], b = in_[3];
        auto skip = [this](std::size_t n) { in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(std::min(n, in_.size()))); };
        auto bad = [&] {
            std::lock_guard lock(mutex_);
            ++stats_.badFrames;
        };
        if ((a == 0x00 && b == 0xFF) || (a == 0xFF && b == 0x00)) {  // ACK or NACK from the host
            skip(in_.size() >= 5 && in_[4] == 0x00 ? 5 : 4);
            continue;
        }
        std::size_t len = 0, body = 0;
        if (a == 0xFF && b == 0xFF) {
            if (in_.size() < 7) return std::nullopt;
            len = static_cast<std::size_t>(in_[4]) << 8 | in_[5];
            if (static_cast<std::uint8_t>(in_[4] + in_[5] + in_[6]) != 0) {
                bad();
                skip(2);
                continue;
            }
            body = 7;
        } else {
            if (static_cast<std::uint8_t>(a + b) != 0) {
                bad();
                skip(2);
                continue;
            }
            len = a;
            body = 4;
        }
        if (in_.size() < body + len + 1) return std::nullopt;
        std::uint8_t sum = in_[body + len];
        for (std::size_t i = 0; i < len; ++i) sum = static_cast<std::uint8_t>(sum + in_[body + i]);
        if (sum != 0 || len < 2 || in_[body] != kHostTfi) {
            bad();
            skip(2);
            continue;
        }
        Bytes frame(in_.begin() + static_cast<std::ptrdiff_t>(body + 1),
                    in_.begin() + static_cast<std::ptrdiff_t>(body + len));
        // The postamble may still be on its way; a stray 00 is skipped later.
        skip(body + len + (in_.size() > body + len + 1 ? 2 : 1));
        return frame;
    }
}

void Emulator::handle(const Bytes& frame) {
    const std::uint8_t code = frame[0];
    const Bytes data(frame.begin() + 1, frame.end());
    Reply r;
    {
        std::lock_guard lock(mutex_);
        if (silent_ || asleep_) return;
    }
    writeAll(kAck);
    r.code = static_cast<std::uint8_t>(code + 1);
    switch (code) {
    case op::Diagnose: {
        std::lock_guard lock(mutex_);
        if (!data.empty() && data[0] == 0x00) ++stats_.deviceOpens;
        r.data = data;  // the communication test answers what it was sent
        break;
    }
    case op::GetFirmwareVersion:
        r.data = {0x32, 0x01, 0x06, 0x07};  // PN532 v1.6, ISO14443A/B and ISO18092
        break;
    case op::GetGeneralStatus: {
        std::lock_guard lock(mutex_);
        r.data = {0x00, static_cast<std::uint8_t>(fieldOn_), static_cast<std::uint8_t>(targetSelected_), 0x80};
        break;
    }
    case op::ReadRegister: {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i + 1 < data.size(); i += 2) r.data.push_back(registers_[data[i] << 8 | data[i + 1]]);
        break;
    }
    case op::WriteRegister: {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i + 2 < data.size(); i += 3) registers_[data[i] << 8 | data[i + 1]] = data[i + 2];
        break;
    }
    case op::SetParameters:
    case op::SAMConfiguration:
        break;
    case op::PowerDown: {
        r.data = {kStatusOk};
        writeAll(buildFrame(r.code, r.data));
        std::lock_guard lock(mutex_);
        asleep_ = true;
        fieldOn_ = false;
        return;
    }
    case op::RFConfiguration: {
        std::lock_guard lock(mutex_);
        if (data.size() >= 2 && data[0] == 0x01) {
            const bool on = data[1] & 0x01;
            if (on && !fieldOn_) card_ = std::make_unique<felica::VirtualCard>(image_);  // powered up afresh
            fieldOn_ = on;
            if (!on) targetSelected_ = false;
        } else if (data.size() >= 4 && data[0] == 0x02) {
            stats_.responseWait = data[3];
            ++stats_.responseWaitChanges;
        } else if (data.size() >= 4 && data[0] == 0x05) {
            passiveRetries_ = data[3];
        }
        break;
    }
    case op::InListPassiveTarget:
        r = poll(data);
        break;
    case op::InDataExchange: {
        bool selected;
        {
            std::lock_guard lock(mutex_);
            selected = targetSelected_;
        }
        if (data.size() < 2 || data[0] != 0x01 || !selected) {
            r.data = {kStatusWrongContext};
            break;
        }
        r = exchange(r.code, data.data() + 1, data.size() - 1);
        break;
    }
    case op::InCommunicateThru:
        r = exchange(r.code, data.data(), data.size());
        break;
    case op::InRelease:
    case op::InDeselect: {
        std::lock_guard lock(mutex_);
        targetSelected_ = false;
        r.data = {kStatusOk};
        break;
    }
    default:
        r.error = true;
        break;
    }
    if (!r.send) return;
    sleepFor(r.delay);
    if (stop_) return;
    if (r.error) {
        writeAll(kErrorFrame);
        return;
    }
    const bool cardCarrying = code == op::InListPassiveTarget || code == op::InDataExchange ||
                              code == op::InCommunicateThru;
    Bytes out = buildFrame(r.code, r.data);
    std::optional<Garble> kind;
    {
        std::lock_guard lock(mutex_);
        const bool isExchange = code != op::InListPassiveTarget;
        if (cardCarrying && garbleCount_ > 0 && garble_ &&
            (*garble_ != Garble::ShortCard || (isExchange && r.data.size() > 4 && r.data[0] == kStatusOk))) {
            --garbleCount_;
            kind = garble_;
        }
    }
    if (kind == Garble::Checksum) {
        out[out.size() - 2] ^= 0x5A;
    } else if (kind == Garble::Noise) {
        out = {0x13, 0x37, 0xC0, 0xDE, 0x42, 0x99, 0xAB, 0xCD, 0x01, 0x02, 0x03};
    } else if (kind == Garble::Truncated) {
        out.resize(out.size() / 2);
    } else if (kind == Garble::ShortCard) {
        Bytes cut = r.data;
        cut.resize(cut.size() - 3);  // the card's LEN byte still promises the whole answer
        out = buildFrame(r.code, cut);
    }
    writeAll(out);
}

std::optional<Bytes> Emulator::cardAnswer(const std::uint8_t* frame, std::size_t size) {
    // Called with the lock held.
    if (!present_ || !fieldOn_) return std::nullopt;
    if ((rfMode_ == 1 && !at212_) || (rfMode_ == 2 && !at424_) || rfMode_ == 0) return std::nullopt;
    auto answer = card_->answer(std::span<const std::uint8_t>(frame, size));
    if (!answer) return std::nullopt;
    ++stats_.cardFrames;
    if (liftAfter_ && --*liftAfter_ == 0) {
        present_ = false;
        liftAfter_.reset();
    }
    return answer;
}

Emulator::Reply Emulator::poll(const Bytes& data) {
    Reply r;
    r.code = op::InListPassiveTarget + 1;
    std::lock_guard lock(mutex_);
    ++stats_.polls;
    targetSelected_ = false;
    const std::uint8_t rate = data.size() >= 2 ? data[1] : 0;
    rfMode_ = rate == 0x01 || rate == 0x02 ? rate : 0;
    const int tries = passiveRetries_ == 0xFF ? -1 : passiveRetries_ + 1;
    std::optional<Bytes> answer;
    // Only FeliCa cards lie here: other modulations find nothing.
    if (rfMode_ != 0 && data.size() == 7) {
        const Bytes polling{6, data[2], data[3], data[4], data[5], data[6]};
        if (cardDelay_ <= kPollWindow) answer = cardAnswer(polling.data(), polling.size());
    }
    if (!answer) {
        if (tries < 0) {
            // Told to poll for ever, the chip keeps at it: the host gives up first.
            r.send = false;
            return r;
        }
        r.delay = absentPollTime_ * tries;
        r.data = {0x00};
        return r;
    }
    targetSelected_ = true;
    r.delay = cardDelay_;
    r.data = {0x01, 0x01};
    r.data.insert(r.data.end(), answer->begin(), answer->end());
    return r;
}

Emulator::Reply Emulator::exchange(std::uint8_t replyCode, const std::uint8_t* frame, std::size_t size) {
    Reply r;
    r.code = replyCode;
    std::lock_guard lock(mutex_);
    ++stats_.exchanges;
    const auto wait = responseWait(stats_.responseWait);
    std::optional<Bytes> answer;
    if (size > 0) answer = cardAnswer(frame, size);
    if (answer && (!wait || cardDelay_ <= *wait)) {
        r.delay = cardDelay_;
        r.data = {kStatusOk};
        r.data.insert(r.data.end(), answer->begin(), answer->end());
        return r;
    }
    if (!wait) {
        r.send = false;  // waits for an answer that never comes
        return r;
    }
    // The chip gives up once its response wait is over.
    r.delay = std::chrono::ceil<std::chrono::milliseconds>(*wait);
    r.data = {kStatusTimeout};
    return r;
}

}  // namespace pn532
