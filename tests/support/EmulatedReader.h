// A PN532 emulator serving a card image on a pseudo-terminal for one test.
#pragma once

#include "TestSupport.h"
#include "pn532_emulator.h"

#include <gtest/gtest.h>

namespace test {

inline felica::CardImage sampleCard(const char* name = "suica-sample.json") {
    std::string error;
    auto card = felica::CardImage::load(sourcePath(QStringLiteral("data/cards/") + name).toStdString(), error);
    if (!card) ADD_FAILURE() << error;
    return card ? *card : felica::CardImage{};
}

struct EmulatedReader {
    explicit EmulatedReader(felica::CardImage card = sampleCard()) : emu(std::move(card)) {
        std::string error;
        started = emu.start(error);
        EXPECT_TRUE(started) << error;
    }
    QString name() const { return QString::fromStdString(emu.readerName()); }

    pn532::Emulator emu;
    bool started = false;
};

}  // namespace test
