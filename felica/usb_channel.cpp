// The bulk pipes of an RC-S380 through libusb-1.0: finding the device,
// taking its interface from the kernel driver, and giving it back.
#include "port100_transport.h"

#include <libusb.h>

#include <cstdio>

namespace felica {
namespace {

constexpr std::uint16_t kVendor = 0x054C;
constexpr std::uint16_t kProducts[] = {0x06C1, 0x06C3};
constexpr int kConfiguration = 1;
constexpr int kInterface = 0;

std::string usbName(libusb_device* d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "usb:%03u:%03u", libusb_get_bus_number(d), libusb_get_device_address(d));
    return buf;
}

// The product id of an RC-S380, or 0 for any other device.
std::uint16_t readerProduct(libusb_device* d) {
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(d, &desc) != 0 || desc.idVendor != kVendor) return 0;
    for (std::uint16_t p : kProducts)
        if (desc.idProduct == p) return p;
    return 0;
}

std::string usbError(int code) { return std::string(libusb_strerror(code)) + " (" + std::to_string(code) + ")"; }

class UsbChannel : public BulkChannel {
public:
    UsbChannel(libusb_context* context, libusb_device_handle* handle) : context_(context), handle_(handle) {}
    ~UsbChannel() override {
        if (claimed_) libusb_release_interface(handle_, kInterface);
        if (detached_) libusb_attach_kernel_driver(handle_, kInterface);
        if (handle_) libusb_close(handle_);
        libusb_exit(context_);
    }
    UsbChannel(const UsbChannel&) = delete;
    UsbChannel& operator=(const UsbChannel&) = delete;

    // Finds the bulk endpoints, takes the interface; "" or what went wrong.
    std::string claim() {
        libusb_device* device = libusb_get_device(handle_);
        libusb_config_descriptor* config = nullptr;
        int r = libusb_get_config_descriptor_by_value(device, kConfiguration, &config);
        if (r != 0) return "its configuration cannot be read: " + usbError(r);
        if (config->bNumInterfaces > kInterface && config->interface[kInterface].num_altsetting > 0) {
            const libusb_interface_descriptor& alt = config->interface[kInterface].altsetting[0];
            for (int i = 0; i < alt.bNumEndpoints; ++i) {
                const libusb_endpoint_descriptor& e = alt.endpoint[i];
                if ((e.bmAttributes & 0x03) != LIBUSB_TRANSFER_TYPE_BULK) continue;
                if ((e.bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0) {
                    if (!in_) in_ = e.bEndpointAddress;
                } else if (!out_) {
                    out_ = e.bEndpointAddress;
                    packet_ = e.wMaxPacketSize;
                }
            }
        }
        libusb_free_config_descriptor(config);
        if (!in_ || !out_) return "it has no bulk endpoints";
        // Setting the configuration that is already active resets the chip,
        // so it is set only when another is active.
        int active = 0;
        r = libusb_get_configuration(handle_, &active);
        if (r != 0) return "its configuration cannot be read: " + usbError(r);
        if (active != kConfiguration && (r = libusb_set_configuration(handle_, kConfiguration)) != 0)
            return "its configuration cannot be set: " + usbError(r);
        // The kernel's port100 driver holds the interface when it is loaded.
        if (libusb_kernel_driver_active(handle_, kInterface) == 1) {
            r = libusb_detach_kernel_driver(handle_, kInterface);
            if (r != 0) return "the kernel driver (port100) will not let it go: " + usbError(r);
            detached_ = true;
        }
        r = libusb_claim_interface(handle_, kInterface);
        if (r == LIBUSB_ERROR_BUSY) return "another program is using it";
        if (r != 0) return "its interface cannot be claimed: " + usbError(r);
        claimed_ = true;
        return {};
    }

    bool send(std::span<const std::uint8_t> data, std::chrono::milliseconds timeout) override {
        int done = 0;
        const int r = libusb_bulk_transfer(handle_, out_, const_cast<unsigned char*>(data.data()),
                                           static_cast<int>(data.size()), &done, timeoutOf(timeout));
        if (r != 0 || done != static_cast<int>(data.size())) return failed("writing", r ? r : LIBUSB_ERROR_IO);
        // A transfer that fills its last packet is ended by an empty one.
        if (packet_ && data.size() % packet_ == 0) {
            const int z = libusb_bulk_transfer(handle_, out_, nullptr, 0, &done, timeoutOf(timeout));
            if (z != 0) return failed("writing", z);
        }
        return true;
    }

    Status receive(Bytes& data, std::chrono::milliseconds timeout) override {
        data.assign(512, 0);
        int done = 0;
        const int r = libusb_bulk_transfer(handle_, in_, data.data(), static_cast<int>(data.size()), &done,
                                           timeoutOf(timeout));
        if (r == LIBUSB_ERROR_TIMEOUT) {
            data.clear();
            return Status::Timeout;
        }
        if (r != 0) {
            data.clear();
            failed("reading", r);
            return Status::Failed;
        }
        data.resize(static_cast<std::size_t>(done));
        return Status::Ok;
    }

    std::string failure() const override { return failure_; }

private:
    // libusb takes 0 as "no limit": every wait here has one.
    static unsigned timeoutOf(std::chrono::milliseconds t) {
        return static_cast<unsigned>(std::max<long long>(t.count(), 1));
    }
    bool failed(const char* during, int code) {
        failure_ = std::string("libusb: ") + during + ": " +
                   (code == LIBUSB_ERROR_NO_DEVICE ? "the reader/writer was unplugged" : usbError(code));
        return false;
    }

    libusb_context* context_;
    libusb_device_handle* handle_;
    unsigned char in_ = 0, out_ = 0;
    std::size_t packet_ = 0;
    bool claimed_ = false, detached_ = false;
    std::string failure_;
};

// Calls `each` with every RC-S380 until it returns true.
template <class F>
void forEachReader(libusb_context* context, F each) {
    libusb_device** list = nullptr;
    const ssize_t n = libusb_get_device_list(context, &list);
    for (ssize_t i = 0; i < n; ++i)
        if (readerProduct(list[i]) && each(list[i])) break;
    if (list) libusb_free_device_list(list, 1);
}

}  // namespace

