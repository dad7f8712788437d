// A fresh folder for one test, made the working directory while the test runs.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string_view>

namespace brisel {

class TempFolder {
public:
    TempFolder() : previous_(QDir::currentPath()) {
        EXPECT_TRUE(dir_.isValid());
        QDir::setCurrent(dir_.path());
    }
    ~TempFolder() { QDir::setCurrent(previous_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    QString path(const QString& name) const { return dir_.filePath(name); }

    QString write(const QString& name, std::string_view bytes) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path(name);
    }

    QByteArray read(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    bool exists(const QString& name) const { return QFile::exists(path(name)); }

    // Sets the permissions of the folder itself (name empty) or of a file in it.
    void permit(const QString& name, QFileDevice::Permissions permissions) const {
        EXPECT_TRUE(QFile::setPermissions(name.isEmpty() ? dir_.path() : path(name), permissions));
    }

private:
    QTemporaryDir dir_;
    QString previous_;
};

}  // namespace brisel
