#include "CommandIcons.h"

#include <QApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <memory>

namespace {

struct CommandImage {
    int id;
    const char* file;
};

constexpr CommandImage kImages[] = {
    {32771, "read.svg"},       {32790, "green-ticket.svg"}, {57604, "save-as.svg"},
    {32772, "settings.svg"},   {57634, "copy.svg"},         {32793, "read-aloud.svg"},
    {32794, "stop-reading.svg"}, {57607, "print.svg"},      {57664, "about.svg"},
    {57669, "context-help.svg"},
};

const QString kPrefix = QStringLiteral(":/kuvora/icons/");

// Draws one SVG drawing at whatever size is asked for, keeping its aspect.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(const QString& path) : path_(path), renderer_(std::make_shared<QSvgRenderer>(path)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = pixmap(rect.size() * dpr, mode, state);
        pm.setDevicePixelRatio(dpr);
        const QSize size = pm.deviceIndependentSize().toSize();
        painter->drawPixmap(QRect(rect.center() - QPoint(size.width() / 2, size.height() / 2), size), pm);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        if (!renderer_->isValid()) return {};
        const QSize natural = renderer_->defaultSize();
        // The drawing's own size when about that is asked for (a 16 × 15 image
        // in a 16 × 16 menu slot), else scaled to fit.
        const QSize spare = size - natural;
        if (spare.width() >= 0 && spare.height() >= 0 && spare.width() <= 2 && spare.height() <= 2) return natural;
        return natural.scaled(size, Qt::KeepAspectRatio);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return renderer_->isValid() ? QList<QSize>{renderer_->defaultSize()} : QList<QSize>{};
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        const QSize target = actualSize(size, mode, state);
        if (target.isEmpty()) return {};
        const QString key = QStringLiteral("kuvora-icon:%1:%2x%3:%4")
                                .arg(path_)
                                .arg(target.width())
                                .arg(target.height())
                                .arg(int(mode));
        QPixmap cached;
        if (mode != QIcon::Disabled && QPixmapCache::find(key, &cached)) return cached;
        QImage image(target, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            renderer_->render(&p, QRectF(QPointF(0, 0), QSizeF(target)));
        }
        QPixmap pm = QPixmap::fromImage(image);
        if (mode == QIcon::Disabled) {
            // Greyed by the current style, so not kept: the theme may change.
            if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
                QStyleOption option;
                option.palette = QApplication::palette();
                pm = QApplication::style()->generatedIconPixmap(QIcon::Disabled, pm, &option);
            }
            return pm;
        }
        QPixmapCache::insert(key, pm);
        return pm;
    }

    QIconEngine* clone() const override { return new SvgIconEngine(*this); }
    QString key() const override { return QStringLiteral("KuvoraSvgIconEngine"); }
    bool isNull() override { return !renderer_->isValid(); }

private:
    QString path_;
    std::shared_ptr<QSvgRenderer> renderer_;
};

QIcon IconFromSvg(const QString& path) { return QIcon(new SvgIconEngine(path)); }

}  // namespace

QString CommandIconPath(int commandId) {
    for (const CommandImage& image : kImages)
        if (image.id == commandId) return kPrefix + QString::fromLatin1(image.file);
    return {};
}

QIcon CommandIcon(int commandId) {
    const QString path = CommandIconPath(commandId);
    return path.isEmpty() ? QIcon() : IconFromSvg(path);
}

QIcon KuvoraAppIcon() { return IconFromSvg(kPrefix + QStringLiteral("kuvora.svg")); }
