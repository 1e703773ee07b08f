// Saves a widget's picture for the docs when ZORVANE_SCREENSHOT_DIR names a folder.
#pragma once

#include <gtest/gtest.h>

#include <QtWidgets/QWidget>

#include <cstdlib>

namespace zorvane::testkit {

inline void SaveScreenshot(QWidget& widget, const char* fileName)
{
    const QPixmap picture = widget.grab();
    EXPECT_FALSE(picture.isNull()) << fileName;
    const char* folder = std::getenv("ZORVANE_SCREENSHOT_DIR");
    if (folder != nullptr) {
        EXPECT_TRUE(picture.save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + QLatin1String(fileName)))
            << fileName;
    }
}

} // namespace zorvane::testkit
