// The FeliCa answer decoders over any answer. The first byte gives what the
// request asked for (request code, node and block counts, whether the IDm
// matches); the rest is the answer as the reader passed it on.
#include "frames.h"

#include <algorithm>
#include <cstdlib>

using namespace felica;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t asked = data[0];
    const std::span<const std::uint8_t> answer(data + 1, size - 1);
    // Mostly the IDm the answer echoes, so that decoding goes past the header.
    Idm idm{};
    if (!(asked & 0x80) && answer.size() >= 10) std::copy_n(answer.begin() + 2, 8, idm.begin());

    PollingAnswer polling;
    decodePolling(answer, asked & 1, polling);

    std::vector<std::uint16_t> keyVersions;
    const std::size_t nodes = asked % (kMaxRequestNodes + 1);
    if (decodeRequestService(answer, idm, nodes, keyVersions) == DecodeError::None &&
        keyVersions.size() != nodes)
        std::abort();

    ReadAnswer read;
    const std::size_t blocks = (asked >> 1) % (kMaxBlocksPerFrame + 1);
    if (decodeReadWithoutEncryption(answer, idm, blocks, read) == DecodeError::None &&
        read.blocks.size() != blocks)
        std::abort();

    SearchAnswer search;
    decodeSearchServiceCode(answer, idm, search);
    std::vector<std::array<std::uint8_t, 2>> codes;
    decodeRequestSystemCode(answer, idm, codes);
    std::uint8_t mode = 0;
    const DecodeError e = decodeRequestResponse(answer, idm, mode);
    decodeErrorText(e);
    toHex(answer);
    return 0;
}
