#pragma once

// A GoogleTest fixture with a fresh temporary folder for the list file tests: files written into it by name
// and read back whole.

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
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static QByteArray bytesOf(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    QTemporaryDir m_dir;
};
