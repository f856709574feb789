#include "CommandIcons.h"

#include <QDir>
#include <QImage>
#include <QSvgRenderer>

#include <gtest/gtest.h>

namespace {

const int kToolBar[] = {
#include "toolbar_table.inc"
};

int OpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 128;
    return count;
}

}  // namespace

TEST(CommandIcons, EveryToolBarCommandHasItsOwnImage) {
    std::vector<QImage> images;
    for (int id : kToolBar) {
        if (id == 0) continue;
        const QIcon icon = CommandIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        const QPixmap pm = icon.pixmap(QSize(16, 15));
        EXPECT_EQ(pm.size(), QSize(16, 15)) << id;
        const QImage image = pm.toImage();
        EXPECT_GT(OpaquePixels(image), 30) << id << " draws (almost) nothing";
        for (size_t i = 0; i < images.size(); ++i) EXPECT_NE(images[i], image) << id << " looks like another";
        images.push_back(image);
        // In a 16 × 16 menu slot the image keeps its own size; larger sizes scale.
        EXPECT_EQ(icon.actualSize(QSize(16, 16)), QSize(16, 15));
        EXPECT_EQ(icon.pixmap(QSize(32, 32)).size(), QSize(32, 30));
        EXPECT_NE(icon.pixmap(QSize(16, 15), QIcon::Disabled).toImage(), image) << id;
    }
    EXPECT_EQ(images.size(), 10u);
}

TEST(CommandIcons, OtherCommandsHaveNone) {
    for (int id : {0, -1, 32800, 57600, 57609, 57665, 59392}) EXPECT_TRUE(CommandIcon(id).isNull()) << id;
}

TEST(CommandIcons, TheApplicationIconScales) {
    const QIcon icon = KuvoraAppIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 32, 48, 128, 256}) {
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_GT(OpaquePixels(image), size * size / 2) << size;
    }
}

TEST(CommandIcons, EveryIconFileIsAValidDrawing) {
    const QDir dir(QStringLiteral(KUVORA_SOURCE_DIR "/resources/icons"));
    const QStringList files = dir.entryList({"*.svg"}, QDir::Files);
    EXPECT_EQ(files.size(), 11);
    for (const QString& file : files) {
        QSvgRenderer renderer(dir.filePath(file));
        EXPECT_TRUE(renderer.isValid()) << file.toStdString();
        if (file != "kuvora.svg") {
            EXPECT_EQ(renderer.defaultSize(), QSize(16, 15)) << file.toStdString();
        }
    }
}
