// The FeliCa library: C-style functions over a FeliCa reader/writer.
//
// Every function returns a one-byte boolean (nonzero = success). Records are
// passed by pointer and point into caller buffers. A system code travels as
// its two bytes in transmission order (Suica: 00 03); a service or area code
// low byte first (0x090F: 0F 09).
//
// The library talks to one reader at a time, chosen by name with
// set_reader_writer_name() before open_reader_writer_auto():
//   "auto"             (the default) the first reader found: the route that
//                      answered last in this process, then PC/SC, an RC-S380
//                      on USB, libnfc
//   "pcsc"             the first PC/SC reader that speaks FeliCa (pcsc-lite)
//   "pcsc:NAME"        the PC/SC reader of that name
//   "usb"              the first RC-S380 on USB (libusb-1.0)
//   "usb:BUS:ADDRESS"  the RC-S380 at that bus and address, e.g. usb:001:004
//   "nfc"              the first reader/writer libnfc finds
//   "nfc:CONNSTRING"   a libnfc connection string
//   "image:PATH"       the virtual reader with the card of a card image file
// Plain C++, no Qt.
#pragma once

#include <cstdint>

using FelicaBool = std::uint8_t;

// Polling request: the system code to poll (2 bytes, transmission order,
// FF acts as a wildcard byte) and the time slot number.
struct PollingRecord {
    std::uint8_t* systemCode;
    std::uint8_t timeSlot;
};

// Where a poll writes the card's IDm (8 bytes) and PMm (8 bytes).
struct CardRecord {
    std::uint8_t* idm;
    std::uint8_t* pmm;
};

// Request Service: the IDm the request is meant for, and the node codes
// (areas or services, 2 bytes each, low byte first). 1..32 nodes.
struct RequestServiceRecord {
    std::uint8_t* idm;
    std::uint8_t serviceCount;
    std::uint8_t* serviceCodeList;
};

// Request Service answer: the number of nodes answered, and their key
// versions (2 bytes each, FF FF for a node the card lacks).
struct RequestServiceResponse {
    std::uint8_t* serviceCount;
    std::uint8_t* keyVersionList;
};

// Read Without Encryption: the IDm, the service list (1..16 services, 2 bytes
// each, low byte first) and the block list of 2-byte elements
// (0x80 | service index, block number).
struct ReadBlockRecord {
    std::uint8_t* idm;
    std::uint8_t serviceCount;
    std::uint8_t* serviceCodeList;
    std::uint8_t blockCount;
    std::uint8_t* blockList;
};

// Read answer: the status flags of the last command sent, the number of
// blocks read and the data, 16 bytes per block in block-list order. The data
// buffer is written only when the whole read succeeded.
struct ReadBlockResponse {
    std::uint8_t* statusFlag1;
    std::uint8_t* statusFlag2;
    std::uint8_t* blockCount;
    std::uint8_t* blockData;
};

// Request System Code: idm receives the IDm of the card that answered.
struct SystemCodeRequest {
    std::uint8_t* idm;
};

// Request System Code answer: up to 16 system codes (2 bytes each,
// transmission order), so systemCodeList must hold 32 bytes.
struct SystemCodeResponse {
    std::uint8_t systemCodeCount;
    std::uint8_t* systemCodeList;
};

// Search Service Code: the sizes in bytes of the caller's service and area
// buffers (the end-code buffer has the size of the area buffer), and the
// index to start searching from.
struct SearchServiceRecord {
    std::uint32_t serviceBufferSize;
    std::uint32_t areaBufferSize;
    std::uint16_t startIndex;
};

// Search Service Code answer: services and areas in card order, 2 bytes each,
// low byte first; endCodeList holds the end service code of each area.
struct SearchServiceResponse {
    std::uint32_t serviceCount;
    std::uint8_t* serviceCodeList;
    std::uint32_t areaCount;
    std::uint8_t* areaCodeList;
    std::uint8_t* endCodeList;
};

// Error numbers reported by get_last_error_type.
enum FelicaError : int {
    FELICA_ERROR_NONE = 0,
    FELICA_ERROR_NOT_INITIALIZED = 1,
    FELICA_ERROR_READER_NOT_FOUND = 2,
    FELICA_ERROR_READER_NOT_OPEN = 3,
    FELICA_ERROR_NO_CARD = 4,
    FELICA_ERROR_NO_ANSWER = 5,
    FELICA_ERROR_MALFORMED_ANSWER = 6,
    FELICA_ERROR_CARD_STATUS = 7,
    FELICA_ERROR_INVALID_ARGUMENT = 8,
    FELICA_ERROR_DEVICE = 9,
    FELICA_ERROR_BUFFER_TOO_SMALL = 10,
    FELICA_ERROR_IDM_MISMATCH = 11,
};

// Initialisation is counted: every holder initialises once and disposes once;
// the library is torn down when the last holder disposes.
FelicaBool initialize_library();
FelicaBool dispose_library();

// Chooses the reader that open_reader_writer_auto opens (see above).
FelicaBool set_reader_writer_name(const char* name);

FelicaBool open_reader_writer_auto();
// Closing a reader that is not open succeeds.
FelicaBool close_reader_writer();

// How many times a command is repeated when the card does not answer.
FelicaBool set_retry_count(int count);
// With the flag set, a poll made for a request must find the card whose IDm
// the request names.
FelicaBool set_check_idm_flag(int flag);

FelicaBool polling_and_get_card_information(PollingRecord* polling, std::uint8_t* cardCount,
                                            CardRecord* card);
FelicaBool polling_and_request_service(PollingRecord* polling, RequestServiceRecord* request,
                                       CardRecord* card, RequestServiceResponse* response);
FelicaBool read_block_without_encryption(ReadBlockRecord* request, ReadBlockResponse* response);
FelicaBool polling_and_request_system_code(PollingRecord* polling, SystemCodeRequest* request,
                                           CardRecord* card, SystemCodeResponse* response);
FelicaBool polling_and_search_service_code(PollingRecord* polling, SearchServiceRecord* search,
                                           CardRecord* card, SearchServiceResponse* response);

FelicaBool get_last_error_type(int* error);
// Zero-terminated texts in a caller buffer of 256 bytes.
FelicaBool get_version_information(char* buffer);
FelicaBool get_copyright_information(char* buffer);
