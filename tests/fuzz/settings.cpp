// The settings readers over any settings file: every value read stays within
// its key's range, whatever the file holds (odd texts, numbers out of range,
// @Variant and @ByteArray values, lists, groups).
#include "CSettingsStore.h"
#include "FuzzScratch.h"

#include <QDir>
#include <QFile>

#include <filesystem>

// A @Variant value whose stored length is huge makes Qt's reader ask for
// gigabytes. The system refuses such a request and Qt copes (the value reads
// as invalid); ASan would abort instead, so here it is refused as well.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=512";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString path = [] {
        const QString folder = FuzzScratchFolder() + QStringLiteral("/config/Mirokaze");
        QDir().mkpath(folder);
        return folder + QStringLiteral("/Kuvora.conf");
    }();
    static const auto start = std::filesystem::file_time_type::clock::now();
    static int generation = 0;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    // A new time stamp for every input, so that no cached copy of the
    // previous file is taken for this one.
    std::filesystem::last_write_time(path.toStdString(),
                                     start + std::chrono::seconds(++generation));

    // Every getter is a number or a text reader with or without a range; one
    // of each kind is enough, and each read parses the file's state anew.
    const int width = settings::WindowWidth(), height = settings::WindowHeight();
    const int style = settings::MenuStyle(), port = settings::ServerPort();
    if (width < 100 || width > 16384 || height < 100 || height > 16384 || style < 0 || style > 5 ||
        port < 0 || port > 65535)
        std::abort();
    settings::ServerAddress();
    return 0;
}
