// Reading export files back with real readers.
#pragma once

#include "TestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace test {

// CP932 bytes decoded by a converter other than the writer's.
inline QString fromCp932(const QByteArray& bytes) {
    QStringDecoder decoder("windows-31j");
    EXPECT_TRUE(decoder.isValid());
    QString text = decoder.decode(bytes);
    EXPECT_FALSE(decoder.hasError());
    return text;
}

// The sheets of a workbook file as python3-xlrd reads them.
inline QJsonObject readWorkbook(const QString& path) {
    const ProcessResult r =
        runProgram("/usr/bin/python3", {sourcePath("tests/export/read_workbook.py"), path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QJsonDocument::fromJson(r.outBytes).object();
}

inline QJsonObject readWorkbookBytes(const QByteArray& bytes) {
    QTemporaryDir dir;
    QFile f(dir.filePath("book.xls"));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    return readWorkbook(f.fileName());
}

// A cell's text; empty past the end of its row or of the sheet.
inline QString cell(const QJsonObject& book, const QString& sheet, int row, int column) {
    const QJsonArray rows = book[sheet].toArray();
    const QJsonArray cells = row < rows.size() ? rows.at(row).toArray() : QJsonArray();
    return column < cells.size() ? cells.at(column).toString() : QString();
}

}  // namespace test
