#pragma once

// A GoogleTest fixture with a fresh temporary folder for the list file tests: files written into it by name
// and read back whole.

#include "tests/support/testfiles.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class TempFolderTest : public ::testing::Test
{
protected:
    QString pathOf(const QString& name) const
    {
        return m_dir.filePath(name);
    }

    // Writes bytes as the file name in the folder and returns its path.
    QString writeBytes(const QString& name, const QByteArray& bytes) const
    {
        const QString path = pathOf(name);
        EXPECT_TRUE(TestFiles::Write(path, bytes)) << path.toStdString();
        return path;
    }

    static QByteArray bytesOf(const QString& path)
    {
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
        return TestFiles::Read(path);
    }

    QTemporaryDir m_dir;
};