std::vector<UsbReader> listUsbReaders() {
    std::vector<UsbReader> found;
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0) return found;
    forEachReader(context, [&](libusb_device* d) {
        char desc[96];
        std::snprintf(desc, sizeof desc, "RC-S380 (USB %04x:%04x) on bus %u, address %u", kVendor, readerProduct(d),
                      libusb_get_bus_number(d), libusb_get_device_address(d));
        found.push_back({usbName(d), desc});
        return false;
    });
    libusb_exit(context);
    return found;
}

std::unique_ptr<Transport> openUsbReader(const std::string& where, std::string& error) {
    unsigned bus = 0, address = 0;
    if (!where.empty() && std::sscanf(where.c_str(), "%u:%u", &bus, &address) != 2) {
        error = "\"" + where + "\" is no USB bus and address";
        return nullptr;
    }
    libusb_context* context = nullptr;
    if (const int r = libusb_init(&context); r != 0) {
        error = "libusb could not be initialised: " + usbError(r);
        return nullptr;
    }
    libusb_device* device = nullptr;
    forEachReader(context, [&](libusb_device* d) {
        if (!where.empty() && (libusb_get_bus_number(d) != bus || libusb_get_device_address(d) != address))
            return false;
        device = libusb_ref_device(d);
        return true;
    });
    if (!device) {
        libusb_exit(context);
        error = where.empty() ? "no RC-S380 reader/writer was found on USB (is one plugged in?)"
                              : "no RC-S380 reader/writer was found at USB bus " + std::to_string(bus) +
                                    ", address " + std::to_string(address) + " (is it plugged in, is the name right?)";
        return nullptr;
    }
    const std::string name = usbName(device);
    libusb_device_handle* handle = nullptr;
    const int r = libusb_open(device, &handle);
    libusb_unref_device(device);
    if (r != 0) {
        libusb_exit(context);
        error = "the RC-S380 at " + name + " cannot be opened: " + usbError(r);
        if (r == LIBUSB_ERROR_ACCESS) error += " (may this user use it? see the udev rule in docs/readers.md)";
        return nullptr;
    }
    auto channel = std::make_unique<UsbChannel>(context, handle);
    if (std::string why = channel->claim(); !why.empty()) {
        error = "the RC-S380 at " + name + " cannot be used: " + why;
        return nullptr;
    }
    return Port100Transport::open(std::move(channel), name, error);
}

}  // namespace felica
