// The drawn formats of kuvora-cli-full: the printed page as PDF and the
// picture the window's Copy makes, as SVG and PNG. They need Qt GUI (on the
// offscreen platform), which kuvora-cli itself does not load.
#include "CliCommands.h"

#include "CKuvoraDoc.h"
#include "ExpenseClaimPage.h"
#include "HistoryPicture.h"

#include <QDateTime>
#include <QPageSize>

#include <cstdio>

namespace {

// The paper of --page-size: a page size key such as "A4" or "Letter", in
// any letter case; an invalid size for anything else.
QPageSize PageSizeOption(const QString& name) {
    if (name.isEmpty()) return QPageSize(QPageSize::A4);
    for (int id = 0; id <= QPageSize::LastPageSize; ++id) {
        const auto size = static_cast<QPageSize::PageSizeId>(id);
        if (size != QPageSize::Custom && QPageSize::key(size).compare(name, Qt::CaseInsensitive) == 0)
            return QPageSize(size);
    }
    return QPageSize();
}

bool IsPageSize(const QString& name) { return PageSizeOption(name).isValid(); }

// The printed page or the picture; empty, after a message on standard
// error, when it could not be drawn.
QByteArray DrawingOutput(const CKuvoraDoc& doc, const QString& format, const QString& pageSizeName) {
    const QPageSize pageSize = PageSizeOption(pageSizeName);
    const QString footer = view::FooterLine(QDateTime::currentDateTime());
    QByteArray bytes;
    if (format == QLatin1String("pdf")) bytes = view::PagePdf(doc, pageSize, footer);
    else if (format == QLatin1String("svg")) bytes = view::PictureSvg(&doc, footer);
    else bytes = view::PicturePng(&doc, footer);
    if (bytes.isEmpty()) std::fprintf(stderr, "kuvora-cli: the %s could not be drawn\n", format.toUtf8().constData());
    return bytes;
}

QByteArray ClaimOutput(const ExpenseClaim& claim) {
    const QByteArray bytes = view::ExpenseClaimPdf(claim);
    if (bytes.isEmpty()) std::fprintf(stderr, "kuvora-cli: the expense claim could not be drawn\n");
    return bytes;
}

const DrawnFormats kDrawnFormats{IsPageSize, DrawingOutput, ClaimOutput};

}  // namespace

const DrawnFormats* Drawing() { return &kDrawnFormats; }
